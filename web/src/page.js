// The page: reads the image chosen or dropped, hands it to a worker running
// the extraction, and shows each directory entry as it comes back, with its
// file to save on its own or in one zip.
'use strict';

const $ = (id) => document.getElementById(id);
const workerUrl = URL.createObjectURL(
  new Blob([$('worker-source').textContent], { type: 'text/javascript' }));
const kProgressFrom = 4 * 1024 * 1024;

let worker = null;
let run = null;
// The worker for the next image, its core already made ready.
let spare = new Worker(workerUrl);

// The next spare is started once an image is done with, not while one is read.
function readySpare() {
  spare ??= new Worker(workerUrl);
}

const hex2 = (n) => n.toString(16).padStart(2, '0');

// 1.3 MB, 512 KiB, 1.00 GiB: the unit a person reads, with the exact count
// beside a rounded one.
function sizeInWords(bytes) {
  const exact = `${bytes.toLocaleString('en')} bytes`;
  const units = [['GiB', 1024 ** 3, 2], ['MiB', 1024 ** 2, 1], ['KiB', 1024, 1]];
  const [unit, size, digits] = units.find(([, size]) => bytes >= size) ?? [];
  return unit ? `${(bytes / size).toFixed(digits)} ${unit} (${exact})` : exact;
}

// How a Windows folder compares names: each UTF-16 unit upper-cased on its
// own, as NTFS's table does (full-width and Greek letters, Roman numerals
// too); a unit whose upper case is longer stays as it is.
function windowsFold(name) {
  let folded = '';
  for (const unit of name) {
    const upper = unit.toUpperCase();
    folded += upper.length === unit.length ? upper : unit;
  }
  return folded;
}

function element(tag, attributes, ...children) {
  const node = document.createElement(tag);
  Object.assign(node, attributes);
  node.append(...children.filter((child) => child !== null));
  return node;
}

// A line of the tool's own (Japanese) and what it means.
function said(japanese, english) {
  return [element('span', { lang: 'ja', className: 'ja' }, japanese), ' ',
          element('span', { className: 'gloss' }, english)];
}

// reading, extracting, done, refused or failed: for the style and for scripts.
function setStage(stage) {
  document.body.dataset.stage = stage;
}

function setStatus(...nodes) {
  $('status').replaceChildren(...nodes);
}

function showProgress(fraction) {
  const bar = $('progress');
  bar.hidden = false;
  if (fraction === null) bar.removeAttribute('value');
  else bar.value = fraction;
}

function fail(text) {
  worker?.terminate();
  worker = null;
  readySpare();
  $('progress').hidden = true;
  setStage('failed');
  setStatus(element('p', { className: 'refused' }, text));
}

function save(name, parts, type) {
  const link = element('a', { href: URL.createObjectURL(new Blob(parts, { type })), download: name });
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

function start(file) {
  performance.mark('d88:chosen');
  worker?.terminate();
  worker = null;
  $('rows').replaceChildren();
  hideInspector();
  collection = null; // a collection still running stops after its current image
  $('collection').hidden = true;
  $('listing').hidden = true;
  $('actions').hidden = true;
  $('progress').hidden = true;
  delete document.body.dataset.disks;
  run = {
    imageName: file.name, size: file.size, big: file.size > kProgressFrom,
    messages: {}, files: new Map(), notOffered: 0, replaced: 0, summary: null,
  };
  setStage('reading');
  setStatus(element('p', {}, words.reading(file.name, file.size.toLocaleString('en'))));
  const current = run;
  worker = spare ?? new Worker(workerUrl);
  spare = null;
  worker.onmessage = (event) => { if (run === current) take(event.data); };
  worker.onerror = (event) => {
    event.preventDefault();
    fail(words.stopped(event.message || words.workerFailed));
  };
  worker.postMessage(file);
}

function take(message) {
  switch (message.type) {
    case 'stage':
      performance.mark('d88:read');
      setStage('extracting');
      if (run.big) showProgress(null);
      break;
    case 'image':
      run.messages = message.messages;
      showImage(message.found);
      break;
    case 'done': {
      performance.mark('d88:extracted');
      const rows = document.createDocumentFragment();
      for (const value of message.values) rows.append(row(value));
      $('rows').append(rows);
      performance.mark('d88:listed');
      run.summary = message.summary;
      run.heap = message.heap;
      finish();
      showInspector(run, message.values, message.sectors);
      performance.mark('d88:map-ready');
      break;
    }
    case 'disks':
      // The worker's last word on this image.
      if (message.diskCount > 1) $('status').append(element('p', {}, words.otherDisks(message.diskCount)));
      worker?.terminate();
      worker = null;
      readySpare();
      document.body.dataset.disks = String(message.diskCount); // for scripts: all is said
      break;
    case 'failed':
      fail(message.reason === 'memory'
        ? words.tooBigForMemory(run.imageName)
        : words.extractionStopped(run.imageName, message.detail));
      break;
  }
}

const kMediaNames = { 0x00: '2D', 0x10: '2DD', 0x20: '2HD', 0x30: '1D', 0x40: '1DD' };

// Why an image that is not a 2DD or 2HD disk is refused.
function refusedWhy(found) {
  const media = kMediaNames[found.mediaType];
  if (!found.hasDisk) return words.notD88Short;
  if (media === undefined || !found.plausible) return words.notD88Header;
  return words.otherMedia(media);
}

function showImage(found) {
  const m = run.messages;
  if (found.recognised) {
    setStatus(element('p', { className: 'recognised' },
      ...said(m.recognised, 'A 2DD/2HD (PC-98) disk was recognised.')));
    $('listing').hidden = false;
    return;
  }
  const why = refusedWhy(found);
  $('progress').hidden = true;
  setStage('refused');
  setStatus(element('p', { className: 'refused' },
              ...said(m.unsupported, 'This disk image format is not supported.')),
            element('p', {}, why));
}

// NAME, or 面S の項目K for an entry with no name, as the command line says it.
function label(value) {
  const m = run.messages;
  return value.shown || `${m.side}${value.side}${m.entry}${value.index}`;
}

const kDamage = [null, 'unread', 'damaged', 'unreadAndDamaged'];

// The line of the tool's own for a value, NAME + message, with its meaning.
function saidOf(value, key, message = key) {
  return said(label(value) + run.messages[message], words[key]);
}

// The outcome of one entry: whether its file is offered, and the lines that
// say why not, or what is wrong with it.
function outcome(value) {
  const refusal = refusalOf(value);
  if (refusal) return { offered: false, lines: [saidOf(value, refusal, kRefusalMessages[refusal])] };
  const damage = kDamage[value.damage];
  return { offered: true, lines: damage ? [saidOf(value, damage)] : [] };
}

// Why an entry's file is not offered (the key of its words), or null.
function refusalOf(value) {
  if (value.verdict === 1) return 'unsafeName';
  if (value.verdict === 2) return 'outsideVolume';
  if (!value.windowsName) return 'windowsName';
  return value.characters.endsWith(';') ? 'semicolon' : null;
}
const kRefusalMessages = {
  unsafeName: 'unsafeName', outsideVolume: 'outsideVolume', windowsName: 'unsafeName', semicolon: 'unsafeName',
};

// Puts an offered file among `files` as a Windows folder would: files are
// named by their characters, and a name the folder folds onto an earlier one
// replaces that file, which keeps its first name. The file as it now stands,
// and the one it replaced, if any.
function place(files, value) {
  const key = windowsFold(value.characters);
  const earlier = files.get(key);
  const file = { name: earlier?.name ?? value.characters, bytes: value.bytes, crc: value.crc,
    values: [...(earlier?.values ?? []), value] };
  files.set(key, file);
  return { file, earlier };
}

// The row of one value: an entry, IPLMUS, or a directory read in part.
function row(value) {
  if (value.kind === 1) {
    const text = said(`${run.messages.side}${value.side}${run.messages.directoryIncomplete}`,
      words.directoryIncomplete(value.side));
    return element('tr', { className: 'note' }, element('td', { colSpan: 7 }, ...text));
  }
  const boot = value.kind === 2;
  const result = outcome(value);
  const entryRow = element('tr', {},
    element('td', {}, boot ? '' : String(value.side)),
    element('td', { className: 'name', lang: 'ja' },
      value.shown || element('span', { className: 'gloss' }, words.noName)),
    element('td', { className: 'number' }, boot ? words.boot : value.start.map(hex2).join(' ')),
    element('td', { className: 'number' }, boot ? words.track : value.end.map(hex2).join(' ')),
    element('td', { className: 'number' }, value.size.toLocaleString('en')),
    element('td', { className: 'outcome' }),
    element('td', {}));
  const [outcomeCell, saveCell] = [entryRow.cells[5], entryRow.cells[6]];
  value.row = entryRow;
  if (result.offered) {
    const { file, earlier } = place(run.files, value);
    if (earlier) {
      result.lines.push(saidOf(value, 'replacedEarlier'));
      for (const { row: earlierRow } of earlier.values) {
        if (earlierRow.classList.contains('replaced')) continue;
        earlierRow.cells[5].append(element('p', { className: 'gloss' }, words.replacedLater));
        earlierRow.classList.add('replaced');
      }
      run.replaced += 1;
    }
    outcomeCell.prepend(element('p', {}, boot ? words.readyBoot : words.ready));
    const saveFile = () => save(file.name, [value.bytes], 'application/octet-stream');
    saveCell.append(element('button', { className: 'save', onclick: saveFile }, words.save));
  } else {
    entryRow.classList.add('refused');
    run.notOffered += 1;
  }
  for (const line of result.lines) outcomeCell.append(element('p', {}, ...line));
  return entryRow;
}

function finish() {
  $('progress').hidden = true;
  const summary = run.summary;
  if (!summary) return; // refused: said already
  const offered = run.files.size;
  const counts = [words.filesReady(offered)];
  if (run.notOffered) counts.push(words.notOffered(run.notOffered));
  if (summary.damaged) counts.push(words.withDamage(summary.damaged));
  if (run.replaced) counts.push(words.replacedCount(run.replaced));
  $('status').append(element('p', {}, words.sentence(counts)));
  if (summary.entries === 0 && summary.incompleteDirectories === 2) {
    $('status').append(element('p', {}, words.nothingExtracted));
  }
  // The files of a volume are at most 770 KB in all: the zip is made at
  // once, and saving it is instant.
  run.zip = offered ? makeZip() : null;
  performance.mark('d88:zip-ready');
  $('actions').hidden = offered === 0;
  setStage('done');
}

// A file stored in a zip, made by Unix with mode 0644, so that unzip takes
// the name as the UTF-8 it is flagged to be (bit 11) and unpacks a plain
// file. An extracted file's CRC-32 comes from the core, which is quicker at
// it; the page's own files (the manifest) have theirs made by fflate.
function addToZip(zip, name, bytes, crc, mtime) {
  const attributes = { mtime, os: 3, attrs: (0o100644 << 16) >>> 0 };
  const file = crc === undefined ? new fflate.ZipPassThrough(name)
    : { filename: name, size: bytes.length, crc, compression: 0 };
  Object.assign(file, attributes);
  zip.add(file);
  if (crc === undefined) file.push(bytes, true);
  else file.ondata(null, bytes, true);
}

// Pieces of bytes as one array: a Blob made of a zip's hundreds of small
// pieces cost several times what copying them does.
function joined(parts) {
  const all = new Uint8Array(parts.reduce((sum, part) => sum + part.length, 0));
  let at = 0;
  for (const part of parts) {
    all.set(part, at);
    at += part.length;
  }
  return all;
}

function makeZip() {
  const parts = [];
  const zip = new fflate.Zip((error, chunk) => {
    if (error) throw error;
    parts.push(chunk);
  });
  const mtime = new Date();
  for (const file of run.files.values()) addToZip(zip, file.name, file.bytes, file.crc, mtime);
  zip.end();
  return joined(parts);
}

function saveZip() {
  save(run.imageName.replace(/\.[^.]*$/, '') + '.zip', [run.zipBlob ?? run.zip], 'application/zip');
}

// One image alone, as it always was; anything more, or an archive, is a
// collection.
function choose(files) {
  const one = files.length === 1 && !files[0].path.includes('/') && !/\.(zip|gz)$/i.test(files[0].path);
  if (one) start(files[0].blob);
  else if (files.length) runCollection(files);
}

fillWords();
for (const id of ['choose', 'choose-folder']) {
  $(id).addEventListener('change', (event) => {
    choose([...event.target.files].map((file) => ({ path: file.webkitRelativePath || file.name, blob: file })));
    event.target.value = '';
  });
}
$('zip').addEventListener('click', saveZip);
const drop = $('drop');
// A file dropped anywhere else would make the browser leave the page.
for (const type of ['dragover', 'drop']) {
  window.addEventListener(type, (event) => event.preventDefault());
}
drop.addEventListener('dragover', () => drop.classList.add('over'));
drop.addEventListener('dragleave', () => drop.classList.remove('over'));
drop.addEventListener('drop', async (event) => {
  drop.classList.remove('over');
  const items = [...event.dataTransfer.items].filter((item) => item.kind === 'file');
  const folders = items.some((item) => item.webkitGetAsEntry?.()?.isDirectory);
  const files = folders ? await droppedFiles(items)
    : [...event.dataTransfer.files].map((file) => ({ path: file.name, blob: file }));
  choose(files);
});
