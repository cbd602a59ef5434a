// The page's side of the worker's protocol. A worker runs the extraction of
// one image at a time, so that a huge or hostile image never holds up the
// page. It answers an image with, in order:
//   {type: 'stage'}                            the image is being extracted
//   {type: 'image', found, messages}           what the image is, the system's texts
//   {type: 'done', values, sectors, summary, heap, imageSha256, size, arenas}
//                                              every value, the sectors read; a
//                                              collection's buffers of files
//   {type: 'tracks', tracks}                   a 2DD or 2HD disk's records, track by track
//   {type: 'disks', diskCount}                 its last word on the image
// or {type: 'failed', reason, detail} at any point; a collection's .gz
// that does not unpack gets {type: 'refused', problem} alone ('gzipBomb' or
// 'notGzip'), and the worker goes on to the next image.
import { $ } from './dom.js';
import { words } from './words.js';

// The worker's script is in the page itself, so that the page works opened
// straight from the disk.
const workerUrl = URL.createObjectURL(
  new Blob([$('worker-source').textContent], { type: 'text/javascript' }));

// The worker for the next image shown on its own, its core already made
// ready; a new spare is started once an image is done with.
let spare = new Worker(workerUrl);

// One image shown on its own: `take` gets each of the worker's messages
// (a failed worker as {type: 'failed'}). The run's stop() ends it.
export function extractImage(file, take) {
  const worker = spare ?? new Worker(workerUrl);
  spare = null;
  let running = true;
  const stop = () => {
    if (!running) return;
    running = false;
    worker.terminate();
    spare ??= new Worker(workerUrl);
  };
  worker.onmessage = ({ data }) => {
    if (!running) return;
    if (data.type === 'disks' || data.type === 'failed') stop();
    take(data);
  };
  worker.onerror = (event) => {
    event.preventDefault();
    if (!running) return;
    stop();
    take({ type: 'failed', reason: 'error', detail: event.message || words.workerFailed });
  };
  worker.postMessage(file);
  return { stop };
}

// A collection's worker. It is given the next image before it is done
// with one, so that it reads the one while it extracts the other, and it
// answers in order. One that fails is replaced, and the images it still had
// go to the new one; with none left, the next image starts a new one, so a
// worker that cannot even start is not started again and again.
export function imageWorker() {
  const waiting = [];
  let worker = null;
  const start = () => {
    const own = new Worker(workerUrl);
    worker = own;
    own.onmessage = ({ data }) => {
      if (worker !== own) return;
      if (data.type === 'image') waiting[0].found = data.found;
      if (data.type === 'done') waiting[0].done = data;
      if (data.type === 'disks') {
        const { found, done, resolve } = waiting.shift();
        resolve({ found, values: done.values, sectors: done.sectors, summary: done.summary, diskCount: data.diskCount,
          heap: done.heap, imageSha256: done.imageSha256, size: done.size, arenas: done.arenas });
      }
      if (data.type === 'refused') waiting.shift().resolve({ problem: words[data.problem] });
      if (data.type === 'failed') fail(data.detail || data.reason);
    };
    own.onerror = (event) => {
      event.preventDefault();
      if (worker === own) fail(event.message || words.workerFailed);
    };
    for (const { image } of waiting) give([image]);
  };
  // An image's bytes are moved to the worker, not copied; several files
  // or Blobs given at once are read together.
  const give = (images) => {
    if (images.length > 1) return worker.postMessage({ together: images.map(({ blob }) => blob) });
    const [{ blob, bytes, gzipped }] = images;
    worker.postMessage({ image: blob ?? bytes, collection: true, gzipped }, bytes ? [bytes.buffer] : []);
  };
  // Bytes moved to a worker that failed are gone with it: those images fail
  // with it too.
  const fail = (why) => {
    waiting.shift()?.resolve({ failed: why });
    worker.terminate();
    worker = null;
    for (const lost of waiting.filter(({ image }) => image.bytes)) lost.resolve({ failed: why });
    waiting.splice(0, waiting.length, ...waiting.filter(({ image }) => !image.bytes));
    if (waiting.length) start();
  };
  start();
  return {
    // Images as inputs.js gives them: {blob, gzipped} or {bytes} alone, or
    // several {blob}; a promise of each one's answer.
    extract: (images) => {
      const answers = images.map((image) => new Promise((resolve) => waiting.push({ image, resolve })));
      if (worker) give(images);
      else start();
      return answers;
    },
    // Buffers of a collection's files, their bytes in the zip: the worker
    // fills them again.
    giveBack: (buffers) => worker?.postMessage({ spare: buffers }, buffers),
    terminate: () => worker?.terminate(),
  };
}
