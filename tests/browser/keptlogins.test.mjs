// Where a remembered login goes, and who else can get it, in Chromium: a
// local page of another folder (every file:// page is of one origin there),
// a log-out in another tab, a browser closed and started again, a browser
// with JavaScript off, and a page damaged after it was published.
import assert from 'node:assert/strict';
import { pbkdf2Sync } from 'node:crypto';
import { readdirSync, readFileSync, statSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import * as h from './harness.mjs';

const PASSWORD = 'members only';
const DAMAGED = "This page is damaged; ask the site's author to publish it again.";

function sitePage(name) {
  return h.htmlPage({
    title: `Page ${name}`,
    body: `<h1 id="content">Members page ${name}</h1>\r\n<p><a href="${name === 'a' ? 'b' : 'a'}.html">next</a></p>`,
  });
}

// A local page that tries every way to the site's login: it listens on the
// site's channel from the start, asks it by the site's name, and reads
// IndexedDB and its storage. loot(name) says what it got.
const ATTACKER = `<!DOCTYPE html><html><head><title>Spy</title></head><body><p>spy</p><script>
const heard = [];
let channel = null;
try { channel = new BroadcastChannel('wendlock'); channel.onmessage = (e) => heard.push(e.data); } catch (e) {}
const hex = (v) => Array.from(new Uint8Array(v.buffer || v), (b) => b.toString(16).padStart(2, '0')).join('');
const flat = (v) => v instanceof CryptoKey ? 'key:' + v.type + ':' + v.extractable
  : v && (v instanceof ArrayBuffer || ArrayBuffer.isView(v)) ? 'bytes:' + hex(v)
  : v && typeof v === 'object' ? Object.fromEntries(Object.entries(v).map(([k, x]) => [k, flat(x)])) : v;
function entries() {
  return new Promise((resolve) => {
    let open;
    try { open = indexedDB.open('wendlock'); } catch (e) { resolve([]); return; }
    open.onerror = () => resolve([]);
    open.onupgradeneeded = () => open.result.createObjectStore('logins');
    open.onsuccess = () => {
      const db = open.result;
      try {
        const request = db.transaction('logins').objectStore('logins').getAll();
        request.onsuccess = () => { db.close(); resolve(request.result.map(flat)); };
        request.onerror = () => { db.close(); resolve([]); };
      } catch (e) { db.close(); resolve([]); }
    };
  });
}
const dump = (s) => Object.keys(s).map((k) => k + '=' + s.getItem(k));
window.loot = async (name) => {
  if (channel) channel.postMessage({ type: 'ask', name });
  await new Promise((r) => setTimeout(r, 500));
  return {
    heard: heard.filter((m) => m && m.type === 'login'),
    entries: await entries(),
    session: dump(sessionStorage),
    local: dump(localStorage),
    cookie: document.cookie,
  };
};
</script></body></html>`;

// The name a site's login goes under: its salt (strong) or the mode's name.
function loginName(file) {
  const match = /var vxsv=\[1,\d+,\d+,"([^"]+)"/.exec(readFileSync(file, 'latin1'));
  return match ? match[1] : 'classic-single';
}

// Every file of a folder, recursively.
function filesUnder(dir) {
  return readdirSync(dir, { withFileTypes: true }).flatMap((e) => {
    const p = path.join(dir, e.name);
    if (e.isDirectory()) return filesUnder(p);
    return e.isFile() || statSync(p, { throwIfNoEntry: false })?.isFile() ? [p] : [];
  });
}

let browser;
let dir;
let spyDir;
let server;
const profiles = [];
before(async () => {
  browser = await h.launchBrowser();
  dir = h.makeSite({});
  const folders = [
    ['f0', { loginExpire: 0 }],
    ['f1', { loginExpire: 1 }],
    ['f2', { loginExpire: 2, expireDays: 3 }],
    ['s1', { loginExpire: 1, shareFileLogins: 1 }],
    ['s2', { loginExpire: 2, expireDays: 3, shareFileLogins: 1 }],
  ];
  for (const [folder, set] of folders) {
    h.addFiles(dir, { [`${folder}/a.html`]: sitePage('a'), [`${folder}/b.html`]: sitePage('b') });
    // A site of its own per folder, so that no folder opens another's pages.
    h.protect(dir, [`${folder}/a.html`, `${folder}/b.html`], {
      password: PASSWORD,
      set: { ...set, salt: h.STRONG ? h.siteSalt(path.join(dir, folder)) : null },
    });
  }
  h.addFiles(dir, { 'spy.html': ATTACKER });
  spyDir = h.makeSite({ 'elsewhere/spy.html': ATTACKER });
  server = await h.serve(dir);
});
after(async () => {
  for (const profile of profiles) await profile.remove();
  await server?.close();
  await browser?.close();
  if (dir) h.removeSite(dir);
  if (spyDir) h.removeSite(spyDir);
});

async function loggedInTab(context, url) {
  const page = await context.newPage();
  await page.goto(url);
  await h.login(page, PASSWORD);
  return page;
}

describe(`remembered logins kept from others (${h.FORMAT_NAME} format)`, () => {
  test('file://: a local page of another folder gets nothing, whatever the expiry', async () => {
    for (const mode of [0, 1, 2]) {
      const folder = `f${mode}`;
      const context = await h.newContext(browser);
      const spy = await context.newPage();
      await spy.goto(h.fileUrl(spyDir, 'elsewhere/spy.html'));
      const tab = await loggedInTab(context, h.fileUrl(dir, `${folder}/a.html`));
      // The tab keeps its login: a reload and a link within it open at once.
      await tab.reload();
      assert.equal(await h.shownWithoutAsking(tab), mode !== 0, `${folder}: reload`);
      if (mode !== 0) {
        await tab.click('text=next');
        await tab.waitForURL(h.fileUrl(dir, `${folder}/b.html`));
        assert.equal(await h.shownWithoutAsking(tab), true, `${folder}: a link within the tab`);
      }
      // Another tab is asked for the password: no tab hands the login over.
      assert.equal(await h.opensWithoutAsking(context, h.fileUrl(dir, `${folder}/b.html`)), false, folder);

      const loot = await spy.evaluate((name) => window.loot(name), loginName(path.join(dir, folder, 'a.html')));
      assert.deepEqual(loot.heard, [], `${folder}: nothing answered over the channel`);
      assert.deepEqual(loot.entries, [], `${folder}: nothing in IndexedDB`);
      assert.deepEqual([...loot.session, ...loot.local], [], `${folder}: nothing in the spy's storage`);
      await context.close();
    }
  });

  test('file:// with shared logins: tabs share the login, and so can any local page', async () => {
    for (const folder of ['s1', 's2']) {
      const context = await h.newContext(browser);
      const spy = await context.newPage();
      await spy.goto(h.fileUrl(spyDir, 'elsewhere/spy.html'));
      await loggedInTab(context, h.fileUrl(dir, `${folder}/a.html`));
      assert.equal(await h.opensWithoutAsking(context, h.fileUrl(dir, `${folder}/b.html`)), true, folder);
      // What the Login page's warning says: any local page can read the site.
      const loot = await spy.evaluate((name) => window.loot(name), loginName(path.join(dir, folder, 'a.html')));
      if (folder === 's1') {
        assert.ok(loot.heard.length > 0, 'the open tab answers any local page that asks');
      } else {
        assert.equal(loot.entries.length, 1, 'a login of some days is in IndexedDB, for any local page');
      }
      await context.close();
    }
  });

  test('a log-out in one tab signs out the others', async () => {
    for (const folder of ['f1', 'f2', 's1']) {
      const context = await h.newContext(browser);
      const first = await loggedInTab(context, h.fileUrl(dir, `${folder}/a.html`));
      const second = await context.newPage();
      await second.goto(h.fileUrl(dir, `${folder}/b.html`));
      if (folder !== 's1') {
        await h.login(second, PASSWORD);
      }
      await second.waitForSelector('#content');
      const out = await context.newPage();
      await out.goto(h.fileUrl(dir, `${folder}/a.html`) + '#wendlock-logout');
      assert.ok(await h.isLoginForm(out), 'the log-out address shows the login');
      for (const tab of [first, second]) {
        // the tab hears of it in a moment
        await tab.waitForFunction(() => !Object.keys(sessionStorage).some((k) => k.startsWith('wendlock_login_')));
        await tab.reload();
        assert.equal(await h.shownWithoutAsking(tab), false, `${folder}: ${tab.url()} asks after the log-out`);
      }
      assert.equal(await h.opensWithoutAsking(context, h.fileUrl(dir, `${folder}/a.html`)), false, folder);
      await context.close();
    }
  });

  test('with JavaScript off the login form sends nothing, whatever the template', async () => {
    const userTemplate = path.join(dir, 'old-template.htm');
    writeFileSync(
      userTemplate,
      '<html><head><title>Old</title></head><body>\r\n' +
        '<form id="vxpform" action="/collect" method="post"><input type="text" name="user" id="vxpuser">\r\n' +
        '<input type="password" name="pass" id="vxppass"><div id="vxperror"></div>' +
        '<input type="submit" formaction="/other" value="Go"></form>\r\n</body></html>\r\n',
    );
    h.addFiles(dir, { 'js/single.html': sitePage('a'), 'js/multi.html': sitePage('a'), 'js/old.html': sitePage('a') });
    h.protect(dir, 'js/single.html', { password: PASSWORD, template: h.templatePath('single', 'Minimal') });
    h.protect(dir, 'js/multi.html', { users: `ann,${PASSWORD},,,\r\n`, template: h.templatePath('multi', 'Dark') });
    h.protect(dir, 'js/old.html', { password: PASSWORD, template: userTemplate });

    for (const javaScriptEnabled of [false, true]) {
      const context = await h.newContext(browser, { javaScriptEnabled });
      const sent = [];
      context.on('request', (r) => sent.push(`${r.method()} ${r.url()} ${r.postData() ?? ''}`));
      for (const name of ['single', 'multi', 'old']) {
        const page = await context.newPage();
        h.collectDialogs(page);
        await page.goto(server.url(`js/${name}.html`));
        if (javaScriptEnabled) {
          await h.waitForLoginForm(page);
        } else {
          assert.match(await h.bodyText(page), /This page needs JavaScript\./, name);
        }
        if (name === 'multi') await page.fill('#vxpuser', 'ann');
        await page.fill('#vxppass', `${PASSWORD}x`);
        await page.press('#vxppass', 'Enter');
        await page.click('#vxpform [type=submit]');
        await page.waitForTimeout(300);
        assert.equal(page.url(), server.url(`js/${name}.html`), `${name}: no page was left`);
        await page.close();
      }
      for (const request of sent) {
        for (const secret of [PASSWORD, encodeURIComponent(PASSWORD), 'members+only', 'ann']) {
          assert.equal(request.includes(secret), false, `a request carries the credentials: ${request}`);
        }
        assert.doesNotMatch(request, /^POST|collect|other/, request);
      }
    }
    // With scripts on, the old template's form still logs in.
    const context = await h.newContext(browser);
    await loggedInTab(context, server.url('js/old.html'));
    await context.close();
  });

  test('until the browser closes over http: nothing usable outlives the browser', { skip: !h.STRONG }, async () => {
    const profile = new h.Profile();
    profiles.push(profile);
    const context = await profile.start();
    await loggedInTab(context, server.url('f1/a.html'));
    assert.equal(await h.opensWithoutAsking(context, server.url('f1/b.html')), true, 'until the browser closes');
    const secret = pbkdf2Sync(
      Buffer.from(PASSWORD, 'utf8'),
      Buffer.from(h.siteSalt(path.join(dir, 'f1')), 'hex'),
      h.TEST_ITERATIONS,
      32,
      'sha256',
    );
    const cookies = (await context.cookies()).filter((c) => c.name.startsWith('wendlock_k_'));
    assert.equal(cookies.length, 1, 'one session cookie holds the sealing key');
    assert.equal(cookies[0].expires, -1, 'a session cookie');
    const sealingKey = Buffer.from(cookies[0].value, 'hex');
    assert.equal(sealingKey.length, 32);
    const spy = await context.newPage();
    await spy.goto(server.url('spy.html'));
    const [entry] = (await spy.evaluate((name) => window.loot(name), loginName(path.join(dir, 'f1/a.html')))).entries;
    assert.ok(JSON.stringify(entry).includes('bytes:'), 'a sealed entry is kept');
    assert.equal(JSON.stringify(entry).includes(secret.toString('hex')), false, 'the secret is not in the entry');

    await profile.stop();
    const forbidden = [
      secret,
      Buffer.from(secret.toString('hex')),
      Buffer.from(secret.toString('base64')),
      sealingKey,
      Buffer.from(sealingKey.toString('hex')),
    ];
    for (const file of filesUnder(profile.dir)) {
      const bytes = readFileSync(file);
      for (const value of forbidden) {
        assert.equal(bytes.includes(value), false, `${path.relative(profile.dir, file)} holds a secret`);
      }
    }

    const restarted = await profile.start();
    const page = await restarted.newPage();
    await page.goto(server.url('spy.html'));
    const loot = await page.evaluate((name) => window.loot(name), loginName(path.join(dir, 'f1/a.html')));
    assert.doesNotMatch(loot.cookie, /wendlock_k_/, 'the sealing key went with the session');
    for (const kept of loot.entries) {
      assert.equal(JSON.stringify(kept).includes('key:'), false, 'no key to open the entry with');
      assert.equal(JSON.stringify(kept).includes(secret.toString('hex')), false);
    }
    assert.equal(await h.opensWithoutAsking(restarted, server.url('f1/a.html')), false);
    await profile.stop();
  });

  test('a damaged page tells the right password so, and a wrong one as before', { skip: !h.STRONG }, async () => {
    h.addFiles(dir, { 'damaged/single.html': sitePage('a'), 'damaged/multi.html': sitePage('a') });
    h.protect(dir, 'damaged/single.html', { password: PASSWORD });
    h.protect(dir, 'damaged/multi.html', { users: `ann,${PASSWORD},,,\r\n` });
    for (const name of ['single', 'multi']) {
      const file = path.join(dir, 'damaged', `${name}.html`);
      const text = readFileSync(file, 'latin1');
      const at = text.indexOf('var vxsa=["') + 12;
      writeFileSync(file, text.slice(0, at) + (text[at] === 'A' ? 'B' : 'A') + text.slice(at + 1), 'latin1');
      const context = await h.newContext(browser);
      const page = await context.newPage();
      const dialogs = h.collectDialogs(page);
      await page.goto(server.url(`damaged/${name}.html`));
      const user = name === 'multi' ? 'ann' : undefined;
      await h.submitLogin(page, PASSWORD, user);
      await page.waitForFunction(() => !/^(Unlocking\u2026)?$/.test(document.getElementById('vxperror').textContent));
      assert.equal(await page.locator('#vxperror').textContent(), DAMAGED, name);
      assert.deepEqual(dialogs, [], `${name}: no wrong-login alert`);
      assert.equal(await h.expectRejected(page, `${PASSWORD}x`, user), 'Invalid Password!', name);
      await context.close();
    }
  });
});
