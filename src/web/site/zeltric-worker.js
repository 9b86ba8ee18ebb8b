// The worker that owns the core. A run writes the given files into a fresh
// folder of the in-memory file system, drives the same steps as zeltric-cli
// there, and hands back every file the run created or changed. Between
// batches of randomisations it returns to its event loop, so progress goes
// out and a cancel message is seen.
'use strict';
// The module, the SHA-256 library its run record uses, and the checks and
// command lines of the requests.
importScripts('sha256.min.js', 'zeltric-core.js', 'worker-request.js');

// About this long per batch: short enough for a responsive Cancel, long
// enough that the return to the event loop costs little.
const BATCH_MILLISECONDS = 30;

// Every request's files go into this folder of the module's file system
// (emptied after each), so a run record names them as /files/NAME.
const FOLDER = '/files';

let core = null;
let cancelRequested = false;
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
    zeltricProgress: (stage, done, total) => {
      if (reportProgress) reportProgress(stage, done, total);
    },
  }).then(
    (module) => {
      core = module;
      const limits = JSON.parse(core.UTF8ToString(core._zeltric_limits()));
      self.postMessage({ type: 'ready', version: core.UTF8ToString(core._zeltric_version()), limits });
    },
    (error) => {
      self.postMessage({ type: 'failed', error: String(error && error.message ? error.message : error) });
    },
  );
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
  } else if (message.type === 'place') {
    queue = queue.then(() => placeOne(message.id, message.request));
  }
};

// A message to itself returns to the event loop without the few milliseconds
// that nested timers are held back.
const yieldChannel = new MessageChannel();
const yieldWaiters = [];
yieldChannel.port1.onmessage = () => {
  const resolve = yieldWaiters.shift();
  if (resolve) resolve();
};
const yieldToEvents = () =>
  new Promise((resolve) => {
    yieldWaiters.push(resolve);
    yieldChannel.port2.postMessage(0);
  });

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
  let lastPost = 0;
  reportProgress = (stage, done, total) => {
    const now = performance.now();
    if (done < total && now - lastPost < 50) return;
    lastPost = now;
    self.postMessage({ type: 'progress', id, progress: { stage: stage === 1 ? 'bootstrap' : 'test', done, total } });
  };
  try {
    await inFolder(request.files, async () => {
      let more = callWithArguments(commandLine(request));
      let batch = 1;
      while (more) {
        await yieldToEvents();
        if (cancelRequested) core._zeltric_cancel();
        const started = performance.now();
        more = core._zeltric_advance(batch) !== 0;
        const spent = performance.now() - started;
        // Aim each batch at about BATCH_MILLISECONDS from the last one's pace.
        batch = Math.max(1, Math.min(1 << 20, Math.round((batch * BATCH_MILLISECONDS) / Math.max(spent, 1))));
      }
      result.status = core._zeltric_status();
      const error = core.UTF8ToString(core._zeltric_error());
      if (error) result.error = error;
      const messageCount = core._zeltric_message_count();
      for (let i = 0; i < messageCount; ++i) result.messages.push(core.UTF8ToString(core._zeltric_message(i)));
      collectOutputs(request.files, result);
    });
  } catch (e) {
    result.error = internalError(e);
    result.status = 3;
  } finally {
    reportProgress = null;
  }
  const transfer = Object.values(result.outputs).map((bytes) => bytes.buffer);
  self.postMessage({ type: 'done', id, result }, transfer);
}

// Writes `files` into FOLDER, runs `action` there and removes the folder
// again. A fault of the module (a trap) throws out of here and the next
// request gets a new module.
async function inFolder(files, action) {
  const FS = core.FS;
  FS.mkdirTree(FOLDER);
  try {
    for (const [name, bytes] of Object.entries(files)) FS.writeFile(FOLDER + '/' + name, bytes);
    FS.chdir(FOLDER);
    return await action();
  } catch (e) {
    loading = loadCore();
    throw e;
  } finally {
    try {
      FS.chdir('/');
      removeTree(FS, FOLDER);
    } catch (e) {
      // The module is being replaced; its file system goes with it.
    }
  }
}

function internalError(e) {
  return 'internal error: ' + (e && e.message ? e.message : String(e));
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
function collectOutputs(inputs, result) {
  const FS = core.FS;
  for (const name of FS.readdir(FOLDER)) {
    if (name === '.' || name === '..') continue;
    const path = FOLDER + '/' + name;
    if (!FS.isFile(FS.stat(path).mode)) continue;
    const bytes = FS.readFile(path);
    if (Object.hasOwn(inputs, name) && sameBytes(bytes, inputs[name])) continue;
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
    try {
      result = await inFolder(request.files, () =>
        JSON.parse(
          callWithArguments(commandLine(request), (n, argv) => core.UTF8ToString(core._zeltric_open_summary(n, argv))),
        ),
      );
    } catch (e) {
      result = { error: internalError(e) };
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
      result = JSON.parse(
        core.UTF8ToString(core._zeltric_figure(request.x | 0, request.y | 0, pointer, request.intervals ? 1 : 0)),
      );
    } catch (e) {
      result = { error: internalError(e) };
    } finally {
      core._free(pointer);
    }
  }
  self.postMessage({ type: 'done', id, result });
}

// The figure layer's placement of the plot's labels (JSON in and out).
async function placeOne(id, request) {
  await loading;
  let result;
  if (!core) {
    result = { error: 'The analysis module could not be loaded.' };
  } else {
    const text = JSON.stringify(request);
    const size = core.lengthBytesUTF8(text) + 1;
    const pointer = core._malloc(size);
    core.stringToUTF8(text, pointer, size);
    try {
      result = JSON.parse(core.UTF8ToString(core._zeltric_place_labels(pointer)));
    } catch (e) {
      result = { error: internalError(e) };
    } finally {
      core._free(pointer);
    }
  }
  self.postMessage({ type: 'done', id, result });
}
