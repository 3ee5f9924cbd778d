'use strict';
// Runs before anything else: every uncaught error and unhandled rejection, the page's and (passed
// on through reportError) its worker's, is shown on the page, where any browser's user sees it.
(() => {
  const show = (text) => {
    const list = document.getElementById('errors');
    if (!list) return addEventListener('DOMContentLoaded', () => show(text));
    list.append(Object.assign(document.createElement('li'), { textContent: text }));
    list.hidden = false;
  };
  addEventListener('error', (event) => show(`${event.message || event.error} (line ${event.lineno})`));
  addEventListener('unhandledrejection', (event) => show(`Unhandled rejection: ${event.reason}`));
})();
