  // Login-page behaviour that both page formats share: the settings every
  // page carries, storage helpers, the wrong-login reaction and showing the
  // opened page. The build puts it in place of the include line of each
  // login script, before that format's own part.
  //
  // The settings live in variables of the script's closure rather than in
  // an object: the minifier shortens variable names, never property names.
  var win = window;
  var doc = document;
  var loc = win.location;
  var LOGOUT_FRAGMENT = '#wendlock-logout';
  var DAY_MS = 86400000;
  var DAMAGED = "This page is damaged; ask the site's author to publish it again.";

  var expireType = 0;
  var expireDays = 0;
  var alertText = '';
  var redirectUrl = '';
  var redirectTarget = '';
  var refreshIE = false;
  var passwordCase = true;
  var userCase = true;
  // file:// pages: a login is kept for its tab only unless the project
  // shares it between tabs (and so with every local file).
  var shareFileTabs = false;

  // A page variable of the fallback's type, else the fallback. Page
  // variables are globals, so window holds them.
  function setting(name, fallback) {
    var v = win[name];
    return typeof v === typeof fallback ? v : fallback;
  }

  function readLoginSettings() {
    expireType = setting('LoginExpireType', 0);
    expireDays = setting('LoginExpireDays', 0);
    alertText = setting('LoginAlertText', '');
    // The address counts only in the redirect mode.
    redirectUrl = setting('LoginIncorrectMode', 0) === 1 ? setting('LoginRedirectURL', '') : '';
    redirectTarget = setting('LoginRedirectURLTarget', '');
    refreshIE = !!win.RefreshPageInIE;
    passwordCase = caseFlag('PWDCSS');
    userCase = caseFlag('USRCSS');
    shareFileTabs = win.LoginShareFileTabs === true;
  }

  // Missing case flags mean "compare exactly", the safe reading.
  function caseFlag(name) {
    return win[name] === undefined || !!win[name];
  }

  // A page array, or an empty one.
  function pageList(name) {
    var v = win[name];
    return Array.isArray(v) ? v : [];
  }

  function nowMs() {
    return new Date().getTime();
  }

  // Runs action and swallows what it throws: storage, cookies and old
  // browsers' gaps must never stop the login.
  function quietly(action) {
    try {
      return action();
    } catch (e) {
      return null;
    }
  }

  // ---- Text -------------------------------------------------------------

  // The UTF-8 form of what the visitor typed, as byte values. A surrogate
  // without its partner becomes U+FFFD, as TextEncoder does.
  function utf8Bytes(text) {
    return asciiBytes(
      unescape(
        encodeURIComponent(
          text.replace(/[\ud800-\udbff][\udc00-\udfff]|[\ud800-\udfff]/g, function (m) {
            return m.length > 1 ? m : '\ufffd';
          })
        )
      )
    );
  }

  // One byte per character: hex keys, digests and binary strings.
  function asciiBytes(text) {
    var out = new Uint8Array(text.length);
    for (var i = 0; i < text.length; i++) {
      out[i] = text.charCodeAt(i) & 255;
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
    return /^https?:$/.test(loc.protocol);
  }

  // The tab's storage, or null where it is missing or blocked (access
  // throws there).
  function tabStorage() {
    return quietly(function () {
      return win.sessionStorage;
    });
  }

  function readCookie(name) {
    var m = new RegExp('(?:^|;)\\s*' + name + '=([^;]*)').exec(String(doc.cookie || ''));
    return m ? m[1] : '';
  }

  // expires: 0 for a session cookie, a time in the past to delete it.
  function writeCookie(name, value, expires) {
    doc.cookie =
      name +
      '=' +
      value +
      '; path=/; SameSite=Lax' +
      (expires ? '; expires=' + new Date(expires).toUTCString() : '') +
      (loc.protocol === 'https:' ? '; Secure' : '');
  }

  function dropCookie(name) {
    quietly(function () {
      if (readCookie(name)) {
        writeCookie(name, '', 1);
      }
    });
  }

  function isLogoutRequest() {
    return loc.hash === LOGOUT_FRAGMENT;
  }

  // Drops the log-out fragment, so that reloading after the next login does
  // not log out again (some browsers refuse this for file:// pages).
  function clearFragment() {
    quietly(function () {
      win.history.replaceState(null, '', loc.pathname + loc.search);
    });
  }

  // ---- Showing the page -------------------------------------------------

  function byId(id) {
    return quietly(function () {
      return doc.getElementById(id);
    });
  }

  function fieldValue(id) {
    var field = byId(id);
    return field && typeof field.value === 'string' ? field.value : '';
  }

  function scrollToAnchor() {
    var hash = loc.hash;
    if (hash.length < 2 || hash === LOGOUT_FRAGMENT) {
      return;
    }
    var name = hash.slice(1);
    name = quietly(function () {
      return decodeURIComponent(name);
    }) || name;
    var scroll = function () {
      quietly(function () {
        var target = doc.getElementById(name) || doc.getElementsByName(name)[0];
        target.scrollIntoView();
      });
    };
    scroll();
    // Images loading later move the anchor; scroll again once they are in.
    quietly(function () {
      win.addEventListener('load', scroll, false);
    });
  }

  // The page is written in two parts: a first slice that the browser shows
  // at once, then, in a task of its own, all the rest. Writes spread over
  // more tasks cost far more: the browser lays the growing page out again
  // after each (three to four times the time on a 5 MB page). The text
  // comes in pieces, joined only into batches: every write ends the text
  // node it is in, and the next write into the same node copies it whole,
  // so many small writes into one long text take quadratic time. A cut
  // never splits a surrogate pair.
  var FIRST_SLICE = 65536;
  var BATCH = 1048576;

  function writeProgressively(pieces) {
    pieces = typeof pieces === 'string' ? [pieces] : pieces;
    var i = 0;
    // Writes the pieces from i on, up to about limit characters; cut:
    // exactly that many, the rest of the last piece left for later.
    function writeUpTo(limit, cut) {
      var batch = [];
      var size = 0;
      for (; i < pieces.length && size < limit; i++) {
        var piece = pieces[i];
        var end = limit - size;
        if (cut && end < piece.length) {
          var last = piece.charCodeAt(end - 1);
          if (last >= 0xd800 && last <= 0xdbff) {
            end++;
          }
          pieces[i--] = piece.slice(end);
          piece = piece.slice(0, end);
        } else {
          pieces[i] = null; // the browser keeps its own copy
        }
        batch.push(piece);
        size += piece.length;
      }
      doc.write(batch.join(''));
    }
    function writeRest() {
      while (i < pieces.length) {
        writeUpTo(BATCH, false);
      }
      doc.close();
      scrollToAnchor();
    }
    writeUpTo(FIRST_SLICE, true);
    if (i < pieces.length) {
      setTimeout(writeRest, 0);
    } else {
      writeRest();
    }
  }

  function wrongLogin() {
    if (redirectUrl && !redirectTarget) {
      loc.href = redirectUrl;
      return;
    }
    var box = byId('vxperror');
    if (box) {
      box.textContent = alertText || DEFAULT_ERROR;
    }
    for (var i = 0; i < FIELDS.length; i++) {
      var field = byId(FIELDS[i]);
      if (field && field.setAttribute) {
        field.setAttribute('aria-invalid', 'true');
      }
    }
    if (redirectUrl) {
      win.open(redirectUrl, redirectTarget);
      return;
    }
    if (alertText) {
      win.alert(alertText);
    }
    var pass = byId('vxppass');
    if (pass) {
      pass.value = '';
      quietly(function () {
        pass.focus();
      });
    }
  }

  // The credentials were right (they opened the page's key) but the page
  // itself does not open: no wrong-login reaction, the visitor is told.
  function damagedPage() {
    var box = byId('vxperror');
    if (box) {
      box.textContent = DAMAGED;
    } else {
      win.alert(DAMAGED);
    }
  }

  function wireForm() {
    var form = byId('vxpform');
    if (form) {
      form.onsubmit = onSubmit;
    }
    var first = byId(FIELDS[0]);
    // a hidden field cannot take the focus
    quietly(function () {
      first.focus();
    });
  }

  // ---- When the check runs ------------------------------------------------

  // The remembered-login check starts when the main script runs, not on
  // the login page's load: a visitor who is logged in gets the page
  // without waiting for the login page's resources (a slow web font, an
  // icon that never answers). The page is never written into the login
  // page's own parse (see writePage). The form is taken over once the
  // check is over and the body is there (DOMContentLoaded, or the body's
  // load event, which calls vxpcheck()).
  var checkOver = false;
  var bodyReady = false;
  var formTaken = false;
  var pageShown = false;
  var whenOver = [];

  // A submit that comes before the form is taken over (Enter pressed or a
  // password manager's fill-and-submit right after the page loaded) is
  // held here and run once the form is ours; the template's inline
  // handler has already stopped it from going anywhere.
  var earlySubmit = false;

  function holdEarlySubmit(event) {
    var target = event && event.target;
    if (!formTaken && !pageShown && target && target.id === 'vxpform') {
      earlySubmit = true;
      quietly(function () {
        event.preventDefault();
      });
    }
  }

  function takeFormOver() {
    if (checkOver && bodyReady && !formTaken && !pageShown) {
      formTaken = true;
      // a template without the form shows no login
      quietly(wireForm);
      if (earlySubmit) {
        earlySubmit = false;
        quietly(function () {
          onSubmit(null);
        });
      }
    }
    if (checkOver && (bodyReady || pageShown)) {
      while (whenOver.length) {
        whenOver.shift()();
      }
    }
  }

  function bodyIsReady() {
    flushWrite();
    if (!pageShown) {
      bodyReady = true;
      takeFormOver();
    }
  }

  // The load hook of the templates. Where promises exist it tells when the
  // check is over and the form taken over (or the page shown).
  function loadHook() {
    flushWrite();
    bodyReady = true;
    takeFormOver();
    if (typeof Promise === 'function') {
      return new Promise(function (resolve) {
        whenOver.push(resolve);
        takeFormOver();
      });
    }
  }

  // True while the login page's parser may still be running the main
  // script or the microtasks after it: document.open() does nothing there.
  var inMainScript = true;

  function startChecking() {
    setTimeout(function () {
      inMainScript = false;
    }, 0);
    // Without DOMContentLoaded the body's load event still comes.
    quietly(function () {
      doc.addEventListener('DOMContentLoaded', bodyIsReady, false);
      doc.addEventListener('submit', holdEarlySubmit, true);
    });
    // Started at once: the remembered login's storage is opened while the
    // login page goes on loading.
    var ended = false;
    runCheck(function () {
      if (!ended) {
        ended = checkOver = true;
        takeFormOver();
      }
    });
    return loadHook;
  }

  // Replaces the login page with the page that write() writes, in a task
  // of its own when the main script is still running.
  var pendingWrite = null;

  function writePage(write) {
    pageShown = true;
    pendingWrite = write;
    if (inMainScript) {
      setTimeout(flushWrite, 0);
    } else {
      flushWrite();
    }
  }

  // The written page handles its own errors: the login page's suppressor
  // goes before the page is written.
  function flushWrite() {
    var write = pendingWrite;
    pendingWrite = null;
    inMainScript = false;
    if (write) {
      quietly(function () {
        if (win.KillError && win.onerror === win.KillError) {
          win.onerror = null;
        }
      });
      doc.open();
      write();
    }
  }
