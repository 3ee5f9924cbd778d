'use strict';
// The converter's page: it only builds what is shown. The maps are read and converted in a worker
// made from the page's own text (a page opened from disk may load no other file), and nothing is sent.
(() => {
  const $ = (id) => document.getElementById(id);
  const maps = $('maps'), script = $('script'), version = $('version'), button = $('convert'), stop = $('stop');
  const results = $('results'), run = $('run'), status = $('status'), progress = $('progress');
  const workerUrl = URL.createObjectURL(new Blob([$('converter').textContent], { type: 'text/javascript' }));
  const waiting = new Map();  // request id: its promise's resolve and reject
  let worker = null, asked = 0, links = [], current = null, image = null;

  // A converter that failed is dropped with the requests it had, and the next request starts another.
  function fail(message) {
    reportError(new Error(`The converter failed: ${message}`));
    worker?.terminate();
    worker = null;
    waiting.forEach(({ reject }) => reject(new Error(message)));
    waiting.clear();
  }

  function ask(request) {
    if (!worker) {
      worker = new Worker(workerUrl);
      worker.onerror = (event) => fail(event.message);
      worker.onmessage = ({ data }) => {
        // A stray rejection in the worker is shown; a request that failed ends the worker and the rest.
        if (data.id === undefined) return reportError(new Error(`In the converter: ${data.error}`));
        if (data.error !== undefined) return fail(data.error);
        waiting.get(data.id).resolve(data);
        waiting.delete(data.id);
      };
    }
    const id = ++asked;
    worker.postMessage({ id, ...request });
    return new Promise((resolve, reject) => waiting.set(id, { resolve, reject }));
  }

  function element(tag, className, text) {
    const made = document.createElement(tag);
    if (className) made.className = className;
    if (text !== undefined) made.textContent = text;
    return made;
  }

  const number = (n) => `${n}`.replace(/\B(?=(\d{3})+$)/g, ',');

  // Little-endian RGBA: the background, one-sided walls, two-sided walls, walls the check names; the
  // marks of sprites and of the start outside their sectors, and of named walls that cannot be drawn.
  const kColours = [0xff1c1510, 0xffe8e8e8, 0xff4040ff, 0xff00b4ff], kMarks = [0xffffd000, 0xff60ff60, 0xff00b4ff];
  const kLegend = ['White: one-sided walls.', 'Red: two-sided walls.', 'Amber: walls the check names.'];
  const kMarkLegend = ['Blue crosses: sprites outside their sectors.', 'Green cross: the start outside its sector.',
                       'Amber crosses: walls the check names whose next point is not in the map.'];
  const pause = () => new Promise((resolve) => setTimeout(resolve));

  // Walls seen from above, scaled to fit, y down as in the editors; two-sided walls in red, drawn
  // after the others so that passages stay visible where walls meet, and the walls the check names
  // last, then its marks, kept inside the picture. Drawn pixel by pixel, a few milliseconds at a time:
  // a canvas's own strokes of many long lines took seconds in some browsers.
  async function draw(canvas, walls, marks, [left, top, right, bottom]) {
    // A new run has taken the image over.
    if (!canvas.isConnected) return;
    // One image for every drawing, as wide as each: fresh memory was slow to come by.
    image ??= new ImageData(640, 640);
    const { width, height } = canvas, pixels = new Uint32Array(image.data.buffer, 0, width * height);
    const margin = 12, scale = Math.min((width - 2 * margin) / Math.max(1, right - left),
                                        (height - 2 * margin) / Math.max(1, bottom - top));
    const x = (value) => Math.round((width - (right - left) * scale) / 2 + (value - left) * scale);
    const y = (value) => Math.round((height - (bottom - top) * scale) / 2 + (value - top) * scale);
    pixels.fill(kColours[0]);
    let since = performance.now();
    for (const kind of [0, 1, 2]) {
      for (let i = 0; i < walls.length; i += 5) {
        if (walls[i + 4] !== kind) continue;
        // From the middle of the first pixel, a step along the longer axis at a time, two pixels thick.
        const x1 = x(walls[i]), y1 = y(walls[i + 1]), dx = x(walls[i + 2]) - x1, dy = y(walls[i + 3]) - y1;
        const steps = Math.max(Math.abs(dx), Math.abs(dy), 1), across = dx / steps, down = dy / steps;
        const beside = Math.abs(dx) > Math.abs(dy) ? width : 1, colour = kColours[1 + kind];
        let at = x1 + 0.5, to = y1 + 0.5;
        for (let step = 0; step <= steps; step++, at += across, to += down) {
          const pixel = (to | 0) * width + (at | 0);
          pixels[pixel] = pixels[pixel + beside] = colour;
        }
        if (performance.now() - since > 10) {
          await pause();
          if (!canvas.isConnected) return;
          since = performance.now();
        }
      }
    }
    const inside = (value, most) => Math.min(most - 5, Math.max(3, value));
    for (let i = 0; i < marks.length; i += 3) {
      const at = inside(x(marks[i]), width), to = inside(y(marks[i + 1]), height);
      for (let d = -3; d <= 3; d++) {
        for (const pixel of [(to + d) * width + at + d, (to + d) * width + at - d]) pixels[pixel] = pixels[pixel + 1] = kMarks[marks[i + 2]];
      }
    }
    // Kept in memory, not on the graphics card, where putting an image took 12 ms in WebKitGTK.
    canvas.getContext('2d', { willReadFrequently: true }).putImageData(image, 0, 0, 0, 0, width, height);
  }

  function drawing(name, walls, marks, bounds) {
    const figure = element('figure');
    if (!walls.length) {
      figure.append(element('figcaption', '', 'No walls to draw.'));
      return figure;
    }
    const canvas = element('canvas');
    // About the size it is shown at: a run of many maps keeps every drawing in memory.
    canvas.width = 640;
    const [left, top, right, bottom] = bounds;
    canvas.height = Math.min(640, Math.max(320, Math.round((640 * (bottom - top + 1)) / (right - left + 1))));
    canvas.setAttribute('role', 'img');
    canvas.setAttribute('aria-label', `The walls of ${name} seen from above`);
    // The legend names what this drawing shows.
    const has = (numbers, each, kind) => numbers.some((value, i) => i % each === each - 1 && value === kind);
    const legend = [...kLegend.filter((_, kind) => kind < 2 || has(walls, 5, kind)),
                    ...kMarkLegend.filter((_, kind) => has(marks, 3, kind))];
    figure.append(canvas, element('figcaption', '', legend.join(' ')));
    return figure;
  }

  // A download of bytes made elsewhere; its address is given back when the next run starts.
  function download(className, text, name, bytes) {
    const link = element('a', className, text);
    link.download = name;
    links.push((link.href = URL.createObjectURL(new Blob([bytes]))));
    return link;
  }

  // The check of the map as read, with the limits of the version chosen: its verdict, its lines as the
  // program prints them, and what each of their codes means.
  function checked({ verdict, errors, warnings, lines, codes }, target) {
    const box = element('div', 'check');
    box.append(element('p', `verdict ${errors ? 'error' : warnings ? 'warning' : 'sound'}`,
                       `Check, with the limits of version ${target}: ${verdict}`));
    if (!lines.length) return box;
    const list = element('ul', 'problems'), meanings = element('dl');
    for (const { code, severity, text } of lines) {
      const item = element('li', `${severity}${text.startsWith('... ') ? ' more' : ''}`, text);
      item.title = code;
      list.append(item);
    }
    for (const { code, severity, summary, advice } of codes) {
      meanings.append(element('dt', severity, code), element('dd', '', `${summary} ${advice}`));
    }
    const legend = element('details', 'codes');
    legend.append(element('summary', '', 'What these mean'), meanings);
    box.append(list, legend);
    return box;
  }

  function result(name, { report, walls, marks, bounds }, target) {
    const box = element('section', 'result');
    const text = element('div', 'text');
    box.append(text);
    text.append(element('h2', '', name), element('pre', 'lines', report.lines.join('\n')));
    if (report.version === undefined) return box;
    text.append(element('p', 'facts', `Version ${report.version} · ${number(report.sectors)} sectors · ` +
                                     `${number(report.walls)} walls · ${number(report.sprites)} sprites`));
    if (report.notes.length) text.append(element('p', 'notes', report.notes.join(' ')));
    text.append(checked(report.check, target));
    if (report.output) {
      const link = element('a', 'download', `Download ${report.output}`);
      link.download = report.output;
      text.append(link);
    }
    // The script keeps every tile; edited, it renumbers them in the program or in this page.
    const named = (report.output || name.split('/').pop()).replace(/\.map$/i, '');
    const tiles = element('p', 'tiles', report.tiles);
    tiles.append(' ', download('template', 'Swap script of these tiles', `${named}_tiles.txt`, report.template));
    text.append(tiles);
    box.append(drawing(name, walls, marks, bounds));
    if (report.loses) {
      const losses = element('div', 'loses'), list = element('ul');
      // Lines that name no changed record say what the step drops, though nothing in this map.
      for (const line of report.loses.lines) list.append(element('li', /: 0 of /.test(line) ? 'none' : '', line));
      losses.append(element('h3', '', report.loses.heading), list);
      box.append(losses);
    }
    return box;
  }

  // The maps a chosen file holds: the file itself, or the maps of a group file or a zip in the order
  // of its directory, each read from its own bytes, a group inside a zip in its place. A damaged
  // archive, or a member that is refused, comes with its lines already made.
  async function* mapsOf(file) {
    const zipped = /\.zip$/i.test(file.name);
    if (!zipped && !/\.grp$/i.test(file.name)) return yield { title: file.name, map: file };
    yield* membersOf(file.name, file, await ask(zipped ? { zip: file } : { group: file }));
  }

  async function* membersOf(title, file, listed) {
    if (!listed.members) return yield { title, made: { report: listed } };
    progress.max += listed.members.length - 1;
    for (const member of listed.members) {
      if (member.lines) yield { title: member.title, made: { report: member } };
      else if (!member.group) yield { title: member.title, map: file, member };
      else {
        const inner = await ask({ unzip: file, member });
        yield* membersOf(member.title, inner.blob, inner);
      }
    }
  }

  function busy(on) {
    results.setAttribute('aria-busy', on);
    stop.disabled = !on;
  }

  // A new run ends the one before at once: what that one still gets is dropped, not shown.
  async function convert() {
    const chosen = [...maps.files], scriptFile = script.files[0];
    if (!chosen.length) {
      status.textContent = 'Choose one or more .map, .grp or .zip files first.';
      return;
    }
    if (current) current.stopped = true;
    const mine = (current = { stopped: false });
    links.forEach((link) => URL.revokeObjectURL(link));
    links = [];
    results.replaceChildren();
    run.textContent = '';
    Object.assign(progress, { hidden: false, max: chosen.length, value: 0 });
    busy(true);
    try {
      // Every run starts afresh, so that no map gets the tiles of an earlier run's script.
      const started = await ask({ script: scriptFile, withScript: Boolean(scriptFile) });
      if (mine !== current) return;
      run.textContent = started.lines.join('\n');
      let count = 0;
      run: for (const file of chosen) {
        for await (const { title, map, member, made: listed } of mapsOf(file)) {
          if (mine !== current) return;
          if (mine.stopped) break run;
          status.textContent = `Converting ${title} (${++count} of ${progress.max})…`;
          const target = Number(version.value), made = listed ?? (await ask({ map, member, target }));
          if (mine !== current) return;
          const box = result(title, made, target);
          const link = box.querySelector('a.download'), canvas = box.querySelector('canvas');
          results.append(box);
          // The file and the drawing each in tasks of their own, so that the page answers in between.
          if (link) {
            await pause();
            links.push((link.href = URL.createObjectURL(new Blob([made.output]))));
          }
          if (canvas) {
            await pause();
            await draw(canvas, made.walls, made.marks, made.bounds);
          }
          if (mine !== current) return;
          progress.value++;
        }
      }
      const done = progress.value;
      status.textContent = done < progress.max ? `Stopped after ${done} of ${progress.max} maps.`
                                                : `${done} ${done === 1 ? 'map' : 'maps'} done.`;
    } catch (error) {
      if (mine === current) status.textContent = `The converter stopped: ${error.message}`;
    } finally {
      if (mine === current) busy(false);
    }
  }

  const fileList = (files) => {
    const transfer = new DataTransfer();
    files.forEach((file) => transfer.items.add(file));
    return transfer.files;
  };

  ask({}).catch(() => {});  // the module starts while files are chosen; fail() shows what went wrong
  button.addEventListener('click', convert);
  stop.addEventListener('click', () => { current.stopped = true; });
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
