// One image shown on its own: named with what its header says, its listing
// with each file to save or view, its map, and one zip of all its files.
import { $, element, save, setStage, setStatus, sizeInWords } from './dom.js';
import { makeListing, said, summarySentence } from './listing.js';
import { hideMap, showMap } from './map.js';
import { extractImage } from './protocol.js';
import { showTrack } from './tracks.js';
import { decodeShiftJis } from './shift_jis.js';
import { words } from './words.js';
import { makeZip } from './zip.js';

const kProgressFrom = 4 * 1024 * 1024;
const kMediaNames = { 0x00: '2D', 0x10: '2DD', 0x20: '2HD', 0x30: '1D', 0x40: '1DD' };

export const mediaName = (type) => kMediaNames[type] ?? words.unknownMedia(type);

// Why an image that is not a 2DD or 2HD disk is refused.
export function refusedWhy(found, size) {
  if (!found.hasDisk) return words.notD88Short(size.toLocaleString('en'));
  if (kMediaNames[found.mediaType] === undefined || !found.plausible) return words.notD88Header;
  return words.otherMedia(`${mediaName(found.mediaType)} (media 0x${found.mediaType.toString(16).padStart(2, '0')})`);
}

// What the image is: its name and size, and what its first disk's header says.
function imageFacts(file, found) {
  const facts = [element('p', { className: 'image-name' }, element('strong', { lang: 'ja' }, file.name), ': ',
    sizeInWords(file.size, words.bytes))];
  if (found.hasDisk) {
    const name = found.diskName.length ? decodeShiftJis(found.diskName).shown : null;
    facts.push(element('p', { className: 'header-facts' }, words.firstDisk(name, mediaName(found.mediaType), found.writeProtected)));
  }
  return facts;
}

function hideResults() {
  $('rows').replaceChildren();
  hideMap();
  for (const id of ['collection', 'listing', 'actions', 'progress']) $(id).hidden = true;
  delete document.body.dataset.disks;
  delete document.body.dataset.heap;
}

export function startImage(file, viewer) {
  performance.mark('d88:chosen');
  viewer.hide();
  hideResults();
  let listing = null;
  let zip = null;
  // The records of every track come after the rest, off the way to the
  // listing and the map; a track is shown once they are here.
  let haveTracks;
  const tracks = new Promise((resolve) => { haveTracks = resolve; });
  let nothingRead = false;
  const progress = $('progress');
  const fail = (text) => {
    progress.hidden = true;
    setStage('failed');
    setStatus(element('p', { className: 'refused' }, text));
  };

  function showImage(found, messages) {
    setStatus(...imageFacts(file, found));
    if (found.recognised) {
      listing = makeListing(messages);
      $('status').append(element('p', { className: 'recognised' }, ...said(messages.recognised, words.recognised)));
      return;
    }
    progress.hidden = true;
    setStage('refused');
    $('status').append(element('p', { className: 'refused' }, ...said(messages.unsupported, words.unsupported)),
      element('p', {}, refusedWhy(found, file.size)));
  }

  function finish(message) {
    progress.hidden = true;
    performance.mark('d88:extracted');
    document.body.dataset.heap = String(message.heap);
    if (!message.summary) return; // refused: said already
    const { summary, values } = message;
    const rows = listing.rows(values);
    performance.mark('d88:listed');
    const status = $('status');
    // Neither directory read: the disk is not of this layout, and a map or
    // a listing would draw it as if it were.
    if (summary.entries === 0 && summary.incompleteDirectories === 2) {
      for (const note of rows.querySelectorAll('tr.note td')) status.append(element('p', {}, ...note.childNodes));
      status.append(element('p', {}, words.nothingExtracted));
      nothingRead = true;
      setStage('done');
      return;
    }
    $('rows').append(rows);
    $('listing').hidden = false;
    status.append(element('p', {}, summarySentence(listing, summary)));
    zip = listing.files.size ? makeZip(listing.files.values()) : null;
    performance.mark('d88:zip-ready');
    $('actions').hidden = zip === null;
    setStage('done');
    showMap({ values, sectors: message.sectors, tracks, viewer, imageName: file.name });
    performance.mark('d88:map-ready');
  }

  const take = (message) => {
    switch (message.type) {
      case 'stage':
        performance.mark('d88:read');
        setStage('extracting');
        if (file.size > kProgressFrom) {
          progress.hidden = false;
          progress.removeAttribute('value');
        }
        break;
      case 'image':
        showImage(message.found, message.messages);
        break;
      case 'done':
        finish(message);
        break;
      case 'tracks':
        haveTracks(message.tracks);
        // What the tracks do hold is what tells a person which layout it is.
        if (nothingRead && message.tracks.length) {
          const button = element('button', { type: 'button', id: 'tracks-as-recorded' }, words.tracksAsRecorded);
          button.onclick = () => showTrack({ map: null, tracks: message.tracks, track: 0, viewer, opener: button });
          $('status').append(element('p', {}, button));
        }
        break;
      case 'disks':
        if (message.diskCount > 0) {
          $('status').querySelector('.header-facts').append(' ',
            message.diskCount > 1 ? words.otherDisks(message.diskCount) : words.oneDisk);
        }
        document.body.dataset.disks = String(message.diskCount); // for scripts: all is said
        break;
      case 'failed':
        fail(message.reason === 'memory' ? words.tooBigForMemory(file.name)
          : words.extractionStopped(file.name, message.detail));
        break;
    }
  };

  setStage('reading');
  setStatus(element('p', {}, words.reading(file.name, file.size.toLocaleString('en'))));
  const extraction = extractImage(file, take);
  return {
    stop: extraction.stop,
    saveZip: () => zip && save(file.name.replace(/\.[^.]*$/, '') + '.zip', [zip], 'application/zip'),
  };
}
