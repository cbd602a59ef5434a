// The listing: a row for each directory entry (and IPLMUS), with what
// became of its file, and the files offered, placed as a Windows folder
// would place them.
import { element, hex2, save } from './dom.js';
import { windowsFold } from './names.js';
import { words } from './words.js';

// A line of the system's own (Japanese) and, where the page has more to
// say, its words after it.
export function said(japanese, meaning) {
  return [element('span', { lang: 'ja', className: 'ja' }, japanese),
    meaning ? ' ' : null, meaning ? element('span', { className: 'gloss' }, meaning) : null];
}

// Why an entry's file is not offered (the key of its words), or null.
export function refusalOf(value) {
  if (value.verdict === 1) return 'unsafeName';
  if (value.verdict === 2) return 'outsideVolume';
  if (!value.windowsName) return 'windowsName';
  return value.characters.endsWith(';') ? 'semicolon' : null;
}
// The system's message for each refusal.
const kRefusalMessages = {
  unsafeName: 'unsafeName', outsideVolume: 'outsideVolume', windowsName: 'unsafeName', semicolon: 'unsafeName',
};
export const kDamage = [null, 'unread', 'damaged', 'unreadAndDamaged'];

// Puts an offered file among `files` as a Windows folder would: files are
// named by their characters, and a name the folder folds onto an earlier one
// replaces that file, which keeps its first name. The file as it now stands,
// and the one it replaced, if any.
export function place(files, value) {
  const key = windowsFold(value.characters);
  const earlier = files.get(key);
  const file = { name: earlier?.name ?? value.characters, bytes: value.bytes, crc: value.crc,
    values: [...(earlier?.values ?? []), value] };
  files.set(key, file);
  return { file, earlier };
}

// The listing of one image, filled as its values come: `messages` are the
// system's texts as the core handed them.
export function makeListing(messages) {
  const files = new Map();
  const counts = { notOffered: 0, replaced: 0 };

  // NAME, or 面S の項目K for an entry with no name, as the command line says it.
  const label = (value) => value.shown || `${messages.side}${value.side}${messages.entry}${value.index}`;
  // The system's line for a value, NAME + message, with what it means.
  const saidOf = (value, key, message = key) => said(label(value) + messages[message], words[key]);
  const labelled = (className, label, ...children) => {
    const cell = element('td', { className }, ...children);
    if (label) cell.dataset.label = label;
    return cell;
  };

  function row(value) {
    if (value.kind === 1) {
      const text = said(`${messages.side}${value.side}${messages.directoryIncomplete}`,
        words.directoryIncomplete(value.side));
      return element('tr', { className: 'note' }, element('td', { colSpan: 7 }, ...text));
    }
    const boot = value.kind === 2;
    const lines = [];
    const refusal = refusalOf(value);
    if (refusal) lines.push(saidOf(value, refusal, kRefusalMessages[refusal]));
    else if (kDamage[value.damage]) lines.push(saidOf(value, kDamage[value.damage]));
    const where = boot ? [labelled('number place', '', words.bootPlace)]
      : [labelled('number', words.startLabel, value.start.map(hex2).join(' ')),
        labelled('number', words.endLabel, value.end.map(hex2).join(' '))];
    if (boot) where[0].colSpan = 2;
    const entryRow = element('tr', { className: boot ? 'boot' : '' },
      labelled('number', boot ? '' : words.sideLabel, boot ? '' : String(value.side)),
      element('td', { className: 'name', lang: 'ja' },
        value.shown || element('span', { className: 'gloss' }, words.noName)),
      ...where,
      labelled('number size', '', value.size.toLocaleString('en')),
      element('td', { className: 'outcome' }),
      element('td', { className: 'actions' }));
    const outcomeCell = entryRow.querySelector('.outcome');
    const actions = entryRow.querySelector('.actions');
    entryRow.querySelector('.size').dataset.unit = words.bytes;
    value.row = entryRow;
    if (refusal) {
      entryRow.classList.add('refused');
      counts.notOffered += 1;
    } else {
      const { file, earlier } = place(files, value);
      if (earlier) {
        lines.push(saidOf(value, 'replacedEarlier'));
        for (const { row: earlierRow } of earlier.values) {
          if (earlierRow.classList.contains('replaced')) continue;
          earlierRow.querySelector('.outcome').append(element('p', { className: 'gloss' }, words.replacedLater));
          earlierRow.classList.add('replaced');
        }
        counts.replaced += 1;
      }
      const saveFile = () => save(file.name, [value.bytes], 'application/octet-stream');
      actions.append(element('button', { className: 'save', type: 'button', onclick: saveFile }, words.save));
    }
    for (const line of lines) outcomeCell.append(element('p', {}, ...line));
    return entryRow;
  }

  return {
    files, counts,
    rows(values) {
      const rows = document.createDocumentFragment();
      for (const value of values) rows.append(row(value));
      return rows;
    },
  };
}

// The sentence under the image once it is listed.
export function summarySentence(listing, summary) {
  const counts = [words.filesReady(listing.files.size)];
  if (listing.counts.notOffered) counts.push(words.notOffered(listing.counts.notOffered));
  if (summary.damaged) counts.push(words.withDamage(summary.damaged));
  if (listing.counts.replaced) counts.push(words.replacedCount(listing.counts.replaced));
  return words.sentence(counts);
}
