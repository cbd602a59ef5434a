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

// client-zip 2.5.1 writes its Zip64 end records only once an offset or a
// size passes 4 GiB, so that past 65,535 small entries the end record's
// count is cut to 65,535 with nothing behind it, and unzip and 7-Zip find
// the zip broken. The fix its project was offered (Touffy/client-zip#95)
// is not released: until it is, the same condition is widened here, and
// the build stops if the text it mends is not there exactly once.
const kZip64Mend = { from: 'if(u||a>=0xffffffffn){', to: 'if(u||a>=0xffffffffn||s>=0xffffn||d>=0xffffffffn){' };
const zip64Mend = {
  name: 'client-zip-zip64-count',
  setup(build) {
    build.onLoad({ filter: /client-zip[\\/]index\.js$/ }, ({ path }) => {
      const text = read(path);
      if (text.split(kZip64Mend.from).length !== 2) throw new Error(`${path}: the Zip64 condition to mend is not there once`);
      return { contents: text.replace(kZip64Mend.from, kZip64Mend.to), loader: 'js' };
    });
  },
};

async function bundle(entry) {
  const result = await build({
    entryPoints: [here(`src/${entry}`)], bundle: true, format: 'iife', target: 'es2022',
    minify: true, legalComments: 'none', write: false, logLevel: 'warning',
    define: { D88_VERSION: JSON.stringify(version) }, plugins: [zip64Mend],
  });
  return result.outputFiles[0].text;
}

// Every package bundled into the page or its worker, with its notice.
const kBundled = { fflate: 'LICENSE', 'client-zip': 'LICENSE.txt', '@zip.js/zip.js': 'LICENSE', '@noble/hashes': 'LICENSE' };
const licences = Object.entries(kBundled)
  .map(([name, file]) => `${name}\n\n${read(here(`node_modules/${name}/${file}`))}`).join('\n\n');

const parts = {
  '@LICENCES@': inlined('licences', licences),
  '@STYLE@': read(here('src/style.css')),
  '@WORKER@': inlined('worker', [read(core), await bundle('worker.js')].join('\n')),
  '@PAGE@': inlined('page', await bundle('main.js')),
};
let html = read(here('src/index.html'));
for (const [mark, text] of Object.entries(parts)) html = html.replace(mark, () => text);
writeFileSync(output, html);
