  // The classic format's part of the login script: digests, the page
  // cipher, the form and the Internet Explorer refresh.
  var REFRESH_STORE = DB_NAME + '_refresh';
  var MAX_ENTRIES = 16;
  // A refresh hand-over older than this is ignored.
  var REFRESH_MS = 60000;
  // The longest the page waits for storage before it goes on without.
  var KEEP_MS = 3000;

  var check = -1;
  var content = [];

  function readSettings() {
    if (!Array.isArray(win.vxpa)) {
      quietly(recoverData);
    }
    readLoginSettings();
    check = setting('PWDMKK', -1);
    content = pageList('vxpa');
    readModeSettings();
  }

  // A page of more chunks than a browser takes as arguments of one call
  // (65535 in Chromium) does not compile, and none of the variables of its
  // data element exist. That element's text runs again here with each
  // array written as a literal, which has no such limit.
  function recoverData() {
    var scripts = doc.getElementsByTagName('script');
    // The data element comes right before this script's own.
    var data = scripts[scripts.length - 2];
    if (/var vxpa=new Array\(/.test(data.text)) {
      // Elements are quoted Base64 or hex: no parenthesis inside.
      var rerun = doc.createElement('script');
      rerun.text = data.text.replace(/(var vxp[abc]=)new Array\(([^)]*)\)/g, '$1[$2]');
      data.parentNode.appendChild(rerun).parentNode.removeChild(rerun);
    }
  }

  // ---- Digests ----------------------------------------------------------

  var MD5_SHIFT = [7, 12, 17, 22, 5, 9, 14, 20, 4, 11, 16, 23, 6, 10, 15, 21];
  var MD5_T = [];
  for (var t = 0; t < 64; t++) {
    MD5_T[t] = Math.floor(Math.abs(Math.sin(t + 1)) * 4294967296) | 0;
  }

  // MD5 of a list of byte values, as 32 lower-case hex digits. Words past
  // the message are missing from w and read as 0.
  function md5Hex(bytes) {
    var n = bytes.length;
    var w = [];
    var h = [0x67452301, 0xefcdab89 | 0, 0x98badcfe | 0, 0x10325476];
    var i;
    for (i = 0; i < n; i++) {
      w[i >> 2] |= bytes[i] << ((i % 4) * 8);
    }
    w[n >> 2] |= 0x80 << ((n % 4) * 8);
    var end = ((n + 8) >> 6) * 16 + 16;
    w[end - 2] = n << 3;
    w[end - 1] = n >>> 29;
    for (i = 0; i < end; i += 16) {
      var a = h[0];
      var b = h[1];
      var c = h[2];
      var d = h[3];
      for (var j = 0; j < 64; j++) {
        var round = j >> 4;
        var s = MD5_SHIFT[round * 4 + (j % 4)];
        var f =
          a +
          [(b & c) | (~b & d), (d & b) | (~d & c), b ^ c ^ d, c ^ (b | ~d)][round] +
          MD5_T[j] +
          (w[i + ([j, 5 * j + 1, 3 * j + 5, 7 * j][round] & 15)] | 0);
        a = d;
        d = c;
        c = b;
        b = (b + ((f << s) | (f >>> (32 - s)))) | 0;
      }
      h = [(h[0] + a) | 0, (h[1] + b) | 0, (h[2] + c) | 0, (h[3] + d) | 0];
    }
    var out = '';
    for (i = 0; i < 16; i++) {
      out += (((h[i >> 2] >>> ((i % 4) * 8)) & 255) | 256).toString(16).slice(1);
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

  // Strict Base64 to a string of byte values: anything malformed gives
  // null, never partial data. Every browser since Internet Explorer 10 has
  // the decoder; without it a page does not open.
  function base64Decode(text) {
    if (typeof text !== 'string' || !/^[A-Za-z0-9+\/]*={0,2}$/.test(text)) {
      return null;
    }
    var end = text.indexOf('=');
    text = end < 0 ? text : text.slice(0, end);
    end = text.length;
    if (end % 4 === 1) {
      return null;
    }
    return win.atob
      ? quietly(function () {
          return atob(text);
        })
      : null;
  }

  // Inverse of the page cipher: data[i] = (out[i] - key[(n-1-i) mod k])
  // XOR key[i mod k], on unsigned bytes; data is a string of byte values.
  function unscramble(data, key) {
    var n = data.length;
    var k = key.length;
    var out = new Uint8Array(n);
    // The two key positions walk up and down the key without a division.
    for (var i = 0, up = 0, down = (n - 1) % k; i < n; i++) {
      out[i] = ((data.charCodeAt(i) - key[down]) & 255) ^ key[up];
      if (++up === k) {
        up = 0;
      }
      down = (down || k) - 1;
    }
    return out;
  }

  // ---- Page content -----------------------------------------------------

  function charsFromCodes(codes) {
    var parts = [];
    for (var i = 0; i < codes.length; i += 8192) {
      parts.push(String.fromCharCode.apply(null, codes.subarray ? codes.subarray(i, i + 8192) : codes.slice(i, i + 8192)));
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
        evenZero = evenZero && !bytes[i];
        oddZero = oddZero && !bytes[i + 1];
      }
      if (oddZero || evenZero) {
        var units = [];
        for (i = 0; i < n; i += 2) {
          units.push(oddZero ? bytes[i] | (bytes[i + 1] << 8) : (bytes[i] << 8) | bytes[i + 1]);
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
      var code = +num;
      return code >= 128 && code <= 0xffff ? String.fromCharCode(code) : m;
    });
  }

  function decipherChunk(index, keyBytes) {
    var data = base64Decode(content[index]);
    return data === null ? null : decodeChunk(unscramble(data, keyBytes));
  }

  // The page text (in pieces) for a page key, or null when the key does
  // not open it.
  function pageText(pageKey) {
    var count = content.length;
    if (xorFold(pageKey) !== check || !count) {
      return null;
    }
    var keyBytes = asciiBytes(pageKey);
    // Pieces, never one joined text: a large page would need twice the
    // memory. A reference cut by a chunk's end is finished with the next.
    // The first chunk alone rejects a wrong key.
    var pieces = [];
    var carry = '';
    for (var i = 0; i < count; i++) {
      var part = decipherChunk(i, keyBytes);
      if (part === null) {
        return null;
      }
      part = carry + part;
      var amp = part.lastIndexOf('&');
      carry = amp >= 0 && /^&(#[0-9]{0,5})?$/.test(part.slice(amp)) ? part.slice(amp) : '';
      pieces.push(restoreCharacters(carry ? part.slice(0, amp) : part));
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
    var old = [DB_NAME + '_session', DB_NAME + '_keep'];
    for (var i = 0; i < old.length; i++) {
      dropCookie(old[i]);
      quietly(function () {
        win.localStorage.removeItem(old[i]);
      });
    }
  }

  // ---- Internet Explorer refresh ----------------------------------------

  // Before the refresh the login is handed to the next load, which then
  // opens the page without asking and without refreshing again: in the
  // tab's storage, else in a session cookie.
  function handOver(material) {
    var value = material + '~' + (nowMs() + REFRESH_MS);
    return (
      quietly(function () {
        var s = tabStorage();
        s.setItem(REFRESH_STORE, value);
        return s.getItem(REFRESH_STORE) === value;
      }) ||
      quietly(function () {
        writeCookie(REFRESH_STORE, value, 0);
        return readCookie(REFRESH_STORE) === value;
      })
    );
  }

  function takeHandOver() {
    var value =
      quietly(function () {
        var s = tabStorage();
        var v = s.getItem(REFRESH_STORE);
        s.removeItem(REFRESH_STORE);
        return v;
      }) ||
      quietly(function () {
        return readCookie(REFRESH_STORE);
      }) ||
      '';
    dropCookie(REFRESH_STORE);
    var parts = String(value).split('~');
    return parts.length === 2 && parseInt(parts[1], 10) > nowMs() ? parts[0] : '';
  }

  // ---- The form ---------------------------------------------------------

  var shown = false;
  var keeping = false;

  // Internet Explorer refreshes once after a login, never after a
  // hand-over.
  function show(text, material, refresh) {
    if (shown) {
      return;
    }
    shown = true;
    // The page is opened: its enciphered copy (often larger than the page)
    // can go before the browser parses the page.
    content.length = 0;
    var reload = refresh && refreshIE && typeof doc.documentMode === 'number' && handOver(material);
    writePage(function () {
      if (!reload) {
        writeProgressively(text);
        return;
      }
      doc.write(text.join(''));
      doc.close();
      loc.reload();
    });
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
    // the return value stops the submit as well
    quietly(function () {
      if (event) {
        event.preventDefault();
      }
    });
    if (!shown && !keeping) {
      var material = quietly(typedMaterial);
      var text = material ? quietly(function () {
        return openWith(material);
      }) : null;
      if (text === null) {
        quietly(wrongLogin);
      } else {
        keepAndShow(text, material);
      }
    }
    return false;
  }

  function openRemembered(values) {
    // whatever fails, the form is there
    quietly(function () {
      var all = values.join('.');
      var materials = all.split('.');
      for (var i = 0; i < materials.length && !shown; i++) {
        var text = openWith(materials[i]);
        if (text !== null) {
          if (sessionBoundToTabs()) {
            all = joinMaterials(all, materials[i]);
            holdForTabs(LOGIN_NAME, all, all);
          }
          show(text, materials[i], true);
          return;
        }
      }
    });
  }

  // done() once storage has been read (or has had KEEP_MS to answer) and a
  // remembered login has shown the page or none could: the form is taken
  // over only then, so that a wired form means the check is over.
  function runCheck(done) {
    var lookUp = false;
    var logout = false;
    try {
      readSettings();
      dropOldStores();
      var handed = takeHandOver();
      logout = isLogoutRequest();
      var handedText = handed && !logout ? openWith(handed) : null;
      if (handedText !== null) {
        show(handedText, handed, false);
        done();
        return;
      }
      lookUp = !logout && (expireType === 1 || expireType === 2);
    } catch (e) {
      // whatever failed, the visitor can still log in by hand
    }
    var over = false;
    var timer = setTimeout(finish, KEEP_MS);
    function finish(values) {
      if (!over) {
        over = true;
        clearTimeout(timer);
        if (values) {
          openRemembered(values);
        }
        done();
      }
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
