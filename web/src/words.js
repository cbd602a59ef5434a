// The page's own words, in English and in Japanese, chosen by the browser's
// preferred language as the command line chooses by the locale. The system's
// messages are not here: they stay Japanese, with an English gloss.
'use strict';

const kLanguage = /^ja\b/i.test(navigator.languages?.[0] ?? navigator.language ?? '') ? 'ja' : 'en';

const kWords = {
  en: {
    title: 'd88extract: the files of a PC-98 disk image',
    intro: 'The files of a PC-98 disk in a D88 image (.d88), with their names as characters. ' +
      'The image never leaves this computer: the page reads it here and sends nothing anywhere.',
    drop: 'Drop D88 images, folders, .zip or .gz files here, or choose images:',
    chooseFolder: 'or a folder:',
    imagesHeading: 'Images', stop: 'Stop',
    collectionProgress: (done, found, bytes, path) => `${done} of ${found} images done (${bytes}); now ${path}`,
    collectionDone: (done, found, stopped) => `${done} of ${found} images done` +
      `${stopped ? ', then stopped as asked' : ''}. The zip holds a folder for each, and a manifest.`,
    imageCounts: (c, folder) => `recognised; ${c.offered} file${c.offered === 1 ? '' : 's'} in "${folder}", ` +
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
    footer: 'Start and end are the logical track and sector, in hexadecimal, as the command line ' +
      'lists them. The zip holds what the command line writes on Windows, under UTF-8 names. ' +
      'Only the first disk of an image is read; disks that start past its first 2 GiB, or after ' +
      'its 64th, are not counted.',
    reading: (name, bytes) => `Reading ${name} (${bytes} bytes)…`,
    workerFailed: 'the worker failed',
    stopped: (detail) => `The extraction stopped: ${detail}`,
    tooBigForMemory: (name) => `${name} is too big for this page's memory. ` +
      'The command line reads images of any size.',
    extractionStopped: (name, detail) => `The extraction of ${name} stopped: ${detail}`,
    notD88Short: 'It is not a D88 image: it holds no complete disk header.',
    fullStop: '. ',
    otherDisks: (count) => `This image holds ${count}${count >= 64 ? ' disks or more' : ' disks'}; ` +
      'only the first was read.',
    notD88Header: 'It is not a D88 image: its first disk header is not one a D88 image holds.',
    otherMedia: (media) => `It is a D88 image whose first disk is ${media}; ` +
      'this layout is on 2DD and 2HD disks.',
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
    noName: '(no name)', boot: 'boot', track: 'track',
    replacedLater: 'Replaced by a later file of the same name.',
    ready: 'Ready.', readyBoot: 'Ready: the boot block.', save: 'Save', view: 'View',
    sentence: (parts) => `${parts.join(', ')}.`,
    filesReady: (n) => `${n} file${n === 1 ? '' : 's'} ready`,
    notOffered: (n) => `${n} not offered`,
    withDamage: (n) => `${n} with unread or damaged sectors`,
    replacedCount: (n) => `${n} replaced by a later file of the same name`,
    nothingExtracted: 'Nothing was extracted: neither directory could be read. ' +
      'The disk may be of another layout (PC-98 MS-DOS disks are).',
    disk: 'The disk',
    mapHelp: 'Each square is a sector: point at one or focus it (arrow keys move) to see what ' +
      'it holds, choose it to see its bytes. View on a row lights up that file\'s sectors.',
    sideMap: (side) => `Side ${side}: logical tracks 00 to 4c (across), sectors 1 to 5 (down)`,
    bootMap: 'Boot sectors: track 0, 128 bytes each (IPLMUS comes from sectors 14 to 17)',
    holds: { directory: 'the directory', file: 'a file', free: 'no entry', shared: 'more than one entry',
      outside: 'not part of the volume', boot: 'boot sectors, no entry' },
    state: { read: 'read', unread: 'missing from the image', damaged: 'recorded with a read error',
      notRead: 'not read' },
    legend: 'Legend',
    cell: (where, holds, names, state) => `${where}: ${holds}${names ? ` (${names})` : ''}; ${state}`,
    volumeSector: (side, track, sector) => `Side ${side}, track ${track} sector ${sector}`,
    bootSector: (track, sector) => `Boot track ${track}, sector ${sector}`,
    mapText: 'The map as text',
    sideCounts: (side, c) => `Side ${side}: ${c.directory} sectors of the directory, ${c.file} of one ` +
      `file, ${c.shared} of more than one, ${c.free} with no entry; ${c.unread} missing from the ` +
      `image, ${c.damaged} recorded with a read error.`,
    fileSectors: (name, side, from, to, count, states) => `${name} (side ${side}): ${count} ` +
      `sector${count === 1 ? '' : 's'} from ${from} to ${to}; ${states}.`,
    allRead: 'all read',
    stateCounts: (unread, damaged) => [unread && `${unread} missing`, damaged && `${damaged} with a read error`]
      .filter(Boolean).join(', '),
    viewer: 'Bytes',
    viewing: (what, size) => `${what}: ${size} bytes`,
    hexHelp: 'Offset, bytes in hexadecimal, and the bytes read as Shift_JIS text ' +
      '(a dot for a control or a byte that is no character).',
  },
  ja: {
    title: 'd88extract: PC-98 のディスクイメージのファイル',
    intro: 'D88 イメージ (.d88) の PC-98 のディスクのファイルを、名前を文字で表示して取り出します。' +
      'イメージはこのコンピューターから出ません。このページはここで読み、どこにも送りません。',
    drop: 'D88 イメージ、フォルダー、.zip や .gz をここにドロップするか、イメージを選んでください:',
    chooseFolder: 'またはフォルダー:',
    imagesHeading: 'イメージ', stop: '中止',
    collectionProgress: (done, found, bytes, path) => `${found} 個のうち ${done} 個のイメージが済みました (${bytes})。` +
      `いま ${path}`,
    collectionDone: (done, found, stopped) => `${found} 個のうち ${done} 個のイメージが済みました` +
      `${stopped ? ' (指示どおり中止しました)' : ''}。zip にはイメージごとのフォルダーと一覧があります。`,
    imageCounts: (c, folder) => `認識しました。"${folder}" に ${c.offered} 個、入れないもの ${c.notOffered}、` +
      `読めないか損傷したセクタを含むもの ${c.damaged}、置き換えたもの ${c.replaced}`,
    brokenZip: '読める .zip ではありません (ディレクトリがないか壊れているか、項目が切れています)',
    encrypted: '暗号化された .zip の項目で、このページでは読めません',
    zipMethod: (method) => `方式 ${method} で圧縮された .zip の項目で、このページでは展開できません`,
    zipBomb: '展開すると 1 GiB を超える .zip です: 開きません',
    zipTooDeep: '深く入れ子になった .zip です: 開きません',
    notGzip: 'gzip のデータではありません',
    gzipBomb: '展開すると 1 GiB を超える .gz です: 開きません',
    zip: 'すべてを .zip で保存',
    side: '面', name: '名前', start: '開始', end: '終了', size: 'サイズ (バイト)', outcome: '結果',
    actions: 'ファイル',
    footer: '開始と終了は論理トラックとセクタで、コマンドラインの一覧と同じく 16 進数です。' +
      'zip には Windows のコマンドラインが書き出すものが UTF-8 の名前で入ります。' +
      '読むのはイメージの最初のディスクだけです。先頭から 2 GiB より後で始まるディスクと、' +
      '65 枚目からのディスクは数えません。',
    reading: (name, bytes) => `${name} (${bytes} バイト) を読んでいます…`,
    workerFailed: 'ワーカーが失敗しました',
    stopped: (detail) => `取り出しが止まりました: ${detail}`,
    tooBigForMemory: (name) => `${name} はこのページのメモリーには大きすぎます。` +
      'コマンドラインはどんな大きさのイメージでも読めます。',
    extractionStopped: (name, detail) => `${name} の取り出しが止まりました: ${detail}`,
    notD88Short: 'D88 イメージではありません: 完全なディスクヘッダがありません。',
    fullStop: '。',
    otherDisks: (count) => `このイメージには ${count}${count >= 64 ? ' 枚以上' : ' 枚'}のディスクがあり、` +
      '読んだのは最初の 1 枚だけです。',
    notD88Header: 'D88 イメージではありません: 最初のディスクのヘッダが D88 のものではありません。',
    otherMedia: (media) => `最初のディスクが ${media} の D88 イメージです。` +
      'この形式は 2DD と 2HD のディスクのものです。',
    unsafeName: '書き出しません: どのファイルにも付けられない名前です (空、"."、".."、"/" を含む)。',
    outsideVolume: '書き出しません: セクタがディスクの外にあるか、始まる前に終わっています。',
    windowsName: '入れません: Windows が許さない名前なので、Windows では展開できません。',
    semicolon: '入れません: unzip は名前の最後の ";" を (バージョン番号と見て) 落とすので、' +
      '別の名前で展開されてしまいます。',
    unread: 'イメージにないセクタがあります: そのバイトは 0 です。',
    damaged: '読み取りエラーで記録されたセクタがあります: そのバイトはイメージにあるとおりです。',
    unreadAndDamaged: 'イメージにないセクタ (0) と、読み取りエラーで記録されたセクタがあります。',
    replacedEarlier: '先の同じ名前のファイルを置き換えます (zip でも)。',
    directoryIncomplete: (side) => `面 ${side} のディレクトリを最後まで読めません: ` +
      'その先の項目は一覧にありません。',
    noName: '(名前なし)', boot: 'ブート', track: 'トラック',
    replacedLater: '後の同じ名前のファイルに置き換えられました。',
    ready: '用意できました。', readyBoot: '用意できました: ブートブロック。', save: '保存', view: '表示',
    sentence: (parts) => `${parts.join('、')}。`,
    filesReady: (n) => `${n} 個のファイルを用意しました`,
    notOffered: (n) => `${n} 個は入れません`,
    withDamage: (n) => `${n} 個に読めないか損傷したセクタがあります`,
    replacedCount: (n) => `${n} 個は後の同じ名前のファイルに置き換えられました`,
    nothingExtracted: '何も取り出せませんでした: どちらのディレクトリも読めません。' +
      '別の形式のディスク (PC-98 の MS-DOS のディスクなど) かもしれません。',
    disk: 'ディスク',
    mapHelp: '四角はそれぞれセクタです。指すかフォーカスすると (矢印キーで移動) 中身を、' +
      '選ぶとバイトを表示します。一覧の「表示」でそのファイルのセクタが光ります。',
    sideMap: (side) => `面 ${side}: 論理トラック 00 から 4c (横)、セクタ 1 から 5 (縦)`,
    bootMap: 'ブートセクタ: トラック 0、各 128 バイト (IPLMUS はセクタ 14 から 17)',
    holds: { directory: 'ディレクトリ', file: 'ファイル', free: '項目なし', shared: '複数の項目',
      outside: 'ボリュームの外', boot: 'ブートセクタ (項目なし)' },
    state: { read: '読めました', unread: 'イメージにありません', damaged: '読み取りエラーで記録',
      notRead: '読んでいません' },
    legend: '凡例',
    cell: (where, holds, names, state) => `${where}: ${holds}${names ? ` (${names})` : ''}、${state}`,
    volumeSector: (side, track, sector) => `面 ${side} トラック ${track} セクタ ${sector}`,
    bootSector: (track, sector) => `ブートトラック ${track} セクタ ${sector}`,
    mapText: '図の内容 (テキスト)',
    sideCounts: (side, c) => `面 ${side}: ディレクトリ ${c.directory}、ファイル 1 つ ${c.file}、` +
      `複数 ${c.shared}、項目なし ${c.free} セクタ。イメージにない ${c.unread}、` +
      `読み取りエラー ${c.damaged}。`,
    fileSectors: (name, side, from, to, count, states) => `${name} (面 ${side}): ${from} から ${to} ` +
      `の ${count} セクタ、${states}。`,
    allRead: 'すべて読めました',
    stateCounts: (unread, damaged) => [unread && `イメージにない ${unread}`,
      damaged && `読み取りエラー ${damaged}`].filter(Boolean).join('、'),
    viewer: 'バイト',
    viewing: (what, size) => `${what}: ${size} バイト`,
    hexHelp: 'オフセット、16 進数のバイト、Shift_JIS として読んだテキスト ' +
      '(制御文字や文字にならないバイトは点)。',
  },
};

const words = kWords[kLanguage];

// Fills every element marked data-words="key" with its words.
function fillWords() {
  document.documentElement.lang = kLanguage;
  for (const node of document.querySelectorAll('[data-words]')) node.textContent = words[node.dataset.words];
  document.title = words.title;
}
