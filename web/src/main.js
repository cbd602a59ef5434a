// The page: reads the images chosen or dropped and shows what they hold. One
// image alone is listed and mapped; anything more, or an archive, is a
// collection filed into one zip.
import { $ } from './dom.js';
import { startCollection } from './collection.js';
import { startImage } from './image_run.js';
import { droppedFiles, isArchiveName } from './inputs.js';
import { makeViewer } from './viewer.js';
import { fillWords, words } from './words.js';

const viewer = makeViewer();
// What the page is doing: one image or one collection, until another is chosen.
let current = null;

function choose(files) {
  if (!files.length) return;
  current?.stop();
  const one = files.length === 1 && !files[0].path.includes('/') && !isArchiveName(files[0].path);
  current = one ? startImage(files[0].blob, viewer) : startCollection(files, viewer);
}

fillWords();
// Nothing can be dropped where there is no pointer to drag with.
$('drop-hint').textContent = matchMedia('(pointer: fine)').matches ? words.dropHere : words.chooseHere;
for (const id of ['choose', 'choose-folder']) {
  $(id).addEventListener('change', (event) => {
    choose([...event.target.files].map((file) => ({ path: file.webkitRelativePath || file.name, blob: file })));
    event.target.value = '';
  });
}
$('zip').addEventListener('click', () => current?.saveZip());
$('stop').addEventListener('click', () => current?.requestStop?.());
$('to-file').addEventListener('click', () => current?.zipToFile?.());
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
