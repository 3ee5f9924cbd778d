'use strict';
// The page's case table (page.cases, its lines in tests/README.md): each case's files made from their
// sources, and what the native program prints and makes of one of them.
const fs = require('fs'), os = require('os'), path = require('path'), { spawnSync } = require('child_process');
const sizes = { 3: [30, 31, 38], 4: [32, 32, 40], 5: [37, 35, 38], 6: [37, 32, 43], 7: [40, 32, 44] };
const escapes = { r: '\r', n: '\n', t: '\t' }, count = (n) => Buffer.from([n & 255, (n >> 8) & 255]);
const unescape = (text) => text.replace(/\\(x..|[rnt])/g, (_, c) => escapes[c] ?? String.fromCharCode(`0${c}`));

function source(given, random) {
  const [kind, ...words] = given.split(' '), rest = words.join(' ');
  if (kind === 'hex') return Buffer.concat(words.map((h) => Buffer.alloc(+(h.split('*')[1] ?? 1), parseInt(h, 16))));
  if (kind === 'text') return Buffer.from(unescape(rest), 'latin1');
  if (kind === 'cut') {  // the first N bytes, zeros added past the end
    const bytes = source(words.slice(1).join(' '), random);
    return Buffer.concat([bytes, Buffer.alloc(Math.max(0, +words[0] - bytes.length))]).subarray(0, +words[0]);
  }
  if (kind === 'group') {  // "group E1L1.MAP=samples/v6/courtyard.map; NOTE.TXT=text hi": a group file of those members
    const members = rest.split(';').map((member) => member.trim().split('=')).map(([name, ...given]) =>
      [Buffer.from(unescape(name), 'latin1'), source(given.join('='), random)]);
    const entry = ([name, bytes]) => Buffer.concat([name, Buffer.alloc(12 - name.length), count(bytes.length), count(bytes.length >> 16)]);
    return Buffer.concat([Buffer.from('TESTGROUP...'), count(members.length), count(0), ...members.map(entry),
                          ...members.map((member) => member[1])]);
  }
  if (kind === 'zip') {  // made by the end-to-end tables' own maker: tests/README.md
    const maker = 'import sys; sys.path[0] = sys.argv[1]; import run_cases; sys.stdout.buffer.write(run_cases.content(sys.argv[2]))';
    return spawnSync('python3', ['-c', maker, path.join(__dirname, '../e2e'), given], { maxBuffer: 1 << 30 }).stdout;
  }
  // A group's members may be joined sources themselves, so the group is taken apart first.
  if (given.includes(' + ')) return Buffer.concat(given.split(' + ').map((part) => source(part, random)));
  if (kind === 'random') {
    const [version, ...given] = words.map(Number);
    const counts = given.length ? given : [1 + random(40), 1 + random(80), random(40)];
    // Bytes often 0 and 255, so that flags, slopes, links and tiles take their extreme values too.
    const bytes = (n) => Buffer.from(Array.from({ length: n }, () => [0, 255, random(256)][random(3)]));
    const pairs = counts.map((n, kind) => [count(n), bytes(n * sizes[version][kind])]);
    // Up to version 4 the three counts stand together before the arrays, later each before its own.
    const parts = version <= 4 ? [...pairs.map((pair) => pair[0]), ...pairs.map((pair) => pair[1])] : pairs.flat();
    return Buffer.concat([Buffer.from([version, 0, 0, 0]), bytes(16), ...parts]);
  }
  return fs.readFileSync(path.join(__dirname, '../..', given));
}

exports.parse = (table) => {
  const cases = [];
  for (const line of fs.readFileSync(table, 'latin1').split('\n')) {
    const [word, first, ...more] = line.split(' '), given = [first, ...more].join(' '), last = cases.at(-1);
    if (word === '==') {
      let state = 13;  // each case's random bytes the same every run, whatever comes before it
      const random = (n) => ((state = (Math.imul(state, 1664525) + 1013904223) >>> 0) >>> 8) % n;
      cases.push({ title: given, files: [], script: null, version: 7, within: Infinity, random, shows: [] });
    } else if (word === 'file') {
      const bytes = source(more.join(' '), last.random), [, from = 0, to = 0] = first.match(/\{(\d+)\.\.(\d+)\}/) ?? [];
      for (let i = +from; i <= +to; i++) last.files.push({ name: first.replace(/\{.*\}/, i), bytes });
    } else if (word === 'script') last.script = source(given, last.random);
    else if (word === 'shows') last.shows.push([first, more.join(' ')]);
    else if (/^(version|within|stop|screenshot)$/.test(word)) last[word] = given ? +given : true;
  }
  return cases;
};

// What the native program prints and makes of one file: the script's line, then for each map (a group file holds
// many) its lines from its ":: Opening" on, the name of the file its ":: Saving" line names ('' for none) and its bytes;
// status 2 (a map failed) is a run like any other.
exports.native = (program, name, bytes, target, script) => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'tessaro-native-'));
  fs.writeFileSync(path.join(folder, name), bytes);
  if (script) fs.writeFileSync(path.join(folder, 'swaps.txt'), script);
  const words = ['-In', name, '-Version', `${target}`, '-R', ...(script ? ['-ST', 'swaps'] : [])];
  const run = spawnSync(path.resolve(program), words, { cwd: folder });
  if (run.status !== 0 && run.status !== 2) throw new Error(`${program} ${words.join(' ')}: status ${run.status}`);
  const printed = run.stdout.toString().split('\r\n');
  const loading = [], maps = [];
  for (const line of printed.slice(printed.findIndex((line) => /^:: (Loading|Opening)/.test(line)), -1)) {
    if (line.startsWith(':: Opening ')) maps.push({ lines: [], made: '', output: null });
    (maps.at(-1)?.lines ?? loading).push(line);
    const [, made] = line.match(/^:: Saving (.*)\.\.\.$/) ?? [];
    if (made) Object.assign(maps.at(-1), { made, output: fs.readFileSync(path.join(folder, made)) });
  }
  fs.rmSync(folder, { recursive: true });
  return { loading, maps };
};

// The problem lines the native program's check prints of one file with a version's limits, map by map (a group file
// holds many); the page's numbers have thousands separators, which `plain` takes out.
exports.nativeCheck = (program, name, bytes, target) => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'tessaro-check-'));
  fs.writeFileSync(path.join(folder, name), bytes);
  const { stdout } = spawnSync(path.resolve(program), ['-In', name, '-Check', '-Version', `${target}`], { cwd: folder });
  fs.rmSync(folder, { recursive: true });
  const maps = [];
  for (const line of stdout.toString().split('\r\n')) {
    if (line.startsWith(':: Checking ')) maps.push([]);
    else if (/^   (Error: |Warning: |Note: |\.\.\. )/.test(line)) maps.at(-1).push(line.slice(3));
  }
  return maps;
};
exports.plain = (text) => text.replace(/(\d),(?=\d{3}\b)/g, '$1');
