'use strict';
// The page in headless Chromium, Firefox ESR and WebKitGTK on page.cases: results as the native program's, never
// busy 100 ms at once, no uncaught error.   node page_test.js <index.html> <tessaro> <screenshot folder> [engine ...]
const fs = require('fs'), net = require('net'), os = require('os'), path = require('path'), crypto = require('crypto');
const { once } = require('events'), { setTimeout: sleep } = require('timers/promises');
const { spawn } = require('child_process'), { parse, native, nativeCheck, plain } = require('./cases');
const [page, program, shots, ...asked] = process.argv.slice(2), url = `file://${path.resolve(page)}`;
const size = { width: 1200, height: 1500 }, sha = (bytes) => crypto.createHash('sha256').update(bytes).digest('hex');

const puppeteer = (options) => async () => {
  const browser = await require('puppeteer-core').launch({ headless: true, defaultViewport: size, ...options });
  const tab = await browser.newPage();
  await tab.goto(url);
  return { upload: async (css, files) => (await tab.$(css)).uploadFile(...files), run: tab.evaluate.bind(tab),
           shoot: (file) => tab.screenshot({ path: file }), close: () => browser.close() };
};

// WebKitGTK's own WebDriver, spoken to directly: a few commands are all the test needs.
async function webkit() {
  const server = net.createServer().listen(0), port = await once(server, 'listening').then(() => server.address().port);
  server.close();
  const driver = spawn('/usr/bin/WebKitWebDriver', [`--port=${port}`], { stdio: 'ignore' });
  process.on('exit', () => driver.kill());
  const call = (method, to, body) => fetch(`http://127.0.0.1:${port}${to}`, { method, body: JSON.stringify(body) })
    .then((reply) => reply.json()).then(({ value }) => (value?.error ? Promise.reject(Error(value.message)) : value));
  for (let tries = 0; !(await call('GET', '/status').catch(() => tries > 99)); tries++) await sleep(100);
  const wanted = { timeouts: { script: 6e5 }, 'webkitgtk:browserOptions': { args: ['--automation',
    '--allow-file-access-from-file-urls=true'], binary: '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser' } };
  const at = `/session/${(await call('POST', '/session', { capabilities: { alwaysMatch: wanted } })).sessionId}`;
  await call('POST', `${at}/window/rect`, size).then(() => call('POST', `${at}/url`, { url }));
  return { upload: async (css, files) => call('POST', `${at}/element/${Object.values(await call('POST', `${at}/element`,
             { using: 'css selector', value: css }))[0]}/value`, { text: files.join('\n') }),
           run: (fn, arg) => call('POST', `${at}/execute/async`, { args: [arg], script: `const done = arguments[1];
             (async () => (${fn})(arguments[0]))().then(done, (e) => done({ error: 1, message: String(e) }))` }),
           shoot: async (file) => fs.writeFileSync(file, Buffer.from(await call('GET', `${at}/screenshot`), 'base64')),
           close: () => call('DELETE', at).finally(() => driver.kill()) };
}

const flags = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
  '--disable-component-update', '--disable-sync'];
const engines = { webkit, chromium: puppeteer({ executablePath: '/usr/bin/chromium', args: flags }),
                  firefox: puppeteer({ browser: 'firefox', executablePath: '/usr/lib/firefox-esr/firefox-esr' }) };

// In the page: None clicked for no script, Convert, and as the first result shows Stop if asked, else Convert again
// (no later result of the first run may show); what is shown read back; a 10 ms timer measures how long it was busy.
async function convert({ version, stop, script }) {
  const $ = (id) => document.getElementById(id), results = $('results'), progress = $('progress');
  let start = performance.now(), last = start, gap = 0;
  const tick = () => { gap = Math.max(gap, performance.now() - last); last = performance.now(); };
  const timer = setInterval(tick, 10);
  const again = new MutationObserver((seen) => seen.some((change) => change.addedNodes.length)
    && (again.disconnect(), (start = performance.now()), $(stop ? 'stop' : 'convert').click()));
  again.observe(results, { childList: true });
  $('version').value = version;
  if (!script) $('no-script').click();
  $('convert').click();
  await new Promise((done) => new MutationObserver(() => results.getAttribute('aria-busy') === 'false' && done())
    .observe(results, { attributes: true }));
  const elapsed = (await new Promise(requestAnimationFrame)) - start;
  clearInterval(timer), tick();
  await new Promise(requestAnimationFrame);  // a screenshot in WebKitGTK shows what was there a frame before
  const digest = async (link) => crypto.subtle.digest('SHA-256', await (await fetch(link.href)).arrayBuffer());
  const hex = (bytes) => [...new Uint8Array(bytes)].map((byte) => byte.toString(16).padStart(2, '0')).join('');
  const shown = await Promise.all([...results.querySelectorAll('.result')].map(async (box) => {
    const link = box.querySelector('a.download'), canvas = box.querySelector('canvas'), text = box.textContent;
    const image = canvas?.getContext('2d').getImageData(0, 0, canvas.width, canvas.height);
    const pixels = image && new Uint32Array(image.data.buffer);
    const drawn = pixels ? pixels.some((pixel) => pixel !== pixels[0]) : text.includes('No walls to draw');
    const checked = [...box.querySelectorAll('.check li')].map((item) => item.textContent).join('\n');
    return [box.querySelector('.lines').textContent, link?.download, link && hex(await digest(link)),
            text.match(/Converting to v. loses:/g), drawn || !link, checked, box.querySelector('h2').textContent, text];
  }));
  const errors = [...$('errors').children].map((item) => `uncaught ${item.textContent}\n`).join('');
  return { elapsed, gap, shown, page: `${$('run').textContent} | ${progress.value} of ${progress.max}\n${errors}` };
}

// Each case's files in a folder of its own, and each result as the native program's run would show it:
// the map's lines, the file's name and digest, the loss report's heading, true for a drawing, and the
// problem lines of its check with the case's version.
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tessaro-page-'));
const cases = parse(path.join(__dirname, 'page.cases')).map((c) => {
  const folder = fs.mkdtempSync(path.join(work, 'case-')), script = c.script && path.join(folder, 'swaps.txt');
  if (script) fs.writeFileSync(script, c.script);
  c.files.forEach((file) => fs.writeFileSync((file.path = path.join(folder, file.name)), file.bytes));
  const expected = c.files.flatMap((file) => {
    const checks = nativeCheck(program, file.name, file.bytes, c.version);
    return native(program, file.name, file.bytes, c.version, c.script).maps.map((made, i) => [
      made.lines.join('\n'), made.made, made.output && sha(made.output),
      made.lines.some((line) => line.startsWith(':: Down')) && `Converting to v${c.version} loses:`, true, checks[i].join('\n')]);
  });
  return { ...c, script, expected: expected.map((view) => view.map((cell) => cell || '').join(' | ')) };
});

(async () => {
  let passed = 0, failed = 0;
  for (const engine of asked.length ? asked : ['chromium', 'firefox', 'webkit']) {
    const report = (fault) => console.log(`${engine}: ${fault}`), times = [];
    let tab, gap = 0, good = 0, again = 0;
    try {
      tab = await engines[engine]();
      for (const c of cases) {
        await tab.run(() => (document.getElementById('maps').value = ''));  // else WebKitGTK's driver adds to the maps
        await tab.upload('#maps', c.files.map((file) => file.path));
        if (c.script) await tab.upload('#script', [c.script]);
        // A busy machine can hold any page up for a moment: a case too slow runs again, twice at most.
        let got, tries = 0, slow = () => got.elapsed > c.within || got.gap > 100;
        do got = await tab.run(convert, { version: c.version, stop: c.stop, script: Boolean(c.script) });
        while (slow() && ++tries < 3);
        const views = got.shown.map((view) => [...view.slice(0, 5), plain(view[5])].map((cell) => cell || '').join(' | '));
        const faults = views.flatMap((view, i) => view === c.expected[i] ? [] : [`${view}\nnot ${c.expected[i]}`]);
        // What a designer reads of a map besides the program's lines: the tiles it uses, whether its file was whole.
        for (const [title, text] of c.shows) {
          if (!got.shown.some((view) => view[6] === title && view[7].includes(text))) faults.push(`${title} shows no ${text}`);
        }
        const count = got.shown.length, loading = c.script ? ':: Loading swaps.txt as a script' : '', all = c.expected.length;
        if (got.page !== `${loading} | ${count} of ${all}\n`) faults.push(`the page shows ${got.page}`);
        if (c.stop ? !count || count === all : count !== all) faults.push(`${count} results`);
        if (slow()) faults.push(`${got.elapsed | 0} ms, busy for ${got.gap | 0} ms`);
        if (c.within < Infinity) times.push(`${got.elapsed | 0} ms`);
        if (c.screenshot) await tab.shoot(path.join(shots, `screenshot-${engine}.png`));
        [gap, good, again] = [Math.max(gap, got.gap), good + !faults.length, again + tries];
        faults.forEach((fault) => report(`${c.title}: ${fault}`));
      }
    } catch (error) {
      report(error.stack);
    } finally {
      await tab?.close();
    }
    [passed, failed] = [passed + good, failed + cases.length - good];
    console.log(`page (${engine}): ${good} of ${cases.length} cases passed (${again} runs again for time);`,
                `longest main-thread gap ${gap | 0} ms; largest map ${times}; ${shots}/screenshot-${engine}.png`);
  }
  fs.rmSync(work, { recursive: true });
  console.log(`page: ${passed} passed, ${failed} failed`);
  process.exit(failed ? 1 : 0);
})();
