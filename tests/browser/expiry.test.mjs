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

let browser;
let dir;
let server;
before(async () => {
  browser = await h.launchBrowser();
  dir = h.makeSite({});
  for (const mode of [0, 1, 2]) {
    h.addFiles(dir, { [`e${mode}/a.html`]: sitePage('a'), [`e${mode}/b.html`]: sitePage('b') });
    // One run protects both pages of a folder with the same password.
    h.protect(dir, [`e${mode}/a.html`, `e${mode}/b.html`], {
      password: 'members only',
      set: { loginExpire: mode, expireDays: 3 },
    });
  }
  server = await h.serve(dir);
});
after(async () => {
  await browser?.close();
  await server?.close();
  if (dir) h.removeSite(dir);
});

// Opens a page and tells whether it showed its content without asking.
async function opensWithoutAsking(context, url) {
  const page = await context.newPage();
  await page.goto(url);
  const asked = await h.isLoginForm(page);
  const shown = (await page.locator('#content').count()) === 1;
  assert.notEqual(asked, shown, `${url} shows either the login or the page`);
  await page.close();
  return shown;
}

// What survives closing the browser: the cookies that carry an expiry.
async function afterRestart(context) {
  const state = await context.storageState();
  state.cookies = state.cookies.filter((cookie) => cookie.expires > 0);
  return h.newContext(browser, { storageState: state });
}

async function loginOnce(context, url) {
  const page = await context.newPage();
  await page.goto(url);
  await h.login(page, 'members only');
  return page;
}

describe('login expiry', () => {
  test('mode 0: a reload and every other page ask again', async () => {
    const context = await h.newContext(browser);
    const page = await loginOnce(context, server.url('e0/a.html'));
    await page.reload();
    assert.ok(await h.isLoginForm(page));
    assert.equal(await opensWithoutAsking(context, server.url('e0/b.html')), false);
    await context.close();
  });

  test('mode 1: the site stays open until the browser closes', async () => {
    const context = await h.newContext(browser);
    const page = await loginOnce(context, server.url('e1/a.html'));
    await page.reload();
    assert.equal(await page.locator('#content').textContent(), 'Members page a');
    // A link to the second page of the site opens it at once.
    await page.click('text=next');
    await page.waitForURL(server.url('e1/b.html'));
    await page.waitForSelector('#content');
    assert.equal(await h.isLoginForm(page), false);
    // Pages protected with another expiry mode keep their own rule.
    assert.equal(await opensWithoutAsking(context, server.url('e0/a.html')), false);

    const fresh = await h.newContext(browser);
    assert.equal(await opensWithoutAsking(fresh, server.url('e1/a.html')), false);
    await fresh.close();
    const restarted = await afterRestart(context);
    assert.equal(await opensWithoutAsking(restarted, server.url('e1/b.html')), false);
    await restarted.close();
    await context.close();
  });

  test('mode 2: remembered across browser restarts for the given days', async () => {
    const context = await h.newContext(browser);
    await loginOnce(context, server.url('e2/a.html'));
    assert.equal(await opensWithoutAsking(context, server.url('e2/b.html')), true);

    const restarted = await afterRestart(context);
    assert.equal(await opensWithoutAsking(restarted, server.url('e2/a.html')), true);
    assert.equal(await opensWithoutAsking(restarted, server.url('e2/b.html')), true);
    await restarted.close();

    // Two days later the login still holds; four days later it has run out.
    const later = await afterRestart(context);
    await later.clock.setFixedTime(Date.now() + 2 * DAY_MS);
    assert.equal(await opensWithoutAsking(later, server.url('e2/a.html')), true);
    await later.clock.setFixedTime(Date.now() + 4 * DAY_MS);
    assert.equal(await opensWithoutAsking(later, server.url('e2/a.html')), false);
    assert.equal(await opensWithoutAsking(later, server.url('e2/b.html')), false);
    await later.close();

    // A new browser that never logged in is asked.
    const fresh = await h.newContext(browser);
    assert.equal(await opensWithoutAsking(fresh, server.url('e2/a.html')), false);
    await fresh.close();
    await context.close();
  });

  test('the log-out fragment forgets the remembered login', async () => {
    const context = await h.newContext(browser);
    await loginOnce(context, server.url('e2/a.html'));
    assert.equal(await opensWithoutAsking(context, server.url('e2/b.html')), true);
    // A page of the same password that expires with the browser uses it too.
    assert.equal(await opensWithoutAsking(context, server.url('e1/a.html')), true);

    const page = await context.newPage();
    await page.goto(server.url('e2/b.html#wendlock-logout'));
    assert.ok(await h.isLoginForm(page), 'the log-out address shows the login');
    assert.equal(new URL(page.url()).hash, '', 'the fragment is dropped so a reload does not log out again');
    await page.close();

    assert.equal(await opensWithoutAsking(context, server.url('e2/a.html')), false);
    assert.equal(await opensWithoutAsking(context, server.url('e1/a.html')), false);
    const restarted = await afterRestart(context);
    assert.equal(await opensWithoutAsking(restarted, server.url('e2/a.html')), false);
    await restarted.close();

    // Logging in again after the log-out is remembered as before.
    await loginOnce(context, server.url('e2/b.html'));
    assert.equal(await opensWithoutAsking(context, server.url('e2/a.html')), true);
    await context.close();
  });
});
