// Real generated sites protected whole: the Rust standard library's docs
// (rustdoc, with its search index), the Python docs (Sphinx) and the Rust
// book (mdBook), as Debian's rust-doc and python3-doc install them. Each
// site is copied to a fresh folder and every page and every other file of
// it is protected in one run. Then
//   - no file gives any of the site's known phrases away to a reader
//     without the password (the head copy is off: with it on, page titles
//     and descriptions stay readable by design);
//   - after one login the site works as the unprotected copy does, in
//     Chromium and in Firefox ESR: the same pages, the same search results
//     (Sphinx with the snippets it fetches from the pages), the stored
//     theme applies, and no page error that the unprotected site does not
//     throw as well.
// A site whose package is not installed is skipped with a message.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { cpSync, existsSync, mkdtempSync, readFileSync, readdirSync, realpathSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import puppeteer from 'puppeteer-core';
import * as h from '../harness.mjs';

const PASSWORD = 'real sites 7';
const MAGIC = Buffer.from([0x89, 0x57, 0x4c, 0x4b, 0x41, 0x0d, 0x0a, 0x1a]);
const FIREFOX = process.env.WENDLOCK_FIREFOX || '/usr/bin/firefox-esr';
const WAIT = 30000;

// How a site's own search is run and read, in the page (both functions are
// sent to the browser).
function rustdocResults() {
  const links = document.querySelectorAll('#search .search-results a');
  return links.length === 0
    ? null
    : Array.from(links, (a) => `${a.getAttribute('href')} ${a.innerText.replace(/\s+/g, ' ').trim()}`);
}

function sphinxResults() {
  const box = document.getElementById('search-results');
  // The status line changes once every result has its snippet.
  if (!box || !/Search finished/.test(box.innerText)) {
    return null;
  }
  return Array.from(box.querySelectorAll('li'), (li) => li.innerText.replace(/\s+/g, ' ').trim());
}

// The search data an mdBook page loads (Debian builds the book without its
// search scripts, so no search runs): the index as a page script gets it.
async function mdbookIndex() {
  const text = await (await fetch('searchindex.js')).text();
  const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', new TextEncoder().encode(text)));
  return { length: text.length, digest: Array.from(digest, (b) => b.toString(16).padStart(2, '0')).join('') };
}

const RUSTDOC_SKIP = [
  'book',
  'edition-guide',
  'embedded-book',
  'nomicon',
  'reference',
  'rust-by-example',
  'rustc',
  'rustdoc',
  'unstable-book',
];

const SITES = [
  {
    name: 'Rust std docs (rustdoc)',
    source: '/usr/share/doc/rust-doc/html',
    // The rustdoc output: everything but the books that Debian puts beside it.
    skip: RUSTDOC_SKIP,
    known: {
      'search-index1.63.0.js': ['extend_from_within', 'from_utf8_lossy', 'A double-ended queue implemented'],
      'std/vec/struct.Vec.html': ['Constructs a new, empty'],
    },
    start: 'std/index.html',
    pages: ['std/vec/struct.Vec.html', 'std/collections/struct.VecDeque.html', 'core/primitive.u8.html', 'alloc/index.html'],
    main: '#main-content',
    search: { url: 'std/index.html?search=VecDeque', results: rustdocResults },
    theme: {
      page: 'std/vec/struct.Vec.html',
      storage: { 'rustdoc-use-system-theme': 'false', 'rustdoc-theme': 'dark' },
      look: colours,
    },
  },
  {
    name: 'Python docs (Sphinx)',
    source: '/usr/share/doc/python3-doc/html',
    known: {
      'searchindex.js': ['namedtuple', 'Portable password input'],
      '_sources/library/stdtypes.rst.txt': ['Return a new dictionary'],
    },
    start: 'index.html',
    pages: ['library/getpass.html', 'library/stdtypes.html', 'tutorial/index.html'],
    main: '[role="main"]',
    search: { url: 'search.html?q=getpass', results: sphinxResults },
  },
  {
    name: 'Rust book (mdBook)',
    source: '/usr/share/doc/rust-doc/html/book',
    known: { 'searchindex.js': ['borrow checker', 'Hello, world!'] },
    start: 'index.html',
    pages: ['ch04-01-what-is-ownership.html', 'ch08-01-vectors.html', 'appendix-01-keywords.html'],
    main: 'main',
    search: { index: mdbookIndex },
    // This build's styles keep the light colours whatever the theme: what
    // the stored theme changes is the root element's classes.
    theme: { page: 'ch04-01-what-is-ownership.html', storage: { 'mdbook-theme': 'coal' }, look: rootClasses },
  },
];

// WENDLOCK_REALSITES=rustdoc,sphinx picks sites by a word of their name.
const chosen = (process.env.WENDLOCK_REALSITES || '').toLowerCase().split(',').filter(Boolean);
const wanted = SITES.filter((site) => chosen.length === 0 || chosen.some((word) => site.name.toLowerCase().includes(word)));
const present = wanted.filter((site) => existsSync(site.source));
const missing = wanted.filter((site) => !existsSync(site.source));
for (const site of missing) {
  console.log(`# skipped ${site.name}: ${site.source} is missing (Debian's rust-doc / python3-doc packages)`);
}
const SKIP = present.length === 0 && 'none of the real sites is installed (Debian packages rust-doc, python3-doc)';

// Copies the site, links followed (Debian links shared scripts and fonts
// into its doc folders; a link that leads nowhere is left out).
function copySite(site, into) {
  const source = realpathSync(site.source);
  for (const entry of readdirSync(source)) {
    if (site.skip?.includes(entry)) continue;
    cpSync(path.join(source, entry), path.join(into, entry), {
      recursive: true,
      dereference: true,
      filter: (from) => existsSync(from),
    });
  }
}

function* walk(dir) {
  for (const entry of readdirSync(dir, { withFileTypes: true })) {
    const full = path.join(dir, entry.name);
    if (entry.isDirectory()) yield* walk(full);
    else if (entry.isFile()) yield full;
  }
}

// Files that stay readable: the worker, the host's own files and favicons.
const PUBLIC = ['wendlock-sw.js', 'robots.txt', 'CNAME', '_headers', '_redirects', '.nojekyll'];
function isPublic(relative) {
  const name = path.basename(relative).toLowerCase();
  return PUBLIC.includes(relative) || relative.startsWith('.well-known/') || name.startsWith('favicon.');
}

const protectedSites = new Map(); // name -> { dir, plain, web, files }

before(async () => {
  if (SKIP) return;
  for (const site of present) {
    const dir = mkdtempSync(path.join(process.env.WENDLOCK_REALSITES_TMP || tmpdir(), 'wendlock-realsite-'));
    copySite(site, dir);
    const started = Date.now();
    // The head copy is off so that no page title gives an item name away.
    const settings = ['cipher=1', `kdfIterations=${h.TEST_ITERATIONS}`, `salt=${h.siteSalt(dir)}`, 'protectAssets=1',
      'loginExpire=1', 'copyHead=0'];
    const out = execFileSync(
      h.cliPath(),
      ['protect', '--no-backup', '--password', PASSWORD, '--template', h.templatePath('single'),
        ...settings.flatMap((s) => ['--set', s]), dir],
      { encoding: 'utf8', maxBuffer: 1 << 30 },
    );
    assert.match(out, /have been protected successfully/, `${site.name}: protected`);
    assert.match(out, /other file\(s\) of the site have been enciphered \(\d+ before, 0 failed\)/, `${site.name}: files`);
    const files = [...walk(dir)];
    console.log(`# ${site.name}: ${files.length} files protected in ${((Date.now() - started) / 1000).toFixed(1)} s`);
    protectedSites.set(site.name, {
      dir,
      files,
      web: await h.serve(dir),
      plain: await h.serve(realpathSync(site.source)),
    });
  }
});

after(async () => {
  for (const { dir, web, plain } of protectedSites.values()) {
    await web.close();
    await plain.close();
    h.removeSite(dir);
  }
});

describe('real sites protected whole', { skip: SKIP }, () => {
  test('no file gives the site text away without the password', async () => {
    const browser = await h.launchBrowser();
    try {
      const context = await h.newContext(browser);
      for (const site of present) {
        const { dir, files, web } = protectedSites.get(site.name);
        const phrases = [];
        for (const [file, known] of Object.entries(site.known)) {
          const original = readFileSync(path.join(site.source, file));
          for (const phrase of known) {
            assert.ok(original.includes(phrase), `${site.name}: ${file} holds "${phrase}" unprotected`);
            phrases.push(Buffer.from(phrase));
          }
        }
        let pages = 0;
        let enciphered = 0;
        for (const file of files) {
          const relative = path.relative(dir, file).split(path.sep).join('/');
          const bytes = readFileSync(file);
          for (const phrase of phrases) {
            assert.ok(!bytes.includes(phrase), `${site.name}: ${relative} gives "${phrase}" away`);
          }
          if (isPublic(relative)) continue;
          if (/\.html?$/i.test(relative)) {
            assert.ok(bytes.includes('var vxsa=["'), `${site.name}: ${relative} is a protected page`);
            pages++;
          } else {
            assert.ok(bytes.subarray(0, 8).equals(MAGIC), `${site.name}: ${relative} is enciphered`);
            enciphered++;
          }
        }
        assert.ok(pages > 50 && enciphered > 20, `${site.name}: ${pages} pages, ${enciphered} other files`);
        // What the server sends is those bytes: a sample, asked for as an
        // anonymous reader would.
        const sample = [...Object.keys(site.known), site.start, ...site.pages];
        for (const name of sample) {
          const body = await (await context.request.get(web.url(name))).body();
          assert.ok(body.equals(readFileSync(path.join(dir, name))), `${site.name}: ${name} served as written`);
        }
      }
      await context.close();
    } finally {
      await browser.close();
    }
  });

  test('Chromium: after one login each site works as unprotected', async () => {
    const browser = await h.launchBrowser();
    try {
      for (const site of present) {
        await checkSite(site, chromiumDriver(browser));
      }
    } finally {
      await browser.close();
    }
  });

  test('Firefox ESR: after one login each site works as unprotected', { skip: !existsSync(FIREFOX) && `no ${FIREFOX}` }, async () => {
    const browser = await puppeteer.launch({ browser: 'firefox', executablePath: FIREFOX, headless: true, protocolTimeout: 120000 });
    try {
      for (const site of present) {
        await checkSite(site, firefoxDriver(browser));
      }
    } finally {
      await browser.close();
    }
  });
});

// The little that differs between playwright-core (Chromium) and
// puppeteer-core (Firefox): a fresh context whose tabs record page errors,
// waiting for a condition, and typing the password.
function chromiumDriver(browser) {
  return {
    async context() {
      const context = await h.newContext(browser);
      return {
        close: () => context.close(),
        async page(errors) {
          const page = await context.newPage();
          page.setDefaultTimeout(WAIT);
          page.on('pageerror', (e) => errors.push(e.message));
          page.on('dialog', (d) => d.accept().catch(() => {}));
          return wrap(page, (fn, arg) => page.waitForFunction(fn, arg, { timeout: WAIT, polling: 100 }));
        },
      };
    },
  };
}

function firefoxDriver(browser) {
  return {
    async context() {
      const context = await browser.createBrowserContext();
      return {
        close: () => context.close(),
        async page(errors) {
          const page = await context.newPage();
          page.setDefaultTimeout(WAIT);
          page.on('pageerror', (e) => errors.push(e.message));
          page.on('dialog', (d) => d.accept().catch(() => {}));
          return wrap(page, (fn, arg) => page.waitForFunction(fn, { timeout: WAIT, polling: 100 }, arg));
        },
      };
    },
  };
}

function wrap(page, waitFor) {
  return {
    // A tab in the background runs its timers late: the one looked at is
    // in front.
    async goto(url) {
      await page.bringToFront();
      await page.goto(url);
    },
    evaluate: (fn, arg) => page.evaluate(fn, arg),
    waitFor,
    // What fn gives once the page has loaded and its scripts are done
    // changing it (the same twice, a quarter second apart).
    async settled(fn, arg, quiet = 250) {
      await waitFor(() => document.readyState === 'complete');
      let last = JSON.stringify(await page.evaluate(fn, arg));
      for (let i = 0; i < 60; i++) {
        await new Promise((resolve) => setTimeout(resolve, quiet));
        const now = JSON.stringify(await page.evaluate(fn, arg));
        if (now === last) return JSON.parse(now);
        last = now;
      }
      throw new Error('the page kept changing');
    },
    // Waits for the function to return a value other than null and gives it.
    async until(fn) {
      const handle = await waitFor(fn);
      return handle.jsonValue();
    },
    async login() {
      await waitFor(() => {
        const form = document.getElementById('vxpform');
        return form !== null && typeof form.onsubmit === 'function' && form.onsubmit.name !== 'onsubmit';
      });
      await page.evaluate((pw) => {
        document.getElementById('vxppass').value = pw;
        document.getElementById('vxpform').requestSubmit();
      }, PASSWORD);
    },
  };
}

// What a page is: its title, the text of its main part, and the rules of
// each style sheet it loaded (a sheet that did not load has none).
function pageText(selector) {
  const main = document.querySelector(selector);
  const rules = (sheet) => {
    try {
      return sheet.cssRules.length;
    } catch (e) {
      return -1;
    }
  };
  return {
    title: document.title,
    text: main ? main.textContent.replace(/\s+/g, ' ') : null,
    sheets: Array.from(document.styleSheets, rules),
    login: document.getElementById('vxpform') !== null,
  };
}

function applyStorage(values) {
  for (const [key, value] of Object.entries(values)) localStorage.setItem(key, value);
}

// What a stored theme changes.
function colours() {
  const body = getComputedStyle(document.body);
  return JSON.stringify([body.backgroundColor, body.color]);
}

function rootClasses() {
  return document.documentElement.className;
}

// Where two long texts part, for the failure message.
function firstDifference(a, b) {
  if (a === b || typeof a !== 'string' || typeof b !== 'string') return '';
  let i = 0;
  while (i < a.length && a[i] === b[i]) i++;
  return `; from ${i}: ${JSON.stringify(a.slice(Math.max(0, i - 80), i + 120))} against ${JSON.stringify(b.slice(Math.max(0, i - 80), i + 120))}`;
}

async function checkSite(site, driver) {
  const { web, plain } = protectedSites.get(site.name);
  const where = site.name;
  const seen = { plain: [], web: [] };
  const plainContext = await driver.context();
  const webContext = await driver.context();
  try {
    const unprotected = await plainContext.page(seen.plain);
    const page = await webContext.page(seen.web);

    // One login; the page then loads again, served natively by the worker.
    await page.goto(web.url(site.start));
    await page.login();
    await page.waitFor(() => navigator.serviceWorker.controller !== null && document.getElementById('vxpform') === null && document.readyState === 'complete');
    assert.equal(await page.evaluate(() => document.documentElement.outerHTML.includes('var vxsa=')), false, `${where}: the original page`);

    for (const name of [site.start, ...site.pages]) {
      await unprotected.goto(plain.url(name));
      const expected = await unprotected.settled(pageText, site.main);
      await page.goto(web.url(name));
      const shown = await page.settled(pageText, site.main);
      assert.ok(expected.text && expected.text.length > 100, `${where}: ${name} has text unprotected`);
      assert.deepEqual(shown, expected, `${where}: ${name} as unprotected${firstDifference(shown.text, expected.text)}`);
    }

    if (site.search?.results) {
      // Sphinx fetches the snippets after it says it has finished.
      await unprotected.goto(plain.url(site.search.url));
      await unprotected.until(site.search.results);
      const expected = await unprotected.settled(site.search.results, undefined, 1500);
      await page.goto(web.url(site.search.url));
      await page.until(site.search.results);
      const found = await page.settled(site.search.results, undefined, 1500);
      assert.ok(expected.length >= 5, `${where}: the search finds something unprotected`);
      assert.deepEqual(found, expected, `${where}: the same search results`);
    }
    if (site.search?.index) {
      await unprotected.goto(plain.url(site.start));
      const expected = await unprotected.evaluate(site.search.index);
      await page.goto(web.url(site.start));
      assert.deepEqual(await page.evaluate(site.search.index), expected, `${where}: the same search index`);
    }

    if (site.theme) {
      const results = [];
      for (const [tab, server] of [
        [unprotected, plain],
        [page, web],
      ]) {
        await tab.goto(server.url(site.theme.page));
        const before = await tab.evaluate(site.theme.look);
        await tab.evaluate(applyStorage, site.theme.storage);
        await tab.goto(server.url(site.theme.page));
        await tab.waitFor(() => document.readyState === 'complete');
        // Style sheets that a script switches to load after the page.
        await tab.waitFor(`(${site.theme.look})() !== ${JSON.stringify(before)}`);
        results.push(await tab.evaluate(site.theme.look));
      }
      assert.deepEqual(results[1], results[0], `${where}: the stored theme looks as unprotected`);
    }

    const fresh = seen.web.filter((message) => !seen.plain.includes(message));
    assert.deepEqual(fresh, [], `${where}: no page error the unprotected site does not throw`);
  } finally {
    await plainContext.close();
    await webContext.close();
  }
}
