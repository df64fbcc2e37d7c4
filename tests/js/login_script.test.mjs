// Login scripts and login-page templates. Pages are built with an
// independent oracle (node:crypto, Buffer) and the scripts run in node:vm
// against a small fake browser.
import { test, describe } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync, readdirSync } from 'node:fs';
import path from 'node:path';
import { FakeBrowser } from './fake_browser.mjs';
import {
  singlePage,
  multiPage,
  scriptSource,
  assembledScript,
  builtScript,
  dataDir,
  keyOf,
  xorFold,
  userDigest,
} from './protected_page.mjs';

// A page of several chunks, with characters beyond ASCII and beyond the
// Basic Multilingual Plane, a literal reference below 128 that must stay,
// and an anchor.
const PAGE =
  '<!DOCTYPE html>\n<html><head><title>Members only</title></head>\n<body>\n' +
  '<h1>Caf\u00e9 \u4e2d\u6587 \u{1F600}</h1>\n<p>&#65; &amp; &#x41;</p>\n' +
  Array.from({ length: 23 }, (_, i) => `<p>line ${i}</p>\n`).join('') +
  '<h2 id="details">Details</h2>\n<script>var s = "\u00e9";</script>\n</body></html>\n';

const USERS = [
  { name: 'alice', password: 'Wonderland' },
  { name: 'Bob', password: 'b\u00e9\u{1F511}' },
  { name: 'Chlo\u00e9', password: 'x' },
];

const login = (browser, script, typed, options) => browser.open(script, options).submit(typed);

describe('single password', () => {
  test('right password shows the exact page, with and without TextEncoder', () => {
    for (const password of ['secret', 'p\u00e4ss w\u00f6rd \u20ac \u{1F600}', 'a'.repeat(200), '']) {
      for (const textEncoder of [true, false]) {
        const script = singlePage({ password, text: PAGE });
        const page = login(new FakeBrowser(), script, { password }, { textEncoder });
        assert.equal(page.written, PAGE, `password ${JSON.stringify(password)}`);
        assert.deepEqual(page.alerts, []);
        assert.ok(page.submitStopped, 'the form must never really submit');
      }
    }
  });

  test('UTF-16 pages in either byte order and an empty page open', () => {
    for (const encoding of ['utf16le', 'utf16be']) {
      const page = login(new FakeBrowser(), singlePage({ password: 'pw', text: PAGE, encoding }), {
        password: 'pw',
      });
      assert.equal(page.written, PAGE, encoding);
    }
    const empty = login(new FakeBrowser(), singlePage({ password: 'pw', text: '' }), {
      password: 'pw',
    });
    assert.equal(empty.written, '');
  });

  test('a numeric reference cut between chunks becomes its character, as an uncut one does', () => {
    const text = '<p>a&#233;b&#12354;c&#65;&#x41;&#1234567;</p>\n';
    const shown = '<p>a\u00e9b\u3042c&#65;&#x41;&#1234567;</p>\n';
    const cutsList = [[7, 8, 9]];
    for (let at = 1; at < text.length; at++) cutsList.push([at]);
    for (const cuts of cutsList) {
      const page = login(new FakeBrowser(), singlePage({ password: 'pw', text, cuts }), { password: 'pw' });
      assert.equal(page.written, shown, `cut at ${cuts}`);
    }
  });

  test('wrong password alerts with the text and fills the error region', () => {
    const script = singlePage({
      password: 'secret',
      text: PAGE,
      settings: { alertText: 'Wrong "one" \u00e9' },
    });
    const page = login(new FakeBrowser(), script, { password: 'Secret' });
    assert.equal(page.written, null);
    assert.deepEqual(page.alerts, ['Wrong "one" \u00e9']);
    assert.equal(page.elements.vxperror.textContent, 'Wrong "one" \u00e9');
    assert.equal(page.elements.vxppass.attributes['aria-invalid'], 'true');
    assert.equal(page.elements.vxppass.value, '', 'the wrong password is cleared');

    const bare = login(new FakeBrowser(), script, { password: 'x' }, { errorElement: false });
    assert.deepEqual(bare.alerts, ['Wrong "one" \u00e9']);
  });

  test('redirect mode goes to the URL in the same window or the named one', () => {
    const same = singlePage({
      password: 'pw',
      text: PAGE,
      settings: { incorrectMode: 1, redirectUrl: 'denied.html' },
    });
    const a = login(new FakeBrowser(), same, { password: 'no' });
    assert.equal(a.navigatedTo, 'denied.html');
    assert.deepEqual(a.alerts, []);
    assert.deepEqual(a.opened, []);

    const named = singlePage({
      password: 'pw',
      text: PAGE,
      settings: { incorrectMode: 1, redirectUrl: 'denied.html', redirectTarget: 'side' },
    });
    const b = login(new FakeBrowser(), named, { password: 'no' });
    assert.deepEqual(b.opened, [{ url: 'denied.html', target: 'side' }]);
    assert.equal(b.navigatedTo, null);
    assert.deepEqual(b.alerts, []);
  });

  test('case folding touches only A to Z', () => {
    const folded = singlePage({ password: 'P\u00c4ssWord', passwordCase: false, text: PAGE });
    assert.equal(login(new FakeBrowser(), folded, { password: 'p\u00c4SSWORD' }).written, PAGE);
    assert.equal(login(new FakeBrowser(), folded, { password: 'p\u00e4ssword' }).written, null);

    const exact = singlePage({ password: 'PassWord', passwordCase: true, text: PAGE });
    assert.equal(login(new FakeBrowser(), exact, { password: 'password' }).written, null);
    assert.equal(login(new FakeBrowser(), exact, { password: 'PassWord' }).written, PAGE);
  });

  test('a wrong key that passes the check value still shows no garbage', () => {
    const right = keyOf(Buffer.from('right'));
    let impostor = null;
    for (let i = 0; impostor === null; i++) {
      if (xorFold(keyOf(Buffer.from(`guess${i}`))) === xorFold(right)) impostor = `guess${i}`;
    }
    const page = login(new FakeBrowser(), singlePage({ password: 'right', text: PAGE }), {
      password: impostor,
    });
    assert.equal(page.written, null);
    assert.equal(page.alerts.length, 1);
  });

  test('damaged arrays give the wrong-login reaction and never throw', () => {
    const good = singlePage({ password: 'pw', text: PAGE });
    const damaged = [
      good.replace(/var vxpa=new Array\("/, 'var vxpa=new Array("!!'),
      good.replace(/var PWDMKK=\d+;/, ''),
      good.replace(/var vxpa=new Array\([^)]*\);/, 'var vxpa="nonsense";'),
      good.replace(/var vxpa=new Array\([^)]*\);/, 'var vxpa=new Array(5, null);'),
    ];
    for (const script of damaged) {
      const page = login(new FakeBrowser(), script, { password: 'pw' });
      assert.equal(page.written, null);
      assert.deepEqual(page.alerts, ['Invalid Password!']);
    }
  });
});

describe('several users', () => {
  const script = multiPage({ users: USERS, text: PAGE });

  test('each user opens the page; wrong and swapped pairs do not', () => {
    for (const u of USERS) {
      assert.equal(login(new FakeBrowser(), script, { user: u.name, password: u.password }).written, PAGE);
    }
    const tries = [
      { user: 'alice', password: 'x' },
      { user: 'Wonderland', password: 'alice' },
      { user: 'Chlo\u00e9', password: 'Wonderland' },
      { user: 'bob', password: 'b\u00e9\u{1F511}' },
    ];
    for (const typed of tries) {
      const page = login(new FakeBrowser(), script, typed);
      assert.equal(page.written, null, JSON.stringify(typed));
      assert.deepEqual(page.alerts, ['Invalid Password!']);
    }
  });

  test('user name case folding follows USRCSS, password case PWDCSS', () => {
    const loose = multiPage({ users: USERS, userCase: false, passwordCase: false, text: PAGE });
    assert.equal(login(new FakeBrowser(), loose, { user: 'ALICE', password: 'wONDERLAND' }).written, PAGE);
    assert.equal(login(new FakeBrowser(), loose, { user: 'CHLO\u00e9', password: 'X' }).written, PAGE);
    assert.equal(login(new FakeBrowser(), loose, { user: 'CHLO\u00c9', password: 'x' }).written, null);

    const namesLoose = multiPage({ users: USERS, userCase: false, passwordCase: true, text: PAGE });
    assert.equal(login(new FakeBrowser(), namesLoose, { user: 'BOB', password: 'b\u00e9\u{1F511}' }).written, PAGE);
    assert.equal(login(new FakeBrowser(), namesLoose, { user: 'alice', password: 'wonderland' }).written, null);
  });

  test('a damaged key element is a wrong login', () => {
    const broken = script.replace(/var vxpc=new Array\("[^"]*"/, 'var vxpc=new Array("@@@@"');
    const page = login(new FakeBrowser(), broken, { user: 'alice', password: 'Wonderland' });
    assert.equal(page.written, null);
    assert.equal(page.alerts.length, 1);
  });
});

describe('remembered login', () => {
  const single = (settings, password = 'pw', text = PAGE) => singlePage({ password, text, settings });
  const withDb = { indexedDB: true };
  const enter = async (browser, script, typed, options = withDb) => (await browser.load(script, options)).login(typed);
  const load = (browser, script, options = withDb) => browser.load(script, options);
  const PW_KEY = keyOf(Buffer.from('pw'));

  // Cookies may hold the random session id and nothing else; local storage
  // nothing at all.
  const noKeyOutsideTheDatabase = (browser, keys = [PW_KEY]) => {
    for (const [name, c] of browser.cookies) {
      assert.equal(name, 'wendlock_sid');
      assert.match(c.raw, /^wendlock_sid=[0-9a-f]{32}; path=\/; SameSite=Lax/);
      for (const key of keys) assert.ok(!c.raw.includes(key.slice(0, 12)), 'no key material in a cookie');
    }
    assert.equal(browser.localStorage.length, 0);
  };

  test('expiry 0 remembers nothing and asks on every load', async () => {
    const browser = new FakeBrowser();
    assert.equal((await enter(browser, single({ expireType: 0 }), { password: 'pw' })).written, PAGE);
    assert.equal(browser.storedText(), '');
    assert.deepEqual(browser.indexedDB.entries(), []);
    assert.ok((await load(browser, single({ expireType: 0 }))).askedForLogin);
  });

  test('expiry 1 over http: an entry bound to the session cookie, until the browser closes', async () => {
    for (const protocol of ['http:', 'https:']) {
      const browser = new FakeBrowser({ protocol });
      await enter(browser, single({ expireType: 1 }), { password: 'pw' });
      const sid = browser.cookies.get('wendlock_sid');
      assert.ok(sid && sid.expires === null, 'a session cookie');
      assert.equal(/; Secure/.test(sid.raw), protocol === 'https:');
      noKeyOutsideTheDatabase(browser);
      const [[name, entry]] = browser.indexedDB.entries();
      assert.equal(name, 'classic-single');
      assert.equal(entry.sid, sid.value);

      const other = '<html><body>second page</body></html>\n';
      const early = browser.open(single({ expireType: 1 }, 'pw', other), withDb);
      assert.equal(early.elements.vxpform.onsubmit, null, 'the form is taken over once the check is done');
      assert.equal((await early.settled()).written, other);
      assert.ok((await load(browser, single({ expireType: 1 }, 'pw2'))).askedForLogin, 'another password asks');
      assert.ok((await load(browser, single({ expireType: 0 }))).askedForLogin, 'expiry 0 pages ignore it');
      // A second site of the host does not sign out the first.
      await enter(browser, single({ expireType: 1 }, 'pw2'), { password: 'pw2' });
      assert.equal((await load(browser, single({ expireType: 1 }))).written, PAGE);
      assert.equal((await load(browser, single({ expireType: 1 }, 'pw2'))).written, PAGE);
      noKeyOutsideTheDatabase(browser, [PW_KEY, keyOf(Buffer.from('pw2'))]);

      // The entry without its cookie opens nothing, and goes.
      browser.restart();
      assert.ok((await load(browser, single({ expireType: 1 }))).askedForLogin);
      assert.deepEqual(browser.indexedDB.entries(), [], protocol);
    }
  });

  // Every local file is of one origin: a file page keeps its login in the
  // tab, answers no other tab and keeps nothing in IndexedDB, whatever the
  // expiry; a log-out in another tab drops the tab's copy.
  test('file pages keep a login for their tab only, whatever the expiry', async () => {
    for (const settings of [{ expireType: 1 }, { expireType: 2, expireDays: 3 }]) {
      const where = JSON.stringify(settings);
      const browser = new FakeBrowser({ protocol: 'file:' });
      const first = await enter(browser, single(settings), { password: 'pw' });
      assert.ok(first.written);
      assert.equal(browser.cookies.size, 0);
      assert.deepEqual(browser.indexedDB.entries(), [], where);
      assert.equal(browser.localStorage.length, 0);
      assert.equal((await load(browser, single(settings))).written, PAGE, `a reload in the tab opens (${where})`);

      const kept = browser.sessionStorage.getItem('wendlock_login_classic-single');
      browser.sessionStorage.clear(); // a new tab has its own session storage
      assert.ok((await load(browser, single(settings))).askedForLogin, `no open tab answers (${where})`);

      // A log-out in another tab drops this tab's copy.
      browser.sessionStorage.setItem('wendlock_login_classic-single', kept);
      const [tab] = browser.channels.members;
      assert.ok(tab, 'the tab listens for a log-out');
      tab.onmessage({ data: { type: 'logout' } });
      assert.equal(browser.sessionStorage.getItem('wendlock_login_classic-single'), null, where);
    }
  });

  test('file pages with shared logins: a new tab asks the open ones', async () => {
    const shared = (password = 'pw') => single({ expireType: 1, shareFileTabs: true }, password);
    const browser = new FakeBrowser({ protocol: 'file:' });
    const first = await enter(browser, shared(), { password: 'pw' });
    assert.ok(first.written);
    assert.equal(browser.cookies.size, 0);
    assert.deepEqual(browser.indexedDB.entries(), []);
    assert.equal(browser.localStorage.length, 0);
    assert.equal((await load(browser, shared())).written, PAGE);

    browser.sessionStorage.clear(); // a new tab has its own session storage
    assert.equal((await load(browser, shared())).written, PAGE, 'an open tab answered');
    browser.sessionStorage.clear();
    assert.ok((await load(browser, shared(), { ...withDb, channels: false })).askedForLogin);
    browser.sessionStorage.clear();
    assert.ok((await load(browser, shared('pw2'))).askedForLogin, 'no other password is handed out');

    browser.restart();
    browser.channels.members.clear(); // closing the browser closes the tabs
    assert.ok((await load(browser, shared())).askedForLogin);
  });

  test('expiry 2 survives a restart for the given days and not after', async () => {
    for (const protocol of ['https:', 'file:']) {
      const browser = new FakeBrowser({ protocol });
      // file pages keep it in the database only when logins are shared
      const script = single({ expireType: 2, expireDays: 3, shareFileTabs: protocol === 'file:' });
      await enter(browser, script, { password: 'pw' });
      const [[, entry]] = browser.indexedDB.entries();
      assert.equal(entry.expires, browser.now + 3 * 86400000);
      assert.equal(browser.cookies.size, 0);
      assert.equal(browser.storedText(), '', 'nothing outside the database');
      browser.restart();
      browser.advanceDays(2);
      assert.equal((await load(browser, script)).written, PAGE, protocol);
      browser.advanceDays(1.5);
      assert.ok((await load(browser, script)).askedForLogin, `${protocol} after the days`);
      assert.deepEqual(browser.indexedDB.entries(), []);
    }
  });

  test('old browsers without IndexedDB, BroadcastChannel or Promise keep the login in the tab', async () => {
    const old = { channels: false, promise: false };
    for (const protocol of ['http:', 'file:']) {
      for (const settings of [{ expireType: 1 }, { expireType: 2, expireDays: 3 }]) {
        const browser = new FakeBrowser({ protocol });
        const where = `${protocol} ${JSON.stringify(settings)}`;
        assert.equal((await enter(browser, single(settings), { password: 'pw' }, old)).written, PAGE, where);
        noKeyOutsideTheDatabase(browser);
        assert.equal(browser.cookies.size, 0, where);
        assert.equal((await load(browser, single(settings), old)).written, PAGE, where);
        browser.restart();
        assert.ok((await load(browser, single(settings), old)).askedForLogin, where);
      }
    }
  });

  test('a database that refuses to open leaves the form working and the login in the tab', async () => {
    const browser = new FakeBrowser();
    browser.indexedDB.factory = () => ({
      open() {
        throw new Error('SecurityError');
      },
    });
    const settings = { expireType: 2, expireDays: 3 };
    assert.equal((await enter(browser, single(settings), { password: 'pw' })).written, PAGE);
    noKeyOutsideTheDatabase(browser);
    assert.equal((await load(browser, single(settings))).written, PAGE);
  });

  test('the log-out fragment forgets everything, open tabs too', async () => {
    for (const protocol of ['http:', 'file:']) {
      const browser = new FakeBrowser({ protocol });
      await enter(browser, single({ expireType: 1 }), { password: 'pw' });
      await enter(browser, single({ expireType: 2, expireDays: 9 }, 'pw2'), { password: 'pw2' });
      assert.ok((await load(browser, single({ expireType: 2 }, 'pw2'))).written, 'both kept');
      const out = await load(browser, single({ expireType: 2 }), { ...withDb, hash: '#wendlock-logout' });
      assert.ok(out.askedForLogin);
      assert.equal(out.replacedUrl, '/site/page.html', 'the fragment is dropped');
      assert.equal(browser.storedText(), '', protocol);
      assert.deepEqual(browser.indexedDB.entries(), [], protocol);
      assert.ok((await load(browser, single({ expireType: 1 }))).askedForLogin, `${protocol}: no tab answers`);
      assert.ok((await load(browser, single({ expireType: 2 }, 'pw2'))).askedForLogin);
    }
  });

  test('what earlier versions kept in cookies and local storage is dropped', async () => {
    for (const protocol of ['http:', 'file:']) {
      const browser = new FakeBrowser({ protocol });
      browser.setCookie(`wendlock_keep=${PW_KEY}~${browser.now + 86400000}; path=/`);
      browser.setCookie(`wendlock_session=${PW_KEY}; path=/`);
      browser.localStorage.setItem('wendlock_keep', `${PW_KEY}~${browser.now + 86400000}`);
      assert.ok((await load(browser, single({ expireType: 2, expireDays: 3 }))).askedForLogin);
      assert.equal(browser.storedText(), '', protocol);
    }
  });

  test('several users: the digest and key open other pages of the same users', async () => {
    const browser = new FakeBrowser();
    const settings = { expireType: 1 };
    const bob = { user: 'Bob', password: 'b\u00e9\u{1F511}' };
    await enter(browser, multiPage({ users: USERS, text: PAGE, settings }), bob);
    noKeyOutsideTheDatabase(browser, [userDigest('Bob', bob.password)]);
    const [[name, entry]] = browser.indexedDB.entries();
    assert.equal(name, 'classic-multi');
    assert.ok(entry.value.startsWith(userDigest('Bob', bob.password) + '_'));

    const other = '<html><body>another secret</body></html>\n';
    const next = multiPage({ users: USERS, text: other, secret: 'Zz81xyQp', settings });
    assert.equal((await load(browser, next)).written, other);
    assert.ok((await load(browser, single(settings))).askedForLogin, 'single password pages keep their own');

    const withoutBob = multiPage({ users: [USERS[0]], text: other, secret: 'Zz81xyQp', settings });
    assert.ok((await load(browser, withoutBob)).askedForLogin);
  });
});

describe('showing the page', () => {
  test('a fragment in the address scrolls to its anchor after login', () => {
    const page = login(new FakeBrowser(), singlePage({ password: 'pw', text: PAGE }), { password: 'pw' }, {
      hash: '#details',
    });
    assert.equal(page.written, PAGE);
    assert.equal(page.anchor('details', 'id').scrolled, 1);
    assert.equal(page.loadListeners.length, 1, 'scrolls again once images are in');
  });

  test('Internet Explorer refreshes once after login; other browsers never', () => {
    const script = singlePage({ password: 'pw', text: PAGE, settings: { refreshIE: true } });
    const ie = new FakeBrowser({ documentMode: 11 });
    const first = login(ie, script, { password: 'pw' });
    assert.equal(first.written, PAGE);
    assert.equal(first.reloads, 1);
    const reloaded = ie.open(script);
    assert.equal(reloaded.written, PAGE, 'the reload opens without asking');
    assert.equal(reloaded.reloads, 0);
    assert.ok(ie.open(script).askedForLogin, 'the hand-over is used once');

    const chrome = login(new FakeBrowser(), script, { password: 'pw' });
    assert.equal(chrome.reloads, 0);
    const off = singlePage({ password: 'pw', text: PAGE, settings: { refreshIE: false } });
    assert.equal(login(new FakeBrowser({ documentMode: 11 }), off, { password: 'pw' }).reloads, 0);
  });
});

describe('script files', () => {
  const sources = { single: scriptSource('single'), multi: scriptSource('multi') };

  test('both scripts carry the shared parts in place of their include lines, minified', async () => {
    const parts = ['ui.js', 'remember.js', 'common.js'].map((f) => readFileSync(path.join(dataDir, 'Script', f), 'utf8'));
    for (const [mode, text] of Object.entries(sources)) {
      const readable = assembledScript(mode);
      for (const part of parts) assert.ok(part.length > 1000 && readable.includes(part), `${mode} holds the parts`);
      assert.ok(!readable.includes('@include') && !text.includes('@include'), `${mode} has no include line left`);
      assert.equal(text, await builtScript(mode), `${mode} is assembled and minified as the build does it`);
    }
  });

  test('each is safe to copy into an inline script of any page', () => {
    for (const [mode, text] of Object.entries(sources)) {
      assert.ok(/^[\x09\x0a\x0d\x20-\x7e]*$/.test(text), `${mode} is plain ASCII`);
      assert.ok(!/<\/|<!--|-->/.test(text), `${mode} cannot end its script element`);
      for (const line of text.split('\n')) assert.ok(line.length < 1000, `${mode} line too long`);
      // Old browsers must parse it: no syntax newer than ES5.
      const code = text.replace(/\/\/.*$/gm, '').replace(/'(?:[^'\\\n]|\\.)*'/g, "''");
      assert.ok(!/=>|`|\b(?:async|await|let|const|class|of)\b|\.\.\./.test(code), `${mode} is plain ES5`);
    }
  });

  test('vxpcheck is the only global each script adds', () => {
    for (const mode of ['single', 'multi']) {
      const page = new FakeBrowser().open(scriptSource(mode));
      const added = Object.keys(page.context).filter((k) => !page.globalsBefore.has(k));
      assert.deepEqual(added, ['vxpcheck']);
      assert.ok(page.askedForLogin, `${mode} wires the form even without any settings`);
    }
  });
});

describe('templates', () => {
  for (const [mode, fields] of [
    ['SinglePassword', ['vxppass']],
    ['MultiUsers', ['vxpuser', 'vxppass']],
  ]) {
    const folder = path.join(dataDir, 'Templates', mode);
    const files = readdirSync(folder).filter((f) => /\.html?$/.test(f));

    test(`${mode}: at least three templates that follow the form contract`, () => {
      assert.ok(files.length >= 3);
      for (const file of files) {
        const text = readFileSync(path.join(folder, file), 'latin1');
        const where = `${mode}/${file}`;
        assert.ok(/^[\x09\x0a\x0d\x20-\x7e]*$/.test(text), `${where} is plain ASCII`);
        assert.equal(text.match(/<body/gi).length, 1, `${where} has one body tag`);
        assert.equal(text.match(/<\/head>/gi).length, 1, `${where} has one head end`);
        assert.ok(text.toLowerCase().indexOf('</head>') < text.toLowerCase().indexOf('<body'));
        assert.ok(!/<body[^>]*onload/i.test(text), `${where} leaves the load hook to the engine`);
        assert.match(text, /<meta name="viewport"/);
        assert.match(text, /<form id="vxpform"[^>]*onsubmit="return false;"/);
        assert.match(text, /id="vxperror"[^>]*role="alert"/);
        assert.equal(text.match(/\sautofocus[\s>]/g).length, 1, `${where} focuses one field`);
        assert.match(text, new RegExp(`<input id="${fields[0]}"[^>]*autofocus`), `${where}`);
        for (const id of fields) {
          assert.match(text, new RegExp(`<label for="${id}">`), `${where} labels ${id}`);
          assert.match(text, new RegExp(`<input id="${id}"`), `${where} has ${id}`);
        }
        if (mode === 'SinglePassword') assert.ok(!text.includes('vxpuser'), `${where}`);
        // The one link allowed is the empty icon that keeps the browser
        // from asking the server for a missing /favicon.ico.
        assert.ok(text.includes('<link rel="icon" href="data:,">'), `${where} has the empty icon`);
        const loads = text.replace('<link rel="icon" href="data:,">', '');
        assert.ok(!/(https?:|\/\/[a-z0-9]|@import|\bsrc=|<link)/i.test(loads), `${where} loads nothing`);
      }
    });
  }
});
