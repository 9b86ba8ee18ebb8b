// window.zeltric: the page's and automation's handle on the core, which runs
// in a Web Worker so that a long test never freezes the page.
//
//   zeltric.run({files: {NAME: Uint8Array, ...}, data: NAME, labels, loci, pops,
//                test, seeds, bootstrap, bootstrapSeeds, tables}, onProgress)
//     -> Promise<{outputs: {NAME: Uint8Array, ...}, record, messages, error, status}>
//   zeltric.cancel()   stops a running test; the promise still resolves with
//                      what was written up to then. Before a test or
//                      bootstrap has started (the observed analysis runs
//                      in one piece) the run is abandoned at once: the
//                      worker is replaced, and the promise resolves with
//                      {outputs: {}, abandoned: true}.
//   zeltric.ready      a promise of the core's version once the module loaded.
//   zeltric.limits     a promise of the core's ranges: {minRandomisations,
//                      maxRandomisations, minReplicates, maxReplicates,
//                      seed1Max, seed2Max}.
//   zeltric.summary({files, data, labels, format})  what the core reads of the
//                      data file: samples, loci, individuals, alleles, names.
//   zeltric.figure({x, y, colours, intervals})  the last run's figure of two
//                      axes (the bootstrap's intervals in its titles only
//                      with intervals: true): the
//                      points, the figure's titles, each axis's range and
//                      ticks ({lo, hi, ticks: [{value, text}]}) and its SVG.
//   zeltric.place({frame, radius, gap, labels: [{x, y, width, height}]})
//                      the figure layer's places of the plot's labels:
//                      [{kind: near|leader|omitted, box, start, end}].
(function () {
  'use strict';
  const here = document.currentScript ? document.currentScript.src : window.location.href;
  const pending = new Map();
  let nextId = 1;
  let readyResolve, readyReject, limitsResolve, limitsReject;
  const ready = new Promise((resolve, reject) => {
    readyResolve = resolve;
    readyReject = reject;
  });
  const limits = new Promise((resolve, reject) => {
    limitsResolve = resolve;
    limitsReject = reject;
  });
  const failed = (error) => {
    readyReject(error);
    limitsReject(error);
  };

  function startWorker() {
    const started = new Worker(new URL('zeltric-worker.js', here));
    started.onmessage = (event) => {
      const message = event.data;
      if (message.type === 'ready') {
        readyResolve(message.version);
        limitsResolve(message.limits);
        return;
      }
      if (message.type === 'failed') {
        failed(new Error(message.error));
        return;
      }
      const job = pending.get(message.id);
      if (!job) return;
      if (message.type === 'progress') {
        job.progressed = true;
        if (job.onProgress) {
          try {
            job.onProgress(message.progress);
          } catch (e) {
            console.error(e);
          }
        }
      } else if (message.type === 'done') {
        pending.delete(message.id);
        job.resolve(message.result);
      }
    };
    started.onerror = (event) => {
      const error = new Error('the worker stopped: ' + (event.message || 'unknown error'));
      failed(error);
      for (const job of pending.values()) job.reject(error);
      pending.clear();
    };
    return started;
  }
  let worker = startWorker();

  function run(request, onProgress) {
    return new Promise((resolve, reject) => {
      const id = nextId++;
      pending.set(id, { resolve, reject, onProgress, run: true, progressed: false });
      worker.postMessage({ type: 'run', id, request });
    });
  }

  // What the core reads from a request's files before any run:
  // {samples, loci, individuals, alleles, sampleNames, ...} or {error}.
  function summary(request) {
    return call('summary', request);
  }

  // The last run's figure of axes x and y:
  // {samples, title, xTitle, yTitle, xScale, yScale, axes, svg} or {error}.
  function figure(request) {
    return call('figure', request);
  }

  // The figure layer's placement of labels beside their markers.
  function place(request) {
    return call('place', request);
  }

  function call(type, request) {
    return new Promise((resolve, reject) => {
      const id = nextId++;
      pending.set(id, { resolve, reject });
      worker.postMessage({ type, id, request });
    });
  }

  function cancel() {
    const running = [...pending.values()].find((job) => job.run);
    if (!running || running.progressed) {
      worker.postMessage({ type: 'cancel' });
      return;
    }
    // The observed analysis does not return until it is done: the worker
    // goes, with every request it held, and a fresh one takes its place.
    worker.terminate();
    worker = startWorker();
    for (const job of pending.values())
      job.resolve(
        job.run
          ? { outputs: {}, record: null, messages: [], error: null, status: 0, abandoned: true }
          : { error: 'The request was cancelled.' },
      );
    pending.clear();
  }

  window.zeltric = Object.freeze({ run, cancel, ready, limits, summary, figure, place });
})();
