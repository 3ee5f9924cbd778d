'use strict';
// The built module against the native program: the same lines and the same file for the samples,
// for generated maps of every version converted to every version, and for damaged files, each
// with and without a swap script.   node module_test.js <tessaro_web.js> <native tessaro>
const fs = require('fs'), os = require('os'), path = require('path'), { execFileSync } = require('child_process');
const [modulePath, program] = process.argv.slice(2).map((arg) => path.resolve(arg));
const sizes = { 3: [30, 31, 38], 4: [32, 32, 40], 5: [37, 35, 38], 6: [37, 32, 43], 7: [40, 32, 44] };
const script = Buffer.from('; swaps\n100, 200\n10-20, 5\r\n&H10, &HFF\n6000-2000, 3\nno comma\n');
let state = 13;  // the same maps every run
const random = (n) => ((state = (Math.imul(state, 1664525) + 1013904223) >>> 0) >>> 8) % n;
const count = (n) => Buffer.from([n & 255, (n >> 8) & 255]);
// Bytes often 0 and 255, so that flags, slopes, links and tiles take their extreme values too.
const bytes = (n) => Buffer.from(Array.from({ length: n }, () => [0, 255, random(256)][random(3)]));

function generated(version, largest) {
  const counts = largest ? [32767, 32767, 32767] : [1 + random(40), 1 + random(80), random(40)];
  const pairs = counts.map((n, kind) => [count(n), bytes(n * sizes[version][kind])]);
  // Up to version 4 the three counts stand together before the arrays, later each before its own.
  const parts = version <= 4 ? [...pairs.map((pair) => pair[0]), ...pairs.map((pair) => pair[1])] : pairs.flat();
  return Buffer.concat([Buffer.from([version, 0, 0, 0]), bytes(16), ...parts]);
}

const samples = path.join(__dirname, '../../samples');
const maps = fs.readdirSync(samples).flatMap((folder) => fs.readdirSync(path.join(samples, folder))
  .map((file) => [`${folder}-${file}`, fs.readFileSync(path.join(samples, folder, file))]));
for (const version of [3, 4, 5, 6, 7]) {
  [0, 1, 2].forEach((i) => maps.push([`gen${version}-${i}.map`, generated(version, i === 2)]));
}
maps.push(['short.map', Buffer.from('\x07\0\0\0short')], ['v9.map', generated(7).fill(9, 0, 1)],
  ['nowalls.map', Buffer.concat([Buffer.from([7, 0, 0, 0]), Buffer.alloc(16), count(1), bytes(40), count(0)])],
  ['negative.map', Buffer.concat([Buffer.from([4, 0, 0, 0]), Buffer.alloc(16), count(3), count(-2), count(1)])],
  ['cut.map', maps[0][1].subarray(0, 300)]);

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tessaro-module-'));
require(modulePath)().then((m) => {
  const call = (fn, ...args) => {
    const taken = args.map((arg) => typeof arg === 'number' ? arg : m._malloc(arg.length + 1));
    args.forEach((arg, i) => typeof arg === 'number' || m.HEAPU8.set(Buffer.concat([arg, Buffer.alloc(1)]), taken[i]));
    const report = JSON.parse(m.UTF8ToString(fn(...taken)));
    args.forEach((arg, i) => typeof arg === 'number' || m._free(taken[i]));
    return report;
  };
  const pairs = new Set(), differences = [];
  let same = 0, messages = 0;
  for (const withScript of [0, 1]) for (const [name, data] of maps) for (let target = 3; target <= 7; target++) {
    const folder = fs.mkdtempSync(path.join(work, 'run-'));
    fs.writeFileSync(path.join(folder, name), data);
    fs.writeFileSync(path.join(folder, 'swaps.txt'), script);
    const options = ['-In', name, '-Version', `${target}`, '-R', ...(withScript ? ['-ST', 'swaps'] : [])];
    const printed = execFileSync(program, options, { cwd: folder, stdio: ['ignore', 'pipe', 'pipe'] })
      .toString().split('\r\n');
    const expected = printed.slice(printed.findIndex((line) => /^:: (Loading|Opening)/.test(line)), -1);
    const start = call(m._tessaro_start, Buffer.from('swaps.txt'), script, script.length, withScript);
    const report = call(m._tessaro_convert, Buffer.from(name), data, data.length, target);
    const made = fs.readdirSync(folder).filter((file) => file !== name && file !== 'swaps.txt');
    const output = m.HEAPU8.subarray(m._tessaro_output(), m._tessaro_output() + m._tessaro_output_size());
    const lines = [...start.lines, ...report.lines];
    const ok = `${lines}` === `${expected}` && `${made}` === (report.output ?? '') &&
               (!report.output || Buffer.compare(output, fs.readFileSync(path.join(folder, made[0]))) === 0);
    if (!ok) differences.push(`${name} to v${target}${withScript ? ' with the script' : ''}: ${expected} | ${lines}`);
    else if (report.output) same++, pairs.add(`${report.version}>${target}`);
    else messages++;
    fs.rmSync(folder, { recursive: true });
  }
  fs.rmSync(work, { recursive: true });
  console.log(`module: ${same} conversions identical to the program's (version pairs ${[...pairs].sort().join(' ')}),`,
              `${messages} runs with the same messages and no file, ${differences.length} differences`);
  differences.forEach((difference) => console.log(difference));
  process.exit(differences.length || pairs.size < 20 ? 1 : 0);
});
