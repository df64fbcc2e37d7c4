  // Login-page behaviour that both page formats share: the settings every
  // page carries, storage helpers, the wrong-login reaction and showing the
  // opened page. The build puts it in place of the include line of each
  // login script, before that format's own part.
  var LOGOUT_FRAGMENT = '#wendlock-logout';
  var DAY_MS = 86400000;

  var cfg = null;

  function readLoginSettings() {
    var c = {};
    c.expireType = typeof LoginExpireType === 'number' ? LoginExpireType : 0;
    c.expireDays = typeof LoginExpireDays === 'number' ? LoginExpireDays : 0;
    c.incorrectMode =
      typeof LoginIncorrectMode === 'number' ? LoginIncorrectMode : 0;
    c.alertText = typeof LoginAlertText === 'string' ? LoginAlertText : '';
    c.redirectUrl =
      typeof LoginRedirectURL === 'string' ? LoginRedirectURL : '';
    c.redirectTarget =
      typeof LoginRedirectURLTarget === 'string' ? LoginRedirectURLTarget : '';
    c.refreshIE = typeof RefreshPageInIE !== 'undefined' && !!RefreshPageInIE;
    // Missing case flags mean "compare exactly", the safe reading.
    c.passwordCase = typeof PWDCSS === 'undefined' || !!PWDCSS;
    return c;
  }

  function isList(v) {
    return Object.prototype.toString.call(v) === '[object Array]';
  }

  function nowMs() {
    return new Date().getTime();
  }

  // ---- Text -------------------------------------------------------------

  // The UTF-8 form of what the visitor typed.
  function utf8Bytes(text) {
    if (typeof TextEncoder === 'function') {
      try {
        return new TextEncoder().encode(text);
      } catch (e) {
        // fall through to the manual encoder
      }
    }
    var out = [];
    for (var i = 0; i < text.length; i++) {
      var c = text.charCodeAt(i);
      if (c >= 0xd800 && c <= 0xdbff && i + 1 < text.length) {
        var low = text.charCodeAt(i + 1);
        if (low >= 0xdc00 && low <= 0xdfff) {
          c = 0x10000 + ((c - 0xd800) << 10) + (low - 0xdc00);
          i++;
        }
      }
      if (c >= 0xd800 && c <= 0xdfff) {
        c = 0xfffd; // an unpaired surrogate, as TextEncoder does
      }
      if (c < 0x80) {
        out.push(c);
      } else if (c < 0x800) {
        out.push(0xc0 | (c >> 6), 0x80 | (c & 63));
      } else if (c < 0x10000) {
        out.push(0xe0 | (c >> 12), 0x80 | ((c >> 6) & 63), 0x80 | (c & 63));
      } else {
        out.push(
          0xf0 | (c >> 18),
          0x80 | ((c >> 12) & 63),
          0x80 | ((c >> 6) & 63),
          0x80 | (c & 63)
        );
      }
    }
    return out;
  }

  // Only A to Z are folded; every other letter keeps its case.
  function foldAscii(text) {
    return text.replace(/[A-Z]+/g, function (m) {
      return m.toLowerCase();
    });
  }

  // ---- Storage ----------------------------------------------------------

  function usesCookies() {
    var p = window.location.protocol;
    return p === 'http:' || p === 'https:';
  }

  function webStorage(kind) {
    try {
      return window[kind] || null; // access throws where storage is blocked
    } catch (e) {
      return null;
    }
  }

  function readCookie(name) {
    var all = String(document.cookie || '').split(';');
    for (var i = 0; i < all.length; i++) {
      var item = all[i].replace(/^\s+/, '');
      if (item.indexOf(name + '=') === 0) {
        return item.substring(name.length + 1);
      }
    }
    return '';
  }

  // expires: 0 for a session cookie, a time in the past to delete it.
  function writeCookie(name, value, expires) {
    var text = name + '=' + value + '; path=/; SameSite=Lax';
    if (expires !== 0) {
      text += '; expires=' + new Date(expires).toUTCString();
    }
    if (window.location.protocol === 'https:') {
      text += '; Secure';
    }
    document.cookie = text;
  }

  function isLogoutRequest() {
    return window.location.hash === LOGOUT_FRAGMENT;
  }

  // Drops the log-out fragment, so that reloading after the next login does
  // not log out again.
  function clearFragment() {
    try {
      if (window.history && window.history.replaceState) {
        var loc = window.location;
        window.history.replaceState(null, '', loc.pathname + loc.search);
      }
    } catch (e) {
      // some browsers refuse this for file:// pages; harmless
    }
  }

  // ---- Showing the page -------------------------------------------------

  function byId(id) {
    try {
      return document.getElementById(id);
    } catch (e) {
      return null;
    }
  }

  function scrollToAnchor() {
    var hash = window.location.hash;
    if (!hash || hash.length < 2 || hash === LOGOUT_FRAGMENT) {
      return;
    }
    var name = hash.substring(1);
    try {
      name = decodeURIComponent(name);
    } catch (e) {
      // keep the raw name
    }
    var scroll = function () {
      try {
        var target = document.getElementById(name);
        if (!target && document.getElementsByName) {
          target = document.getElementsByName(name)[0];
        }
        if (target && target.scrollIntoView) {
          target.scrollIntoView();
        }
      } catch (e) {
        // the anchor is gone; stay at the top
      }
    };
    scroll();
    // Images loading later move the anchor; scroll again once they are in.
    try {
      if (window.addEventListener) {
        window.addEventListener('load', scroll, false);
      } else if (window.attachEvent) {
        window.attachEvent('onload', scroll);
      }
    } catch (e2) {
      // the first scroll has to do
    }
  }

  // The page is written in two parts: a first slice that the browser shows
  // at once, then, in a task of its own, all the rest. Writes spread over
  // more tasks cost far more: the browser lays the growing page out again
  // after each (three to four times the time on a 5 MB page). The text may
  // come in pieces, which are never joined; a cut never splits a surrogate
  // pair.
  var FIRST_SLICE = 65536;

  function writeProgressively(pieces) {
    pieces = typeof pieces === 'string' ? [pieces] : pieces;
    var written = 0;
    var i = 0;
    for (; i < pieces.length && written < FIRST_SLICE; i++) {
      var piece = pieces[i];
      var end = Math.min(piece.length, FIRST_SLICE - written);
      if (end < piece.length) {
        var last = piece.charCodeAt(end - 1);
        if (last >= 0xd800 && last <= 0xdbff) {
          end++;
        }
        pieces[i] = piece.substring(end);
        piece = piece.substring(0, end);
        i--; // the piece's rest comes with the rest of the page
      }
      document.write(piece);
      written += piece.length;
    }
    if (i >= pieces.length) {
      finishPage();
      return;
    }
    setTimeout(function () {
      for (; i < pieces.length; i++) {
        document.write(pieces[i]);
      }
      finishPage();
    }, 0);
  }

  function finishPage() {
    document.close();
    scrollToAnchor();
  }

  function setText(element, text) {
    if ('textContent' in element) {
      element.textContent = text;
    } else {
      element.innerText = text;
    }
  }

  function showError(fields) {
    var box = byId('vxperror');
    if (box) {
      setText(box, cfg.alertText || DEFAULT_ERROR);
    }
    for (var i = 0; i < fields.length; i++) {
      var field = byId(fields[i]);
      if (field && field.setAttribute) {
        field.setAttribute('aria-invalid', 'true');
      }
    }
  }

  function wrongLogin() {
    if (cfg.incorrectMode === 1 && cfg.redirectUrl) {
      if (cfg.redirectTarget === '') {
        window.location.href = cfg.redirectUrl;
        return;
      }
      showError(FIELDS);
      window.open(cfg.redirectUrl, cfg.redirectTarget);
      return;
    }
    showError(FIELDS);
    if (cfg.alertText) {
      window.alert(cfg.alertText);
    }
    var pass = byId('vxppass');
    if (pass) {
      pass.value = '';
      if (pass.focus) {
        pass.focus();
      }
    }
  }

  function wireForm() {
    var form = byId('vxpform');
    if (form) {
      form.onsubmit = onSubmit;
    }
    var first = byId(FIELDS[0]);
    if (first && first.focus) {
      try {
        first.focus();
      } catch (e) {
        // a hidden field cannot take the focus
      }
    }
  }

  // ---- When the check runs ------------------------------------------------

  // The remembered-login check starts when the main script runs, not on
  // the login page's load: a visitor who is logged in gets the page
  // without waiting for the login page's resources (a slow web font, an
  // icon that never answers). The page is never written into the login
  // page's own parse (see writePage). The form is
  // taken over once the check is over and the body is there
  // (DOMContentLoaded, or the body's load event, which calls vxpcheck()).
  var checkState = 0; // 0 not started, 1 running, 2 over
  var bodyReady = false;
  var formTaken = false;
  var pageShown = false;
  var whenOver = [];

  function beginCheck() {
    if (checkState !== 0) {
      return;
    }
    checkState = 1;
    var ended = false;
    runCheck(function () {
      if (ended) {
        return;
      }
      ended = true;
      checkState = 2;
      takeFormOver();
    });
  }

  function takeFormOver() {
    if (checkState === 2 && bodyReady && !formTaken && !pageShown) {
      formTaken = true;
      try {
        wireForm();
      } catch (e) {
        // a template without the form shows no login
      }
    }
    if (checkState === 2 && (bodyReady || pageShown)) {
      var waiting = whenOver;
      whenOver = [];
      for (var i = 0; i < waiting.length; i++) {
        waiting[i]();
      }
    }
  }

  // The load hook of the templates. Where promises exist it tells when the
  // check is over and the form taken over (or the page shown).
  function loadHook() {
    flushWrite();
    bodyReady = true;
    beginCheck();
    takeFormOver();
    if (typeof Promise !== 'function') {
      return undefined;
    }
    return new Promise(function (resolve) {
      whenOver.push(resolve);
      takeFormOver();
    });
  }

  // True while the login page's parser may still be running the main
  // script or the microtasks after it: document.open() does nothing there.
  var inMainScript = false;

  function startChecking() {
    inMainScript = true;
    setTimeout(function () {
      inMainScript = false;
    }, 0);
    try {
      if (document.addEventListener) {
        document.addEventListener(
          'DOMContentLoaded',
          function () {
            flushWrite();
            if (!pageShown) {
              bodyReady = true;
              takeFormOver();
            }
          },
          false
        );
      }
    } catch (e) {
      // the body's load event still comes
    }
    // Started at once: the remembered login's storage is opened while the
    // login page goes on loading.
    beginCheck();
    return loadHook;
  }

  // Replaces the login page with the page that write() writes, in a task
  // of its own when the main script is still running.
  var pendingWrite = null;

  function writePage(write) {
    pageShown = true;
    pendingWrite = function () {
      openDocument();
      write();
    };
    if (inMainScript) {
      setTimeout(flushWrite, 0);
    } else {
      flushWrite();
    }
  }

  function flushWrite() {
    var write = pendingWrite;
    pendingWrite = null;
    inMainScript = false;
    if (write) {
      write();
    }
  }

  // The written page handles its own errors: the login page's suppressor
  // goes before the page is written.
  function openDocument() {
    pageShown = true;
    try {
      if (typeof KillError !== 'undefined' && window.onerror === KillError) {
        window.onerror = null;
      }
    } catch (e) {
      // nothing to restore
    }
    document.open();
  }
