// Small helpers for making the page's elements and saving its files.
export const $ = (id) => document.getElementById(id);

export const hex2 = (n) => n.toString(16).padStart(2, '0');

export function element(tag, attributes, ...children) {
  const node = document.createElement(tag);
  Object.assign(node, attributes);
  node.append(...children.filter((child) => child !== null && child !== undefined && child !== ''));
  return node;
}

// 1.3 MB, 512 KiB, 1.00 GiB: the unit a person reads, with the exact count
// beside a rounded one.
export function sizeInWords(bytes, unit) {
  const exact = `${bytes.toLocaleString('en')} ${unit}`;
  const units = [['GiB', 1024 ** 3, 2], ['MiB', 1024 ** 2, 1], ['KiB', 1024, 1]];
  const [name, size, digits] = units.find(([, size]) => bytes >= size) ?? [];
  return name ? `${(bytes / size).toFixed(digits)} ${name} (${exact})` : exact;
}

export function save(name, parts, type) {
  const link = element('a', { href: URL.createObjectURL(new Blob(parts, { type })), download: name });
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

// reading, extracting, done, refused or failed: for the style and for scripts.
export function setStage(stage) {
  document.body.dataset.stage = stage;
}

export function setStatus(...nodes) {
  $('status').replaceChildren(...nodes);
}
