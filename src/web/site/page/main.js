// The page: open a file, choose, run, read, plot, download. Every analysis,
// every check of the input and every message comes from the core through
// window.zeltric; the page only gathers the request and shows the answer.
// Its parts: state (what it holds, the requests), controls (setup, run,
// tabs), plot, downloads (outputs and figure files), with seeds and texts
// as plain logic.

import { applyLimits, loadSeeds, wireControls } from './controls.js';
import { setStatus } from './dom.js';
import { wireDownloads } from './downloads.js';
import { wirePlot } from './plot.js';
import { wireStatistics } from './statistics.js';
import { createState } from './state.js';

const state = createState();
wireControls(state);
wirePlot(state);
wireDownloads(state);
wireStatistics(state);

// The seeds need the core's ranges, so they are shown with the ready status.
Promise.all([window.zeltric.ready, window.zeltric.limits]).then(
  ([version, limits]) => {
    applyLimits(state, limits);
    loadSeeds(state);
    setStatus('ZELTRIC ' + version + ' is ready; nothing you analyse leaves this computer.');
  },
  (error) => setStatus('The analysis module could not be loaded: ' + error.message),
);
