// Writes the site: one index.html that holds everything (the page's modules
// and their packages bundled into one script, its style, and the worker with
// the compiled core inlined), so that it works opened straight from the disk
// as well as from a web host. The packages' licences go with it, and the
// version is the project's.
//   node assemble.mjs CORE.js OUTPUT.html VERSION
import { readFileSync, writeFileSync } from 'node:fs';
import { fileURLToPath } from 'node:url';
import { build } from 'esbuild';

const [core, output, version] = process.argv.slice(2);
const here = (path) => fileURLToPath(new URL(path, import.meta.url));
const read = (path) => readFileSync(path, 'utf8');

// Inside a script element only "</script" (and "<!--") could end it early.
function inlined(name, text) {
  if (/<\/script|<!--/i.test(text)) throw new Error(`${name} cannot be inlined as it stands`);
  return text;
}

async function bundle(entry) {
  const result = await build({
    entryPoints: [here(`src/${entry}`)], bundle: true, format: 'iife', target: 'es2022',
    minify: true, legalComments: 'none', write: false, logLevel: 'warning',
    define: { D88_VERSION: JSON.stringify(version) },
  });
  return result.outputFiles[0].text;
}

// Every package bundled into the page or its worker, with its notice.
const kBundled = ['fflate', '@zip.js/zip.js', '@noble/hashes'];
const licences = kBundled.map((name) => `${name}\n\n${read(here(`node_modules/${name}/LICENSE`))}`).join('\n\n');

const parts = {
  '@LICENCES@': inlined('licences', licences),
  '@STYLE@': read(here('src/style.css')),
  '@WORKER@': inlined('worker', [read(core), await bundle('worker.js')].join('\n')),
  '@PAGE@': inlined('page', await bundle('main.js')),
};
let html = read(here('src/index.html'));
for (const [mark, text] of Object.entries(parts)) html = html.replace(mark, () => text);
writeFileSync(output, html);
