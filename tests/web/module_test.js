'use strict';
// The built module and the page's worker script as the native program on each map of page.cases to every version,
// with and without the case's swap script: the same lines and file.   node module_test.js <tessaro_web.js> <tessaro>
const fs = require('fs'), path = require('path'), vm = require('vm'), { parse, native, nativeCheck, plain } = require('./cases');
const [modulePath, program] = process.argv.slice(2).map((arg) => path.resolve(arg));
const worker = { createTessaro: require(modulePath), addEventListener() {}, TextEncoder, Blob, DecompressionStream, onmessage: null };
vm.runInNewContext(fs.readFileSync(path.join(__dirname, '../../web/worker.js'), 'utf8'), worker);
const ask = (data) => new Promise((answer) => (worker.postMessage = answer) && worker.onmessage({ data }));

(async () => {
  const pairs = new Set();
  let same = 0, messages = 0, differences = 0, checks = 0;
  for (const { files, script } of parse(path.join(__dirname, 'page.cases'))) {
    // A map given under many names is converted once.
    for (const { name, bytes } of new Map(files.map((file) => [file.bytes.toString('base64'), file])).values()) {
      for (const given of script ? [null, script] : [null]) for (let target = 3; target <= 7; target++) {
        const expected = native(program, name, bytes, target, given), file = new File([bytes], name);
        const { lines } = await ask({ script: given && new File([given], 'swaps.txt'), withScript: Boolean(given) });
        // An archive's maps as the page takes them: a damaged archive and refused members come with their lines, a
        // group inside a zip in its place.
        let expectedChecks;
        const made = [], archive = /\.(grp|zip)$/i.exec(name)?.[1].toLowerCase();
        const take = async (holder, listed) => {
          for (const member of listed.members ?? [listed]) {
            const inner = member?.group && (await ask({ unzip: holder, member }));
            if (inner) await take(inner.blob, inner);
            else made.push(member?.lines ? { report: member } : await ask({ map: holder, member, target }));
          }
        };
        await take(file, archive ? await ask({ [archive === 'zip' ? 'zip' : 'group']: file }) : { members: [undefined] });
        if (`${lines}` !== `${expected.loading}` || made.length !== expected.maps.length) {
          differences++, console.log(`${name} to v${target}: ${expected.loading} | ${lines}; ${made.length} maps`);
        }
        made.forEach(({ report, output }, i) => {
          const want = expected.maps[i] ?? {}, shown = report.lines, file = report.output ?? '';
          if (`${shown}` !== `${want.lines}` || file !== want.made || (file && !want.output.equals(Buffer.from(output)))) {
            differences++, console.log(`${name} to v${target}${given ? ' (script)' : ''}: ${want.lines} | ${shown}`);
          } else if (file) same++, pairs.add(`${report.version}>${target}`);
          else messages++;
          // The check of the map as read, with the target's limits, as the program's -Check prints it.
          if (!given && report.check) {
            const checked = report.check.lines.map(({ text }) => plain(text)).join('\n');
            const wanted = (expectedChecks ??= nativeCheck(program, name, bytes, target))[i]?.join('\n');
            if (checked === wanted) checks++;
            else differences++, console.log(`${name} checked with v${target}: ${wanted} | ${checked}`);
          }
          // The tiles' swap script, unedited, loads in the program and changes no byte.
          if (file && !given && !native(program, name, bytes, target, report.template).maps[i].output.equals(want.output)) {
            differences++, console.log(`${name} to v${target}: the tiles' script changed the map`);
          }
        });
      }
    }
  }
  console.log(`module: ${same} conversions identical to the program's (version pairs ${[...pairs].sort().join(' ')}),`,
              `${messages} runs with the same messages and no file, ${checks} checks the same, ${differences} differences`);
  process.exit(differences || pairs.size < 20 ? 1 : 0);
})();
