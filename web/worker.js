'use strict';
// The converter's worker: files are read, converted and measured here, one request at a time in
// the order sent, so that the page stays free to draw and to answer however large a map is.
// The largest map is under 4 MiB and bytes after the records are ignored, so a huge file is cut
// rather than read whole. A script is only text, but one rule may stand anywhere in it.
const kMapBytes = 8 << 20, kScriptBytes = 64 << 20, kPiece = 1 << 20;
// Fresh memory is slow to come by: the first largest map took twice as long as the next. So the
// module touches what such a map needs once, while the page waits for files.
const tessaro = createTessaro().then((m) => {
  const block = m._malloc(4 * kMapBytes);
  m.HEAPU8.fill(0, block, block + 4 * kMapBytes);
  m._free(block);
  return m;
});
let queue = Promise.resolve();

// A worker's unhandled rejection reaches no one unless it is passed on.
addEventListener('unhandledrejection', (event) => postMessage({ error: `${event.reason}` }));

// The module reads texts and bytes in its own memory, texts up to a zero byte.
function given(m, fn, ...args) {
  const taken = [];
  try {
    return fn(...args.map((arg) => {
      if (typeof arg !== 'string' && !(arg instanceof Uint8Array)) return arg;
      const bytes = typeof arg === 'string' ? new TextEncoder().encode(arg) : arg;
      const at = m._malloc(bytes.length + 1);
      if (!at) throw new RangeError('no memory left for the file');  // else its bytes would overwrite the module's
      m.HEAPU8.set(bytes, at);
      m.HEAPU8[at + bytes.length] = 0;
      taken.push(at);
      return at;
    }));
  } finally {
    taken.forEach((at) => m._free(at));
  }
}
const call = (m, fn, ...args) => JSON.parse(m.UTF8ToString(given(m, fn, ...args)));

// null when the file cannot be read (gone or unreadable since it was chosen).
async function read(file, most) {
  try {
    return new Uint8Array(await file.slice(0, most).arrayBuffer());
  } catch {
    return null;
  }
}

// Where the walls reach: left, top, right, bottom (x1, y1, x2, y2, kind: five numbers a wall).
function bounds(walls) {
  const reach = [Infinity, Infinity, -Infinity, -Infinity];
  for (let i = 0; i < walls.length; i += 5) {
    reach[0] = Math.min(reach[0], walls[i], walls[i + 2]);
    reach[1] = Math.min(reach[1], walls[i + 1], walls[i + 3]);
    reach[2] = Math.max(reach[2], walls[i], walls[i + 2]);
    reach[3] = Math.max(reach[3], walls[i + 1], walls[i + 3]);
  }
  return reach;
}

// A group file's maps, from its directory alone: its first 16 bytes say how long the directory is.
async function group(m, file, name = file.name) {
  const first = (await read(file, 16)) ?? new Uint8Array();
  const length = given(m, m._tessaro_group_directory_bytes, first, first.length, file.size);
  const directory = (length && (await read(file, length))) || first;
  try {
    return call(m, m._tessaro_group, name, directory, directory.length, file.size);
  } catch {
    // A directory too large for memory is no game's: the group is damaged, as the program says.
    return call(m, m._tessaro_group, name, first, first.length, file.size);
  }
}

// A zip's maps and groups, from its end record and central directory alone.
async function zip(m, file) {
  const tail = await read(file.slice(file.size - m._tessaro_zip_tail_bytes(file.size)));
  if (!tail) return { lines: [`:: Opening ${file.name}...`, '   I/O error'] };
  const end = call(m, m._tessaro_zip, file.name, tail, tail.length, file.size);
  const directory = end.lines ? null : await read(file.slice(end.offset, end.offset + end.bytes));
  if (!directory) return end.lines ? end : { lines: [`:: Opening ${file.name}...`, '   I/O error'] };
  return call(m, m._tessaro_zip_members, file.name, directory, directory.length, end.offset, end.entries);
}

// A zip member's bytes as they unpack: null when the file cannot be read, false when the member is
// not whole (damaged data, more or fewer bytes than stated, another CRC-32).
async function unzip(m, file, member) {
  const header = await read(file.slice(member.offset, member.offset + 30), 30);
  if (!header) return null;
  const at = given(m, m._tessaro_zip_data, header, header.length, member.offset, member.packed, file.size);
  if (!at) return false;
  let stream = file.slice(at, at + member.packed).stream();
  if (member.deflated) stream = stream.pipeThrough(new DecompressionStream('deflate-raw'));
  const reader = stream.getReader();
  let bytes, got = 0, crc = 0;
  try {
    // One byte more than stated is enough to know the member is longer.
    bytes = new Uint8Array(member.size + 1);
    for (let part; got < bytes.length && !(part = await reader.read()).done; got += part.value.length) {
      bytes.set(part.value.subarray(0, bytes.length - got), got);
    }
    reader.cancel().catch(() => {});
  } catch {
    return false;  // damaged deflate data, or a size no memory holds
  }
  // In pieces, so that the module's memory need not hold a whole group.
  for (let at = 0; got === member.size && at < got; at += kPiece) {
    const piece = bytes.subarray(at, Math.min(got, at + kPiece));
    crc = given(m, m._tessaro_crc32, piece, piece.length, crc);
  }
  return got === member.size && crc === member.crc && bytes.subarray(0, got);
}

// The maps of a group file inside a zip: the group unpacked whole, at most its size in memory.
async function unzipGroup(m, file, member) {
  const bytes = await unzip(m, file, member);
  if (!bytes) return call(m, m._tessaro_damaged, member.title);
  const blob = new Blob([bytes]);
  return { ...(await group(m, blob, member.title)), blob };
}

// {script, withScript} starts a run; {group} or {zip} lists an archive's maps, {unzip, member} those
// of a group inside a zip; {map, target, member} converts one map of the run: a file, or a member of
// an archive from its own bytes only.
async function answer({ id, script, withScript, group: grouped, zip: zipped, unzip: holder, map, target, member }) {
  const m = await tessaro;
  if (grouped) return postMessage({ id, ...(await group(m, grouped)) });
  if (zipped) return postMessage({ id, ...(await zip(m, zipped)) });
  if (holder) return postMessage({ id, ...(await unzipGroup(m, holder, member)) });
  if (!map) {
    // As in the program, a script that cannot be read leaves every tile as it is.
    const bytes = (script && (await read(script, kScriptBytes))) || new Uint8Array();
    const started = call(m, m._tessaro_start, script?.name ?? '', bytes, bytes.length, withScript ? 1 : 0);
    return postMessage({ id, lines: started.lines });
  }
  const title = member?.title ?? map.name, size = member?.size ?? map.size;
  const bytes = member?.zipped ? await unzip(m, map, member)
                               : await read(member ? map.slice(member.offset, member.offset + size) : map, kMapBytes);
  if (!bytes) {
    const report = bytes === false ? call(m, m._tessaro_damaged, title) : { lines: [`:: Opening ${title}...`, '   I/O error'] };
    return postMessage({ id, report });
  }
  const report = call(m, m._tessaro_convert, title, bytes, bytes.length, target, size);
  const at = m._tessaro_output(), start = m._tessaro_walls() >> 2, marked = m._tessaro_marks() >> 2;
  const output = m.HEAPU8.slice(at, at + m._tessaro_output_size()).buffer;
  const walls = m.HEAP32.slice(start, start + 5 * m._tessaro_wall_count());
  const marks = m.HEAP32.slice(marked, marked + 3 * m._tessaro_mark_count());
  postMessage({ id, report, output, walls, marks, bounds: bounds(walls) }, [output, walls.buffer, marks.buffer]);
}

onmessage = ({ data }) => {
  queue = queue.then(() => answer(data)).catch((error) => postMessage({ id: data.id, error: `${error}` }));
};
