// The worker that owns the core. A run writes the given files into a fresh
// folder of the in-memory file system, drives the same steps as zeltric-cli
// there, and hands back every file the run created or changed. Between
// batches of randomisations it returns to its event loop, so progress goes
// out and a cancel message is seen.
'use strict';
// The module, and the SHA-256 library its run record uses.
importScripts('sha256.min.js', 'zeltric-core.js');

// About this long per batch: short enough for a responsive Cancel, long
// enough that the return to the event loop costs little.
const BATCH_MILLISECONDS = 30;

let core = null;
let cancelRequested = false;
let runNumber = 0;
let queue = Promise.resolve();
let reportProgress = null;

// Loads a fresh module; a run that trapped (an internal error) leaves its
// module behind and the next run gets a new one.
function loadCore() {
  core = null;
  return createZeltricCore({
    locateFile: (name) => new URL(name, self.location.href).href,
    print: () => {},
    printErr: (text) => console.warn(text),
    zeltricProgress: (stage, done, total) => { if (reportProgress) reportProgress(stage, done, total); },
  }).then((module) => {
    core = module;
    self.postMessage({ type: 'ready', version: core.UTF8ToString(core._zeltric_version()) });
  }, (error) => {
    self.postMessage({ type: 'failed', error: String(error && error.message ? error.message : error) });
  });
}
let loading = loadCore();

self.onmessage = (event) => {
  const message = event.data;
  if (message.type === 'cancel') {
    cancelRequested = true;
    if (core) core._zeltric_cancel();
  } else if (message.type === 'run') {
    queue = queue.then(() => runOne(message.id, message.request));
  } else if (message.type === 'summary') {
    queue = queue.then(() => summaryOne(message.id, message.request));
  } else if (message.type === 'figure') {
    queue = queue.then(() => figureOne(message.id, message.request));
  }
};

// A message to itself returns to the event loop without the few milliseconds
// that nested timers are held back.
const yieldChannel = new MessageChannel();
const yieldWaiters = [];
yieldChannel.port1.onmessage = () => { const resolve = yieldWaiters.shift(); if (resolve) resolve(); };
const yieldToEvents = () => new Promise((resolve) => { yieldWaiters.push(resolve); yieldChannel.port2.postMessage(0); });

// The command line zeltric-cli would be given for this request.
function commandLine(request) {
  const args = ['zeltric-cli', '--quiet'];
  const add = (option, value) => {
    if (value === undefined || value === null || value === '') return;
    args.push(option, Array.isArray(value) ? value.join(',') : String(value));
  };
  add('--format', request.format);
  add('--labels', request.labels);
  add('--loci', request.loci);
  add('--pops', request.pops);
  add('--test', request.test);
  add('--seeds', request.seeds);
  add('--bootstrap', request.bootstrap);
  add('--bootstrap-seeds', request.bootstrapSeeds);
  // A name that starts with a dash is still the data file, not an option.
  const data = String(request.data);
  args.push(data.startsWith('-') ? './' + data : data);
  return args;
}

function checkRequest(request) {
  if (!request || typeof request !== 'object') return 'the request is not an object';
  const files = request.files;
  if (!files || typeof files !== 'object') return 'the request has no files';
  for (const [name, bytes] of Object.entries(files)) {
    if (!/^[^/\\]+$/.test(name) || name === '.' || name === '..')
      return 'the file name "' + name + '" is not a plain file name';
    if (!(bytes instanceof Uint8Array)) return 'the file "' + name + '" is not a Uint8Array';
  }
  if (typeof request.data !== 'string' || !(request.data in files))
    return 'the data file "' + request.data + '" is not among the files';
  if (typeof request.labels === 'string' && !(request.labels in files))
    return 'the label file "' + request.labels + '" is not among the files';
  return null;
}

function sameBytes(a, b) {
  if (a.length !== b.length) return false;
  for (let i = 0; i < a.length; ++i) if (a[i] !== b[i]) return false;
  return true;
}

async function runOne(id, request) {
  await loading;
  const result = { outputs: {}, record: null, messages: [], error: null, status: 0 };
  if (!core) {
    result.error = 'The analysis module could not be loaded.';
    result.status = 3;
    self.postMessage({ type: 'done', id, result });
    return;
  }
  const problem = checkRequest(request);
  if (problem) {
    result.error = problem;
    result.status = 2;
    self.postMessage({ type: 'done', id, result });
    return;
  }
  cancelRequested = false;
  const FS = core.FS;
  // Every run in the same folder (emptied after each), so a run record names
  // the files as /files/NAME.
  const folder = '/files';
  ++runNumber;
  FS.mkdirTree(folder);
  for (const [name, bytes] of Object.entries(request.files)) FS.writeFile(folder + '/' + name, bytes);
  FS.chdir(folder);

  let lastPost = 0;
  reportProgress = (stage, done, total) => {
    const now = performance.now();
    if (done < total && now - lastPost < 50) return;
    lastPost = now;
    self.postMessage({ type: 'progress', id, progress: { stage: stage === 1 ? 'bootstrap' : 'test', done, total } });
  };

  const args = commandLine(request);
  try {
    let more = callWithArguments(args);
    let batch = 1;
    while (more) {
      await yieldToEvents();
      if (cancelRequested) core._zeltric_cancel();
      const started = performance.now();
      more = core._zeltric_advance(batch) !== 0;
      const spent = performance.now() - started;
      // Aim each batch at about BATCH_MILLISECONDS from the last one's pace.
      batch = Math.max(1, Math.min(1 << 20, Math.round(batch * BATCH_MILLISECONDS / Math.max(spent, 1))));
    }
    result.status = core._zeltric_status();
    const error = core.UTF8ToString(core._zeltric_error());
    if (error) result.error = error;
    const messageCount = core._zeltric_message_count();
    for (let i = 0; i < messageCount; ++i) result.messages.push(core.UTF8ToString(core._zeltric_message(i)));
    collectOutputs(FS, folder, request.files, result);
  } catch (e) {
    result.error = 'internal error: ' + (e && e.message ? e.message : String(e));
    result.status = 3;
    loading = loadCore();
  } finally {
    reportProgress = null;
    try {
      FS.chdir('/');
      removeTree(FS, folder);
    } catch (e) {
      // The module is being replaced; its file system goes with it.
    }
  }
  const transfer = Object.values(result.outputs).map((bytes) => bytes.buffer);
  self.postMessage({ type: 'done', id, result }, transfer);
}

// argv in the module's memory for zeltric_begin (or another call given).
function callWithArguments(args, call) {
  const pointers = args.map((text) => {
    const size = core.lengthBytesUTF8(text) + 1;
    const pointer = core._malloc(size);
    core.stringToUTF8(text, pointer, size);
    return pointer;
  });
  const argv = core._malloc(4 * (pointers.length + 1));
  pointers.forEach((pointer, i) => core.setValue(argv + 4 * i, pointer, 'i32'));
  core.setValue(argv + 4 * pointers.length, 0, 'i32');
  try {
    if (call) return call(pointers.length, argv);
    return core._zeltric_begin(pointers.length, argv) !== 0;
  } finally {
    pointers.forEach((pointer) => core._free(pointer));
    core._free(argv);
  }
}

// Every file the run created, and every given file it changed.
function collectOutputs(FS, folder, inputs, result) {
  for (const name of FS.readdir(folder)) {
    if (name === '.' || name === '..') continue;
    const path = folder + '/' + name;
    if (!FS.isFile(FS.stat(path).mode)) continue;
    const bytes = FS.readFile(path);
    if (name in inputs && sameBytes(bytes, inputs[name])) continue;
    result.outputs[name] = bytes;
  }
  const recordName = core.UTF8ToString(core._zeltric_record_name());
  if (recordName && recordName in result.outputs) {
    try {
      result.record = JSON.parse(new TextDecoder().decode(result.outputs[recordName]));
    } catch (e) {
      result.record = null;
    }
  }
}

function removeTree(FS, path) {
  for (const name of FS.readdir(path)) {
    if (name === '.' || name === '..') continue;
    const child = path + '/' + name;
    if (FS.isDir(FS.stat(child).mode)) removeTree(FS, child);
    else FS.unlink(child);
  }
  FS.rmdir(path);
}

// The open summary: the files in a folder of their own, the core's account
// of them as JSON, the folder removed again.
async function summaryOne(id, request) {
  await loading;
  let result;
  const problem = core ? checkRequest(request) : 'The analysis module could not be loaded.';
  if (problem) {
    result = { error: problem };
  } else {
    const FS = core.FS;
    const folder = '/files';
    FS.mkdirTree(folder);
    try {
      for (const [name, bytes] of Object.entries(request.files)) FS.writeFile(folder + '/' + name, bytes);
      FS.chdir(folder);
      result = JSON.parse(callWithArguments(commandLine(request), (n, argv) => core.UTF8ToString(core._zeltric_open_summary(n, argv))));
    } catch (e) {
      result = { error: 'internal error: ' + (e && e.message ? e.message : String(e)) };
      loading = loadCore();
    } finally {
      try {
        FS.chdir('/');
        removeTree(FS, folder);
      } catch (e) {
        // The module is being replaced; its file system goes with it.
      }
    }
  }
  self.postMessage({ type: 'done', id, result });
}

// The last run's figure of two axes (JSON from the core).
async function figureOne(id, request) {
  await loading;
  let result;
  if (!core) {
    result = { error: 'The analysis module could not be loaded.' };
  } else {
    const colours = (request.colours || []).join(',');
    const size = core.lengthBytesUTF8(colours) + 1;
    const pointer = core._malloc(size);
    core.stringToUTF8(colours, pointer, size);
    try {
      result = JSON.parse(core.UTF8ToString(core._zeltric_figure(request.x | 0, request.y | 0, pointer)));
    } catch (e) {
      result = { error: 'internal error: ' + (e && e.message ? e.message : String(e)) };
    } finally {
      core._free(pointer);
    }
  }
  self.postMessage({ type: 'done', id, result });
}
