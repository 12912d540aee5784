// The game's saves live in the browser's IndexedDB, each file gzipped in its
// stored form (web_slots.js) so that the browser keeps them on disk rather than
// in the page, which reads a file back only when the game loads it. A slot
// also travels as one file: a header and its five files in that form.
(() => {
  const slots = Module.slotFiles;
  // Each file of a slot and its size, in the order of an exported slot. (The
  // emscripten here minifies destructuring in a for-of wrongly: none in this file.)
  const SLOT_FILES = [{extension: 'mainmap', size: 3145728}, {extension: 'flagmap', size: 3145728},
    {extension: 'unit', size: 570000}, {extension: 'pathfind', size: 144024000}, {extension: 'variables', size: 16}];
  const MAGIC = new TextEncoder().encode('GAMEVRAK slot\n');
  const word = n => {
    const bytes = new Uint8Array(4);
    new DataView(bytes.buffer).setUint32(0, n, true);
    return bytes;
  };

  const request = r => new Promise((resolve, reject) => {
    r.onsuccess = () => resolve(r.result);
    r.onerror = () => reject(r.error);
  });
  let opened = null;
  const database = () => {
    if (opened) return opened;
    const r = indexedDB.open('gamevrak', 1);
    r.onupgradeneeded = () => r.result.createObjectStore('files');
    return (opened = request(r));
  };
  const transaction = async (mode, work) => {
    const t = (await database()).transaction('files', mode);
    const done = new Promise((resolve, reject) => {
      t.oncomplete = resolve;
      t.onerror = t.onabort = () => reject(t.error);
    });
    const result = await work(t.objectStore('files'));
    await done;
    return result;
  };

  // The page holds a saved file only from its writing to its storing, or for
  // the time a load reads it.
  slots.forgetAfterUse = true;
  // Called by the game once a file has taken its final name.
  Module.keepSlotFile = async name => {
    try {
      const blob = await slots.pack(slots.files.get(name));
      await transaction('readwrite', store => store.put(blob, name));
    } catch (error) {
      console.warn('GAMEVRAK: ' + name + ' not stored:', error);
    }
    slots.files.delete(name);
    Module.savesStored = (Module.savesStored || 0) + 1;
  };

  // Called by the game before it reads a file of the map folder.
  Module.fetchSlotFile = async name => {
    try {
      const blob = await transaction('readonly', store => request(store.get(name)));
      if (blob) slots.files.set(name, await slots.unpack(blob));
    } catch (error) {
      console.warn('GAMEVRAK: ' + name + ' not read back:', error);
    }
  };

  Module.exportSlot = async slot => {
    const names = SLOT_FILES.map(f => slot + '.' + f.extension);
    const blobs = await transaction('readonly', store => Promise.all(names.map(name => request(store.get(name)))));
    if (blobs.some(blob => !blob)) throw new Error('slot ' + slot + ' holds no save');
    return new Blob([MAGIC, ...blobs.flatMap(blob => [word(blob.size), blob])]);
  };

  // Checks the whole file before the slot changes, then replaces its five files at once.
  Module.importSlot = async (slot, file) => {
    const data = new Uint8Array(await file.arrayBuffer());
    const view = new DataView(data.buffer);
    if (data.length < MAGIC.length || MAGIC.some((byte, i) => data[i] !== byte)) throw new Error('not a GAMEVRAK slot');
    const parts = [];
    let at = MAGIC.length;
    for (const f of SLOT_FILES) {
      const extension = f.extension;
      const length = at + 4 <= data.length ? view.getUint32(at, true) : -1;
      if (length < 0 || at + 4 + length > data.length) throw new Error('cut short in its ' + extension + ' file');
      const blob = new Blob([data.subarray(at + 4, at + 4 + length)]);
      let file;
      try {
        file = await slots.unpack(blob);
      } catch (error) {
        throw new Error('its ' + extension + ' file is damaged');
      }
      if (file.size !== f.size) throw new Error('its ' + extension + ' file has ' + file.size + ' bytes, not ' + f.size);
      parts.push({name: slot + '.' + extension, blob, file});
      at += 4 + length;
    }
    if (at !== data.length) throw new Error('more than a slot');
    await transaction('readwrite', store => parts.forEach(part => store.put(part.blob, part.name)));
  };

  // The saves of the builds that kept the whole map folder in IndexedDB
  // (Emscripten's IDBFS) move over once, a file at a time.
  const moveOldSaves = async () => {
    if (!indexedDB.databases || !(await indexedDB.databases()).some(d => d.name === '/map')) return;
    const old = await request(indexedDB.open('/map'));
    const files = () => old.transaction('FILE_DATA').objectStore('FILE_DATA');
    const keys = old.objectStoreNames.contains('FILE_DATA') ? await request(files().getAllKeys()) : [];
    for (const key of keys) {
      const name = String(key).replace(/^\/map\//, '');
      const entry = /^[12]\.[a-z]+$/.test(name) ? await request(files().get(key)) : null;
      if (!entry || !entry.contents) continue;
      const blob = await slots.pack(slots.fromBytes(entry.contents));
      await transaction('readwrite', store => store.put(blob, name));
    }
    old.close();
    await request(indexedDB.deleteDatabase('/map'));
  };

  Module.preRun = [].concat(Module.preRun || [], () => {
    FS.mkdir('/map');
    addRunDependency('old saves');
    moveOldSaves()
      .catch(error => console.warn('GAMEVRAK: older saves not moved:', error))
      .finally(() => removeRunDependency('old saves'));
  });
})();
