// How a Windows folder compares names: each UTF-16 unit upper-cased on its
// own, as NTFS's table does (full-width and Greek letters, Roman numerals
// too); a unit whose upper case is longer stays as it is.
export function windowsFold(name) {
  let folded = '';
  for (const unit of name) {
    const upper = unit.toUpperCase();
    folded += upper.length === unit.length ? upper : unit;
  }
  return folded;
}
