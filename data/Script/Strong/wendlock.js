// Wendlock login script, strong format (single password and several users).
//
// Each strong page carries a copy of this file inside its main script
// element. The page defines before it: LoginExpireType, LoginExpireDays,
// LoginIncorrectMode, LoginAlertText, LoginRedirectURL,
// LoginRedirectURLTarget, RefreshPageInIE, PWDCSS, USRCSS (several users),
// vxsv = [1, mode, iterations, salt, nonce, chunk count, run], vxsc (single
// password, newer pages: a check value of the content key), vxsk (several
// users: one wrapped content key per user among random entries; the run
// value, absent from older pages, goes into the lookup ids) and vxsa (the
// enciphered, deflated page in chunks). The check for a remembered login
// starts when the script runs; the body's load event calls vxpcheck().
//
// Contract with the login-page template:
//   <form id="vxpform">      the login form; its submit runs the check
//   <input id="vxpuser">     several users only: the user name field
//   <input id="vxppass">     the password field
//   <... id="vxperror">      optional, role="alert": "Unlocking..." while
//                            the key is derived, the alert text after a
//                            wrong login
//
// The password goes through PBKDF2-HMAC-SHA256 and HKDF to the AES-256-GCM
// key of each page; the GCM tags (and the key check value vxsc, which needs
// the same derivation) are the only password checks. Once the credentials
// are confirmed, a chunk that fails says the page is damaged, not that the
// password is wrong. WebCrypto does
// the work where it exists; elsewhere (plain http from another host) the
// built-in primitives do, in a Worker when the browser allows one.
//
// Remembered logins keep the PBKDF2 result of the site (never the password)
// under the site's salt, as remember.js describes: in IndexedDB sealed with
// AES-GCM, its expiry inside (until the browser closes: under a fresh key
// that only a session cookie holds; a number of days: under a
// non-extractable key beside it), or the result itself in the tab's
// sessionStorage. Opening a page with #wendlock-logout forgets every
// remembered login.
//
// Strong pages need a 2020 or later browser: async functions, typed arrays
// and String.prototype.normalize are taken for granted, and the Internet
// Explorer refresh option (RefreshPageInIE) is ignored.

var vxpcheck = (function () {
  'use strict';

  // @include ui.js
  // @include remember.js
  // @include npm/fflate-inflate.js
  // @include Strong/crypto.js
  // @include Strong/site-worker.js

  var FIELDS = ['vxppass'];
  var DEFAULT_ERROR = 'The password is not correct.';
  var UNLOCKING = 'Unlocking\u2026';
  var CHUNK_BYTES = 65536;
  var cfg = null;
  var B64 = 'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/';

  function readSettings() {
    readLoginSettings();
    var c = {};
    var v = pageList('vxsv');
    c.multi = v[1] === 1;
    c.iterations = v[2];
    c.saltText = typeof v[3] === 'string' ? v[3] : '';
    c.salt = base64Bytes(v[3]);
    c.nonce = base64Bytes(v[4]);
    c.run = v.length > 6 ? base64Bytes(v[6]) : null;
    c.entries = pageList('vxsk');
    // pages written before the check value have none
    c.check = typeof win.vxsc === 'string' ? base64Bytes(win.vxsc) : null;
    c.chunks = pageList('vxsa');
    c.valid =
      v[0] === 1 &&
      (v[1] === 0 || v[1] === 1) &&
      typeof c.iterations === 'number' &&
      c.iterations >= 1 &&
      c.iterations <= 10000000 &&
      c.iterations % 1 === 0 &&
      c.salt !== null &&
      c.salt.length === 16 &&
      c.nonce !== null &&
      c.nonce.length === 16 &&
      v[5] === c.chunks.length &&
      (v.length === 6 || (v.length === 7 && c.run !== null && c.run.length === 16)) &&
      c.chunks.length >= 1;
    if (c.multi) {
      FIELDS = ['vxpuser', 'vxppass'];
      DEFAULT_ERROR = 'The user name or password is not correct.';
    }
    return c;
  }

  // ---- Bytes -------------------------------------------------------------

  var B64_TEXT = /^(?:[A-Za-z0-9+\/]{4})*(?:[A-Za-z0-9+\/]{2}==|[A-Za-z0-9+\/]{3}=)?$/;

  // Strict Base64: anything malformed gives null.
  function base64Bytes(text) {
    if (typeof text !== 'string' || !B64_TEXT.test(text)) {
      return null;
    }
    var end = text.length;
    while (end > 0 && text.charAt(end - 1) === '=') {
      end--;
    }
    var out = new Uint8Array((end * 3) >> 2);
    var acc = 0;
    var bits = 0;
    for (var i = 0, n = 0; i < end; i++) {
      acc = ((acc << 6) | B64.indexOf(text.charAt(i))) & 0xffffff;
      bits += 6;
      if (bits >= 8) {
        bits -= 8;
        out[n++] = (acc >> bits) & 255;
      }
    }
    return out;
  }

  function toBytes(list) {
    var out = new Uint8Array(list.length);
    for (var i = 0; i < list.length; i++) {
      out[i] = list[i];
    }
    return out;
  }

  function joinBytes(parts) {
    var n = 0;
    var i;
    for (i = 0; i < parts.length; i++) {
      n += parts[i].length;
    }
    var out = new Uint8Array(n);
    for (i = 0, n = 0; i < parts.length; i++) {
      out.set(parts[i], n);
      n += parts[i].length;
    }
    return out;
  }

  function u32(x) {
    return toBytes([(x >>> 24) & 255, (x >>> 16) & 255, (x >>> 8) & 255, x & 255]);
  }

  function toHex(bytes) {
    var out = '';
    for (var i = 0; i < bytes.length; i++) {
      out += (bytes[i] < 16 ? '0' : '') + bytes[i].toString(16);
    }
    return out;
  }

  function fromHex(text) {
    if (typeof text !== 'string' || !/^(?:[0-9a-f]{2})+$/.test(text)) {
      return null;
    }
    var out = new Uint8Array(text.length / 2);
    for (var i = 0; i < out.length; i++) {
      out[i] = parseInt(text.substr(2 * i, 2), 16);
    }
    return out;
  }

  function sameBytes(a, b) {
    if (a.length !== b.length) {
      return false;
    }
    var diff = 0;
    for (var i = 0; i < a.length; i++) {
      diff |= a[i] ^ b[i];
    }
    return diff === 0;
  }

  // ---- Credentials -------------------------------------------------------

  // NFC first, then the case option, then UTF-8.
  function credential(text, keepCase) {
    text = typeof text === 'string' ? text : '';
    if (typeof text.normalize === 'function') {
      text = text.normalize('NFC');
    }
    if (!keepCase) {
      text = foldAscii(text);
    }
    return toBytes(utf8Bytes(text));
  }

  // Name and password are length-prefixed, so no two pairs give the same
  // bytes.
  function typedCredential() {
    var password = credential(fieldValue('vxppass'), passwordCase);
    if (!cfg.multi) {
      return password;
    }
    var name = credential(fieldValue('vxpuser'), userCase);
    return joinBytes([u32(name.length), name, u32(password.length), password]);
  }

  // ---- Key derivation ----------------------------------------------------

  function subtle() {
    try {
      var c = window.crypto;
      return c && c.subtle && typeof c.subtle.deriveBits === 'function' ? c.subtle : null;
    } catch (e) {
      return null;
    }
  }

  // Where a Worker may start from a Blob URL the slow loop runs there; else
  // it runs in slices so the page keeps answering.
  var WORKER_SOURCE =
    'var core=(' + shaCore.toString() + ')();' +
    'onmessage=function(e){var d=e.data;var job=core.pbkdf2Job(d.p,d.s,d.n,32);' +
    'job.step(Infinity);postMessage(job.result);};';

  function pbkdf2InSlices(password, salt, iterations) {
    return new Promise(function (resolve) {
      var job = SHA.pbkdf2Job(password, salt, iterations, 32);
      (function run() {
        var until = nowMs() + 40;
        while (!job.step(5000)) {
          if (nowMs() >= until) {
            setTimeout(run, 0);
            return;
          }
        }
        resolve(job.result);
      })();
    });
  }

  function pbkdf2Pure(password, salt, iterations) {
    return new Promise(function (resolve) {
      var worker = null;
      var url = null;
      function fallBack() {
        stop();
        resolve(pbkdf2InSlices(password, salt, iterations));
      }
      function stop() {
        try {
          if (worker) {
            worker.terminate();
          }
          if (url) {
            URL.revokeObjectURL(url);
          }
        } catch (e) {
          // already gone
        }
        worker = null;
        url = null;
      }
      try {
        if (typeof Worker !== 'function' || typeof Blob !== 'function' || !URL.createObjectURL) {
          fallBack();
          return;
        }
        url = URL.createObjectURL(new Blob([WORKER_SOURCE], { type: 'text/javascript' }));
        worker = new Worker(url);
        worker.onmessage = function (e) {
          var result = e.data;
          if (result && result.length === 32) {
            stop();
            resolve(toBytes(result));
          } else {
            fallBack();
          }
        };
        worker.onerror = fallBack;
        worker.postMessage({ p: password, s: salt, n: iterations });
      } catch (e) {
        fallBack();
      }
    });
  }

  // A secret is the PBKDF2 result as raw bytes, as a non-extractable HKDF
  // key, or both.
  async function secretFromRaw(raw) {
    var s = subtle();
    var key = null;
    if (s) {
      try {
        key = await s.importKey('raw', raw, 'HKDF', false, ['deriveBits', 'deriveKey']);
      } catch (e) {
        key = null;
      }
    }
    return { raw: raw, key: key };
  }

  async function deriveSecret(password) {
    var s = subtle();
    if (s) {
      try {
        var base = await s.importKey('raw', password, 'PBKDF2', false, ['deriveBits']);
        var bits = await s.deriveBits(
          { name: 'PBKDF2', hash: 'SHA-256', salt: cfg.salt, iterations: cfg.iterations },
          base,
          256
        );
        return await secretFromRaw(new Uint8Array(bits));
      } catch (e) {
        // some browsers refuse an empty password here
      }
    }
    return secretFromRaw(await pbkdf2Pure(password, cfg.salt, cfg.iterations));
  }

  async function hkdfKey(secret) {
    if (!secret.key && secret.raw && subtle()) {
      secret.key = (await secretFromRaw(secret.raw)).key;
    }
    return secret.key;
  }

  function hkdfParams(salt, info) {
    return { name: 'HKDF', hash: 'SHA-256', salt: salt, info: asciiBytes(info) };
  }

  async function hkdfBytes(secret, salt, info, length) {
    var key = await hkdfKey(secret);
    if (key) {
      try {
        return new Uint8Array(await subtle().deriveBits(hkdfParams(salt, info), key, length * 8));
      } catch (e) {
        if (!secret.raw) {
          throw e;
        }
      }
    }
    return hkdfSync(secret.raw, salt, asciiBytes(info), length);
  }

  // An AES-256-GCM key derived by HKDF: a WebCrypto key or raw bytes.
  async function gcmKey(secret, salt, info) {
    var key = await hkdfKey(secret);
    if (key) {
      try {
        var aes = await subtle().deriveKey(hkdfParams(salt, info), key, { name: 'AES-GCM', length: 256 }, false, [
          'decrypt',
        ]);
        return { key: aes, raw: null };
      } catch (e) {
        if (!secret.raw) {
          throw e;
        }
      }
    }
    return { key: null, raw: hkdfSync(secret.raw, salt, asciiBytes(info), 32) };
  }

  // The plaintext, or null when the tag does not match.
  async function gcmOpen(aes, iv, aad, sealed) {
    if (aes.key) {
      try {
        var plain = await subtle().decrypt(
          { name: 'AES-GCM', iv: iv, additionalData: aad, tagLength: 128 },
          aes.key,
          sealed
        );
        return new Uint8Array(plain);
      } catch (e) {
        return null;
      }
    }
    return gcmDecryptSync(aes.raw, iv, aad, sealed);
  }

  // ---- Opening the page --------------------------------------------------

  async function contentKey(secret) {
    if (!cfg.multi) {
      return hkdfBytes(secret, cfg.salt, 'wendlock v1 content key', 32);
    }
    // The entry whose lookup id this secret gives holds the content key.
    // A page with a run value derives its lookup ids with it; older pages
    // have none.
    var lookup = cfg.run
      ? await hkdfBytes(secret, joinBytes([cfg.salt, cfg.run]), 'wendlock v2 lookup id', 16)
      : await hkdfBytes(secret, cfg.salt, 'wendlock v1 lookup id', 16);
    var wrap = null;
    for (var i = 0; i < cfg.entries.length; i++) {
      var entry = base64Bytes(cfg.entries[i]);
      if (entry === null || entry.length !== 76 || !sameBytes(entry.subarray(0, 16), lookup)) {
        continue;
      }
      wrap = wrap || (await gcmKey(secret, cfg.salt, 'wendlock v1 wrap key'));
      var aad = joinBytes([asciiBytes('wendlock v1 wrap'), cfg.salt]);
      var key = await gcmOpen(wrap, entry.subarray(16, 28), aad, entry.subarray(28));
      if (key !== null && key.length === 32) {
        return key;
      }
    }
    return null;
  }

  // The page text in the pieces that inflating gives: on a large page one
  // joined copy of the bytes and of the text would double the memory.
  async function inflateText(chunks) {
    var stream = null;
    if (typeof DecompressionStream === 'function' && typeof TextDecoder === 'function') {
      try {
        stream = new DecompressionStream('deflate-raw');
      } catch (e) {
        stream = null; // an older browser that knows only zlib and gzip
      }
    }
    if (!stream) {
      return [utf8Text(inflateRawSync(joinBytes(chunks)))];
    }
    var writer = stream.writable.getWriter();
    for (var i = 0; i < chunks.length; i++) {
      writer.write(chunks[i]).catch(function () {});
    }
    writer.close().catch(function () {});
    var reader = stream.readable.getReader();
    var decoder = new TextDecoder('utf-8');
    var pieces = [];
    for (;;) {
      var r = await reader.read();
      var piece = r.done
        ? decoder.decode()
        : decoder.decode(new Uint8Array(r.value.buffer, r.value.byteOffset, r.value.byteLength), { stream: true });
      if (piece) {
        pieces.push(piece);
      }
      if (r.done) {
        return pieces;
      }
    }
  }

  function utf8Text(bytes) {
    if (typeof TextDecoder === 'function') {
      try {
        return new TextDecoder('utf-8').decode(bytes);
      } catch (e) {
        // fall through to the built-in decoder
      }
    }
    return utf8DecodeSync(bytes);
  }

  // Said by openPage when the credentials are right but the page is not.
  var BROKEN = { damaged: true };

  // True when the content key is confirmed by the page's check value;
  // false when it is refuted; null on a page without one.
  async function keyChecks(content) {
    if (cfg.multi || !cfg.check || cfg.check.length !== 16) {
      return null;
    }
    var check = await hkdfBytes({ raw: content, key: null }, cfg.salt, 'wendlock v1 key check', 16);
    return sameBytes(check, cfg.check);
  }

  // The page text (in pieces) for a secret; null when the secret does not
  // open it; BROKEN when the secret is confirmed (its users' entry opened,
  // the key check value or one chunk matched) and the page still fails.
  async function openPage(secret) {
    if (!cfg.valid) {
      return null;
    }
    var content = await contentKey(secret);
    if (content === null) {
      return null;
    }
    openedContentKey = content;
    var checked = await keyChecks(content);
    if (checked === false) {
      return null;
    }
    var confirmed = cfg.multi || checked === true;
    var page = await gcmKey({ raw: content, key: null }, cfg.nonce, 'wendlock v1 page key');
    var count = cfg.chunks.length;
    var opened = [];
    for (var i = 0; i < count; i++) {
      var sealed = base64Bytes(cfg.chunks[i]);
      if (sealed === null || sealed.length < 16 || sealed.length > CHUNK_BYTES + 16) {
        return confirmed ? BROKEN : null;
      }
      var iv = joinBytes([u32(0), u32(0), u32(i)]);
      var aad = joinBytes([asciiBytes('WLK1'), cfg.nonce, u32(i), toBytes([i === count - 1 ? 1 : 0])]);
      opened.push(gcmOpen(page, iv, aad, sealed));
    }
    var chunks = await Promise.all(opened);
    var failed = false;
    for (i = 0; i < count; i++) {
      failed = failed || chunks[i] === null;
      // a tag that matches proves the key as well
      confirmed = confirmed || chunks[i] !== null;
    }
    if (failed) {
      return confirmed ? BROKEN : null;
    }
    var pieces = null;
    try {
      pieces = await inflateText(chunks);
    } catch (e) {
      return BROKEN; // every tag matched: the key is right
    }
    // A byte order mark is no text of the page: written before the
    // doctype it would put the page into quirks mode.
    if (pieces.length && pieces[0].charCodeAt(0) === 0xfeff) {
      pieces[0] = pieces[0].substring(1);
    }
    return pieces;
  }

  // ---- Remembered logins -------------------------------------------------

  // The tab keeps the PBKDF2 result as hex; IndexedDB keeps it sealed with
  // AES-GCM, its expiry inside, under a key that is never stored beside it
  // in the clear: a fresh random key in a session cookie for a login that
  // ends with the session, a non-extractable key for a number of days.
  var KEPT_AAD = 'wendlock kept login';

  function keptText(secret) {
    return secret.raw ? toHex(secret.raw) : null;
  }

  function keptAad() {
    return joinBytes([asciiBytes(KEPT_AAD), cfg.salt]);
  }

  function randomBytes(n) {
    return window.crypto.getRandomValues(new Uint8Array(n));
  }

  // The secret and its expiry (0 with the session), sealed under aes.
  async function sealKept(aes, raw, expires) {
    var iv = randomBytes(12);
    var plain = joinBytes([raw, u32(Math.floor(expires / 4294967296)), u32(expires % 4294967296)]);
    var data = await subtle().encrypt({ name: 'AES-GCM', iv: iv, additionalData: keptAad() }, aes, plain);
    return { iv: iv, data: new Uint8Array(data) };
  }

  // The secret a sealed entry holds while its inner expiry has not passed.
  async function openKept(aes, sealed, session) {
    var plain = await subtle().decrypt(
      { name: 'AES-GCM', iv: sealed.iv, additionalData: keptAad() },
      aes,
      sealed.data
    );
    plain = new Uint8Array(plain);
    if (plain.length !== 40) {
      return null;
    }
    var expires = 0;
    for (var i = 32; i < 40; i++) {
      expires = expires * 256 + plain[i];
    }
    if (session ? expires !== 0 : !(expires > nowMs())) {
      return null;
    }
    return { raw: plain.slice(0, 32), key: null };
  }

  async function fromKept(value) {
    if (typeof value === 'string') {
      var raw = fromHex(value);
      return raw && raw.length === 32 ? { raw: raw, key: null } : null;
    }
    if (!value || !subtle()) {
      return null; // an entry of an earlier version, or no WebCrypto
    }
    try {
      if (value.sealed && value.sessionKey) {
        var aes = await subtle().importKey('raw', fromHex(value.sessionKey), 'AES-GCM', false, ['decrypt']);
        return await openKept(aes, value.sealed, true);
      }
      if (value.key && value.iv && value.data) {
        return await openKept(value.key, value, false);
      }
    } catch (e) {
      // a wrong key or a changed entry
    }
    return null;
  }

  async function remember(secret) {
    var expires = loginExpiry();
    var value = null;
    var sessionKey = null;
    var keepsEntry = expires >= 0 && !tabOnly() && !sessionBoundToTabs() && secret.raw && idbFactory();
    if (keepsEntry && subtle()) {
      try {
        var aes = null;
        if (expires === 0) {
          var fresh = randomBytes(32);
          sessionKey = toHex(fresh);
          aes = await subtle().importKey('raw', fresh, 'AES-GCM', false, ['encrypt']);
          fresh.fill(0);
        } else {
          aes = await subtle().generateKey({ name: 'AES-GCM', length: 256 }, false, ['encrypt', 'decrypt']);
        }
        value = await sealKept(aes, secret.raw, expires);
        if (expires !== 0) {
          value.key = aes;
        }
      } catch (e) {
        value = null;
        sessionKey = null;
      }
    }
    await new Promise(function (resolve) {
      keepLogin(cfg.saltText, value, keptText(secret), null, resolve, sessionKey);
    });
  }

  async function rememberedSecrets() {
    var values = await new Promise(function (resolve) {
      findLogins(cfg.saltText, resolve);
    });
    var found = [];
    for (var i = 0; i < values.length; i++) {
      var secret = await fromKept(values[i]);
      if (secret) {
        found.push(secret);
      }
    }
    return found;
  }

  // ---- The form ----------------------------------------------------------

  var busy = false;

  function submitButtons() {
    var form = byId('vxpform');
    try {
      return form && form.querySelectorAll ? form.querySelectorAll('button, input[type="submit"]') : [];
    } catch (e) {
      return [];
    }
  }

  // While the key is derived the form says so and takes no second submit.
  function setBusy(on) {
    busy = on;
    try {
      var form = byId('vxpform');
      if (form && form.setAttribute) {
        form.setAttribute('aria-busy', on ? 'true' : 'false');
      }
      var buttons = submitButtons();
      for (var i = 0; i < buttons.length; i++) {
        buttons[i].disabled = on;
      }
      var box = byId('vxperror');
      if (box && (on || box.textContent === UNLOCKING)) {
        box.textContent = on ? UNLOCKING : '';
      }
      // "Unlocking..." is news, not an error: the box takes its status
      // style and the fields lose the mark of an earlier wrong attempt.
      if (box && box.setAttribute) {
        if (on) {
          box.setAttribute('data-status', 'busy');
        } else {
          box.removeAttribute('data-status');
        }
      }
      for (var f = 0; on && f < FIELDS.length; f++) {
        var field = byId(FIELDS[f]);
        if (field && field.removeAttribute) {
          field.removeAttribute('aria-invalid');
        }
      }
    } catch (e) {
      // the form still works without the hint
    }
  }

  // Strong pages need a browser far newer than Internet Explorer, so the
  // refresh option is ignored.
  function showPage(text) {
    writePage(function () {
      writeProgressively(text);
    });
  }

  async function unlock(password) {
    try {
      var secret = cfg.valid ? await deriveSecret(password) : null;
      var text = secret ? await openPage(secret) : null;
      if (text === BROKEN) {
        setBusy(false);
        damagedPage();
        return;
      }
      if (text === null) {
        setBusy(false);
        wrongLogin();
        return;
      }
      await remember(secret);
      setBusy(false);
      await showOpened(text);
    } catch (e) {
      setBusy(false);
      try {
        wrongLogin();
      } catch (e2) {
        // nothing more can be done
      }
    }
  }

  function onSubmit(event) {
    try {
      if (event && event.preventDefault) {
        event.preventDefault();
      }
    } catch (e) {
      // the return value stops the submit as well
    }
    if (!busy) {
      var typed = null;
      try {
        typed = typedCredential();
      } catch (e2) {
        typed = null;
      }
      setBusy(true);
      unlock(typed);
    }
    return false;
  }

  // ---- Share links -------------------------------------------------------

  var STALE_LINK = 'This link is no longer valid.';

  // A share link ends in "#wl=TOKEN" (or "&wl=TOKEN" after the page's own
  // fragment): the derived secret in base64url, never the password. It is
  // taken out of the address and the history entry before anything else
  // happens; null when there is none or it is malformed.
  function takeLinkToken() {
    return quietly(function () {
      var hash = loc.hash || '';
      if (hash.indexOf('wl=') < 0) {
        return null;
      }
      var token = null;
      var kept = hash
        .slice(1)
        .split('&')
        .filter(function (part) {
          if (part.indexOf('wl=') === 0) {
            token = part.slice(3);
            return false;
          }
          return true;
        })
        .join('&');
      win.history.replaceState(win.history.state, '', loc.pathname + loc.search + (kept ? '#' + kept : ''));
      if (!token || !/^[A-Za-z0-9_-]{43}$/.test(token)) {
        return undefined;
      }
      return base64Bytes(token.replace(/-/g, '+').replace(/_/g, '/') + '=');
    });
  }

  // Under the form: why the link did not log in.
  function noteStaleLink() {
    quietly(function () {
      var form = byId('vxpform');
      if (form && !byId('vxplinknote')) {
        var note = doc.createElement('p');
        note.id = 'vxplinknote';
        note.textContent = STALE_LINK;
        form.parentNode.insertBefore(note, form);
      }
    });
  }

  // done() once a remembered login has shown the page or none could.
  async function runCheck(done) {
    try {
      cfg = readSettings();
      var token = takeLinkToken();
      if (token !== null && cfg.valid) {
        // A link logs in as the password would, remember rules and all.
        var opened = null;
        if (token && token.length === 32) {
          setBusy(true);
          var secret = await secretFromRaw(token);
          opened = await openPage(secret);
          setBusy(false);
          if (opened !== null && opened !== BROKEN) {
            await remember(secret);
            await showOpened(opened);
            done();
            return;
          }
        }
        if (doc.readyState === 'loading') {
          doc.addEventListener('DOMContentLoaded', noteStaleLink, false);
        } else {
          noteStaleLink();
        }
      } else if (isLogoutRequest()) {
        tellWorkerLogout();
        await new Promise(forgetLogins);
        clearFragment();
      } else if (cfg.valid && (expireType === 1 || expireType === 2)) {
        var secrets = await rememberedSecrets();
        for (var i = 0; i < secrets.length; i++) {
          setBusy(true);
          var text = await openPage(secrets[i]);
          setBusy(false);
          if (text !== null && text !== BROKEN) {
            if (sessionBoundToTabs()) {
              holdForTabs(cfg.saltText, null, keptText(secrets[i]));
            }
            await showOpened(text);
            done();
            return;
          }
        }
      }
    } catch (e) {
      // whatever failed, the visitor can still log in by hand
      setBusy(false);
    }
    done();
  }

  return startChecking();
})();
