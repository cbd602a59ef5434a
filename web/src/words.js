// The page's own words, in English and in Japanese, chosen by the browser's
// preferred language as the command line chooses by the locale. The system's
// messages are not here: they come from the core, and on the English page
// each is followed by what it means.
import { hex2 } from './dom.js';

const preferred = globalThis.navigator?.languages?.[0] ?? globalThis.navigator?.language ?? '';
export const language = /^ja\b/i.test(preferred) ? 'ja' : 'en';

const plural = (n, one, many = `${one}s`) => `${n.toLocaleString('en')} ${n === 1 ? one : many}`;

const kWords = {
  en: {
    title: 'd88extract: the files of a PC-98 disk image',
    intro: 'The files of a PC-98 disk in a D88 image (.d88), with their names as characters. ' +
      'The image never leaves this computer: the page reads it here and sends nothing anywhere.',
    dropHere: 'Drop D88 images, folders, .zip or .gz files here, or',
    chooseHere: 'Choose D88 images, .zip or .gz files, or a folder:',
    chooseImages: 'Choose images…', chooseFolder: 'Choose a folder…',
    imagesHeading: 'Images', stop: 'Stop', toFile: 'Write the zip to a file as it is made…',
    zipToFile: (name) => `The zip goes to ${name} as it is made.`,
    zipInFile: (name) => `The zip is in ${name}.`,
    zipNotWritten: (name, why) => (name === null ? `The zip could not be made (${why}).`
      : `The zip could not be written to ${name} (${why}); the file is as it was.`),
    zipAsksForFile: 'The zip has passed 256 MiB, more than the page should hold: choose a file for it ' +
      'with “Write the zip to a file as it is made…”. The collection waits until then.',
    asBag: 'For an archive: make the zip of several images a BagIt bag (RFC 8493), ' +
      'its files under data/ with their SHA-256',
    collectionProgress: (done, found, bytes, path) => `${done} of ${found} images done (${bytes}); now ${path}`,
    collectionDone: (done, found, stopped, c) => `${done} of ${found} done` +
      `${stopped ? ', then stopped as asked' : ''}: ` + [
      `${plural(c.extracted, 'image')} extracted`, c.damaged && `${c.damaged} extracted with damaged sectors`,
      c.nothing && `${c.nothing} recognised with nothing extracted`, c.notImage && `${c.notImage} ${c.notImage === 1 ? 'not a D88 image' : 'not D88 images'} of a 2DD or 2HD disk`,
      c.unreadable && `${c.unreadable} broken or unreadable`].filter(Boolean).join(', ') +
      '. The zip holds a folder for each image extracted, and a manifest.',
    emptyArchive: 'a .zip with no file in it',
    zipCountZero: 'a .zip whose count of entries says 0 though its directory is not empty: not opened',
    badCrc: 'a .zip entry whose bytes do not match its CRC-32: not extracted',
    imageCounts: (c, folder) => `recognised; ${c.offered ? `${plural(c.offered, 'file')} in "${folder}"` : 'no file to offer'}, ` +
      `${c.notOffered} not offered, ${c.damaged} with unread or damaged sectors, ${c.replaced} replaced`,
    brokenZip: 'not a .zip that can be read (no or a broken directory, or a cut entry)',
    encrypted: 'an encrypted .zip entry, which the page cannot read',
    zipMethod: (method) => `a .zip entry packed by method ${method}, which the page cannot unpack`,
    zipBomb: 'a .zip whose entries would unpack past 1 GiB: not opened',
    zipTooDeep: 'a .zip nested too deep in others: not opened',
    notGzip: 'not gzip data',
    gzipBomb: 'a .gz that would unpack past 1 GiB: not opened',
    zip: 'Save all as .zip',
    side: 'Side', name: 'Name', start: 'Start', end: 'End', size: 'Size (bytes)', outcome: 'Outcome',
    actions: 'File',
    sideLabel: 'side', startLabel: 'from', endLabel: 'to', bytes: 'bytes',
    footer: 'Start and end are the logical track and sector, in hexadecimal, as the command line ' +
      'lists them. The zip holds what the command line writes on Windows, under UTF-8 names. ' +
      'Only the first disk of an image is read; disks that start past its first 2 GiB, or after ' +
      'its 64th, are not counted.',
    reading: (name, bytes) => `Reading ${name} (${bytes} bytes)…`,
    workerFailed: 'the worker failed',
    tooBigForMemory: (name) => `${name} is too big for this page's memory. ` +
      'The command line reads images of any size.',
    extractionStopped: (name, detail) => `The extraction of ${name} stopped: ${detail}`,
    // What the header of the image says.
    firstDisk: (name, media, writeProtected) => `Its first disk: ${name === null ? 'no name' : `named “${name}”`}, ` +
      `${media}, ${writeProtected ? 'write-protected' : 'not write-protected'}.`,
    unknownMedia: (type) => `media type 0x${type.toString(16).padStart(2, '0')}, which D88 does not define`,
    oneDisk: 'It holds one disk.',
    otherDisks: (count) => `This image holds ${count}${count >= 64 ? ' disks or more' : ' disks'}; ` +
      'only the first was read.',
    fullStop: '. ',
    // Why an image is refused, in the command line's words.
    notD88Short: (size) => `Not a D88 image: ${size} bytes, shorter than a disk header (688 bytes).`,
    notD88Header: 'Not a D88 image: its first disk header is not one a D88 image holds.',
    otherMedia: (media) => `A D88 image whose first disk is ${media}; this layout is on 2DD and 2HD disks.`,
    // What the system's messages mean; on the English page each follows its message.
    recognised: 'A 2DD/2HD (PC-98) disk was recognised.',
    unsupported: 'This disk image format is not supported.',
    unsafeName: 'Not written: no file can have this name (empty, ".", ".." or holding "/").',
    outsideVolume: 'Not written: its sectors lie outside the disk, or end before they start.',
    windowsName: 'Not offered: Windows does not allow this name, so it would not unpack there.',
    semicolon: 'Not offered: unzip would drop the ";" at the end of this name ' +
      '(it takes it for a version number), and the file would unpack under another name.',
    unread: 'Some of its sectors are missing from the image: those bytes are zeros.',
    damaged: 'Some of its sectors were recorded with a read error: ' +
      'their bytes are as the image holds them.',
    unreadAndDamaged: 'Some of its sectors are missing (zeros), some were recorded with a read error.',
    replacedEarlier: 'It replaces the file of the same name listed earlier, in the zip too.',
    directoryIncomplete: (side) => `The directory of side ${side} could not be read to its end: ` +
      'the entries after it are not listed.',
    noName: '(no name)', bootPlace: 'boot track 0, sectors 14 to 17',
    replacedLater: 'Replaced by a later file of the same name.',
    save: 'Save', view: 'View', close: 'Close',
    sentence: (parts) => `${parts.join(', ')}.`,
    filesReady: (n) => `${plural(n, 'file')} ready`,
    notOffered: (n) => `${n} not offered`,
    withDamage: (n) => `${n} with unread or damaged sectors`,
    replacedCount: (n) => `${n} replaced by a later file of the same name`,
    nothingExtracted: 'Nothing was extracted: neither side\'s directory could be read. ' +
      'This may be a disk of another layout (PC-98 MS-DOS disks are).',
    // The map.
    disk: 'The disk',
    mapHelp: 'Each square is a sector: point at one or focus it (arrow keys move) to see what ' +
      'it holds, choose it to see its bytes. View on a row of the list marks that file\'s sectors.',
    trackZero: 'Each side is a volume of logical tracks 01 to 4c; logical track 00 is not part of it ' +
      'and is not read. The boot sectors, 128 bytes each, are read only when the disk holds a file ' +
      'named m.0000: IPLMUS is 385 bytes of them.',
    volumeMap: 'Sides 0 and 1: a row for each logical track, 00 to 4c, its sectors 1 to 5 across',
    track: 'Track', sideColumn: (side) => `Side ${side}`,
    bootHeading: 'Boot sectors, 128 bytes each',
    bootMap: 'Track 0, sectors 1 to 26 (two rows), then track 1, sectors 1 and 2. ' +
      'IPLMUS comes from sectors 14 to 17 of track 0.',
    holds: { directory: 'the directory', file: 'a file', free: 'no entry', shared: 'more than one entry',
      outside: 'not part of the volume', boot: 'boot sectors, no entry' },
    state: { read: 'read', unread: 'missing from the image', damaged: 'recorded with a read error',
      notRead: 'not read' },
    legend: 'Legend',
    cell: (where, holds, names, state) => `${where}: ${holds}${names ? ` (${names})` : ''}; ${state}`,
    volumeSector: (side, track, sector) => `Side ${side}, track ${track} sector ${sector}`,
    bootSector: (track, sector) => `Boot track ${track}, sector ${sector}`,
    fileOnMap: (name, count) => `${name}: ${plural(count, 'sector')} marked on the map`,
    mapText: 'The map as text',
    sideCounts: (side, c) => `Side ${side}: ${c.directory} sectors of the directory, ${c.file} of one ` +
      `file, ${c.shared} of more than one, ${c.free} with no entry; ${c.unread} missing from the ` +
      `image, ${c.damaged} recorded with a read error.`,
    fileSectors: (name, side, from, to, count, states) => `${name} (side ${side}): ${count} ` +
      `sector${count === 1 ? '' : 's'} from ${from} to ${to}; ${states}.`,
    boot: 'boot',
    allRead: 'all read',
    stateCounts: (unread, damaged) => [unread && `${unread} missing`, damaged && `${damaged} with a read error`]
      .filter(Boolean).join(', '),
    // The bytes.
    viewing: (what, size) => `${what}: ${size} bytes`,
    hexHelp: 'Offset, bytes in hexadecimal, and the bytes read as Shift_JIS text ' +
      '(a dot for a control, a user-defined character or a byte that is no character). ' +
      'A line marks where a sector starts. Escape closes.',
    offset: 'offset', text: 'text',
    missingBytes: 'missing from the image (zeros)', damagedBytes: 'recorded with a read error',
    viewBytes: 'Bytes', viewText: 'Text',
    textHelp: 'The file as Shift_JIS text, up to its end mark (1A), line by line; ' +
      'a user-defined character shows as a dot.',
    saveSector: (name) => `Save the sector (${name})`,
    copyHelp: 'Copy rows: choose the first, Shift and choose the last, or type their offsets.',
    copyFrom: 'From', copyTo: 'to', copyHex: 'Copy as hex', copyText: 'Copy as text',
    copied: (n) => `${plural(n, 'row')} copied.`,
    copyFailed: 'The browser did not allow the copy.',
    badRows: 'Offsets are hexadecimal, the first no later than the last.',
    // A track as the image records it.
    trackButton: (track) => `Track ${track} as the image records it`,
    trackTitle: (track) => `Track ${track} as the image records it`,
    trackHelp: 'Every sector record of the track in the order the image stores them: its ID ' +
      '(C, H, R and N, in hexadecimal), the size of its data and its status. On logical track t ' +
      'this layout reads R 01 to 05 with C = t / 2, H = t mod 2 and N 03, on either side; on ' +
      'track 00 the boot read takes R 01 to 1a of side 0 and R 01 and 02 of side 1, with N 00.',
    trackSide: (side, imageTrack) => `Side ${side}: the image's track ${imageTrack}`,
    noRecords: 'The image holds no record here.',
    recordColumns: { record: '#', c: 'C', h: 'H', r: 'R', n: 'N', size: 'Bytes', status: 'Status',
      layout: 'This layout' },
    recordStatus: (status) => `${{ 0x00: 'normal', 0x10: 'deleted data', 0xa0: 'ID CRC error',
      0xb0: 'data CRC error', 0xe0: 'no address mark', 0xf0: 'no data mark' }[status] ?? 'status'} (${hex2(status)})`,
    recordLayout: { read: 'read', notAsked: 'not asked for',
      notReached: 'not read: a read of its ID finds another record' },
    saveTrack: (name, size) => `Save the track as read (${name}, ${size} bytes)`,
    trackBefore: (track) => `← Track ${track}`, trackAfter: (track) => `Track ${track} →`,
    tracksAsRecorded: 'Show the tracks as the image records them',
    // Search.
    searchHeading: 'Find', searchLabel: 'Text or bytes to find',
    searchKind: 'What to find', kindText: 'Text (ASCII or Shift_JIS)', kindHex: 'Bytes in hexadecimal', find: 'Find',
    searchGloss: 'Both sides\' volumes, logical tracks 01 to 4c, as read. A match may run on into the next sector.',
    searchSaid: (count, listed) => `${plural(count, 'match', 'matches')}` +
      `${listed < count ? `, the first ${listed} listed` : ''}, marked on the map.`,
    noMatch: 'No match on either side.',
    emptyQuery: 'Type what to find.',
    notHex: 'Bytes in hexadecimal are pairs of 0 to 9 and a to f, such as 82 a0.',
    notShiftJis: (character) => `“${character}” has no Shift_JIS code.`,
    match: (where, offset, names) => `${where}, byte ${offset}${names ? `: ${names}` : ''}`,
    found: 'found by the search',
    mapJson: 'Save the map as JSON',
  },
  ja: {
    title: 'd88extract：PC-98 のディスクイメージからファイルを取り出す',
    intro: 'D88 イメージ（.d88）に入った PC-98 のディスクから、ファイルを取り出します。' +
      '名前は文字で表示します。イメージはこのコンピューターの外には出ません。' +
      'このページはここで読むだけで、どこにも送信しません。',
    dropHere: 'D88 イメージ、フォルダー、.zip、.gz をここにドロップするか、',
    chooseHere: 'D88 イメージ、.zip、.gz、またはフォルダーを選んでください：',
    chooseImages: 'イメージを選ぶ…', chooseFolder: 'フォルダーを選ぶ…',
    imagesHeading: 'イメージ', stop: '中止', toFile: 'zip を作りながらファイルに書き出す…',
    zipToFile: (name) => `zip は作りながら ${name} に書き出しています。`,
    zipInFile: (name) => `zip は ${name} に保存しました。`,
    zipNotWritten: (name, why) => (name === null ? `zip を作れませんでした（${why}）。`
      : `zip を ${name} に書き出せませんでした（${why}）。ファイルは元のままです。`),
    zipAsksForFile: 'zip が 256 MiB を超え、ページで持つには大きすぎます。' +
      '「zip を作りながらファイルに書き出す…」で保存先を選んでください。選ぶまで処理は止まります。',
    asBag: 'アーカイブ向け：複数のイメージの zip を BagIt バッグ（RFC 8493）にして、' +
      'ファイルを SHA-256 とともに data/ の下に入れる',
    collectionProgress: (done, found, bytes, path) => `${found} 個中 ${done} 個のイメージを処理しました` +
      `（${bytes}）。処理中：${path}`,
    collectionDone: (done, found, stopped, c) => `${found} 個中 ${done} 個を処理しました` +
      `${stopped ? '（指示により中止しました）' : ''}。` + [
      `取り出したイメージ ${c.extracted} 個`, c.damaged && `損傷したセクタを含めて取り出したもの ${c.damaged} 個`,
      c.nothing && `認識したが何も取り出せなかったもの ${c.nothing} 個`, c.notImage && `2DD・2HD の D88 イメージでないもの ${c.notImage} 個`,
      c.unreadable && `壊れているか読めないもの ${c.unreadable} 個`].filter(Boolean).join('、') +
      '。zip には、取り出したイメージごとのフォルダーと一覧表が入っています。',
    emptyArchive: 'ファイルが一つも入っていない .zip です',
    zipCountZero: '項目の数が 0 なのにディレクトリが空でない .zip なので、開きません',
    badCrc: 'バイトが CRC-32 と合わない .zip の項目なので、取り出しません',
    imageCounts: (c, folder) => `認識しました。${c.offered ? `「${folder}」にファイル ${c.offered} 個` : '入れられるファイルはありません'}、` +
      `入れなかったもの ${c.notOffered} 個、読めないか損傷したセクタを含むもの ${c.damaged} 個、` +
      `置き換えたもの ${c.replaced} 個`,
    brokenZip: '読み取れる .zip ではありません（ディレクトリがないか壊れているか、途中で切れた項目があります）',
    encrypted: '暗号化された .zip の項目です。このページでは読めません',
    zipMethod: (method) => `方式 ${method} で圧縮された .zip の項目です。このページでは展開できません`,
    zipBomb: '展開すると 1 GiB を超える .zip なので、開きません',
    zipTooDeep: '.zip の入れ子が深すぎるので、開きません',
    notGzip: 'gzip のデータではありません',
    gzipBomb: '展開すると 1 GiB を超える .gz なので、開きません',
    zip: 'すべて .zip で保存',
    side: '面', name: '名前', start: '開始', end: '終了', size: 'サイズ（バイト）', outcome: '結果',
    actions: 'ファイル',
    sideLabel: '面', startLabel: '開始', endLabel: '終了', bytes: 'バイト',
    footer: '開始と終了は論理トラックとセクタの番号で、コマンドラインの一覧と同じく 16 進数です。' +
      'zip の中身は Windows でコマンドラインが書き出すものと同じで、名前は UTF-8 です。' +
      '読むのはイメージの最初のディスクだけです。先頭から 2 GiB より後に始まるディスクと、' +
      '65 枚目以降のディスクは数えません。',
    reading: (name, bytes) => `${name}（${bytes} バイト）を読んでいます…`,
    workerFailed: 'ワーカーが停止しました',
    tooBigForMemory: (name) => `${name} は、このページのメモリーには大きすぎます。` +
      'コマンドラインなら、どんな大きさのイメージでも読めます。',
    extractionStopped: (name, detail) => `${name} の取り出しが止まりました：${detail}`,
    firstDisk: (name, media, writeProtected) => `最初のディスク：${name === null ? '名前なし' : `名前「${name}」`}、` +
      `${media}、${writeProtected ? '書き込み禁止' : '書き込み可'}。`,
    unknownMedia: (type) => `D88 が定めていないメディア種別 0x${type.toString(16).padStart(2, '0')}`,
    oneDisk: 'ディスクは 1 枚です。',
    otherDisks: (count) => `このイメージには ${count} 枚${count >= 64 ? '以上' : ''}のディスクが入っていますが、` +
      '読んだのは最初の 1 枚だけです。',
    fullStop: '。',
    notD88Short: (size) => `D88 イメージではありません。${size} バイトしかなく、ディスクヘッダ（688 バイト）より短いファイルです。`,
    notD88Header: 'D88 イメージではありません。最初のディスクのヘッダが、D88 イメージのヘッダとして読めません。',
    otherMedia: (media) => `最初のディスクが ${media} の D88 イメージです。取り出せるのは 2DD と 2HD のディスクだけです。`,
    // The system's messages are Japanese already: only what they leave unsaid.
    recognised: '', unsupported: '',
    unsafeName: '空の名前、「.」「..」、「/」を含む名前は、どのファイルにも付けられません。',
    outsideVolume: '',
    windowsName: 'Windows では使えない名前なので、zip に入れていません。',
    semicolon: 'unzip は名前の最後の「;」をバージョン番号とみなして落とし、別の名前で展開してしまうため、' +
      'zip に入れていません。',
    unread: 'そのバイトは 0 になっています。',
    damaged: 'そのバイトはイメージに記録されたとおりです。',
    unreadAndDamaged: '読めなかったセクタのバイトは 0、損傷したセクタのバイトは記録されたとおりです。',
    replacedEarlier: 'zip の中でも置き換えています。',
    directoryIncomplete: () => 'その先の項目は一覧にありません。',
    noName: '（名前なし）', bootPlace: 'ブートトラック 0 のセクタ 14〜17',
    replacedLater: '後に出てくる同じ名前のファイルに置き換えられました。',
    save: '保存', view: '表示', close: '閉じる',
    sentence: (parts) => `${parts.join('、')}。`,
    filesReady: (n) => `ファイル ${n} 個を用意しました`,
    notOffered: (n) => `${n} 個は zip に入れていません`,
    withDamage: (n) => `${n} 個は読めないか損傷したセクタを含みます`,
    replacedCount: (n) => `${n} 個は後に出てくる同じ名前のファイルに置き換えられました`,
    nothingExtracted: '何も取り出せませんでした。どちらの面のディレクトリも読めません。' +
      '別の形式のディスク（PC-98 の MS-DOS ディスクなど）かもしれません。',
    disk: 'ディスク',
    mapHelp: 'マスの一つ一つがセクタです。マスを指すかフォーカスすると（矢印キーで移動）何が入っているかを、' +
      '選ぶとそのバイトを表示します。一覧で「表示」を押すと、そのファイルのセクタに印が付きます。',
    trackZero: '各面は論理トラック 01 から 4c までのボリュームです。論理トラック 00 はボリュームに含まれず、' +
      '読みません。ブートセクタ（各 128 バイト）は、ディスクに m.0000 というファイルがあるときだけ読み、' +
      'そのうち 385 バイトが IPLMUS になります。',
    volumeMap: '面 0 と面 1：論理トラック 00 から 4c まで 1 行ずつ、セクタ 1 から 5 を横に並べています',
    track: 'トラック', sideColumn: (side) => `面 ${side}`,
    bootHeading: 'ブートセクタ（各 128 バイト）',
    bootMap: 'トラック 0 のセクタ 1 から 26（2 行）、続いてトラック 1 のセクタ 1 と 2。' +
      'IPLMUS はトラック 0 のセクタ 14 から 17 です。',
    holds: { directory: 'ディレクトリ', file: 'ファイル', free: '項目なし', shared: '複数の項目',
      outside: 'ボリュームの外', boot: 'ブートセクタ（項目なし）' },
    state: { read: '読めました', unread: 'イメージにありません', damaged: '読み取りエラーのまま記録されています',
      notRead: '読んでいません' },
    legend: '凡例',
    cell: (where, holds, names, state) => `${where}：${holds}${names ? `（${names}）` : ''}、${state}`,
    volumeSector: (side, track, sector) => `面 ${side} トラック ${track} セクタ ${sector}`,
    bootSector: (track, sector) => `ブートトラック ${track} セクタ ${sector}`,
    fileOnMap: (name, count) => `${name}：${count} セクタに印を付けました`,
    mapText: '図の内容（テキスト）',
    sideCounts: (side, c) => `面 ${side}：ディレクトリ ${c.directory}、ファイル 1 つ ${c.file}、` +
      `複数の項目 ${c.shared}、項目なし ${c.free} セクタ。イメージにないもの ${c.unread}、` +
      `読み取りエラーのもの ${c.damaged}。`,
    fileSectors: (name, side, from, to, count, states) => `${name}（面 ${side}）：${from} から ${to} まで` +
      `の ${count} セクタ、${states}。`,
    boot: 'ブート',
    allRead: 'すべて読めました',
    stateCounts: (unread, damaged) => [unread && `イメージにないもの ${unread}`,
      damaged && `読み取りエラーのもの ${damaged}`].filter(Boolean).join('、'),
    viewing: (what, size) => `${what}：${size} バイト`,
    hexHelp: 'オフセット、16 進数のバイト、Shift_JIS として読んだテキストの順です' +
      '（制御文字、外字、文字にならないバイトは「.」）。線はセクタの始まりです。Esc キーで閉じます。',
    offset: '位置', text: 'テキスト',
    missingBytes: 'イメージにない（0）', damagedBytes: '読み取りエラーのまま記録',
    viewBytes: 'バイト', viewText: 'テキスト',
    textHelp: 'ファイルを Shift_JIS のテキストとして、終わりの印（1A）まで 1 行ずつ表示しています。' +
      '外字は「.」で示します。',
    saveSector: (name) => `このセクタを保存（${name}）`,
    copyHelp: '行のコピー：最初の行を選び、Shift キーを押しながら最後の行を選ぶか、位置を入力してください。',
    copyFrom: '始め', copyTo: '終わり', copyHex: '16 進数でコピー', copyText: 'テキストでコピー',
    copied: (n) => `${n} 行をコピーしました。`,
    copyFailed: 'ブラウザーがコピーを許可しませんでした。',
    badRows: '位置は 16 進数で、始めを終わりより後にはできません。',
    trackButton: (track) => `トラック ${track} のイメージ上の記録`,
    trackTitle: (track) => `トラック ${track} のイメージ上の記録`,
    trackHelp: 'このトラックのセクタレコードを、イメージに並んでいる順にすべて示します。' +
      'ID（C、H、R、N、16 進数）、データの大きさ、状態です。この形式は論理トラック t で、' +
      'どちらの面でも C = t / 2、H = t mod 2、N 03 の R 01〜05 を読みます。トラック 00 では、' +
      'ブートの読み取りが面 0 の R 01〜1a と面 1 の R 01、02 を N 00 で読みます。',
    trackSide: (side, imageTrack) => `面 ${side}（イメージのトラック ${imageTrack}）`,
    noRecords: 'イメージにはここのレコードがありません。',
    recordColumns: { record: '番号', c: 'C', h: 'H', r: 'R', n: 'N', size: 'バイト数', status: '状態',
      layout: '読み取り' },
    recordStatus: (status) => `${{ 0x00: '正常', 0x10: '削除データ', 0xa0: 'ID の CRC エラー',
      0xb0: 'データの CRC エラー', 0xe0: 'アドレスマークなし', 0xf0: 'データマークなし' }[status] ?? '状態'}（${hex2(status)}）`,
    recordLayout: { read: '読みます', notAsked: '読みません',
      notReached: '読みません（同じ ID で別のレコードを読みます）' },
    saveTrack: (name, size) => `読んだトラックを保存（${name}、${size} バイト）`,
    trackBefore: (track) => `← トラック ${track}`, trackAfter: (track) => `トラック ${track} →`,
    tracksAsRecorded: 'イメージ上のトラックの記録を見る',
    searchHeading: '検索', searchLabel: '探すテキストかバイト',
    searchKind: '探すものの種類', kindText: 'テキスト（ASCII か Shift_JIS）', kindHex: '16 進数のバイト', find: '検索',
    searchGloss: '両面のボリューム（論理トラック 01〜4c）の読んだバイトを探します。' +
      '次のセクタにまたがって見つかることもあります。',
    searchSaid: (count, listed) => `${count} か所見つかりました` +
      `${listed < count ? `（最初の ${listed} か所を表示）` : ''}。図に印を付けています。`,
    noMatch: 'どちらの面にも見つかりませんでした。',
    emptyQuery: '探すものを入力してください。',
    notHex: '16 進数のバイトは、82 a0 のように 0〜9 と a〜f の 2 文字ずつで書いてください。',
    notShiftJis: (character) => `「${character}」は Shift_JIS にない文字です。`,
    match: (where, offset, names) => `${where}、バイト ${offset}${names ? `：${names}` : ''}`,
    found: '検索で見つかった',
    mapJson: '図を JSON で保存',
  },
};

export const words = kWords[language];

// Fills every element marked data-words="key" with its words.
export function fillWords() {
  document.documentElement.lang = language;
  for (const node of document.querySelectorAll('[data-words]')) node.textContent = words[node.dataset.words];
  document.title = words.title;
}
