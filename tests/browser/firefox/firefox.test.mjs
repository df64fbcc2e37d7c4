// Protected pages in a second engine: Firefox ESR, headless, driven over
// WebDriver BiDi by puppeteer-core. A representative part of the Chromium
// suite: a single password and several users, wrong logins, how long a
// login lasts, and the documentation-shaped site whose scripts must run
// once after login. Over http only: Firefox gives each file its own origin,
// so a login from a file page is never shared with another page.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync } from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import puppeteer from 'puppeteer-core';
import * as h from '../harness.mjs';
import {
  DOC_PAGES,
  DOC_PASSWORD,
  DOC_PLAIN,
  DOC_SCRIPTS,
  checkDocState,
  docLoaded,
  docSiteFiles,
  docState,
} from '../docsite.mjs';

const FIREFOX = process.env.WENDLOCK_FIREFOX || '/usr/bin/firefox-esr';
const SKIP = existsSync(FIREFOX) ? false : `Firefox ESR is not installed at ${FIREFOX} (scripts/setup.sh installs firefox-esr)`;
const PASSWORD = 'Fox \u00e9t\u00e9 42';
const USERS = ['"alice","Wonder-1"', '"j\u00fcrgen","Gr\u00fc\u00dfe 42"', ''].join('\r\n');
const REFUSED = 'Invalid Password!';
const WAIT = { timeout: 15000 };

function contentPage(title) {
  return h.htmlPage({ title, body: `<h1 id="content">${title}</h1>\r\n<p>Members text</p>` });
}

let dir;
let server;
let browser;
before(async () => {
  if (SKIP) return;
  dir = h.makeSite({
    ...docSiteFiles(),
    'single/page.html': contentPage('Single'),
    'multi/page.html': contentPage('Multi'),
    'e0/a.html': contentPage('A0'),
    'e0/b.html': contentPage('B0'),
    'e1/a.html': contentPage('A1'),
    'e1/b.html': contentPage('B1'),
  });
  h.protect(dir, DOC_PAGES, { password: DOC_PASSWORD, set: { loginExpire: 1 } });
  h.protect(dir, 'single/page.html', { password: PASSWORD });
  h.protect(dir, 'multi/page.html', { users: USERS });
  h.protect(dir, ['e0/a.html', 'e0/b.html'], { password: PASSWORD, set: { loginExpire: 0 } });
  h.protect(dir, ['e1/a.html', 'e1/b.html'], { password: PASSWORD, set: { loginExpire: 1 } });
  server = await h.serve(dir);
  browser = await puppeteer.launch({
    browser: 'firefox',
    executablePath: FIREFOX,
    headless: true,
    protocolTimeout: 60000,
  });
});
after(async () => {
  await browser?.close();
  await server?.close();
  if (dir) h.removeSite(dir);
});

// A fresh context (its own cookies and storage) whose tabs accept every
// dialog and record page errors.
async function newContext() {
  const context = await browser.createBrowserContext();
  const record = { dialogs: [], errors: [] };
  const newPage = async () => {
    const page = await context.newPage();
    page.on('dialog', (dialog) => {
      record.dialogs.push(dialog.message());
      dialog.accept().catch(() => {});
    });
    page.on('pageerror', (error) => record.errors.push(`${page.url()}: ${error.message}`));
    return page;
  };
  return { context, record, newPage };
}

function formTaken() {
  const form = document.getElementById('vxpform');
  return form !== null && typeof form.onsubmit === 'function' && form.onsubmit.name !== 'onsubmit';
}

async function submit(page, password, user) {
  await page.waitForFunction(formTaken, WAIT);
  if (user !== undefined) {
    await page.$eval('#vxpuser', (field, value) => (field.value = value), user);
  }
  await page.$eval('#vxppass', (field, value) => (field.value = value), password);
  await page.focus('#vxppass');
  await page.keyboard.press('Enter');
}

async function login(page, password, { user, expect = '#content' } = {}) {
  await submit(page, password, user);
  await page.waitForSelector(expect, WAIT);
}

async function expectRejected(page, record, password, user) {
  const before = record.dialogs.length;
  await submit(page, password, user);
  await page.waitForFunction(() => document.getElementById('vxperror')?.textContent !== '', WAIT);
  for (let i = 0; i < 100 && record.dialogs.length === before; i++) await new Promise((r) => setTimeout(r, 20));
  assert.equal(record.dialogs.at(-1), REFUSED, `the alert after ${user ?? ''}/${password}`);
  assert.equal(await page.$('#content'), null, 'no content after a wrong login');
  assert.notEqual(await page.$('#vxpform #vxppass'), null, 'the form stays');
}

// Whether a page opens without asking, once it has decided.
async function shownWithoutAsking(page, selector = '#content') {
  await page.waitForFunction(
    (s) => {
      const form = document.getElementById('vxpform');
      return document.querySelector(s) !== null || (form !== null && typeof form.onsubmit === 'function' && form.onsubmit.name !== 'onsubmit');
    },
    WAIT,
    selector,
  );
  return (await page.$(selector)) !== null;
}

describe(`Firefox ESR (${h.FORMAT_NAME} format)`, { skip: SKIP }, () => {
  test('a whole site: files are ciphertext to anyone, and work after login', { skip: !h.STRONG && 'strong only' }, async () => {
    const css = 'h1 { color: rgb(1, 2, 3); }\n';
    const index = JSON.stringify({ docs: ['Quokka handbook'] });
    const clip = Buffer.alloc(3 * 65536 + 77, 7).map((_, i) => (i * 31) & 255);
    const site = h.makeSite({
      'index.html': h.htmlPage({
        title: 'Home',
        head: '<link rel="stylesheet" href="/css/site.css"><script src="/js/app.js"></script>',
        body: '<h1 id="content">Quokka members home</h1><p><a id="next" href="/two.html">next</a></p>',
      }),
      'two.html': h.htmlPage({ title: 'Two', head: '<script src="/js/app.js"></script>', body: '<h1 id="content">Two</h1>' }),
      'css/site.css': css,
      'js/app.js': 'window.appLoaded = true;\n',
      // A dedicated Worker that reads the index off the page's thread.
      'js/reader.js': "fetch('/search/index.json').then((r) => r.text()).then((t) => postMessage(t));\n",
      'search/index.json': index,
      'media/clip.bin': clip,
    });
    h.protect(site, ['index.html', 'two.html'], { password: PASSWORD, set: { protectAssets: 1, loginExpire: 1 } });
    const web = await h.serve(site);
    const { context, record, newPage } = await newContext();
    try {
      const page = await newPage();
      await page.goto(web.url('index.html'));
      const anonymous = await page.evaluate(async () => new Uint8Array(await (await fetch('/css/site.css')).arrayBuffer())[0]);
      assert.equal(anonymous, 0x89, 'the style sheet is ciphertext before login');
      await submit(page, PASSWORD);
      await page.waitForFunction(() => navigator.serviceWorker.controller !== null && window.appLoaded === true, WAIT);
      const state = await page.evaluate(async () => {
        const r = await fetch('/media/clip.bin', { headers: { Range: 'bytes=65530-65545' } });
        return {
          html: document.documentElement.outerHTML,
          color: getComputedStyle(document.getElementById('content')).color,
          index: await (await fetch('/search/index.json')).text(),
          worker: await new Promise((resolve) => {
            const worker = new Worker('/js/reader.js');
            worker.onmessage = (e) => resolve(e.data);
            worker.onerror = (e) => resolve(`worker error: ${e.message}`);
          }),
          status: r.status,
          slice: [...new Uint8Array(await r.arrayBuffer())],
        };
      });
      assert.ok(!state.html.includes('vxsa'), 'the original page, not the protected one');
      assert.equal(state.color, 'rgb(1, 2, 3)');
      assert.equal(state.index, index);
      assert.equal(state.worker, index, 'a dedicated Worker gets the plaintext');
      assert.equal(state.status, 206);
      assert.deepEqual(state.slice, [...clip.subarray(65530, 65546)]);
      await page.goto(web.url('two.html'));
      await page.waitForFunction(() => document.title === 'Two' && window.appLoaded === true, WAIT);
      assert.deepEqual(record.errors, []);
    } finally {
      await context.close();
      await web.close();
      h.removeSite(site);
    }
  });

  test('a single password and several users open their pages; wrong logins are refused', async () => {
    const { context, record, newPage } = await newContext();
    const page = await newPage();
    await page.goto(server.url('single/page.html'));
    assert.equal(await page.title(), 'Single', 'the title is readable before login');
    await expectRejected(page, record, PASSWORD.toUpperCase());
    await login(page, PASSWORD);
    assert.match(await page.evaluate(() => document.body.innerText), /Members text/);

    await page.goto(server.url('multi/page.html'));
    await expectRejected(page, record, 'Wonder-1', 'j\u00fcrgen');
    await login(page, 'Gr\u00fc\u00dfe 42', { user: 'j\u00fcrgen' });
    await page.goto(server.url('multi/page.html'));
    await login(page, 'Wonder-1', { user: 'alice' });
    assert.deepEqual(record.errors, []);
    await context.close();
  });

  test('a share link opens the page and leaves no token in the address', { skip: !h.STRONG && 'strong only' }, async () => {
    const url = execFileSync(h.cliPath(), ['link', path.join(dir, 'single/page.html'), server.url('single/page.html')], {
      encoding: 'utf8',
      env: { ...process.env, WENDLOCK_PASSWORD: PASSWORD },
    }).trim();
    const { context, record, newPage } = await newContext();
    const page = await newPage();
    await page.goto(url);
    await page.waitForSelector('#content', WAIT);
    assert.doesNotMatch(await page.evaluate(() => location.href), /wl=/);
    // A token that opens nothing (in a new tab: a new document): the login, and why.
    const stale = await newPage();
    await stale.goto(server.url('single/page.html') + '#wl=' + 'A'.repeat(43));
    await stale.waitForSelector('#vxplinknote', WAIT);
    assert.equal(await stale.$eval('#vxplinknote', (note) => note.textContent), 'This link is no longer valid.');
    assert.doesNotMatch(await stale.evaluate(() => location.href), /wl=/);
    assert.deepEqual(record.errors, []);
    await context.close();
  });

  test('expiry: until the page unloads asks again; until the browser closes opens the next page', async () => {
    const { context, newPage } = await newContext();
    const page = await newPage();
    await page.goto(server.url('e0/a.html'));
    await login(page, PASSWORD);
    await page.goto(server.url('e0/b.html'));
    assert.equal(await shownWithoutAsking(page), false, 'mode 0 asks on the next page');

    await page.goto(server.url('e1/a.html'));
    await login(page, PASSWORD);
    const other = await newPage();
    await other.goto(server.url('e1/b.html'));
    assert.equal(await shownWithoutAsking(other), true, 'mode 1 opens the next page in a new tab');
    await context.close();

    // A new context is a browser that was closed: it asks again.
    const fresh = await newContext();
    const again = await fresh.newPage();
    await again.goto(server.url('e1/b.html'));
    assert.equal(await shownWithoutAsking(again), false, 'a new session asks');
    await fresh.context.close();
  });

  test('a documentation site: scripts run once after login; the next page opens without asking', async () => {
    const { context, record, newPage } = await newContext();
    const plainTab = await newPage();
    await plainTab.goto(server.url(DOC_PLAIN));
    await plainTab.evaluate(() => localStorage.setItem('docs-theme', 'dark'));
    await plainTab.goto('about:blank');
    await plainTab.goto(server.url(`${DOC_PLAIN}#deep-anchor`));
    await plainTab.waitForFunction(docLoaded, WAIT);
    const plain = await plainTab.evaluate(docState);
    await plainTab.goto(server.url(DOC_PLAIN));
    await plainTab.waitForFunction(docLoaded, WAIT);
    const plainTop = await plainTab.evaluate(docState);
    await plainTab.close();

    server.resetRequests();
    const page = await newPage();
    await page.goto(server.url(`${DOC_PAGES[0]}#deep-anchor`));
    await page.waitForFunction(formTaken, WAIT);
    assert.equal(await page.title(), 'Guide: intro');
    assert.equal(await page.evaluate(() => typeof window.__runs), 'undefined', 'no page script before login');
    await login(page, DOC_PASSWORD, { expect: '#page-end' });
    await page.waitForFunction(docLoaded, WAIT);
    checkDocState(await page.evaluate(docState), plain, { anchor: true, where: 'first page' });
    for (const script of DOC_SCRIPTS) assert.equal(server.requests(script), 1, `${script} once`);

    server.resetRequests();
    const second = await newPage();
    await second.goto(server.url(DOC_PAGES[1]));
    await second.waitForFunction(docLoaded, WAIT);
    checkDocState(await second.evaluate(docState), plainTop, { where: 'second page' });
    for (const script of DOC_SCRIPTS) assert.equal(server.requests(script), 1, `${script} once on the second page`);
    assert.deepEqual(record.errors, [], 'no page errors');
    await context.close();
  });
});
