// Logging in to protected pages in Chromium: the right password shows the
// page as it was, a wrong one gives the configured reaction, several users
// each open the page, and the login page keeps the page's own head.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import * as h from './harness.mjs';

const REPORT = h.htmlPage({
  title: 'Quarterly report',
  head: '<style>#content { letter-spacing: 1px; }</style>',
  body: [
    '<h1 id="content">Quarterly figures</h1>',
    '<p>Revenue rose by a tenth.</p>',
    '<p id="computed"></p>',
    "<script>document.getElementById('computed').textContent = 'Computed ' + 6 * 7 + ' on the page';</script>",
  ].join('\r\n'),
});

// An alert text that breaks out of a string literal, out of the script
// element and out of the error region if any of them is written unescaped.
const TRICKY_ALERT =
  'Wrong "password" \u2013 it\'s C:\\temp\\ </script><script>window.injected=1</script> <b>bold</b> \u{1F510}';

let browser;
before(async () => {
  browser = await h.launchBrowser();
});
after(async () => {
  await browser?.close();
});

describe('single password', () => {
  let dir;
  let server;
  before(async () => {
    dir = h.makeSite({
      'report.html': REPORT,
      'plain/report.html': REPORT,
      'alert/report.html': REPORT,
      'nohead/report.html': REPORT,
      'deep/long.html': h.htmlPage({
        title: 'Long page',
        body: [
          '<h1 id="content">Top of the page</h1>',
          '<div style="height: 3000px">filler</div>',
          '<h2 id="section">Details</h2>',
          '<div style="height: 3000px">more filler</div>',
        ].join('\r\n'),
      }),
    });
    h.protect(dir, 'report.html', { password: 'Open Sesame' });
    h.protect(dir, 'alert/report.html', { password: 'Open Sesame', set: { alertText: TRICKY_ALERT } });
    h.protect(dir, 'nohead/report.html', { password: 'Open Sesame', set: { copyHead: 0 } });
    h.protect(dir, 'deep/long.html', { password: 'Open Sesame' });
    server = await h.serve(dir);
  });
  after(async () => {
    await server?.close();
    if (dir) h.removeSite(dir);
  });

  test('the protected file holds none of the page text in clear', () => {
    const text = readFileSync(path.join(dir, 'report.html'), 'utf8');
    assert.doesNotMatch(text, /Revenue rose|Quarterly figures|Computed/);
  });

  test('the right password shows the original page and runs its own script', async () => {
    const context = await h.newContext(browser);
    const page = await context.newPage();
    h.collectDialogs(page);
    await page.goto(server.url('plain/report.html'));
    const original = { text: await h.bodyText(page), title: await page.title() };

    await page.goto(server.url('report.html'));
    assert.ok(await h.isLoginForm(page), 'the login form is shown first');
    assert.doesNotMatch(await h.bodyText(page), /Computed|Revenue/);
    await h.login(page, 'Open Sesame');
    assert.equal(await page.title(), 'Quarterly report');
    assert.equal(await h.bodyText(page), original.text);
    assert.match(original.text, /Computed 42 on the page/);
    assert.equal(await page.evaluate(() => document.compatMode), 'CSS1Compat');
    // The page's own style sheet is in effect after login.
    assert.equal(
      await page.evaluate(() => getComputedStyle(document.getElementById('content')).letterSpacing),
      '1px',
    );
    assert.equal(await h.isLoginForm(page), false);
    await context.close();
  });

  test('the page title stays on the login page; without head copy the template title shows', async () => {
    const context = await h.newContext(browser);
    const page = await context.newPage();
    await page.goto(server.url('report.html'));
    assert.equal(await page.title(), 'Quarterly report');

    await page.goto(server.url('nohead/report.html'));
    assert.equal(await page.title(), h.templateTitle(h.templatePath('single')));
    assert.notEqual(await page.title(), 'Quarterly report');
    await h.login(page, 'Open Sesame');
    assert.equal(await page.title(), 'Quarterly report');
    await context.close();
  });

  test('a wrong password alerts the configured text exactly and runs none of it', async () => {
    const context = await h.newContext(browser);
    const page = await context.newPage();
    const dialogs = h.collectDialogs(page);
    await page.goto(server.url('alert/report.html'));
    assert.equal(await h.expectRejected(page, 'open sesame?'), TRICKY_ALERT);
    assert.deepEqual(dialogs, [TRICKY_ALERT]);
    assert.equal(await page.evaluate(() => window.injected), undefined);
    const region = await page.evaluate(() => {
      const box = document.getElementById('vxperror');
      return { text: box.textContent, elements: box.children.length };
    });
    assert.deepEqual(region, { text: TRICKY_ALERT, elements: 0 });
    assert.equal(await page.inputValue('#vxppass'), '', 'the wrong password is cleared');

    // The same page still opens with the right password afterwards.
    await h.login(page, 'Open Sesame');
    assert.match(await h.bodyText(page), /Revenue rose by a tenth\./);
    assert.equal(await page.evaluate(() => window.injected), undefined);
    await context.close();
  });

  test('password case matters by default', async () => {
    const context = await h.newContext(browser);
    const page = await context.newPage();
    h.collectDialogs(page);
    await page.goto(server.url('report.html'));
    assert.equal(await h.expectRejected(page, 'open sesame'), 'Invalid Password!');
    assert.equal(await h.expectRejected(page, ''), 'Invalid Password!');
    await context.close();
  });

  test('a deep link opens at its anchor after login', async () => {
    const context = await h.newContext(browser);
    const page = await context.newPage();
    await page.goto(server.url('deep/long.html#section'));
    await h.login(page, 'Open Sesame');
    await page.waitForFunction(() => window.scrollY > 2000);
    const top = await page.evaluate(() => document.getElementById('section').getBoundingClientRect().top);
    assert.ok(Math.abs(top) < 2, `the anchor is at the top of the view (${top})`);
    assert.equal(new URL(page.url()).hash, '#section');

    // Without a fragment the page opens at its top.
    await page.goto(server.url('deep/long.html'));
    await h.login(page, 'Open Sesame');
    assert.equal(await page.evaluate(() => window.scrollY), 0);
    await context.close();
  });
});

describe('redirect on a wrong login', () => {
  let dir;
  let server;
  before(async () => {
    dir = h.makeSite({
      'same/report.html': REPORT,
      'named/report.html': REPORT,
      'denied.html': h.htmlPage({ title: 'Access denied', body: '<h1 id="denied">Access denied</h1>' }),
    });
    server = await h.serve(dir);
    const redirect = { incorrectAction: 1, redirectUrl: server.url('denied.html') };
    h.protect(dir, 'same/report.html', { password: 'Open Sesame', set: { ...redirect, redirectTarget: '' } });
    h.protect(dir, 'named/report.html', {
      password: 'Open Sesame',
      set: { ...redirect, redirectTarget: 'wendlock_help' },
    });
  });
  after(async () => {
    await server?.close();
    if (dir) h.removeSite(dir);
  });

  test('without a target the page itself goes to the redirect address', async () => {
    const context = await h.newContext(browser);
    const page = await context.newPage();
    const dialogs = h.collectDialogs(page);
    await page.goto(server.url('same/report.html'));
    await h.submitLogin(page, 'nope');
    await page.waitForURL(server.url('denied.html'));
    assert.equal(await page.title(), 'Access denied');
    assert.deepEqual(dialogs, []);

    // The right password is not redirected.
    await page.goto(server.url('same/report.html'));
    await h.login(page, 'Open Sesame');
    assert.equal(page.url(), server.url('same/report.html'));
    await context.close();
  });

  test('a named target opens the address in the window of that name', async () => {
    const context = await h.newContext(browser);
    const page = await context.newPage();
    const dialogs = h.collectDialogs(page);
    await page.goto(server.url('named/report.html'));

    const [popup] = await Promise.all([context.waitForEvent('page'), h.submitLogin(page, 'nope')]);
    await popup.waitForURL(server.url('denied.html'));
    assert.equal(await popup.evaluate(() => window.name), 'wendlock_help');
    assert.equal(await popup.title(), 'Access denied');
    // The login page stays where it was and says what went wrong.
    assert.equal(page.url(), server.url('named/report.html'));
    assert.ok(await h.isLoginForm(page));
    await h.waitForLoginError(page);
    assert.deepEqual(dialogs, []);

    // A second wrong login reuses that window instead of opening another.
    await popup.goto('about:blank');
    await h.submitLogin(page, 'still wrong');
    await popup.waitForURL(server.url('denied.html'));
    assert.equal(context.pages().length, 2);
    await context.close();
  });
});

describe('several users', () => {
  // Written the way the user list export writes it, one byte a character;
  // "jürgen" checks that names outside ASCII reach the digests as UTF-8.
  const USERS = [
    '"alice","Wonder-1","Alice Archer","alice@example.com","Sales"',
    'bob,Builder2,Bob Brown',
    '"j\u00fcrgen","Gr\u00fc\u00dfe 42","","",""',
    '',
  ].join('\r\n');
  const PAIRS = [
    ['alice', 'Wonder-1'],
    ['bob', 'Builder2'],
    ['j\u00fcrgen', 'Gr\u00fc\u00dfe 42'],
  ];

  let dir;
  let server;
  before(async () => {
    dir = h.makeSite({ 'exact/report.html': REPORT, 'folded/report.html': REPORT });
    h.protect(dir, 'exact/report.html', { users: USERS });
    h.protect(dir, 'folded/report.html', { users: USERS, set: { userNameCase: 0, passwordCase: 0 } });
    server = await h.serve(dir);
  });
  after(async () => {
    await server?.close();
    if (dir) h.removeSite(dir);
  });

  async function opens(context, folder, user, password) {
    const page = await context.newPage();
    await page.goto(server.url(`${folder}/report.html`));
    assert.equal(await page.locator('#vxpuser').count(), 1, 'the form asks for a user name');
    await h.login(page, password, { user });
    assert.match(await h.bodyText(page), /Computed 42 on the page/);
    await page.close();
  }

  async function refused(context, folder, user, password) {
    const page = await context.newPage();
    h.collectDialogs(page);
    await page.goto(server.url(`${folder}/report.html`));
    assert.equal(await h.expectRejected(page, password, user), 'Invalid Password!', `${user}/${password}`);
    await page.close();
  }

  test('every user of the list opens the page; wrong pairs do not', async () => {
    const context = await h.newContext(browser);
    for (const [user, password] of PAIRS) {
      await opens(context, 'exact', user, password);
    }
    await refused(context, 'exact', 'alice', 'Builder2');
    await refused(context, 'exact', 'Wonder-1', 'alice');
    await refused(context, 'exact', 'mallory', 'Wonder-1');
    await refused(context, 'exact', 'ALICE', 'Wonder-1');
    await refused(context, 'exact', 'alice', 'wonder-1');
    await context.close();
  });

  test('with both case settings off other letter case is accepted, A to Z only', async () => {
    const context = await h.newContext(browser);
    await opens(context, 'folded', 'ALICE', 'wONDER-1');
    await opens(context, 'folded', 'Bob', 'BUILDER2');
    await opens(context, 'folded', 'J\u00fcRGEN', 'GR\u00fc\u00dfE 42');
    // Ü is not one of A to Z, so it is not folded.
    await refused(context, 'folded', 'J\u00dcRGEN', 'Gr\u00fc\u00dfe 42');
    await refused(context, 'folded', 'alice', 'Builder2');
    await context.close();
  });
});

// A classic page keeps ten lines a chunk, and Chromium compiles no call of
// more than 65535 arguments: a page of more chunks than that still opens,
// its login settings included, for one password and for several users.
describe('a page of more chunks than one call takes arguments', () => {
  const LONG = h.htmlPage({
    title: 'Long list',
    body: '<h1 id="content">Long list</h1>\r\n' + 'item\r\n'.repeat(700000) + '<p id="end">The end</p>',
  });
  let dir;
  let server;
  before(async () => {
    dir = h.makeSite({ 'one/long.html': LONG, 'users/long.html': LONG });
    h.protect(dir, 'one/long.html', { password: 'Open Sesame' });
    h.protect(dir, 'users/long.html', { users: 'bob,Builder2\r\n' });
    server = await h.serve(dir);
  });
  after(async () => {
    await server?.close();
    if (dir) h.removeSite(dir);
  });

  test('opens with the right login, refuses a wrong one with the page settings', async () => {
    const context = await h.newContext(browser);
    for (const [folder, user, password] of [['one', undefined, 'Open Sesame'], ['users', 'bob', 'Builder2']]) {
      const page = await context.newPage();
      h.collectDialogs(page);
      await page.goto(server.url(`${folder}/long.html`));
      assert.equal(await h.expectRejected(page, 'wrong', user), 'Invalid Password!', folder);
      await h.login(page, password, { user, expect: '#end' });
      assert.equal(await page.title(), 'Long list');
      assert.equal(await page.locator('#content').count(), 1, folder);
      await page.close();
    }
    await context.close();
  });
});

describe('a site protected into an output folder', () => {
  let dir;
  let out;
  let server;
  before(async () => {
    dir = h.makeSite({ 'site/report.html': REPORT, 'site/docs/report.html': REPORT, 'site/docs/note.txt': 'kept' });
    out = path.join(dir, 'public-protected');
    h.protect(dir, 'site', { password: 'Open Sesame', output: out });
    server = await h.serve(out);
  });
  after(async () => {
    await server?.close();
    h.removeSite(dir);
  });

  test('a page of the copy opens with the password; the source and the other files stay as they were', async () => {
    assert.equal(readFileSync(path.join(dir, 'site/docs/report.html'), 'utf8'), REPORT);
    assert.equal(readFileSync(path.join(out, 'docs/note.txt'), 'utf8'), 'kept');
    assert.doesNotMatch(readFileSync(path.join(out, 'docs/report.html'), 'utf8'), /Revenue rose/);
    const context = await h.newContext(browser);
    const page = await context.newPage();
    await page.goto(server.url('docs/report.html'));
    assert.ok(await h.isLoginForm(page), 'the login form is shown first');
    await h.login(page, 'Open Sesame');
    assert.match(await h.bodyText(page), /Computed 42 on the page/);
    await context.close();
  });
});
