// window.zeltric: the page's and automation's handle on the core, which runs
// in a Web Worker so that a long test never freezes the page.
//
//   zeltric.run({files: {NAME: Uint8Array, ...}, data: NAME, labels, loci, pops,
//                test, seeds, bootstrap, bootstrapSeeds}, onProgress)
//     -> Promise<{outputs: {NAME: Uint8Array, ...}, record, messages, error, status}>
//   zeltric.cancel()   stops a running test; the promise still resolves with
//                      what was written up to then.
//   zeltric.ready      a promise of the core's version once the module loaded.
//   zeltric.limits     a promise of the core's ranges: {minRandomisations,
//                      maxRandomisations, minReplicates, maxReplicates,
//                      seed1Max, seed2Max}.
//   zeltric.summary({files, data, labels, format})  what the core reads of the
//                      data file: samples, loci, individuals, alleles, names.
//   zeltric.figure({x, y, colours})  the last run's figure of two axes: the
//                      points, the figure's titles, each axis's range and
//                      ticks ({lo, hi, ticks: [{value, text}]}) and its SVG.
//   zeltric.place({frame, radius, gap, labels: [{x, y, width, height}]})
//                      the figure layer's places of the plot's labels:
//                      [{kind: near|leader|omitted, box, start, end}].
(function () {
  'use strict';
  const here = document.currentScript ? document.currentScript.src : window.location.href;
  const worker = new Worker(new URL('zeltric-worker.js', here));
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

  worker.onmessage = (event) => {
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
  worker.onerror = (event) => {
    const error = new Error('the worker stopped: ' + (event.message || 'unknown error'));
    failed(error);
    for (const job of pending.values()) job.reject(error);
    pending.clear();
  };

  function run(request, onProgress) {
    return new Promise((resolve, reject) => {
      const id = nextId++;
      pending.set(id, { resolve, reject, onProgress });
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
    worker.postMessage({ type: 'cancel' });
  }

  window.zeltric = Object.freeze({ run, cancel, ready, limits, summary, figure, place });
})();
