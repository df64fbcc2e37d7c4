// A small site shaped like generated reference documentation, for the
// browser tests of either engine: a head script with top-level const that
// reads a stored theme, a deferred script that builds the sidebar, a module
// that shows the search field, an async script, DOMContentLoaded and load
// handlers, and a long page with a deep anchor. Every script counts its
// runs in window.__runs and its order in window.__log.
import assert from 'node:assert/strict';

export const DOC_PASSWORD = 'read the docs 3';
export const DOC_PAGES = ['guide/intro.html', 'guide/next.html'];
export const DOC_SCRIPTS = ['guide/static/sidebar.js', 'guide/static/search.mjs', 'guide/static/async.js'];
export const DOC_STYLE = 'guide/static/docs.css';

function docPage(title) {
  const sections = [];
  for (let i = 1; i <= 60; i++) {
    sections.push(`<h2 id="s${i}">Section ${i}</h2>`, `<p>${'Lorem ipsum dolor sit amet. '.repeat(12)}</p>`);
  }
  return [
    '<!DOCTYPE html>',
    '<html lang="en">',
    '<head>',
    '<meta charset="utf-8">',
    `<title>${title}</title>`,
    '<meta name="description" content="Reference documentation">',
    '<link rel="icon" href="static/icon.svg">',
    '<link rel="stylesheet" href="static/docs.css">',
    '<link rel="preload" href="static/sidebar.js" as="script">',
    '<script>',
    '  const builtinThemes = ["light", "dark", "ayu"];',
    '  window.__runs = window.__runs || {};',
    '  window.__log = window.__log || [];',
    '  window.__runs.head = (window.__runs.head || 0) + 1;',
    '  window.__log.push("head");',
    '  const storedTheme = localStorage.getItem("docs-theme");',
    '  document.documentElement.dataset.theme = builtinThemes.includes(storedTheme) ? storedTheme : "light";',
    '</script>',
    '<script defer src="static/sidebar.js"></script>',
    '<script type="module" src="static/search.mjs"></script>',
    '<script async src="static/async.js"></script>',
    '</head>',
    '<body>',
    '<script>',
    '  let loadSeen = 0;',
    '  document.addEventListener("DOMContentLoaded", () => {',
    '    window.__runs.dcl = (window.__runs.dcl || 0) + 1;',
    '    window.__log.push("dcl");',
    '  });',
    '  window.addEventListener("load", () => {',
    '    window.__runs.load = (window.__runs.load || 0) + 1;',
    '    window.__log.push("load");',
    '  });',
    '</script>',
    '<nav id="sidebar"></nav>',
    '<input id="search" hidden placeholder="Search">',
    `<main id="content"><h1>${title}</h1>`,
    ...sections,
    '<h2 id="deep-anchor">Deep anchor</h2>',
    `<p>${'The end of the page. '.repeat(40)}</p>`,
    '<div style="height: 3000px"></div>',
    '</main>',
    '<div id="page-end"></div>',
    '</body>',
    '</html>',
    '',
  ].join('\r\n');
}

// DOC_PLAIN stays unprotected: what the same page does without protection.
export const DOC_PLAIN = 'guide/plain.html';

export function docSiteFiles() {
  return {
    [DOC_PLAIN]: docPage('Guide: intro'),
    'guide/intro.html': docPage('Guide: intro'),
    'guide/next.html': docPage('Guide: next'),
    'guide/static/icon.svg': '<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 8 8"><rect width="8" height="8"/></svg>\n',
    'guide/static/docs.css': 'body { font-family: sans-serif; } nav li { color: teal; }\n',
    'guide/static/sidebar.js': [
      'const sidebarTitles = Array.from(document.querySelectorAll("main h2"), (h) => h.textContent);',
      'window.__runs.defer = (window.__runs.defer || 0) + 1;',
      'window.__log.push("defer");',
      'window.__deferSawEnd = document.getElementById("page-end") !== null;',
      'const list = document.createElement("ul");',
      'for (const t of sidebarTitles) { const li = document.createElement("li"); li.textContent = t; list.append(li); }',
      'document.getElementById("sidebar").append(list);',
      '',
    ].join('\n'),
    'guide/static/search.mjs': [
      'window.__runs.module = (window.__runs.module || 0) + 1;',
      'window.__log.push("module");',
      'document.getElementById("search").hidden = false;',
      '',
    ].join('\n'),
    'guide/static/async.js': 'window.__runs.async = (window.__runs.async || 0) + 1;\n',
  };
}

// What the page's scripts left behind once its load event has passed.
export function docState() {
  const target = document.getElementById('deep-anchor');
  return {
    runs: window.__runs ?? null,
    log: (window.__log ?? []).filter((step) => step !== 'async'),
    deferSawEnd: window.__deferSawEnd ?? null,
    theme: document.documentElement.dataset.theme ?? null,
    sidebarItems: document.querySelectorAll('#sidebar li').length,
    searchShown: document.getElementById('search')?.hidden === false,
    anchorTop: target ? Math.round(target.getBoundingClientRect().top) : null,
    scrollY: Math.round(window.scrollY),
    onerror: window.onerror === null ? null : typeof window.onerror,
    loginForm: document.getElementById('vxpform') !== null,
  };
}

// Done: the written page's load event has run (and the async script).
export function docLoaded() {
  return !!(window.__runs && window.__runs.load === 1 && window.__runs.async === 1 && document.readyState === 'complete');
}

// What the protected page shows after login is what the unprotected page
// shows (plain, its docState), and every script ran exactly once with its
// effects in place. modules: false where the browser runs none (Chromium
// refuses module scripts from files, protected or not).
export function checkDocState(state, plain, { anchor = false, modules = true, where = '' } = {}) {
  // Engines may land a pixel apart from one load to the next.
  const settled = (s) => ({ ...s, anchorTop: 0, scrollY: 0 });
  assert.deepEqual(settled(state), settled(plain), `${where}: as without protection`);
  assert.ok(Math.abs(state.scrollY - plain.scrollY) <= 40, `${where}: scrolled as without protection`);
  const runs = { head: 1, defer: 1, async: 1, dcl: 1, load: 1, ...(modules ? { module: 1 } : {}) };
  assert.deepEqual(state.runs, runs, `${where}: each script ran once`);
  const order = modules ? ['head', 'defer', 'module', 'dcl', 'load'] : ['head', 'defer', 'dcl', 'load'];
  assert.deepEqual(state.log, order, `${where}: the order of an unprotected page`);
  assert.equal(state.deferSawEnd, true, `${where}: the deferred script ran after the page was parsed`);
  assert.equal(state.theme, 'dark', `${where}: the stored theme applies`);
  assert.equal(state.sidebarItems, 61, `${where}: the sidebar has a line for each section`);
  assert.equal(state.searchShown, modules, `${where}: the module showed the search field`);
  assert.equal(state.onerror, null, `${where}: no error suppressor`);
  assert.equal(state.loginForm, false, `${where}: no login form`);
  if (anchor) {
    assert.ok(state.scrollY > 1000 && Math.abs(state.anchorTop) < 40, `${where}: at the deep anchor (${JSON.stringify(state)})`);
  }
}
