// The strong-format login script: its built-in primitives against published
// vectors and node:crypto / node:zlib, and whole strong pages built by an
// independent oracle, opened in the fake browser.
import { test, describe } from 'node:test';
import assert from 'node:assert/strict';
import vm from 'node:vm';
import { readFileSync } from 'node:fs';
import path from 'node:path';
import crypto from 'node:crypto';
import zlib from 'node:zlib';
import { FakeBrowser } from './fake_browser.mjs';
import { dataDir, scriptSource, assembledScript, builtScript, includedPart, variables, defaultSettings, scriptWithCrLf } from './protected_page.mjs';
import { makeSite, run, strongPage, secretOf, chunksOf, withChunks, lookupIdOf } from './strong_page.mjs';

const hex = (b) => Buffer.from(b).toString('hex');
const h = (s) => Buffer.from(s, 'hex');

// The primitives file alone (with the inflater it calls), in its own
// context, as the pages use it.
const P = vm.runInContext(
  includedPart('npm/fflate-inflate.js') +
    readFileSync(path.join(dataDir, 'Script', 'Strong', 'crypto.js'), 'utf8') +
    ';({ SHA, pbkdf2Sync, hkdfSync, gcmDecryptSync, inflateRawSync, utf8DecodeSync })',
  vm.createContext({}),
);

function nodeGcm(key, iv, aad, data) {
  const c = crypto.createCipheriv('aes-256-gcm', key, iv);
  c.setAAD(aad);
  return Buffer.concat([c.update(data), c.final(), c.getAuthTag()]);
}

describe('built-in primitives', () => {
  test('SHA-256, HMAC and HKDF give the published vectors', () => {
    assert.equal(hex(P.SHA.sha256(Buffer.from('abc'))), 'ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad');
    const msg448 = Buffer.from('abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq');
    assert.equal(hex(P.SHA.sha256(msg448)), '248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1');
    // RFC 4231 test cases 1 and 2
    assert.equal(
      hex(P.SHA.hmac(Buffer.alloc(20, 0x0b), Buffer.from('Hi There'))),
      'b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7',
    );
    assert.equal(
      hex(P.SHA.hmac(Buffer.from('Jefe'), Buffer.from('what do ya want for nothing?'))),
      '5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843',
    );
    // RFC 5869 test case 1
    assert.equal(
      hex(P.hkdfSync(Buffer.alloc(22, 0x0b), h('000102030405060708090a0b0c'), h('f0f1f2f3f4f5f6f7f8f9'), 42)),
      '3cb25f25faacd57a90434f64d0362f2a2d2d0a90cf1a5a4c5db02d56ecc4c5bf34007208d5b887185865',
    );
  });

  test('PBKDF2 gives the RFC 7914 vectors', () => {
    assert.equal(
      hex(P.pbkdf2Sync(Buffer.from('passwd'), Buffer.from('salt'), 1, 64)),
      '55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc' +
        '49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783',
    );
    assert.equal(
      hex(P.pbkdf2Sync(Buffer.from('Password'), Buffer.from('NaCl'), 80000, 64)),
      '4ddcd8f60b98be21830cee5ef22701f9641a4418d04c0414aeff08876b34ab56' +
        'a1d425a1225833549adb841b51c9b3176a272bdebba1d078478f62b397f33c8d',
    );
  });

  test('AES-256-GCM opens the NIST vector with AAD (test case 16)', () => {
    const key = h('feffe9928665731c6d6a8f9467308308feffe9928665731c6d6a8f9467308308');
    const sealed = h(
      '522dc1f099567d07f47f37a32a84427d643a8cdcbfe5c0c97598a2bd2555d1aa8cb08e48590dbb3da7b08b1056828838c5f61e6393ba7a0abcc9f662' +
        '76fc6ece0f4e1768cddf8853bb2d551b',
    );
    const plain = P.gcmDecryptSync(key, h('cafebabefacedbaddecaf888'), h('feedfacedeadbeeffeedfacedeadbeefabaddad2'), sealed);
    assert.equal(
      hex(plain),
      'd9313225f88406e5a55909c5aff5269a86a7a9531534f7da2e4c303d8a318a721c3c0c95956809532fcf0e2449a6b525b16aedf5aa0de657ba637b39',
    );
  });

  test('random inputs agree with node:crypto; a changed byte is refused', () => {
    for (let round = 0; round < 12; round++) {
      const pw = crypto.randomBytes(round * 7); // up to 77 bytes: longer than a block too
      const salt = crypto.randomBytes(1 + round * 3);
      const len = 1 + ((round * 13) % 70);
      assert.equal(hex(P.pbkdf2Sync(pw, salt, 1 + round * 37, len)), hex(crypto.pbkdf2Sync(pw, salt, 1 + round * 37, len, 'sha256')));
      const info = crypto.randomBytes(round * 5);
      assert.equal(hex(P.hkdfSync(pw, salt, info, len)), hex(Buffer.from(crypto.hkdfSync('sha256', pw, salt, info, len))));

      const key = crypto.randomBytes(32);
      const iv = crypto.randomBytes(12);
      const aad = crypto.randomBytes(round * 5 + 1);
      const data = crypto.randomBytes([0, 1, 15, 16, 17, 100, 1000, 4099][round % 8]);
      const sealed = nodeGcm(key, iv, aad, data);
      assert.equal(hex(P.gcmDecryptSync(key, iv, aad, sealed)), hex(data));
      const at = round % sealed.length;
      const badSealed = Buffer.from(sealed);
      badSealed[at] ^= 1 << round % 8;
      const badAad = Buffer.from(aad);
      badAad[round % aad.length] ^= 0x80;
      assert.equal(P.gcmDecryptSync(key, iv, aad, badSealed), null, `changed byte ${at}`);
      assert.equal(P.gcmDecryptSync(key, iv, badAad, sealed), null);
      assert.equal(P.gcmDecryptSync(crypto.randomBytes(32), iv, aad, sealed), null);
    }
  });

  test('the inflater reads what node:zlib deflates, and refuses a cut stream', () => {
    const text = Buffer.from(readFileSync(path.join(dataDir, 'Script', 'Strong', 'wendlock.js'), 'utf8').repeat(3));
    const inputs = [text, crypto.randomBytes(70000), Buffer.alloc(0), Buffer.from('a'), Buffer.alloc(100000, 0x41)];
    for (const input of inputs) {
      for (const level of [0, 1, 6, 9]) {
        const packed = zlib.deflateRawSync(input, { level });
        assert.ok(Buffer.from(P.inflateRawSync(packed)).equals(input), `${input.length} bytes at level ${level}`);
      }
    }
    const packed = zlib.deflateRawSync(text);
    assert.throws(() => P.inflateRawSync(packed.subarray(0, packed.length >> 1)));
  });

  test('the fallback UTF-8 decoder agrees with TextDecoder', () => {
    const pick = () => {
      const r = Math.random();
      const cp = r < 0.4 ? Math.floor(Math.random() * 128) : r < 0.7 ? 128 + Math.floor(Math.random() * 0x700) : r < 0.9 ? 0xe000 + Math.floor(Math.random() * 0x1f00) : 0x10000 + Math.floor(Math.random() * 0xfffff);
      return String.fromCodePoint(cp);
    };
    const text = Array.from({ length: 20000 }, pick).join('');
    assert.equal(P.utf8DecodeSync(Buffer.from(text, 'utf8')), text);
    assert.equal(P.utf8DecodeSync(h('61ff62c3')), 'a\ufffdb\ufffd');
  });
});

// A page of three chunks (random letters barely compress), with characters
// beyond ASCII and the Basic Multilingual Plane, a byte order mark and
// CR LF line ends that the page must not show, and an anchor.
const FILLER = crypto.randomBytes(150000).toString('base64');
const SOURCE =
  '\ufeff<!DOCTYPE html>\r\n<html><head><title>Strong</title></head><body>\r\n' +
  '<h1>Caf\u00e9 \u4e2d\u6587 \u{1F600}</h1>\n<p>' + FILLER + '</p>\n' +
  '<h2 id="details">Details</h2></body></html>\n';
const SHOWN = SOURCE.slice(1).replace(/\r\n/g, '\n');

const USERS = [
  { name: 'alice', password: 'Wonderland' },
  { name: 'Bob', password: 'b\u00e9\u{1F511}' },
  { name: 'Chlo\u00e9', password: 'x' },
];

const login = async (browser, script, typed, options) => (await browser.load(script, options)).login(typed);
const openedBy = async (script, typed, options) => (await login(new FakeBrowser(), script, typed, options)).written;

describe('strong pages', () => {
  const site = makeSite({ password: 'pw' });
  const page = strongPage(site, SOURCE);

  test('the right password shows the exact page on every path', async () => {
    assert.ok(chunksOf(page).length >= 3, 'the page spans several chunks');
    for (const subtle of [true, false]) {
      for (const decompression of [true, false]) {
        const options = { subtle, decompression, textDecoder: decompression };
        const p = await login(new FakeBrowser(), page, { password: 'pw' }, options);
        assert.equal(p.written, SHOWN, JSON.stringify(options));
        assert.ok(p.submitStopped, 'the form must never really submit');
        assert.ok(p.sawBusy && p.busyTexts.includes('Unlocking\u2026'), 'the form shows it is unlocking');
        assert.deepEqual(p.alerts, []);
      }
    }
    const empty = strongPage(site, '');
    assert.equal(await openedBy(empty, { password: 'pw' }), '');
    assert.equal(await openedBy(empty, { password: 'pw' }, { subtle: false, decompression: false }), '');
  });

  test('a wrong password alerts, marks the field and clears it', async () => {
    for (const subtle of [true, false]) {
      const p = await login(new FakeBrowser(), page, { password: 'Pw' }, { subtle });
      assert.equal(p.written, null);
      assert.deepEqual(p.alerts, ['Invalid Password!']);
      assert.equal(p.elements.vxperror.textContent, 'Invalid Password!');
      assert.equal(p.elements.vxppass.attributes['aria-invalid'], 'true');
      assert.equal(p.elements.vxppass.value, '');
      assert.ok(p.elements.vxppass.focused > 0);
      assert.equal(p.button.disabled, false, 'the button is back');
      // The form can be used again after a wrong login.
      assert.equal((await p.login({ password: 'pw' })).written, SHOWN);
    }
  });

  test('redirect mode goes to the URL in the same window or the named one', async () => {
    const same = strongPage(site, SOURCE, { settings: { incorrectMode: 1, redirectUrl: 'no.html' } });
    const a = await login(new FakeBrowser(), same, { password: 'x' });
    assert.equal(a.navigatedTo, 'no.html');
    assert.deepEqual(a.alerts, []);
    const named = strongPage(site, SOURCE, { settings: { incorrectMode: 1, redirectUrl: 'no.html', redirectTarget: 'side' } });
    const b = await login(new FakeBrowser(), named, { password: 'x' });
    assert.deepEqual(b.opened, [{ url: 'no.html', target: 'side' }]);
    assert.equal(b.navigatedTo, null);
  });

  test('case folding touches only A to Z, after NFC', async () => {
    const loose = strongPage(makeSite({ password: 'P\u00c4ssWord', passwordCase: false }), SHOWN);
    assert.equal(await openedBy(loose, { password: 'p\u00c4SSWORD' }), SHOWN);
    assert.equal(await openedBy(loose, { password: 'pA\u0308SSWORD' }), SHOWN, 'decomposed \u00c4');
    assert.equal(await openedBy(loose, { password: 'p\u00e4ssword' }), null);
    const exact = strongPage(makeSite({ password: 'caf\u00e9' }), SHOWN);
    assert.equal(await openedBy(exact, { password: 'cafe\u0301' }), SHOWN, 'decomposed \u00e9');
    assert.equal(await openedBy(exact, { password: 'cafe\u0301' }, { subtle: false }), SHOWN);
    assert.equal(await openedBy(exact, { password: 'CAF\u00e9' }), null);
  });

  // Once the right password is confirmed (by the key check value, or by a
  // chunk whose tag matches) a page that still fails is damaged, which the
  // visitor is told instead of "wrong password". A page without the check
  // value whose every chunk fails can only say the password is wrong.
  test('chunks swapped, dropped, cut off or taken from another page are refused', async () => {
    const DAMAGED = "This page is damaged; ask the site's author to publish it again.";
    const older = strongPage(site, SOURCE, { keyCheck: false });
    for (const [checked, base] of [
      [true, page],
      [false, older],
    ]) {
      const chunks = chunksOf(base);
      const other = chunksOf(strongPage(site, SOURCE)); // same key, another nonce
      const count = (script, n) => script.replace(/(var vxsv=\[(?:[^,]*,){5})\d+\]/, `$1${n}]`);
      // [page, damaged (true) or a wrong password (false)]
      const broken = [
        [withChunks(base, [chunks[1], chunks[0], ...chunks.slice(2)]), true],
        [count(withChunks(base, chunks.slice(1)), chunks.length - 1), checked],
        [count(withChunks(base, chunks.slice(0, -1)), chunks.length - 1), true],
        [withChunks(base, [other[0], ...chunks.slice(1)]), true],
        [withChunks(base, [...chunks.slice(0, -1), chunks[chunks.length - 1].replace(/^./, (c) => (c === 'A' ? 'B' : 'A'))]), true],
        [withChunks(base, chunks.map((c) => c.replace(/^./, (x) => (x === 'A' ? 'B' : 'A')))), checked],
        [withChunks(base, [...chunks, chunks[0]]), false],
        [base.replace(/var vxsv=\[1,/, 'var vxsv=[2,'), false],
        [base.replace(/var vxsa=\[/, 'var vxsa=[5,'), false],
      ];
      for (const [i, [script, damaged]] of broken.entries()) {
        for (const subtle of [true, false]) {
          const where = `case ${i}, ${checked ? 'with' : 'without'} the check value, subtle ${subtle}`;
          const p = await login(new FakeBrowser(), script, { password: 'pw' }, { subtle });
          assert.equal(p.written, null, where);
          assert.deepEqual(p.alerts, damaged ? [] : ['Invalid Password!'], where);
          assert.equal(p.elements.vxperror.textContent, damaged ? DAMAGED : 'Invalid Password!', where);
          // a wrong password is still a wrong password
          const q = await login(new FakeBrowser(), script, { password: 'pW' }, { subtle });
          assert.deepEqual(q.alerts, ['Invalid Password!'], where);
        }
      }
    }
    // Pages without the value still open.
    assert.equal(await openedBy(older, { password: 'pw' }), SHOWN);
  });
});

// The shared page vectors (tests/vectors/page-vectors.json, made with
// node:crypto and node:zlib; the C++ unlocker reads the same file), each in
// a page: good ones show their exact text on every path, bad ones (last
// flag dropped or early, a cut where the deflate stream ends, chunks
// reordered or from another page, wrong counts, lengths, versions) nothing.
describe('shared page vectors', () => {
  const file = path.join(dataDir, '..', 'tests', 'vectors', 'page-vectors.json');
  const { cases } = JSON.parse(readFileSync(file, 'utf8'));

  test('good pages open to their text, bad ones are refused', async () => {
    assert.ok(cases.length >= 30, 'vectors missing');
    const loginScript = scriptWithCrLf('strong');
    for (const c of cases) {
      const script =
        variables(defaultSettings) +
        (c.mode === 1 ? `var USRCSS=${c.userCase};` : '') +
        `var PWDCSS=${c.passwordCase};\n` +
        c.statements +
        '\n' +
        loginScript;
      const typed = c.mode === 1 ? { user: c.user, password: c.password } : { password: c.password };
      const paths = c.valid ? [[true, true], [false, false], [true, false]] : [[true, true], [false, false]];
      for (const [subtle, decompression] of paths) {
        const options = { subtle, decompression, textDecoder: decompression };
        const written = await openedBy(script, typed, options);
        const where = `${c.name} ${JSON.stringify(options)}`;
        if (!c.valid) {
          assert.equal(written, null, `accepted: ${where}`);
          continue;
        }
        assert.notEqual(written, null, where);
        const bytes = Buffer.from(written, 'utf8');
        assert.equal(bytes.length, c.textSize, where);
        assert.equal(crypto.createHash('sha256').update(bytes).digest('hex'), c.textSha256, where);
      }
    }
  });
});

describe('strong pages, several users', () => {
  const site = makeSite({ users: USERS });
  const page = strongPage(site, SOURCE);

  test('each user opens the page; wrong and swapped pairs do not', async () => {
    for (const [i, u] of USERS.entries()) {
      assert.equal(await openedBy(page, { user: u.name, password: u.password }, { subtle: i !== 1 }), SHOWN, u.name);
    }
    const tries = [
      { user: 'alice', password: 'x' },
      { user: 'Wonderland', password: 'alice' },
      { user: 'Chlo\u00e9', password: 'Wonderland' },
      { user: 'bob', password: 'b\u00e9\u{1F511}' },
      { user: 'alicex', password: '' },
      { user: '', password: '' },
    ];
    for (const typed of tries) {
      const p = await login(new FakeBrowser(), page, typed);
      assert.equal(p.written, null, JSON.stringify(typed));
      assert.deepEqual(p.alerts, ['Invalid Password!']);
      assert.equal(p.elements.vxpuser.attributes['aria-invalid'], 'true');
    }
    const bobsEntry = site.entries.find((e) =>
      e.subarray(0, 16).equals(lookupIdOf(site, { user: USERS[1].name, password: USERS[1].password })),
    );
    const at = page.indexOf(bobsEntry.toString('base64'));
    assert.ok(at > 0);
    const damaged = page.slice(0, at) + 'AAAAAAAA' + page.slice(at + 8);
    const hit = await Promise.all(USERS.map((u) => openedBy(damaged, { user: u.name, password: u.password })));
    assert.deepEqual(
      hit.map((t) => t === null),
      [false, true, false],
      'only the damaged entry fails',
    );
  });

  test('the key table is padded and new each run; pages of the older layout still open', async () => {
    const entriesOf = (script) => JSON.parse(/var vxsk=(\[[^\]]*\]);/.exec(script)[1]);
    assert.equal(entriesOf(page).length, 16, 'three users fill one block of 16');
    const many = Array.from({ length: 17 }, (_, i) => ({ name: `u${i}`, password: `p${i}` }));
    assert.equal(run({ ...site, users: many }).entries.length, 32);
    const again = run(site);
    const ids = (s) => new Set(s.entries.map((e) => e.subarray(0, 16).toString('hex')));
    const shared = [...ids(site)].filter((id) => ids(again).has(id));
    assert.deepEqual(shared, [], 'two runs share no lookup id');
    assert.equal(await openedBy(strongPage(again, SHOWN), { user: 'alice', password: 'Wonderland' }), SHOWN);
    // Layout 1: one entry per user, ids without a run value, six header
    // elements; with and without WebCrypto.
    const old = strongPage(run(site, { layout: 1 }), SHOWN);
    assert.equal(entriesOf(old).length, 3);
    assert.ok(/var vxsv=\[1,1,\d+,"[^"]+","[^"]+",\d+\];/.test(old));
    for (const [i, u] of USERS.entries()) {
      assert.equal(await openedBy(old, { user: u.name, password: u.password }, { subtle: i !== 1 }), SHOWN, u.name);
    }
    assert.equal(await openedBy(old, { user: 'alice', password: 'x' }), null);
    // A run value of the wrong size is refused, not ignored.
    const badRun = page.replace(/(var vxsv=\[(?:[^,]*,){6})"[^"]*"\]/, '$1"AAAA"]');
    assert.notEqual(badRun, page);
    assert.equal(await openedBy(badRun, { user: 'alice', password: 'Wonderland' }), null);
  });

  test('user name case follows USRCSS, password case PWDCSS, both after NFC', async () => {
    const loose = strongPage(makeSite({ users: USERS, userCase: false, passwordCase: false }), SHOWN);
    assert.equal(await openedBy(loose, { user: 'ALICE', password: 'wONDERLAND' }), SHOWN);
    assert.equal(await openedBy(loose, { user: 'CHLOe\u0301', password: 'X' }), SHOWN);
    assert.equal(await openedBy(loose, { user: 'CHLO\u00c9', password: 'x' }), null);
    const namesLoose = strongPage(makeSite({ users: USERS, userCase: false }), SHOWN);
    assert.equal(await openedBy(namesLoose, { user: 'BOB', password: 'b\u00e9\u{1F511}' }), SHOWN);
    assert.equal(await openedBy(namesLoose, { user: 'alice', password: 'wonderland' }), null);
  });
});

describe('remembered strong logins', () => {
  const site = makeSite({ password: 'pw' });
  const page = (settings, text = SHOWN, s = site) => strongPage(s, text, { settings });
  const secretHex = hex(secretOf(site, { password: 'pw' }));

  const keyCookie = (s = site) => `wendlock_k_${s.salt.toString('base64').replace(/\+/g, '-').replace(/\//g, '_').replace(/=/g, '')}`;

  // Cookies hold at most the random session key that seals an entry:
  // never the secret nor the content key.
  const noKeyInCookies = (browser) => {
    for (const c of browser.cookies.values()) {
      assert.match(c.raw, /^wendlock_k_[A-Za-z0-9_-]+=[0-9a-f]{64}; path=\/; SameSite=Lax/);
      assert.ok(!c.raw.includes(secretHex.slice(0, 16)) && !c.raw.includes(hex(site.contentKey).slice(0, 16)));
    }
  };

  // What a sealed entry holds, opened with node:crypto: the secret and the
  // expiry (ms) inside.
  const unseal = (key, sealed) => {
    const data = Buffer.from(sealed.data);
    const d = crypto.createDecipheriv('aes-256-gcm', key, Buffer.from(sealed.iv));
    d.setAAD(Buffer.concat([Buffer.from('wendlock kept login'), site.salt]));
    d.setAuthTag(data.subarray(data.length - 16));
    const plain = Buffer.concat([d.update(data.subarray(0, data.length - 16)), d.final()]);
    return { secret: hex(plain.subarray(0, 32)), expires: plain.readUInt32BE(32) * 4294967296 + plain.readUInt32BE(36) };
  };

  test('expiry 0 keeps nothing and asks on every load', async () => {
    const browser = new FakeBrowser();
    const options = { indexedDB: true };
    assert.equal((await login(browser, page({ expireType: 0 }), { password: 'pw' }, options)).written, SHOWN);
    assert.equal(browser.storedText(), '');
    assert.deepEqual(browser.indexedDB.entries(), []);
    assert.ok((await browser.load(page({ expireType: 0 }), options)).askedForLogin);
  });

  test('expiry 1 over http: the secret sealed under a fresh key of a session cookie', async () => {
    for (const protocol of ['http:', 'https:']) {
      const browser = new FakeBrowser({ protocol });
      const options = { indexedDB: true };
      await login(browser, page({ expireType: 1 }), { password: 'pw' }, options);
      const cookie = browser.cookies.get(keyCookie());
      assert.ok(cookie && cookie.expires === null, 'a session cookie');
      assert.equal(/; Secure/.test(cookie.raw), protocol === 'https:');
      noKeyInCookies(browser);
      const [[salt, entry]] = browser.indexedDB.entries();
      assert.equal(salt, site.salt.toString('base64'));
      assert.equal(entry.keyCookie, keyCookie());
      assert.ok(!Buffer.from(entry.value.data).toString('hex').includes(secretHex.slice(0, 16)), 'sealed');
      assert.deepEqual(unseal(h(cookie.value), entry.value), { secret: secretHex, expires: 0 });
      assert.equal(browser.sessionStorage.length, 0);

      const second = '<p>second page</p>';
      assert.equal((await browser.load(page({ expireType: 1 }, second), options)).written, second);
      const otherSite = makeSite({ password: 'pw' });
      assert.ok((await browser.load(page({ expireType: 1 }, second, otherSite), options)).askedForLogin);
      assert.ok((await browser.load(page({ expireType: 0 }), options)).askedForLogin, 'expiry 0 pages ignore it');
      // A second site of the host does not sign out the first.
      await login(browser, page({ expireType: 1 }, second, otherSite), { password: 'pw' }, options);
      assert.equal((await browser.load(page({ expireType: 1 }), options)).written, SHOWN);

      // The entry without its cookie opens nothing, and goes.
      browser.restart();
      assert.equal(browser.indexedDB.entries().length, 2);
      assert.ok((await browser.load(page({ expireType: 1 }), options)).askedForLogin);
      assert.equal(browser.indexedDB.entries().length, 1, 'the stale entry is gone');
      // The next login seals under a key of its own.
      await login(browser, page({ expireType: 1 }), { password: 'pw' }, options);
      assert.notEqual(browser.cookies.get(keyCookie()).value, cookie.value, 'a fresh key per login');
    }
  });

  // Every local file is of one origin: without the project's sharing
  // option a file page keeps its login for its tab, whatever the expiry.
  test('file pages keep a login for their tab only, unless the project shares it', async () => {
    for (const settings of [{ expireType: 1 }, { expireType: 2, expireDays: 3 }]) {
      const where = JSON.stringify(settings);
      const browser = new FakeBrowser({ protocol: 'file:' });
      const options = { indexedDB: true };
      await login(browser, page(settings), { password: 'pw' }, options);
      assert.equal(browser.cookies.size, 0);
      assert.deepEqual(browser.indexedDB.entries(), [], where);
      assert.equal((await browser.load(page(settings), options)).written, SHOWN, `a reload opens (${where})`);
      browser.sessionStorage.clear(); // a new tab has its own session storage
      assert.ok((await browser.load(page(settings), options)).askedForLogin, `no tab answers (${where})`);
    }

    const shared = page({ expireType: 1, shareFileTabs: true });
    const browser = new FakeBrowser({ protocol: 'file:' });
    const options = { indexedDB: true };
    const first = await login(browser, shared, { password: 'pw' }, options);
    assert.equal(browser.cookies.size, 0);
    assert.deepEqual(browser.indexedDB.entries(), []);
    assert.equal((await browser.load(shared, options)).written, SHOWN);

    browser.sessionStorage.clear();
    const tab = await browser.load(shared, options);
    assert.equal(tab.written, SHOWN, 'an open tab handed the key over');
    browser.sessionStorage.clear();
    const lone = await browser.load(shared, { ...options, channels: false });
    assert.ok(lone.askedForLogin);
    assert.ok(first.written);

    browser.restart();
    browser.channels.members.clear(); // closing the browser closes the tabs
    assert.ok((await browser.load(shared, options)).askedForLogin);
  });

  test('expiry 2 lasts the given days, its expiry sealed with the secret', async () => {
    for (const protocol of ['https:', 'file:']) {
      const browser = new FakeBrowser({ protocol });
      // file pages keep it in the database only when logins are shared
      const script = page({ expireType: 2, expireDays: 3, shareFileTabs: protocol === 'file:' });
      await login(browser, script, { password: 'pw' }, { indexedDB: true });
      const [[, entry]] = browser.indexedDB.entries();
      assert.equal(entry.expires, browser.now + 3 * 86400000);
      assert.equal(entry.value.key.extractable, false, 'the sealing key cannot be read out');
      assert.equal(entry.value.data.length, 32 + 8 + 16);
      assert.equal(browser.cookies.size, 0);
      browser.restart();
      browser.advanceDays(2);
      assert.equal((await browser.load(script, { indexedDB: true })).written, SHOWN, protocol);
      browser.advanceDays(1.5);
      // The expiry beside the entry moved on: the one inside still holds.
      entry.expires += 30 * 86400000;
      assert.ok((await browser.load(script, { indexedDB: true })).askedForLogin, `${protocol} after the days`);
    }
    // Without WebCrypto a key cannot be kept, only the tab's secret.
    const browser = new FakeBrowser();
    await login(browser, page({ expireType: 2, expireDays: 3 }), { password: 'pw' }, { subtle: false, indexedDB: true });
    assert.deepEqual(browser.indexedDB.entries(), []);
    assert.match(browser.storedText(), new RegExp(`^${secretHex}~\\d+$`));
    noKeyInCookies(browser);
    assert.equal((await browser.load(page({ expireType: 2 }), { subtle: false })).written, SHOWN);
    browser.restart();
    assert.ok((await browser.load(page({ expireType: 2 }), { subtle: false })).askedForLogin);
  });

  test('the log-out fragment forgets everything, open tabs too', async () => {
    for (const protocol of ['https:', 'file:']) {
      const browser = new FakeBrowser({ protocol });
      const other = makeSite({ password: 'pw2' });
      const shareFileTabs = true;
      await login(browser, page({ expireType: 1, shareFileTabs }), { password: 'pw' }, { indexedDB: true });
      await login(browser, page({ expireType: 2, shareFileTabs }, SHOWN, other), { password: 'pw2' }, { indexedDB: true });
      assert.equal(browser.indexedDB.entries().length, protocol === 'file:' ? 1 : 2);
      const out = await browser.load(page({ expireType: 1 }), { hash: '#wendlock-logout', indexedDB: true });
      assert.ok(out.askedForLogin);
      assert.equal(out.replacedUrl, '/site/page.html');
      assert.equal(browser.storedText(), '', protocol);
      assert.equal(browser.cookies.size, 0, protocol);
      assert.deepEqual(browser.indexedDB.entries(), []);
      const again = { indexedDB: true };
      assert.ok((await browser.load(page({ expireType: 1, shareFileTabs }), again)).askedForLogin, 'no tab answers');
      assert.ok((await browser.load(page({ expireType: 2, shareFileTabs }, SHOWN, other), again)).askedForLogin);
    }
  });

  test('several users: the user secret survives a new run, not a removed user', async () => {
    const users = makeSite({ users: USERS });
    const browser = new FakeBrowser();
    const options = { indexedDB: true };
    const settings = { expireType: 2, expireDays: 9 };
    await login(browser, strongPage(users, SHOWN, { settings }), { user: 'Bob', password: USERS[1].password }, options);
    noKeyInCookies(browser);
    const next = run(users);
    assert.equal((await browser.load(strongPage(next, '<p>new</p>', { settings }), options)).written, '<p>new</p>');
    const withoutBob = run({ ...users, users: [USERS[0], USERS[2]] });
    assert.ok((await browser.load(strongPage(withoutBob, SHOWN, { settings }), options)).askedForLogin);
  });

  test('a fragment in the address scrolls to its anchor after login', async () => {
    const p = await login(new FakeBrowser(), page({}, SHOWN), { password: 'pw' }, { hash: '#details' });
    assert.equal(p.anchor('details', 'id').scrolled, 1);
  });
});

describe('strong script file', () => {
  const text = scriptSource('strong');

  test('assembled from its parts and minified, safe inline, with only its own format', async () => {
    const readable = assembledScript('strong');
    assert.equal(text, await builtScript('strong'));
    for (const part of ['ui.js', 'Strong/crypto.js', 'npm/fflate-inflate.js']) {
      assert.ok(readable.includes(includedPart(part)), part);
    }
    assert.ok(!readable.includes('@include'));
    assert.ok(/^[\x09\x0a\x0d\x20-\x7e]*$/.test(text), 'plain ASCII');
    assert.ok(!/<\/|<!--|-->/.test(text), 'cannot end its script element');
    for (const code of [text, readable]) {
      assert.ok(!/md5|unscramble|PWDMKK/i.test(code.replace(/^\s*\/\/.*$/gm, '')), 'no classic code');
    }
    for (const mode of ['single', 'multi']) {
      for (const code of [scriptSource(mode), assembledScript(mode)]) {
        assert.ok(!/pbkdf2|gcm|AES_/i.test(code), `${mode} carries no strong code`);
      }
    }
  });

  test('vxpcheck is the only global, and a page without arrays still asks', async () => {
    const p = await new FakeBrowser().load(text);
    const added = Object.keys(p.context).filter((k) => !p.globalsBefore.has(k));
    assert.deepEqual(added, ['vxpcheck']);
    assert.ok(p.askedForLogin);
    assert.equal((await p.login({ password: 'x' })).elements.vxperror.textContent, 'The password is not correct.');
  });
});
