// What every section of the page does with its elements. Nothing from a file or a box is ever
// inserted as HTML: texts go in as text.
export const $ = (id) => document.getElementById(id);

export function say(element, text, problem = false) {
  element.textContent = text;
  element.classList.toggle('problem', problem);
}

// A box as tall as its text, so that a long uppercase amount is never cut off on a phone.
export function fit(box) {
  box.style.height = 'auto';
  box.style.height = `${box.scrollHeight + box.offsetHeight - box.clientHeight}px`;
}
