'use strict';
// The built module and the page's worker script as the native program on each map of page.cases to every version,
// with and without the case's swap script: the same lines and file.   node module_test.js <tessaro_web.js> <tessaro>
const fs = require('fs'), path = require('path'), vm = require('vm'), { parse, native } = require('./cases');
const [modulePath, program] = process.argv.slice(2).map((arg) => path.resolve(arg));
const worker = { createTessaro: require(modulePath), addEventListener() {}, TextEncoder, onmessage: null };
vm.runInNewContext(fs.readFileSync(path.join(__dirname, '../../web/worker.js'), 'utf8'), worker);
const ask = (data) => new Promise((answer) => (worker.postMessage = answer) && worker.onmessage({ data }));

(async () => {
  const pairs = new Set();
  let same = 0, messages = 0, differences = 0;
  for (const { files, script } of parse(path.join(__dirname, 'page.cases'))) {
    // A map given under many names is converted once.
    for (const { name, bytes } of new Map(files.map((file) => [file.bytes.toString('base64'), file])).values()) {
      for (const given of script ? [null, script] : [null]) for (let target = 3; target <= 7; target++) {
        const expected = native(program, name, bytes, target, given);
        const { lines } = await ask({ script: given && new File([given], 'swaps.txt'), withScript: Boolean(given) });
        const { report, output } = await ask({ map: new File([bytes], name), target });
        const shown = [...lines, ...report.lines], made = report.output ?? '';
        if (`${shown}` !== `${expected.lines}` || made !== expected.made ||
            (made && !expected.output.equals(Buffer.from(output)))) {
          differences++, console.log(`${name} to v${target}${given ? ' (script)' : ''}: ${expected.lines} | ${shown}`);
        } else if (made) same++, pairs.add(`${report.version}>${target}`);
        else messages++;
      }
    }
  }
  console.log(`module: ${same} conversions identical to the program's (version pairs ${[...pairs].sort().join(' ')}),`,
              `${messages} runs with the same messages and no file, ${differences} differences`);
  process.exit(differences || pairs.size < 20 ? 1 : 0);
})();
