// A collection: several images, folders, .zip archives and gzipped images,
// extracted one at a time into one zip that holds a folder per image, with
// exactly what the command line writes on Windows, and a manifest.
import { bagTagTexts, kBagBase, kPayload, kTagManifest, manifestLines, sha256Hashing, sha256Of } from './bag.js';
import { $, element, hex2, save, setStage, setStatus, sizeInWords } from './dom.js';
import { imagesIn } from './inputs.js';
import { kDamage, place, refusalOf } from './listing.js';
import { hideMap } from './map.js';
import { sectorRuns } from './sector_map.js';
import { windowsFold } from './names.js';
import { imageWorker } from './protocol.js';
import { refusedWhy } from './image_run.js';
import { words } from './words.js';
import { streamingZip } from './zip.js';

// game.d88, game.d88.gz and GAME.D88 all give "game", and disks/a.d88 in
// two-disks.zip "two-disks - a"; a second "game" in the same collection
// "game (2)", as Windows names would not tell them apart. Every folder is
// one Windows can make (no device name such as CON or LPT9.txt), and one
// unzip can (at most 100 characters), and never the manifest's name.
const kDeviceName = /^(con|prn|aux|nul|com[1-9\u00b9\u00b2\u00b3]|lpt[1-9\u00b9\u00b2\u00b3])(\.|$)/i;
const kFolderLength = 100;
export const kManifestNames = ['manifest.csv', 'manifest.json'];
const cut = (text, length) => [...text].slice(0, length).join('').replace(/[. ]+$/, '');

export function folderFor(path, taken) {
  const stem = (name) => name.replace(/\.gz$/i, '').replace(/\.[^.]*$/, '');
  const parts = path.split('/');
  const archives = parts.slice(0, -1).filter((part) => /\.zip$/i.test(part)).map(stem);
  let base = [...archives, stem(parts.at(-1))].join(' - ')
    .replace(/[<>:"/\\|?*\x00-\x1f]/g, '_').replace(/[. ]+$/, '') || 'image';
  if (kDeviceName.test(base)) base = base.replace(/^[^.]*/, (device) => `${device}_`);
  let folder = cut(base, kFolderLength);
  for (let k = 2; taken.has(windowsFold(folder)); ++k) {
    const suffix = ` (${k})`;
    folder = cut(base, kFolderLength - suffix.length) + suffix;
  }
  taken.add(windowsFold(folder));
  return folder;
}

const hexOf = (bytes) => Array.from(bytes, hex2).join('');

const kOutcomeOf = { unsafeName: 'not written: unsafe name', outsideVolume: 'not written: outside the disk',
  windowsName: 'not offered: Windows does not allow the name', semicolon: 'not offered: final ";"' };
const kDamageWords = { unread: 'unread', damaged: 'damaged', unreadAndDamaged: 'unread and damaged' };

// The manifest, as CSV (UTF-8 with a byte-order mark, for spreadsheets on
// Windows) and as JSON, at the top of the zip; a line at a time, as an
// archive's manifest runs to hundreds of MB.
function manifestTexts(rows) {
  const columns = ['kind', 'image', 'folder', 'side', 'name', 'nameBytes', 'start', 'end', 'size',
    'outcome', 'sha256', 'sectors'];
  // A file's sectors as runs of one state: "02 01-02 03 read; 02 04 damaged".
  const placeText = (at) => at.map(hex2).join(' ');
  const runsText = (runs = []) => runs.map(({ start, end, state }) => {
    const [from, to] = [placeText(start), placeText(end)];
    return `${from === to ? from : `${from}-${to}`} ${state}`;
  }).join('; ');
  // A cell a spreadsheet would take for a formula (=, +, -, @, tab or CR
  // first) is made text with a quote before it, as OWASP advises; the JSON
  // keeps the exact text.
  const cell = (value) => {
    let text = String(value ?? '');
    const formula = /^[=+\-@\t\r]/.test(text);
    if (formula) text = `'${text}`;
    return formula || /[",\r\n]/.test(text) ? `"${text.replaceAll('"', '""')}"` : text;
  };
  function* csv() {
    yield `\ufeff${columns.join(',')}\r\n`;
    for (const row of rows) {
      yield columns.map((c) => cell(c === 'sectors' ? runsText(row[c]) : row[c])).join(',') + '\r\n';
    }
  }
  // What JSON.stringify(rows, null, 1) makes, a row at a time.
  function* json() {
    if (!rows.length) return yield '[]';
    for (const [n, row] of rows.entries()) yield `${n ? ',' : '['}\n ${JSON.stringify(row, null, 1).replaceAll('\n', '\n ')}`;
    yield '\n]';
  }
  return { 'manifest.csv': csv(), 'manifest.json': json() };
}

// The lines and the progress reach the page five times a second at most:
// drawn for each image, they took longer than its extraction.
const kDrawEvery = 200; // ms

export function startCollection(files, viewer) {
  performance.mark('d88:chosen');
  viewer.hide();
  hideMap();
  for (const id of ['listing', 'actions', 'progress', 'zip-file']) $(id).hidden = true;
  $('rows').replaceChildren();
  $('images').replaceChildren();
  $('collection').hidden = false;
  $('stop').hidden = false;
  setStage('reading');
  // Where the browser can write a file as it goes (Chromium's save picker),
  // the person may send the zip there, and must once it outgrows the page.
  const canFile = typeof window.showSaveFilePicker === 'function';
  $('to-file').hidden = !canFile;
  const note = (text) => {
    $('zip-file').textContent = text;
    $('zip-file').hidden = false;
  };
  const zip = streamingZip(canFile ? () => note(words.zipAsksForFile) : null);
  let filedAs = null;
  // As a bag: every file under data/, each with its size and SHA-256.
  const asBag = $('as-bag').checked;
  const payload = [];
  const addFile = (path, bytes, crc, hash) => {
    zip.add(asBag ? kPayload + path : path, bytes, crc);
    if (asBag) payload.push({ path: `data/${path}`, size: bytes.length, sha256: hash ?? sha256Of(bytes) });
  };
  // A text of the page's own, written as it is made: in a bag, its size
  // and SHA-256 too.
  const addText = async (path, pieces) => {
    const hash = asBag ? sha256Hashing() : null;
    const size = await zip.addText(path, pieces, (bytes) => hash?.update(bytes));
    return { size, sha256: hash?.hex() };
  };
  const folders = new Set(kManifestNames.map(windowsFold));
  const manifest = [];
  const undrawn = [];
  let found = 0;
  let done = 0;
  let bytes = 0;
  let now = '';
  let peakHeap = 0; // the worker's core at its largest, for scripts
  let drawing = null;
  let stopAsked = false;
  let left = false; // another image or collection was chosen
  let saved = null;

  function draw() {
    clearTimeout(drawing);
    drawing = null;
    if (left) return;
    $('images').append(...undrawn.splice(0));
    setStatus(element('p', {}, words.collectionProgress(done, found, sizeInWords(bytes, words.bytes), now)));
  }
  const drawSoon = () => {
    drawing ??= setTimeout(draw, kDrawEvery);
  };
  const line = (path, text, bad) => {
    undrawn.push(element('li', { className: bad ? 'refused' : '' }, element('span', { className: 'name' }, path),
      ': ', text));
    drawSoon();
  };

  // What became of each input, each in one of these.
  const outcomes = { extracted: 0, damaged: 0, nothing: 0, notImage: 0, unreadable: 0 };

  // An input that gave no files: its line, its row of the manifest, and
  // what it counts as.
  function imageWithout(path, outcome, kind, source = {}) {
    done += 1;
    outcomes[kind] += 1;
    line(path, outcome, true);
    manifest.push({ kind: 'image', image: path, folder: '', size: source.size ?? '', outcome,
      sha256: source.sha256 ?? '' });
  }

  // One recognised image into the zip and the manifest, its files in a
  // folder when it has any; its counts.
  function takeImage(path, { values, summary, sectors }) {
    const placed = new Map();
    const rows = [];
    let notOffered = 0;
    let replaced = 0;
    for (const value of values.filter((v) => v.kind === 0 || v.kind === 2)) {
      const refusal = refusalOf(value);
      const row = { kind: 'file', image: path, folder: '', side: value.kind === 2 ? 'boot' : value.side,
        name: value.characters ?? value.shown, nameBytes: hexOf(value.name),
        start: value.kind === 2 ? '' : value.start.map(hex2).join(' '),
        end: value.kind === 2 ? '' : value.end.map(hex2).join(' '), size: value.size,
        outcome: refusal ? kOutcomeOf[refusal] : 'ready', sha256: '', sectors: sectorRuns(value, sectors) };
      if (refusal) notOffered += 1;
      else {
        const { earlier } = place(placed, value);
        if (earlier) {
          replaced += 1;
          for (const { manifestRow } of earlier.values) manifestRow.outcome = 'replaced by a later file of the same name';
        }
        value.manifestRow = row;
        row.sha256 = value.sha256 ?? '';
        if (value.damage) row.outcome += `; ${kDamageWords[kDamage[value.damage]]} sectors`;
      }
      rows.push(row);
    }
    const folder = placed.size ? folderFor(path, folders) : '';
    for (const row of rows) row.folder = folder;
    for (const file of placed.values()) {
      addFile(`${folder}/${file.name}`, file.bytes, file.crc, file.values.at(-1).sha256 || undefined);
    }
    manifest.push(...rows);
    return { folder, offered: placed.size, notOffered, damaged: summary.damaged, replaced };
  }

  // What the worker made of one image, into the zip and the manifest.
  function fileResult(image, result) {
    // The image itself (a .gz's, unpacked): its size and SHA-256.
    const size = result.size ?? image.blob?.size ?? image.bytes.length;
    bytes += size;
    peakHeap = Math.max(peakHeap, result.heap ?? 0);
    if (result.problem) return imageWithout(image.path, result.problem, 'unreadable');
    if (result.failed) {
      return imageWithout(image.path, words.extractionStopped(image.path, result.failed), 'unreadable');
    }
    const source = { size, sha256: result.imageSha256 };
    if (!result.found.recognised) return imageWithout(image.path, refusedWhy(result.found, size), 'notImage', source);
    const { summary } = result;
    // Neither directory read: what the command line ends with status 1.
    if (summary.entries === 0 && summary.incompleteDirectories === 2) {
      return imageWithout(image.path, words.nothingExtracted, 'nothing', source);
    }
    const counts = takeImage(image.path, result);
    done += 1;
    outcomes[counts.damaged ? 'damaged' : 'extracted'] += 1;
    const disks = result.diskCount > 1 ? words.fullStop + words.otherDisks(result.diskCount) : '';
    const outcome = words.imageCounts(counts, counts.folder) + disks;
    line(image.path, outcome, false);
    manifest.push({ kind: 'image', image: image.path, folder: counts.folder, ...source, outcome });
  }

  async function finish() {
    if (left) return zip.abandon();
    for (const [name, pieces] of Object.entries(manifestTexts(manifest))) {
      const written = await addText(asBag ? kPayload + name : name, pieces);
      if (asBag) payload.push({ path: `data/${name}`, ...written });
    }
    if (asBag) {
      const tags = [];
      for (const { name, pieces } of bagTagTexts(payload)) {
        tags.push({ path: name, ...await addText(`${kBagBase}/${name}`, pieces) });
      }
      await addText(`${kBagBase}/${kTagManifest}`, [manifestLines(tags)]);
    }
    if (left) return zip.abandon();
    let unwritten = null;
    try {
      saved = await zip.end();
    } catch (error) {
      unwritten = error;
    }
    if (left) return;
    draw();
    $('stop').hidden = true;
    $('to-file').hidden = true;
    $('zip-file').hidden = true;
    const where = unwritten ? element('p', { className: 'refused' }, words.zipNotWritten(filedAs, String(unwritten)))
      : filedAs !== null && element('p', {}, words.zipInFile(filedAs));
    setStatus(element('p', {}, words.collectionDone(done, found, stopAsked, outcomes)), where || '');
    $('actions').hidden = saved === null;
    performance.mark('d88:zip-ready');
    document.body.dataset.heap = String(peakHeap);
    setStage('done');
  }

  async function run() {
    // Two workers where the machine has two cores or more, each given every
    // other image; the lines still come in the collection's order.
    const workers = Array.from({ length: (navigator.hardwareConcurrency ?? 1) >= 2 ? 2 : 1 }, imageWorker);
    let turn = 0;
    // In order, the images given to the workers and what could not be an
    // image: the lines keep the collection's order. Plain files go to a
    // worker a group at a time, read in one go (a read costs the browser
    // more than its bytes do); the first groups are small, so that a few
    // images still share both workers. Each worker has two groups at most,
    // one extracted and the next read, while the page files the one before.
    const kGroup = 8;
    const groupSize = () => Math.min(kGroup, 1 + (turn >> 1));
    const pending = [];
    let group = [];
    const giveGroup = () => {
      if (!group.length) return;
      const worker = workers[turn++ % workers.length];
      const answers = worker.extract(group);
      group.forEach((image, k) => pending.push({ image, worker, result: answers[k] }));
      group = [];
    };
    const fileOldest = async () => {
      const { image, result, worker } = pending.shift();
      if (image.problem) imageWithout(image.path, image.problem, 'unreadable');
      else {
        const answer = await result;
        if (left) return;
        fileResult(image, answer);
        // The buffers of its files, copied into the zip, go back to be
        // filled again.
        if (answer.arenas?.length) worker.giveBack(answer.arenas);
      }
    };
    const given = () => pending.filter(({ result }) => result).length;
    for await (const image of imagesIn(files)) {
      // Stopped, or left for another choice: what is done is kept.
      if (stopAsked || left) break;
      found += 1;
      if (image.blob && !image.gzipped) group.push(image);
      else {
        // A .gz, a large image from a .zip or what is no image: on its own,
        // in its place.
        giveGroup();
        if (image.problem) pending.push({ image });
        else {
          group.push(image);
          giveGroup();
        }
      }
      if (group.length >= groupSize()) giveGroup();
      now = image.path;
      drawSoon();
      while (!left && pending.length && (given() > workers.length * kGroup || pending[0].image.problem)) {
        await fileOldest();
      }
      if (!(await zip.room())) break;
    }
    giveGroup();
    while (!left && pending.length) await fileOldest();
    for (const worker of workers) worker.terminate();
    finish();
  }
  run();

  return {
    stop: () => {
      left = true;
    },
    requestStop: () => {
      stopAsked = true;
    },
    saveZip: () => saved && save('collection.zip', [saved], 'application/zip'),
    // The zip into a file the person chooses, what is made of it so far first.
    zipToFile: async () => {
      let handle;
      try {
        handle = await window.showSaveFilePicker({ suggestedName: 'collection.zip',
          types: [{ description: 'zip', accept: { 'application/zip': ['.zip'] } }] });
      } catch {
        return; // not chosen: the zip stays where it is
      }
      if (left || filedAs !== null) return;
      const stream = await handle.createWritable();
      if (!zip.toFile(stream)) return stream.abort(); // the zip was already done
      filedAs = handle.name;
      $('to-file').hidden = true;
      note(words.zipToFile(filedAs));
    },
  };
}
