// The game's map folder lives in the browser's IndexedDB, so that saves
// survive a reload; what it holds is read back before the game starts.
Module['preRun'] = [].concat(Module['preRun'] || [], function () {
  FS.mkdir('/map');
  FS.mount(IDBFS, {}, '/map');
  addRunDependency('saves');
  FS.syncfs(true, function (error) {
    if (error) console.warn('GAMEVRAK: saves not read back:', error);
    removeRunDependency('saves');
  });
});
