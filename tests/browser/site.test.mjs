// The whole site enciphered: a site's other files (script, style sheet,
// image, search index, a large stored file) are unreadable without the
// password; after a login the site's service worker deciphers them and
// serves the pages themselves, so they open as the unprotected site does.
import assert from 'node:assert/strict';
import { randomBytes } from 'node:crypto';
import { after, before, describe, test } from 'node:test';
import * as h from './harness.mjs';

const PASSWORD = 'whole site';
const MAGIC = Buffer.from([0x89, 0x57, 0x4c, 0x4b, 0x41, 0x0d, 0x0a, 0x1a]);
// A 4x3 red PNG.
const PNG = Buffer.from(
  '89504e470d0a1a0a0000000d49484452000000040000000308020000003b9639910000001049444154789c6338212707470c383900f5c70c3107ebad990000000049454e44ae426082',
  'hex',
);
const INDEX = JSON.stringify({ docs: ['Quokka handbook', 'Numbat field notes'], terms: { quokka: [0], numbat: [1] } });
const CLIP = randomBytes(3 * 65536 + 1234);
// A dedicated Worker that reads the search index, as search scripts do off
// the page's thread: both its script and its fetch are enciphered files.
const READER = "fetch('/search/index.json').then((r) => r.text()).then((t) => postMessage(t), (e) => postMessage('failed: ' + e));\n";

// In the page: what a new dedicated Worker of the site gets.
function fromWorker() {
  return new Promise((resolve) => {
    const worker = new Worker('/js/reader.js');
    worker.onmessage = (e) => resolve(e.data);
    worker.onerror = (e) => resolve(`worker error: ${e.message}`);
  });
}

function page(title, body) {
  return h.htmlPage({
    title,
    head: '<link rel="stylesheet" href="/css/site.css"><script src="/js/app.js"></script>',
    body: `<h1 id="content">${body}</h1><img id="pic" src="/img/pic.png"><p><a id="next" href="/guide/two.html">next</a></p>`,
  });
}

let dir;
let server;
let browser;
before(async () => {
  dir = h.makeSite({
    'index.html': page('Home', 'Quokka members home'),
    'guide/two.html': page('Two', 'Numbat members page'),
    'css/site.css': 'h1 { color: rgb(1, 2, 3); }\n',
    'js/app.js': 'window.appLoaded = "app script ran";\n',
    'js/reader.js': READER,
    'img/pic.png': PNG,
    'search/index.json': INDEX,
    'media/clip.bin': CLIP,
    'robots.txt': 'User-agent: *\n',
  });
  h.protect(dir, ['index.html', 'guide/two.html'], {
    password: PASSWORD,
    set: { cipher: 1, protectAssets: 1, loginExpire: 1 },
  });
  server = await h.serve(dir);
  browser = await h.launchBrowser();
});
after(async () => {
  await browser?.close();
  await server?.close();
  if (dir) h.removeSite(dir);
});

describe('whole site enciphered', { skip: !h.STRONG && 'the strong format only' }, () => {
  test('a login kept for days survives the worker being stopped', async () => {
    const days = h.makeSite({
      'index.html': page('Home', 'Quokka members home'),
      'guide/two.html': page('Two', 'Numbat members page'),
      'css/site.css': 'h1 { color: rgb(1, 2, 3); }\n',
      'js/app.js': 'window.appLoaded = "app script ran";\n',
      'img/pic.png': PNG,
    });
    h.protect(days, ['index.html', 'guide/two.html'], {
      password: PASSWORD,
      set: { cipher: 1, protectAssets: 1, loginExpire: 2, expireDays: 3 },
    });
    const site = await h.serve(days);
    const context = await h.newContext(browser);
    try {
      const page = await context.newPage();
      await page.goto(site.url('index.html'));
      await h.submitLogin(page, PASSWORD);
      await page.waitForFunction(() => navigator.serviceWorker.controller && window.appLoaded, null, { timeout: 15000 });
      // The worker loses everything in memory; it reads the kept key back.
      const cdp = await context.newCDPSession(page);
      await cdp.send('ServiceWorker.enable');
      await cdp.send('ServiceWorker.stopAllWorkers');
      const other = await context.newPage();
      await other.goto(site.url('guide/two.html'));
      await other.waitForFunction(() => document.title === 'Two' && window.appLoaded, null, { timeout: 15000 });
      assert.ok(!(await other.content()).includes('vxsa'));
      const color = await other.evaluate(() => getComputedStyle(document.getElementById('content')).color);
      assert.equal(color, 'rgb(1, 2, 3)');
    } finally {
      await context.close();
      await site.close();
      h.removeSite(days);
    }
  });

  test('a login kept until the browser closes survives the worker being stopped', async () => {
    // The site is protected with loginExpire 1. Only natively served pages
    // are open when the worker restarts: none of them can hand the key back.
    const context = await h.newContext(browser);
    try {
      const page = await context.newPage();
      await page.goto(server.url('index.html'));
      await h.submitLogin(page, PASSWORD);
      await page.waitForFunction(() => navigator.serviceWorker.controller && window.appLoaded, null, { timeout: 15000 });
      assert.ok(!(await page.content()).includes('vxsa'), 'served natively');
      const cdp = await context.newCDPSession(page);
      await cdp.send('ServiceWorker.enable');
      await cdp.send('ServiceWorker.stopAllWorkers');
      const index = await page.evaluate(async () => (await fetch('/search/index.json')).text());
      assert.equal(index, INDEX, 'the restarted worker deciphers for a native page');
      // A new tab opens the next page natively, with no login page and no
      // reload in between.
      await cdp.send('ServiceWorker.stopAllWorkers');
      const other = await context.newPage();
      await other.goto(server.url('guide/two.html'));
      await other.waitForFunction(() => document.title === 'Two' && window.appLoaded, null, { timeout: 15000 });
      assert.equal(await other.evaluate(() => performance.getEntriesByType('navigation')[0].type), 'navigate');
      assert.ok(!(await other.content()).includes('vxsa'));
    } finally {
      await context.close();
    }
    // The browser closes and starts again with its profile: the worker and
    // its store are still there, the session cookie is not, so what the
    // worker kept opens nothing.
    const profile = new h.Profile();
    try {
      let kept = await profile.start();
      const page = await kept.newPage();
      await page.goto(server.url('index.html'));
      await h.submitLogin(page, PASSWORD);
      await page.waitForFunction(() => navigator.serviceWorker.controller && window.appLoaded, null, { timeout: 15000 });
      kept = await profile.restart();
      const again = await kept.newPage();
      await again.goto(server.url('guide/two.html'));
      assert.equal(await h.shownWithoutAsking(again), false, 'a new browser session asks');
      const first = await again.evaluate(async () => new Uint8Array(await (await fetch('/search/index.json')).arrayBuffer())[0]);
      assert.equal(first, 0x89, 'the index is ciphertext again');
    } finally {
      await profile.remove();
    }
  });

  test('an anonymous reader gets ciphertext for every file but the public ones', async () => {
    const context = await h.newContext(browser);
    for (const name of ['css/site.css', 'js/app.js', 'js/reader.js', 'img/pic.png', 'search/index.json', 'media/clip.bin']) {
      const body = await (await context.request.get(server.url(name))).body();
      assert.ok(body.subarray(0, 8).equals(MAGIC), `${name} is enciphered`);
      for (const known of ['Quokka', 'Numbat', 'rgb(1, 2, 3)', 'app script ran']) {
        assert.ok(!body.includes(known), `${name} gives ${known} away`);
      }
    }
    const robots = await (await context.request.get(server.url('robots.txt'))).text();
    assert.equal(robots, 'User-agent: *\n');
    const sw = await (await context.request.get(server.url('wendlock-sw.js'))).text();
    assert.match(sw, /^var SITE_SALT = "/);
    await context.close();
  });

  test('after a login every file works and pages open natively', async () => {
    const context = await h.newContext(browser);
    const page = await context.newPage();
    const errors = [];
    page.on('pageerror', (e) => errors.push(String(e)));
    await page.goto(server.url('index.html'));
    await h.submitLogin(page, PASSWORD);
    // The page loads again, now answered by the worker with the original.
    await page.waitForFunction(() => navigator.serviceWorker.controller && window.appLoaded, null, { timeout: 15000 });
    await page.waitForSelector('#content');
    const home = await page.evaluate(async () => ({
      html: document.documentElement.outerHTML,
      color: getComputedStyle(document.getElementById('content')).color,
      image: await new Promise((resolve) => {
        const img = document.getElementById('pic');
        if (img.complete) resolve(img.naturalWidth);
        img.onload = () => resolve(img.naturalWidth);
        img.onerror = () => resolve(-1);
      }),
      app: window.appLoaded,
      index: await (await fetch('/search/index.json')).text(),
      // A site script that fetches another page (search snippets) gets it.
      fetched: await (await fetch('/guide/two.html')).text(),
    }));
    assert.match(home.fetched, /Numbat members page/);
    assert.ok(!home.fetched.includes('vxsa'));
    assert.ok(!home.html.includes('vxsa'), 'the page is the original, not the protected one');
    assert.match(home.html, /Quokka members home/);
    assert.equal(home.color, 'rgb(1, 2, 3)');
    assert.equal(home.image, 4);
    assert.equal(home.app, 'app script ran');
    assert.equal(home.index, INDEX);
    assert.equal(await page.evaluate(fromWorker), INDEX, 'a dedicated Worker gets the plaintext');

    // A range of the large stored file is read from the chunks that hold it.
    server.resetRequests();
    const slice = await page.evaluate(async () => {
      const r = await fetch('/media/clip.bin', { headers: { Range: 'bytes=131070-131080' } });
      return { status: r.status, range: r.headers.get('Content-Range'), bytes: [...new Uint8Array(await r.arrayBuffer())] };
    });
    assert.equal(slice.status, 206);
    assert.equal(slice.range, `bytes 131070-131080/${CLIP.length}`);
    assert.deepEqual(Buffer.from(slice.bytes), CLIP.subarray(131070, 131081));
    // The header, then the two chunks the range lies in: never the whole file.
    assert.equal(server.requests('media/clip.bin'), server.ranges('media/clip.bin'));
    assert.ok(server.ranges('media/clip.bin') <= 2, `${server.ranges('media/clip.bin')} range requests`);
    const whole = await page.evaluate(async () => [...new Uint8Array(await (await fetch('/media/clip.bin')).arrayBuffer())].length);
    assert.equal(whole, CLIP.length);

    // Another page: no login, the original page, its scripts run.
    await page.click('#next');
    await page.waitForFunction(() => document.title === 'Two' && window.appLoaded);
    const two = await page.evaluate(() => document.documentElement.outerHTML);
    assert.ok(!two.includes('vxsa'));
    assert.match(two, /Numbat members page/);
    assert.deepEqual(errors, []);

    // Logout: the worker forgets the key; files are ciphertext again.
    await page.goto(server.url('index.html#wendlock-logout'));
    await h.waitForLoginForm(page);
    const after = await page.evaluate(async () => new Uint8Array(await (await fetch('/css/site.css')).arrayBuffer())[0]);
    assert.equal(after, 0x89);
    await context.close();
  });
});
