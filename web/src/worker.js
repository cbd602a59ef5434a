// The page's worker: runs the extraction on one image, so that a huge or
// hostile image never holds up the page, and posts every value it makes.
// Its script follows the compiled core (loadCore) and shift_jis.js.
'use strict';

const post = (message, transfer) => postMessage(message, transfer || []);

// Windows' rules, applied by the core, for a name as characters.
function isWindowsName(core, characters) {
  if (characters === null) return false; // no name Windows can hold
  const at = core._malloc(2 * characters.length + 2);
  for (let i = 0; i < characters.length; ++i) core.HEAPU16[(at >> 1) + i] = characters.charCodeAt(i);
  const safe = core._d88IsWindowsName(at, characters.length) === 1;
  core._free(at);
  return safe;
}

async function extract(image) {
  const messages = {};
  let core = null;
  core = await loadCore({
    onMessage: (key, bytes) => { messages[key] = decodeShiftJis(bytes).shown; },
    onImage: (found) => post({ type: 'image', found, messages }),
    onSummary: (summary) => post({ type: 'summary', summary }),
    onValue: (value) => {
      const name = decodeShiftJis(value.name);
      value.shown = name.shown;
      value.windowsName = value.verdict === 0 && isWindowsName(core, name.characters);
      post({ type: 'value', value }, [value.bytes.buffer]);
    },
    print: () => {},
    printErr: () => {},
  });
  core._d88HandMessages();
  post({ type: 'stage', stage: 'extracting' });
  const at = image.length ? core._malloc(image.length) : 0;
  if (image.length && !at) {
    post({ type: 'failed', reason: 'memory' });
    return;
  }
  core.HEAPU8.set(image, at);
  core._d88Extract(at, image.length);
  post({ type: 'done' });
}

onmessage = (event) => {
  extract(new Uint8Array(event.data)).catch((error) => {
    // A failed allocation aborts the core; nothing else is expected to.
    const memory = /memory|alloc|OOM/i.test(String(error));
    post({ type: 'failed', reason: memory ? 'memory' : 'error', detail: String(error) });
  });
};
