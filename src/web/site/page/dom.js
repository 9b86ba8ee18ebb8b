// The few DOM helpers every part of the page uses.

export const $ = (id) => document.getElementById(id);

// The message box above the results; empty text hides it.
export function showError(text) {
  const box = $('error');
  box.textContent = text || '';
  box.hidden = !text;
}

export function setStatus(text) {
  $('status').textContent = text;
}

// One list item per text.
export function fillList(list, texts) {
  list.textContent = '';
  for (const text of texts) list.appendChild(document.createElement('li')).textContent = text;
}
