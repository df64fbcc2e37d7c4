  // The classic format's part of the login script: digests, the page
  // cipher, the form and the Internet Explorer refresh.
  var OLD_STORES = ['wendlock_session', 'wendlock_keep'];
  var REFRESH_STORE = 'wendlock_refresh';
  var MAX_ENTRIES = 16;
  // A refresh hand-over older than this is ignored.
  var REFRESH_MS = 60000;
  // The longest the page waits for storage before it goes on without.
  var KEEP_MS = 3000;
  var B64 = 'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/';

  function readSettings() {
    var c = readLoginSettings();
    c.check = typeof PWDMKK === 'number' ? PWDMKK : -1;
    c.content = isList(typeof vxpa !== 'undefined' ? vxpa : null) ? vxpa : [];
    readModeSettings(c);
    return c;
  }

  // ---- Digests ----------------------------------------------------------

  var MD5_SHIFT = [7, 12, 17, 22, 5, 9, 14, 20, 4, 11, 16, 23, 6, 10, 15, 21];
  var MD5_T = [];
  (function () {
    for (var i = 0; i < 64; i++) {
      MD5_T[i] = Math.floor(Math.abs(Math.sin(i + 1)) * 4294967296) | 0;
    }
  })();

  // MD5 of an array of byte values, as 32 lower-case hex digits.
  function md5Hex(bytes) {
    var n = bytes.length;
    var wordCount = (((n + 8) >>> 6) + 1) * 16;
    var w = [];
    var i;
    for (i = 0; i < wordCount; i++) {
      w[i] = 0;
    }
    for (i = 0; i < n; i++) {
      w[i >> 2] |= (bytes[i] & 255) << ((i % 4) * 8);
    }
    w[n >> 2] |= 0x80 << ((n % 4) * 8);
    w[wordCount - 2] = (n * 8) % 4294967296 | 0;
    w[wordCount - 1] = Math.floor(n / 536870912) | 0;

    var a0 = 0x67452301;
    var b0 = 0xefcdab89 | 0;
    var c0 = 0x98badcfe | 0;
    var d0 = 0x10325476;
    for (var block = 0; block < wordCount; block += 16) {
      var a = a0;
      var b = b0;
      var c = c0;
      var d = d0;
      for (var j = 0; j < 64; j++) {
        var f;
        var g;
        var round = j >> 4;
        if (round === 0) {
          f = (b & c) | (~b & d);
          g = j;
        } else if (round === 1) {
          f = (d & b) | (~d & c);
          g = (5 * j + 1) % 16;
        } else if (round === 2) {
          f = b ^ c ^ d;
          g = (3 * j + 5) % 16;
        } else {
          f = c ^ (b | ~d);
          g = (7 * j) % 16;
        }
        var s = MD5_SHIFT[round * 4 + (j % 4)];
        var sum = (a + f + MD5_T[j] + w[block + g]) | 0;
        a = d;
        d = c;
        c = b;
        b = (b + ((sum << s) | (sum >>> (32 - s)))) | 0;
      }
      a0 = (a0 + a) | 0;
      b0 = (b0 + b) | 0;
      c0 = (c0 + c) | 0;
      d0 = (d0 + d) | 0;
    }
    return wordHex(a0) + wordHex(b0) + wordHex(c0) + wordHex(d0);
  }

  function wordHex(word) {
    var hex = '0123456789abcdef';
    var out = '';
    for (var i = 0; i < 4; i++) {
      var v = (word >>> (i * 8)) & 255;
      out += hex.charAt(v >> 4) + hex.charAt(v & 15);
    }
    return out;
  }

  // Hex keys and digests are ASCII: one byte per character.
  function asciiBytes(text) {
    var out = [];
    for (var i = 0; i < text.length; i++) {
      out.push(text.charCodeAt(i) & 255);
    }
    return out;
  }

  function md5HexOfText(text) {
    return md5Hex(utf8Bytes(text));
  }

  // A page key is the digest of the digest of a secret.
  function keyFromBytes(bytes) {
    return md5Hex(asciiBytes(md5Hex(bytes)));
  }

  function xorFold(text) {
    var v = 0;
    for (var i = 0; i < text.length; i++) {
      v ^= text.charCodeAt(i);
    }
    return v;
  }

  // ---- Cipher and Base64 ------------------------------------------------

  // Typed arrays and the browser's own Base64 decoder make large pages
  // open several times faster; the plain versions remain for old browsers.
  var FAST = typeof Uint8Array !== 'undefined' && typeof atob === 'function';
  var B64_TEXT = /^[A-Za-z0-9+\/]*={0,2}$/;

  // Strict Base64: anything malformed gives null, never partial data.
  function base64Decode(text) {
    if (typeof text !== 'string') {
      return null;
    }
    var end = text.length;
    while (end > 0 && text.charAt(end - 1) === '=') {
      end--;
    }
    if (text.length - end > 2 || end % 4 === 1) {
      return null;
    }
    var i;
    if (FAST) {
      if (!B64_TEXT.test(text)) {
        return null;
      }
      var binary;
      try {
        binary = atob(text.length % 4 === 0 ? text : text.substring(0, end));
      } catch (e) {
        return null;
      }
      var bytes = new Uint8Array(binary.length);
      for (i = 0; i < binary.length; i++) {
        bytes[i] = binary.charCodeAt(i);
      }
      return bytes;
    }
    var out = [];
    var acc = 0;
    var bits = 0;
    for (i = 0; i < end; i++) {
      var v = B64.indexOf(text.charAt(i));
      if (v < 0) {
        return null;
      }
      acc = ((acc << 6) | v) & 0xffffff;
      bits += 6;
      if (bits >= 8) {
        bits -= 8;
        out.push((acc >> bits) & 255);
      }
    }
    return out;
  }

  // Inverse of the page cipher: data[i] = (out[i] - key[(n-1-i) mod k])
  // XOR key[i mod k], on unsigned bytes.
  function unscramble(data, key) {
    var n = data.length;
    var k = key.length;
    var out = FAST ? new Uint8Array(n) : [];
    if (k === 0) {
      return FAST ? out : [];
    }
    // The two key positions walk up and down the key without a division.
    var up = 0;
    var down = (n - 1) % k;
    for (var i = 0; i < n; i++) {
      out[i] = ((data[i] - key[down]) & 255) ^ key[up];
      up = up + 1 === k ? 0 : up + 1;
      down = down === 0 ? k - 1 : down - 1;
    }
    return out;
  }

  // ---- Page content -----------------------------------------------------

  function charsFromCodes(codes) {
    var parts = [];
    for (var i = 0; i < codes.length; i += 8192) {
      var slice = codes.subarray ? codes.subarray(i, i + 8192) : codes.slice(i, i + 8192);
      parts.push(String.fromCharCode.apply(null, slice));
    }
    return parts.join('');
  }

  // The engine wrote every character above 127 as a numeric reference, so
  // a genuine chunk is ASCII, or UTF-16 whose every other byte is zero.
  // Anything else came from a wrong key or a damaged array: null.
  function decodeChunk(bytes) {
    var n = bytes.length;
    var i;
    if (n > 0 && n % 2 === 0) {
      var oddZero = true;
      var evenZero = true;
      for (i = 0; i < n && (oddZero || evenZero); i += 2) {
        evenZero = evenZero && bytes[i] === 0;
        oddZero = oddZero && bytes[i + 1] === 0;
      }
      if (oddZero || evenZero) {
        var units = FAST ? new Uint16Array(n / 2) : [];
        for (i = 0; i < n; i += 2) {
          units[i / 2] = oddZero ? bytes[i] | (bytes[i + 1] << 8) : (bytes[i] << 8) | bytes[i + 1];
        }
        return charsFromCodes(units);
      }
    }
    for (i = 0; i < n; i++) {
      if (bytes[i] > 127) {
        return null;
      }
    }
    return charsFromCodes(bytes);
  }

  // References the engine made (128 and up, one per UTF-16 unit) become
  // characters again; inside scripts and style sheets a browser would not
  // resolve them, and split surrogate pairs would show as U+FFFD.
  function restoreCharacters(text) {
    return text.replace(/&#([1-9][0-9]{2,4});/g, function (m, num) {
      var code = parseInt(num, 10);
      return code >= 128 && code <= 0xffff ? String.fromCharCode(code) : m;
    });
  }

  // The start of a reference that the next chunk may finish.
  var OPEN_REFERENCE = /^&(?:#[0-9]{0,5})?$/;

  function decipherChunk(index, keyBytes) {
    var data = base64Decode(cfg.content[index]);
    return data === null ? null : decodeChunk(unscramble(data, keyBytes));
  }

  // The page text (in pieces) for a page key, or null when the key does
  // not open it.
  function pageText(pageKey) {
    if (typeof pageKey !== 'string' || xorFold(pageKey) !== cfg.check) {
      return null;
    }
    var count = cfg.content.length;
    if (count === 0) {
      return null;
    }
    var keyBytes = asciiBytes(pageKey);
    // The first chunk alone rejects a wrong key before the rest is done.
    var first = decipherChunk(0, keyBytes);
    if (first === null) {
      return null;
    }
    // Pieces, never one joined text: a large page would need twice the
    // memory. A reference cut by a chunk's end is finished with the next.
    var pieces = [];
    var carry = '';
    for (var i = 0; i < count; i++) {
      var part = i === 0 ? first : decipherChunk(i, keyBytes);
      if (part === null) {
        return null;
      }
      part = carry + part;
      var amp = part.lastIndexOf('&');
      carry = amp >= 0 && OPEN_REFERENCE.test(part.substring(amp)) ? part.substring(amp) : '';
      pieces.push(restoreCharacters(carry ? part.substring(0, amp) : part));
    }
    pieces.push(carry);
    // A byte order mark that the page file began with is no text of the
    // page: written before the doctype it would put the page into quirks
    // mode and show as a blank line.
    for (i = 0; i < pieces.length; i++) {
      if (pieces[i]) {
        pieces[i] = pieces[i].replace(/^\uFEFF/, '');
        break;
      }
    }
    return pieces;
  }

  // ---- Remembered logins ------------------------------------------------

  // Up to MAX_ENTRIES materials, newest first and joined by dots, under the
  // mode's name: one host may carry sites of several passwords.
  function joinMaterials(older, newer) {
    var list = [newer];
    var old = typeof older === 'string' ? older.split('.') : [];
    for (var i = 0; i < old.length && list.length < MAX_ENTRIES; i++) {
      if (old[i] && old[i] !== newer) {
        list.push(old[i]);
      }
    }
    return list.join('.');
  }

  // Earlier versions kept the material itself in cookies and localStorage.
  function dropOldStores() {
    for (var i = 0; i < OLD_STORES.length; i++) {
      try {
        if (readCookie(OLD_STORES[i])) {
          writeCookie(OLD_STORES[i], '', 1);
        }
      } catch (e) {
        // no cookies here
      }
      try {
        var s = webStorage('localStorage');
        if (s && s.getItem(OLD_STORES[i]) !== null) {
          s.removeItem(OLD_STORES[i]);
        }
      } catch (e2) {
        // nothing stored
      }
    }
  }

  // ---- Internet Explorer refresh ----------------------------------------

  function isInternetExplorer() {
    return typeof document.documentMode === 'number';
  }

  // Before the refresh the login is handed to the next load, which then
  // opens the page without asking and without refreshing again.
  function handOver(material) {
    var value = material + '~' + (nowMs() + REFRESH_MS);
    try {
      var s = webStorage('sessionStorage');
      if (s) {
        s.setItem(REFRESH_STORE, value);
        if (s.getItem(REFRESH_STORE) === value) {
          return true;
        }
      }
    } catch (e) {
      // try a cookie instead
    }
    try {
      writeCookie(REFRESH_STORE, value, 0);
      return readCookie(REFRESH_STORE) === value;
    } catch (e2) {
      return false;
    }
  }

  function takeHandOver() {
    var value = '';
    try {
      var s = webStorage('sessionStorage');
      if (s) {
        value = String(s.getItem(REFRESH_STORE) || '');
        s.removeItem(REFRESH_STORE);
      }
    } catch (e) {
      // nothing handed over
    }
    try {
      if (!value) {
        value = readCookie(REFRESH_STORE);
      }
      if (readCookie(REFRESH_STORE)) {
        writeCookie(REFRESH_STORE, '', 1);
      }
    } catch (e2) {
      // nothing handed over
    }
    var parts = value.split('~');
    return parts.length === 2 && parseInt(parts[1], 10) > nowMs() ? parts[0] : '';
  }

  // Internet Explorer refresh happens only once.
  function showPage(text, material, refresh) {
    var reload = refresh && cfg.refreshIE && isInternetExplorer() && handOver(material);
    writePage(function () {
      if (reload) {
        for (var i = 0; i < text.length; i++) {
          document.write(text[i]);
        }
        document.close();
        window.location.reload();
        return;
      }
      writeProgressively(text);
    });
  }

  var shown = false;
  var keeping = false;

  function show(text, material, refresh) {
    if (!shown) {
      shown = true;
      showPage(text, material, refresh);
    }
  }

  // The page shows once the login is kept, or after KEEP_MS should the
  // browser's storage never answer.
  function keepAndShow(text, material) {
    keeping = true;
    var timer = setTimeout(go, KEEP_MS);
    function go() {
      clearTimeout(timer);
      show(text, material, true);
    }
    try {
      keepLogin(LOGIN_NAME, material, material, joinMaterials, go);
    } catch (e) {
      go();
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
    if (shown || keeping) {
      return false;
    }
    try {
      var material = typedMaterial();
      var text = material ? openWith(material) : null;
      if (text === null) {
        wrongLogin();
      } else {
        keepAndShow(text, material);
      }
    } catch (e2) {
      try {
        wrongLogin();
      } catch (e3) {
        // nothing more can be done
      }
    }
    return false;
  }

  function openRemembered(values) {
    try {
      var materials = values.join('.').split('.');
      for (var i = 0; i < materials.length && !shown; i++) {
        var text = materials[i] ? openWith(materials[i]) : null;
        if (text !== null) {
          if (sessionBoundToTabs()) {
            var all = joinMaterials(values.join('.'), materials[i]);
            holdForTabs(LOGIN_NAME, all, all);
          }
          show(text, materials[i], true);
          return;
        }
      }
    } catch (e) {
      // the form is there
    }
  }

  // done() once storage has been read (or has had KEEP_MS to answer) and a
  // remembered login has shown the page or none could: the form is taken
  // over only then, so that a wired form means the check is over.
  function runCheck(done) {
    var lookUp = false;
    var logout = false;
    try {
      cfg = readSettings();
      dropOldStores();
      var handed = takeHandOver();
      logout = isLogoutRequest();
      var handedText = handed && !logout ? openWith(handed) : null;
      if (handedText !== null) {
        show(handedText, handed, false);
        done();
        return;
      }
      lookUp = !logout && (cfg.expireType === 1 || cfg.expireType === 2);
    } catch (e) {
      // whatever failed, the visitor can still log in by hand
    }
    var over = false;
    var timer = setTimeout(finish, KEEP_MS);
    function finish(values) {
      if (over) {
        return;
      }
      over = true;
      clearTimeout(timer);
      if (values) {
        openRemembered(values);
      }
      done();
    }
    try {
      if (logout) {
        clearFragment();
        forgetLogins(finish);
      } else if (lookUp) {
        findLogins(LOGIN_NAME, finish);
      } else {
        finish();
      }
    } catch (e3) {
      finish();
    }
  }
