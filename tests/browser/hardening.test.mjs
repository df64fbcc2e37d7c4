// The hardening options in Chromium. Every option set is protected twice:
// once on the login page only ("login/") and once on the page after login
// only ("after/"). Each variant's unhardened side is the control for the
// other: the same probe must see the effect where the scripts are placed
// and not see it where they are not.
import assert from 'node:assert/strict';
import { readFileSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import * as h from './harness.mjs';

const PASSWORD = 'hardened';
const PAGE = h.htmlPage({
  title: 'Hardened page',
  body: [
    '<h1 id="content">Hardened page text</h1>',
    '<p>Select this paragraph of text if you can.</p>',
    '<p><a id="link" href="elsewhere.html">A link somewhere</a></p>',
  ].join('\r\n'),
});
const FIREFOX_UA = 'Mozilla/5.0 (X11; Linux x86_64; rv:128.0) Gecko/20100101 Firefox/128.0';
const OPERA_UA =
  'Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/124.0.0.0 Safari/537.36 OPR/110.0.0.0';

let browser;
let dir;
let server;
let other; // the same folder served from a second address

// Protects name/login/p.html and name/after/p.html with the options.
function protectBoth(name, options, template) {
  h.addFiles(dir, { [`${name}/login/p.html`]: PAGE, [`${name}/after/p.html`]: PAGE });
  for (const [variant, placement] of [['login', 'protectLoginPages'], ['after', 'protectAfterLogin']]) {
    h.protect(dir, `${name}/${variant}/p.html`, {
      password: PASSWORD,
      template,
      set: { ...options, [placement]: 1 },
    });
  }
}

// The single-password Classic template with a link under the form, as a
// login page that links to a help page would have.
function templateWithLink() {
  const file = path.join(dir, 'with-link.htm');
  const text = readFileSync(h.templatePath('single'), 'latin1').replace(
    '</main>',
    '</main>\r\n<p><a id="link" href="elsewhere.html">A link on the login page</a></p>',
  );
  assert.ok(text.includes('id="link"'));
  writeFileSync(file, text, 'latin1');
  return file;
}

before(async () => {
  browser = await h.launchBrowser();
  dir = h.makeSite({
    'frames/iframe.html': '<!DOCTYPE html>\r\n<title>Host</title>\r\n<iframe src="../kill/login/p.html"></iframe>\r\n',
    'frames/frameset.html':
      '<html><head><title>Host</title></head>\r\n<frameset cols="100%"><frame src="../kill/login/p.html"></frameset></html>\r\n',
    'frames/after.html': '<!DOCTYPE html>\r\n<title>Host</title>\r\n<iframe src="../kill/after/p.html"></iframe>\r\n',
    'portal.html': [
      '<!DOCTYPE html><title>Portal</title>',
      '<a id="to-login" href="referrer/login/p.html">login variant</a>',
    ].join('\r\n'),
  });
  server = await h.serve(dir);
  other = await h.serve(dir);
  protectBoth('copy', { noRightClick: 1, noTextSelect: 1, noPrint: 1, noDragDrop: 1 });
  protectBoth('click', { noRightClick: 1 });
  protectBoth('select', { noTextSelect: 1 });
  protectBoth('screen', { noStatusLinks: 1, noPrintScreen: 1 }, templateWithLink());
  protectBoth('kill', { killFrame: 1 });
  protectBoth('location', { locationLock: 1, locationLockUrl: server.url('location/') });
  protectBoth('referrer', { referrerLock: 1, referrerLockUrl: server.url('portal.html') });
  protectBoth('offline', { noOffline: 1 });
  protectBoth('agent', { noMozilla: 1, noOpera: 1 });
});
after(async () => {
  await browser?.close();
  await server?.close();
  await other?.close();
  if (dir) h.removeSite(dir);
});

// What the copy-protection options change, seen through real input where
// Chromium offers it (right click, triple click) and print media.
async function copyProbe(page) {
  await page.evaluate(() => {
    window.addEventListener('contextmenu', (e) => {
      document.documentElement.dataset.contextPrevented = String(e.defaultPrevented);
    });
  });
  await page.click('h1', { button: 'right' });
  await page.click('h1', { clickCount: 3 });
  const result = await page.evaluate(() => {
    const drag = new DragEvent('dragstart', { bubbles: true, cancelable: true });
    document.querySelector('h1').dispatchEvent(drag);
    return {
      contextMenu: document.documentElement.dataset.contextPrevented === 'true',
      selected: window.getSelection().toString().trim() !== '',
      userSelect: getComputedStyle(document.body).userSelect,
      drag: drag.defaultPrevented,
    };
  });
  await page.emulateMedia({ media: 'print' });
  result.printedBody = await page.evaluate(() => getComputedStyle(document.body).display !== 'none');
  await page.emulateMedia({ media: 'screen' });
  return result;
}

const OPEN = { contextMenu: false, selected: true, userSelect: 'auto', drag: false, printedBody: true };

async function atLoginAndAfter(context, url, probe) {
  const page = await context.newPage();
  await page.goto(url);
  assert.ok(await h.isLoginForm(page));
  const login = await probe(page);
  await h.login(page, PASSWORD);
  const afterLogin = await probe(page);
  await page.close();
  return { login, afterLogin };
}

// Opens a URL that the page is expected to leave for an empty page.
async function leavesForBlank(page, url) {
  await h.gotoAndSettle(page, url);
  await page.waitForURL('about:blank');
}

describe('hardening options', () => {
  test('right click, text select, printing and drag and drop together', async () => {
    const context = await h.newContext(browser);
    const blocked = { contextMenu: true, selected: false, userSelect: 'none', drag: true, printedBody: false };
    const onLogin = await atLoginAndAfter(context, server.url('copy/login/p.html'), copyProbe);
    assert.deepEqual(onLogin, { login: blocked, afterLogin: OPEN });
    const afterLogin = await atLoginAndAfter(context, server.url('copy/after/p.html'), copyProbe);
    assert.deepEqual(afterLogin, { login: OPEN, afterLogin: blocked });
    await context.close();
  });

  test('right click alone and text select alone block only their own action', async () => {
    const context = await h.newContext(browser);
    const noClick = { ...OPEN, contextMenu: true };
    assert.deepEqual(await atLoginAndAfter(context, server.url('click/login/p.html'), copyProbe), {
      login: noClick,
      afterLogin: OPEN,
    });
    assert.deepEqual(await atLoginAndAfter(context, server.url('click/after/p.html'), copyProbe), {
      login: OPEN,
      afterLogin: noClick,
    });
    const noSelect = { ...OPEN, selected: false, userSelect: 'none' };
    assert.deepEqual(await atLoginAndAfter(context, server.url('select/login/p.html'), copyProbe), {
      login: noSelect,
      afterLogin: OPEN,
    });
    assert.deepEqual(await atLoginAndAfter(context, server.url('select/after/p.html'), copyProbe), {
      login: OPEN,
      afterLogin: noSelect,
    });
    // The password field stays usable on a page that blocks selection.
    const page = await context.newPage();
    await page.goto(server.url('select/login/p.html'));
    await page.fill('#vxppass', 'typed text');
    await page.click('#vxppass', { clickCount: 3 });
    const field = await page.evaluate(() => {
      const input = document.getElementById('vxppass');
      return { userSelect: getComputedStyle(input).userSelect, selected: input.selectionEnd - input.selectionStart };
    });
    assert.deepEqual(field, { userSelect: 'text', selected: 'typed text'.length });
    await context.close();
  });

  test('status bar links and print screen', async () => {
    const context = await h.newContext(browser, { permissions: ['clipboard-read', 'clipboard-write'] });
    // While the mouse is over a link it has no address to show; it gets
    // it back when the mouse leaves. The clipboard is emptied on the
    // PrintScreen key.
    const probe = async (page) => {
      await page.hover('#link');
      const hovered = await page.getAttribute('#link', 'href');
      await page.mouse.move(1, 400);
      const left = await page.getAttribute('#link', 'href');
      await page.evaluate(() => navigator.clipboard.writeText('copied secret'));
      await page.keyboard.press('PrintScreen');
      await page.waitForTimeout(100);
      const clipboard = await page.evaluate(() => navigator.clipboard.readText());
      return { hovered, left, clipboard };
    };
    const hidden = { hovered: null, left: 'elsewhere.html', clipboard: '' };
    const shown = { hovered: 'elsewhere.html', left: 'elsewhere.html', clipboard: 'copied secret' };
    assert.deepEqual(await atLoginAndAfter(context, server.url('screen/login/p.html'), probe), {
      login: hidden,
      afterLogin: shown,
    });
    assert.deepEqual(await atLoginAndAfter(context, server.url('screen/after/p.html'), probe), {
      login: shown,
      afterLogin: hidden,
    });
    await context.close();
  });

  test('kill frame breaks out of an iframe and a frameset', async () => {
    const context = await h.newContext(browser);
    const page = await context.newPage();
    for (const host of ['frames/iframe.html', 'frames/frameset.html']) {
      await h.gotoAndSettle(page, server.url(host));
      await page.waitForURL(server.url('kill/login/p.html'));
      assert.ok(await h.isLoginForm(page), `out of ${host}`);
    }
    // Placed after login only: the login page stays in the frame, and the
    // page breaks out once it is shown.
    await page.goto(server.url('frames/after.html'));
    const frame = page.frameLocator('iframe');
    await frame.locator('#vxppass').fill(PASSWORD);
    assert.equal(page.url(), server.url('frames/after.html'));
    await frame.locator('#vxppass').press('Enter');
    await page.waitForURL(server.url('kill/after/p.html'));
    await context.close();
  });

  test('location lock leaves a page opened from another address', async () => {
    const context = await h.newContext(browser);
    const page = await context.newPage();
    await page.goto(server.url('location/login/p.html'));
    assert.ok(await h.isLoginForm(page));
    await leavesForBlank(page, other.url('location/login/p.html'));

    await page.goto(other.url('location/after/p.html'));
    assert.ok(await h.isLoginForm(page), 'the login page of the after-login variant is not locked');
    await h.submitLogin(page, PASSWORD);
    await page.waitForURL('about:blank');
    await page.goto(server.url('location/after/p.html'));
    await h.login(page, PASSWORD);
    assert.equal(page.url(), server.url('location/after/p.html'));
    await context.close();
  });

  test('referrer lock admits only visits from the lock address, on the login page', async () => {
    const context = await h.newContext(browser);
    const page = await context.newPage();
    await leavesForBlank(page, server.url('referrer/login/p.html'));
    await page.goto(server.url('portal.html'));
    await page.click('#to-login');
    await page.waitForURL(server.url('referrer/login/p.html'));
    assert.ok(await h.isLoginForm(page));
    await h.login(page, PASSWORD);

    // The page after login never carries the referrer lock.
    await page.goto(server.url('referrer/after/p.html'));
    await h.login(page, PASSWORD);
    assert.equal(page.url(), server.url('referrer/after/p.html'));
    await context.close();
  });

  test('no off-line viewing blanks a page opened as a file', async () => {
    const context = await h.newContext(browser);
    const page = await context.newPage();
    await leavesForBlank(page, h.fileUrl(dir, 'offline/login/p.html'));
    await page.goto(server.url('offline/login/p.html'));
    await h.login(page, PASSWORD);

    await page.goto(h.fileUrl(dir, 'offline/after/p.html'));
    assert.ok(await h.isLoginForm(page));
    await h.submitLogin(page, PASSWORD);
    await page.waitForURL('about:blank');
    await page.goto(server.url('offline/after/p.html'));
    await h.login(page, PASSWORD);
    await context.close();
  });

  test('Mozilla and Opera users get an empty page, Chromium users do not', async () => {
    for (const userAgent of [FIREFOX_UA, OPERA_UA]) {
      const context = await h.newContext(browser, { userAgent });
      const page = await context.newPage();
      await leavesForBlank(page, server.url('agent/login/p.html'));
      await page.goto(server.url('agent/after/p.html'));
      assert.ok(await h.isLoginForm(page));
      await h.submitLogin(page, PASSWORD);
      await page.waitForURL('about:blank');
      await context.close();
    }
    const context = await h.newContext(browser);
    const page = await context.newPage();
    await page.goto(server.url('agent/login/p.html'));
    await h.login(page, PASSWORD);
    await page.goto(server.url('agent/after/p.html'));
    await h.login(page, PASSWORD);
    await context.close();
  });
});
