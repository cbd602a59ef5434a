// Writes the site: one index.html that holds everything (the page, its
// style, the zip library and the worker with the compiled core inlined), so
// that it works opened straight from the disk as well as from a web host.
//   node assemble.mjs CORE.js OUTPUT.html
import { readFileSync, writeFileSync } from 'node:fs';
import { fileURLToPath } from 'node:url';

const [core, output] = process.argv.slice(2);
const here = (path) => fileURLToPath(new URL(path, import.meta.url));
const read = (path) => readFileSync(path, 'utf8');

// Inside a script element only "</script" (and "<!--") could end it early.
function inlined(name, text) {
  if (/<\/script|<!--/i.test(text)) throw new Error(`${name} cannot be inlined as it stands`);
  return text;
}

const parts = {
  '@STYLE@': read(here('src/style.css')),
  '@WORKER@': inlined('worker',
    [read(core), read(here('src/shift_jis.js')), read(here('src/worker.js'))].join('\n')),
  '@FFLATE@': inlined('fflate', read(here('node_modules/fflate/umd/index.js'))),
  '@PAGE@': inlined('page', ['words.js', 'shift_jis.js', 'page.js', 'inspector.js', 'collection.js']
    .map((name) => read(here(`src/${name}`))).join('\n')),
};
let html = read(here('src/index.html'));
for (const [mark, text] of Object.entries(parts)) html = html.replace(mark, () => text);
writeFileSync(output, html);
