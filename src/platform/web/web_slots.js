// The saved files of the browser build (map/N.mainmap...), kept outside the
// file system as their non-zero stretches only: the route file is 144 MB,
// mostly zeros, and the file system would hold each one whole. web_files.cpp
// writes and reads them here; the game's page stores them (web_pre.js), the
// replay page hashes them.
Module.slotFiles = (() => {
  // Zeros are dropped in blocks of this many bytes.
  const BLOCK = 512;
  const files = new Map(); // name -> {size, runs: [{offset, bytes}, ...] ascending}
  const writing = new Map();

  // bytes (which may be a view of the wasm heap: only copies are kept) go at the end of the file.
  const append = (file, bytes) => {
    const words = new Uint32Array(bytes.buffer, bytes.byteOffset, bytes.byteOffset % 4 ? 0 : bytes.length >> 2);
    const zero = start => {
      const end = Math.min(start + BLOCK, bytes.length);
      let at = start;
      if (words.length)
        for (const last = Math.min(end, words.length * 4) >> 2; at < last * 4; at += 4)
          if (words[at >> 2]) return false;
      for (; at < end; ++at)
        if (bytes[at]) return false;
      return true;
    };
    let run = -1;
    for (let start = 0; run >= 0 || start < bytes.length; start += BLOCK) {
      const keep = start < bytes.length && !zero(start);
      if (keep && run < 0) run = start;
      if (!keep && run >= 0) {
        const end = Math.min(start, bytes.length);
        file.runs.push({offset: file.size + run, bytes: bytes.slice(run, end)});
        run = -1;
      }
    }
    file.size += bytes.length;
  };

  // The stored form: the size, the count of runs, each run's offset and length
  // (32-bit little-endian words), then the runs' bytes.
  const encode = file => {
    const head = 8 + 8 * file.runs.length;
    const out = new Uint8Array(file.runs.reduce((n, r) => n + r.bytes.length, head));
    const view = new DataView(out.buffer);
    view.setUint32(0, file.size, true);
    view.setUint32(4, file.runs.length, true);
    let at = head;
    file.runs.forEach((r, i) => {
      view.setUint32(8 + 8 * i, r.offset, true);
      view.setUint32(12 + 8 * i, r.bytes.length, true);
      out.set(r.bytes, at);
      at += r.bytes.length;
    });
    return out;
  };

  // Throws on anything encode would not have made.
  const decode = data => {
    const view = new DataView(data.buffer, data.byteOffset, data.length);
    if (data.length < 8) throw new Error('cut short');
    const size = view.getUint32(0, true);
    const count = view.getUint32(4, true);
    if (8 + 8 * count > data.length) throw new Error('cut short');
    const runs = [];
    let at = 8 + 8 * count;
    for (let i = 0, end = 0; i < count; ++i) {
      const offset = view.getUint32(8 + 8 * i, true);
      const length = view.getUint32(12 + 8 * i, true);
      if (offset < end || offset + length > size || at + length > data.length) throw new Error('damaged');
      runs.push({offset, bytes: data.subarray(at, at + length)});
      end = offset + length;
      at += length;
    }
    if (at !== data.length) throw new Error('damaged');
    return {size, runs};
  };

  // Bytes [from, from + length) of the file into target, zeros between the runs.
  const read = (file, from, target) => {
    const end = Math.min(file.size, from + target.length);
    if (from >= end) return 0;
    target.fill(0, 0, end - from);
    let low = 0;
    for (let high = file.runs.length; low < high;) {
      const middle = (low + high) >> 1;
      const r = file.runs[middle];
      if (r.offset + r.bytes.length <= from) low = middle + 1;
      else high = middle;
    }
    for (let i = low; i < file.runs.length && file.runs[i].offset < end; ++i) {
      const r = file.runs[i];
      const a = Math.max(from, r.offset);
      target.set(r.bytes.subarray(a - r.offset, Math.min(end, r.offset + r.bytes.length) - r.offset), a - from);
    }
    return end - from;
  };

  const whole = file => {
    const out = new Uint8Array(file.size);
    read(file, 0, out);
    return out;
  };

  const fromBytes = bytes => {
    const file = {size: 0, runs: []};
    append(file, bytes);
    return file;
  };

  const gzip = (data, format) => new Response(new Blob([data]).stream().pipeThrough(format)).blob();
  const pack = file => gzip(encode(file), new CompressionStream('gzip'));
  const unpack = async blob =>
    decode(new Uint8Array(await new Response(blob.stream().pipeThrough(new DecompressionStream('gzip'))).arrayBuffer()));

  return {
    files, encode, decode, read, whole, fromBytes, pack, unpack,
    begin: id => writing.set(id, {size: 0, runs: []}),
    add: (id, bytes) => append(writing.get(id), bytes),
    finish: (id, name) => {
      files.set(name, writing.get(id));
      writing.delete(id);
    },
    // A file read by a load is dropped once read where the page stores its files.
    closed: name => {
      if (Module.slotFiles.forgetAfterUse) files.delete(name);
    },
    rename: (from, to) => {
      if (!files.has(from)) return false;
      files.set(to, files.get(from));
      files.delete(from);
      return true;
    },
  };
})();
