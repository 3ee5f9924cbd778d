'use strict';
// The converter's page: files are read here and handed to the module in memory; nothing is sent.
(() => {
  const $ = (id) => document.getElementById(id);
  const maps = $('maps'), script = $('script'), version = $('version'), button = $('convert');
  const results = $('results'), run = $('run'), status = $('status');
  // The largest map is under 4 MiB and bytes after the records are ignored, so a huge file is cut
  // rather than read whole. A script is only text, but one rule may stand anywhere in it.
  const kMapBytes = 8 << 20, kScriptBytes = 64 << 20;
  const tessaro = createTessaro();
  let links = [];

  // The module reads texts and bytes in its own memory, texts up to a zero byte.
  function call(m, fn, ...args) {
    const taken = [];
    const values = args.map((arg) => {
      if (typeof arg !== 'string' && !(arg instanceof Uint8Array)) return arg;
      const bytes = typeof arg === 'string' ? new TextEncoder().encode(arg) : arg;
      const at = m._malloc(bytes.length + 1);
      m.HEAPU8.set(bytes, at);
      m.HEAPU8[at + bytes.length] = 0;
      taken.push(at);
      return at;
    });
    try {
      return JSON.parse(m.UTF8ToString(fn(...values)));
    } finally {
      taken.forEach((at) => m._free(at));
    }
  }

  // null when the file cannot be read (gone or unreadable since it was chosen).
  async function read(file, most) {
    try {
      return new Uint8Array(await file.slice(0, most).arrayBuffer());
    } catch {
      return null;
    }
  }

  function element(tag, className, text) {
    const made = document.createElement(tag);
    if (className) made.className = className;
    if (text !== undefined) made.textContent = text;
    return made;
  }

  const number = (n) => n.toLocaleString('en-US');

  // Walls seen from above, scaled to fit, y down as in the editors; two-sided walls in red.
  function drawing(m, name) {
    const start = m._tessaro_walls() >> 2, walls = m.HEAP32.subarray(start, start + 5 * m._tessaro_wall_count());
    let left = Infinity, top = Infinity, right = -Infinity, bottom = -Infinity;
    for (let i = 0; i < walls.length; i += 5) {
      left = Math.min(left, walls[i], walls[i + 2]);
      right = Math.max(right, walls[i], walls[i + 2]);
      top = Math.min(top, walls[i + 1], walls[i + 3]);
      bottom = Math.max(bottom, walls[i + 1], walls[i + 3]);
    }
    const canvas = element('canvas');
    // About the size it is shown at: a run of many maps keeps every drawing in memory.
    canvas.width = 640;
    canvas.height = Math.min(640, Math.max(320, Math.round((640 * (bottom - top + 1)) / (right - left + 1)))) || 480;
    canvas.setAttribute('role', 'img');
    canvas.setAttribute('aria-label', `The walls of ${name} seen from above`);
    const margin = 12;
    const scale = Math.min((canvas.width - 2 * margin) / Math.max(1, right - left),
                           (canvas.height - 2 * margin) / Math.max(1, bottom - top));
    const x = (value) => (canvas.width - (right - left) * scale) / 2 + (value - left) * scale;
    const y = (value) => (canvas.height - (bottom - top) * scale) / 2 + (value - top) * scale;
    const context = canvas.getContext('2d');
    context.fillStyle = '#10151c';
    context.fillRect(0, 0, canvas.width, canvas.height);
    context.lineWidth = 2;
    // Red over white, so that passages stay visible where walls meet.
    for (const [twoSided, colour] of [[0, '#e8e8e8'], [1, '#ff4040']]) {
      context.beginPath();
      for (let i = 0; i < walls.length; i += 5) {
        if (walls[i + 4] !== twoSided) continue;
        context.moveTo(x(walls[i]), y(walls[i + 1]));
        context.lineTo(x(walls[i + 2]), y(walls[i + 3]));
      }
      context.strokeStyle = colour;
      context.stroke();
    }
    const figure = element('figure');
    figure.append(canvas, element('figcaption', '', 'White: one-sided walls. Red: two-sided walls.'));
    return figure;
  }

  function result(m, name, report) {
    const box = element('section', 'result');
    const text = element('div', 'text');
    box.append(text);
    text.append(element('h2', '', name), element('pre', 'lines', report.lines.join('\n')));
    if (report.version === undefined) return box;
    text.append(element('p', 'facts', `Version ${report.version} · ${number(report.sectors)} sectors · ` +
                                     `${number(report.walls)} walls · ${number(report.sprites)} sprites`));
    if (report.output) {
      const at = m._tessaro_output();
      const link = element('a', 'download', `Download ${report.output}`);
      link.download = report.output;
      link.href = URL.createObjectURL(new Blob([m.HEAPU8.slice(at, at + m._tessaro_output_size())]));
      links.push(link.href);
      text.append(link);
    }
    box.append(drawing(m, name));
    if (report.loses) {
      const losses = element('div', 'loses'), list = element('ul');
      // Lines that name no changed record say what the step drops, though nothing in this map.
      for (const line of report.loses.lines) list.append(element('li', /: 0 of /.test(line) ? 'none' : '', line));
      losses.append(element('h3', '', report.loses.heading), list);
      box.append(losses);
    }
    return box;
  }

  async function convert() {
    const chosen = [...maps.files], scriptFile = script.files[0], target = Number(version.value);
    if (!chosen.length) {
      status.textContent = 'Choose one or more .map files first.';
      return;
    }
    button.disabled = true;
    try {
      const m = await tessaro;
      links.forEach((link) => URL.revokeObjectURL(link));
      links = [];
      results.replaceChildren();
      // Every run starts afresh, so that no map gets the tiles of an earlier run's script. As in the
      // program, a script that cannot be read leaves every tile as it is.
      const bytes = (scriptFile && (await read(scriptFile, kScriptBytes))) || new Uint8Array();
      run.textContent = call(m, m._tessaro_start, scriptFile?.name ?? '', bytes, bytes.length, scriptFile ? 1 : 0)
        .lines.join('\n');
      for (const [index, file] of chosen.entries()) {
        status.textContent = `Converting ${file.name} (${index + 1} of ${chosen.length})…`;
        // One map at a time, with the page drawn in between.
        await new Promise((resolve) => setTimeout(resolve));
        const bytes = await read(file, kMapBytes);
        const report = bytes ? call(m, m._tessaro_convert, file.name, bytes, bytes.length, target)
                             : { lines: [`:: Opening ${file.name}...`, '   I/O error'] };
        results.append(result(m, file.name, report));
      }
      status.textContent = `${chosen.length} ${chosen.length === 1 ? 'map' : 'maps'} done.`;
    } catch (error) {
      status.textContent = `The converter stopped: ${error}`;  // WebAssembly missing or blocked, or out of memory
    } finally {
      button.disabled = false;
    }
  }

  const fileList = (files) => {
    const transfer = new DataTransfer();
    files.forEach((file) => transfer.items.add(file));
    return transfer.files;
  };

  button.addEventListener('click', convert);
  $('no-script').addEventListener('click', () => { script.value = ''; });
  // Dropped text files are swap scripts (the last one counts); everything else is a map.
  let dragging = 0;
  addEventListener('dragenter', () => document.body.classList.toggle('dragging', ++dragging > 0));
  addEventListener('dragleave', () => document.body.classList.toggle('dragging', --dragging > 0));
  addEventListener('dragover', (event) => event.preventDefault());
  addEventListener('drop', (event) => {
    event.preventDefault();
    dragging = 0;
    document.body.classList.remove('dragging');
    const files = [...event.dataTransfer.files], texts = files.filter((file) => /\.txt$/i.test(file.name));
    if (files.length > texts.length) maps.files = fileList(files.filter((file) => !texts.includes(file)));
    if (texts.length) script.files = fileList(texts.slice(-1));
  });
})();
