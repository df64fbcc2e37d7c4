// How long a login lasts in Chromium: until the page unloads, until the
// browser closes, or a number of days; and the log-out fragment.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';
import * as h from './harness.mjs';

const DAY_MS = 86400000;

function sitePage(name) {
  return h.htmlPage({
    title: `Page ${name}`,
    body: `<h1 id="content">Members page ${name}</h1>\r\n<p><a href="${name === 'a' ? 'b' : 'a'}.html">next</a></p>`,
  });
}

let dir;
let server;
const profiles = [];
before(async () => {
  dir = h.makeSite({});
  for (const mode of [0, 1, 2]) {
    h.addFiles(dir, { [`e${mode}/a.html`]: sitePage('a'), [`e${mode}/b.html`]: sitePage('b') });
    // One run protects both pages of a folder with the same password; the
    // three runs share the site's salt, as the runs of one project do.
    h.protect(dir, [`e${mode}/a.html`, `e${mode}/b.html`], {
      password: 'members only',
      set: { loginExpire: mode, expireDays: 3 },
    });
  }
  server = await h.serve(dir);
});
after(async () => {
  for (const profile of profiles) {
    await profile.remove();
  }
  await server?.close();
  if (dir) h.removeSite(dir);
});

// A browser of its own, with a profile on disk that outlives a restart.
async function startBrowser() {
  const profile = new h.Profile();
  profiles.push(profile);
  await profile.start();
  return profile;
}


async function loginOnce(context, url) {
  const page = await context.newPage();
  await page.goto(url);
  await h.login(page, 'members only');
  return page;
}

// The tests check what a visitor sees, not where a login is kept, so that
// they hold for either format and either kind of storage.
describe(`login expiry (${h.FORMAT_NAME} format)`, () => {
  test('mode 0: a reload and every other page ask again', async () => {
    const browser = await startBrowser();
    const page = await loginOnce(browser.context, server.url('e0/a.html'));
    await page.reload();
    assert.equal(await h.shownWithoutAsking(page), false);
    assert.equal(await h.opensWithoutAsking(browser.context, server.url('e0/b.html')), false);
    await browser.restart();
    assert.equal(await h.opensWithoutAsking(browser.context, server.url('e0/a.html')), false);
  });

  test('mode 1: the site stays open until the browser closes', async () => {
    const browser = await startBrowser();
    const page = await loginOnce(browser.context, server.url('e1/a.html'));
    await page.reload();
    assert.equal(await page.locator('#content').textContent(), 'Members page a');
    // A link to the second page of the site opens it at once.
    await page.click('text=next');
    await page.waitForURL(server.url('e1/b.html'));
    await page.waitForSelector('#content');
    assert.equal(await h.isLoginForm(page), false);
    // So does a new tab.
    assert.equal(await h.opensWithoutAsking(browser.context, server.url('e1/b.html')), true);
    // Pages protected with another expiry mode keep their own rule.
    assert.equal(await h.opensWithoutAsking(browser.context, server.url('e0/a.html')), false);

    // Another browser never logged in.
    const other = await startBrowser();
    assert.equal(await h.opensWithoutAsking(other.context, server.url('e1/a.html')), false);
    await other.stop();

    // Closed and started again, the browser asks.
    await browser.restart();
    assert.equal(await h.opensWithoutAsking(browser.context, server.url('e1/b.html')), false);
    assert.equal(await h.opensWithoutAsking(browser.context, server.url('e1/a.html')), false);
  });

  test('mode 2: remembered across browser restarts for the given days', async () => {
    const browser = await startBrowser();
    await loginOnce(browser.context, server.url('e2/a.html'));
    assert.equal(await h.opensWithoutAsking(browser.context, server.url('e2/b.html')), true);

    await browser.restart();
    assert.equal(await h.opensWithoutAsking(browser.context, server.url('e2/a.html')), true);
    assert.equal(await h.opensWithoutAsking(browser.context, server.url('e2/b.html')), true);

    // Two days later the login still holds; four days later it has run out.
    await browser.restart();
    await browser.context.clock.setFixedTime(Date.now() + 2 * DAY_MS);
    assert.equal(await h.opensWithoutAsking(browser.context, server.url('e2/a.html')), true);
    await browser.restart();
    await browser.context.clock.setFixedTime(Date.now() + 4 * DAY_MS);
    assert.equal(await h.opensWithoutAsking(browser.context, server.url('e2/a.html')), false);
    assert.equal(await h.opensWithoutAsking(browser.context, server.url('e2/b.html')), false);
    // Once run out it stays out, back at today's date too.
    await browser.restart();
    assert.equal(await h.opensWithoutAsking(browser.context, server.url('e2/a.html')), false);

    // A browser that never logged in is asked.
    const other = await startBrowser();
    assert.equal(await h.opensWithoutAsking(other.context, server.url('e2/a.html')), false);
    await other.stop();
  });

  test('the log-out fragment forgets the remembered login', async () => {
    const browser = await startBrowser();
    await loginOnce(browser.context, server.url('e2/a.html'));
    assert.equal(await h.opensWithoutAsking(browser.context, server.url('e2/b.html')), true);
    // A page of the same password that expires with the browser uses it too.
    assert.equal(await h.opensWithoutAsking(browser.context, server.url('e1/a.html')), true);

    const page = await browser.context.newPage();
    await page.goto(server.url('e2/b.html#wendlock-logout'));
    assert.ok(await h.isLoginForm(page), 'the log-out address shows the login');
    // The fragment goes once the logins are forgotten (storage is slow
    // on a loaded machine), so that a reload does not log out again.
    await page.waitForFunction(() => location.hash === '', null, { timeout: 8000 });
    await page.close();

    assert.equal(await h.opensWithoutAsking(browser.context, server.url('e2/a.html')), false);
    assert.equal(await h.opensWithoutAsking(browser.context, server.url('e1/a.html')), false);
    await browser.restart();
    assert.equal(await h.opensWithoutAsking(browser.context, server.url('e2/a.html')), false);

    // Logging in again after the log-out is remembered as before.
    await loginOnce(browser.context, server.url('e2/b.html'));
    assert.equal(await h.opensWithoutAsking(browser.context, server.url('e2/a.html')), true);
    await browser.restart();
    assert.equal(await h.opensWithoutAsking(browser.context, server.url('e2/a.html')), true);
  });
});
