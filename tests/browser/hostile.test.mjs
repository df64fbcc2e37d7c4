// Hostile settings: alert texts, addresses, targets, lock addresses, user
// names and passwords made of quotes, backslashes, line breaks, "</script>",
// "<!--", NUL, emoji and right-to-left text. The protected page's scripts
// still parse and hold every text exactly as typed, the login works for such
// credentials, and nothing in any of those texts runs.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { readFileSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import * as h from './harness.mjs';

// Each piece tries another way out of a string literal, a script element,
// an HTML comment or an attribute; whichever escapes sets window.__pwned.
const PIECES = [
  `double " single ' backslash \\ and one at the end \\`,
  '</script><script>window.__pwned = "script element"</script>',
  '</SCRIPT ><script>window.__pwned = "upper-case end tag"</script>',
  '<!-- <script>window.__pwned = "comment"</script> -->',
  '"; window.__pwned = "double quote"; var x = "',
  "'; window.__pwned = 'single quote'; //",
  '\\"; window.__pwned = "escaped quote"; //',
  '<img src=x onerror="window.__pwned = \'markup\'">',
  '${window.__pwned = "template"} \u2028 \u2029',
  'NUL \u0000 here',
  'emoji \u{1F510}\u{1F600}',
  'right-to-left \u202Eevil\u202C \u05E9\u05DC\u05D5\u05DD \u0645\u0631\u062D\u0628\u0627',
];
const HOSTILE_TEXT = `${PIECES.join(' | ')} | line\nbreak\r\nand\ttab`;
// What window.alert shows of it: the browser makes each CR LF one line break.
const ALERTED = HOSTILE_TEXT.replace(/\r\n/g, '\n');
// A browser's password and text fields can't hold a line break (typed or
// pasted, it becomes a space), so credentials keep to what can be typed.
const HOSTILE_PASSWORD = PIECES.join(' | ');

const CONTENT = h.htmlPage({
  title: 'Members only',
  body: '<h1 id="content">Members only</h1>\r\n<p>Nothing hostile in here.</p>',
});

// Records what the option scripts assign to the two lock addresses, and
// answers every read with the empty address, which lets any page through:
// the page stays put, and the test still sees the exact text it declared.
function recordLockAddresses() {
  window.__seen = {};
  for (const name of ['vx_llu', 'vx_rlu']) {
    Object.defineProperty(window, name, {
      configurable: true,
      get: () => '',
      set: (value) => {
        window.__seen[name] = value;
      },
    });
  }
}

// Protects pages with settings no command-line option can carry (NUL, line
// breaks): a JSON project, converted to a project file, is protected.
function protectWithProject(dir, pages, project) {
  const json = path.join(dir, '.project.json');
  const vxp = path.join(dir, '.project.vxp');
  writeFileSync(json, JSON.stringify({ loginExpire: 0, refreshIE: 0, ...h.formatSettings(dir), ...project }));
  execFileSync(h.cliPath(), ['convert', json, vxp]);
  const out = execFileSync(h.cliPath(), ['protect', vxp, '--no-backup', ...pages.map((p) => path.join(dir, p))], {
    encoding: 'utf8',
  });
  assert.match(out, /have been protected successfully/);
  assert.doesNotMatch(out, /failure/i);
}

const HARDENING = {
  protectLoginPages: 1,
  protectAfterLogin: 1,
  noRightClick: 1,
  noTextSelect: 1,
  noDragDrop: 1,
  locationLock: 1,
  locationLockUrl: HOSTILE_TEXT,
  referrerLock: 1,
  referrerLockUrl: HOSTILE_TEXT,
};

const USERS = [
  { userName: PIECES[0], password: PIECES[1] },
  { userName: PIECES[1] + PIECES[3], password: PIECES[0] },
  { userName: PIECES[9] + PIECES[10], password: PIECES[11] + PIECES[4] },
  { userName: 'plain', password: HOSTILE_PASSWORD },
];

let browser;
let dir;
let server;
before(async () => {
  browser = await h.launchBrowser();
  dir = h.makeSite({ 'single.html': CONTENT, 'multi.html': CONTENT });
  protectWithProject(dir, ['single.html'], {
    templatePath: h.templatePath('single'),
    password: HOSTILE_PASSWORD,
    alertText: HOSTILE_TEXT,
    redirectUrl: HOSTILE_TEXT,
    redirectTarget: HOSTILE_TEXT,
    ...HARDENING,
  });
  protectWithProject(dir, ['multi.html'], {
    templatePath: h.templatePath('multi'),
    passwordMode: 1,
    users: USERS,
    userNameCase: 1,
    alertText: HOSTILE_TEXT,
    ...HARDENING,
  });
  server = await h.serve(dir);
});
after(async () => {
  await server?.close();
  await browser?.close();
  if (dir) h.removeSite(dir);
});

async function openPage(name) {
  const context = await h.newContext(browser);
  await context.addInitScript(recordLockAddresses);
  const page = await context.newPage();
  const dialogs = h.collectDialogs(page);
  await page.goto(server.url(name));
  return { context, page, dialogs };
}

// What the login page's scripts defined: each is there only when the
// script element that declares it parsed to its end.
function scriptState(page) {
  return page.evaluate(() => ({
    check: typeof vxpcheck,
    alertText: window.LoginAlertText,
    redirectUrl: window.LoginRedirectURL,
    redirectTarget: window.LoginRedirectURLTarget,
    // The enciphered page: vxsa in the strong format, vxpa in the classic.
    strong: Array.isArray(window.vxsv) && window.vxsv[0] === 1,
    chunks: Array.isArray(window.vxsa) ? window.vxsa.length : -1,
    classicChunks: Array.isArray(window.vxpa) ? window.vxpa.length : -1,
    seen: window.__seen,
    pwned: window.__pwned,
  }));
}

describe('hostile settings', () => {
  test('every text reaches the login page whole and none of it runs', async () => {
    const { context, page } = await openPage('single.html');
    const state = await scriptState(page);
    assert.equal(state.check, 'function', 'the login script parsed');
    assert.equal(state.alertText, HOSTILE_TEXT);
    assert.equal(state.redirectUrl, HOSTILE_TEXT);
    assert.equal(state.redirectTarget, HOSTILE_TEXT);
    assert.equal(state.strong, h.STRONG, `a ${h.FORMAT_NAME} page`);
    if (h.STRONG) {
      assert.ok(state.chunks >= 1, 'the strong page carries its chunks');
      assert.equal(state.classicChunks, -1);
    } else {
      assert.ok(state.classicChunks >= 1, 'the classic page carries its chunks');
      assert.equal(state.chunks, -1);
    }
    assert.deepEqual(state.seen, { vx_llu: HOSTILE_TEXT, vx_rlu: HOSTILE_TEXT }, 'the option scripts parsed');
    assert.equal(state.pwned, undefined);
    assert.ok(await h.isLoginForm(page));
    await context.close();
  });

  test('a wrong password alerts the hostile text exactly; the right one opens the page', async () => {
    const { context, page, dialogs } = await openPage('single.html');
    assert.equal(await h.expectRejected(page, HOSTILE_PASSWORD.slice(1)), ALERTED);
    assert.equal(await page.evaluate(() => document.getElementById('vxperror').children.length), 0);

    await page.evaluate(() => {
      window.__seen = {};
    });
    await h.login(page, HOSTILE_PASSWORD);
    assert.match(await h.bodyText(page), /Nothing hostile in here\./);
    // The option scripts after login declared the addresses again.
    assert.deepEqual(await page.evaluate(() => window.__seen), { vx_llu: HOSTILE_TEXT, vx_rlu: HOSTILE_TEXT });
    assert.equal(await page.evaluate(() => window.__pwned), undefined);
    assert.deepEqual(dialogs, [ALERTED]);
    await context.close();
  });

  test('every user with a hostile name and password logs in, and only with both', async () => {
    for (const user of USERS) {
      const { context, page } = await openPage('multi.html');
      const state = await scriptState(page);
      assert.equal(state.check, 'function');
      assert.equal(state.alertText, HOSTILE_TEXT);
      await h.login(page, user.password, { user: user.userName });
      assert.match(await h.bodyText(page), /Nothing hostile in here\./);
      assert.equal(await page.evaluate(() => window.__pwned), undefined);
      await context.close();
    }
    const { context, page } = await openPage('multi.html');
    assert.equal(await h.expectRejected(page, USERS[1].password, USERS[0].userName), ALERTED);
    assert.equal(await h.expectRejected(page, USERS[0].password, USERS[0].userName.slice(0, -1)), ALERTED);
    assert.equal(await page.evaluate(() => window.__pwned), undefined);
    await context.close();
  });

  test('the protected files carry no hostile text in the clear', async () => {
    for (const name of ['single.html', 'multi.html']) {
      const text = readFileSync(path.join(dir, name), 'latin1');
      for (const marker of ['<script>window', '<!-- <script>', '<img src=x', '\u0000']) {
        assert.equal(text.includes(marker), false, `${name} holds ${JSON.stringify(marker)}`);
      }
    }
  });
});
