// The help page states the core's ranges: each element with data-limit="NAME"
// shows window.zeltric.limits[NAME].

window.zeltric.limits.then(
  (limits) => {
    for (const element of document.querySelectorAll('[data-limit]'))
      element.textContent = String(limits[element.dataset.limit]);
  },
  () => {
    // Without the module the help reads on with its placeholders.
  },
);
