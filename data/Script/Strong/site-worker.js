  // ---- The site's service worker -------------------------------------------
  // A page of a site whose other files are enciphered names the site's
  // worker (WendlockSiteWorker, relative to the page). After a login in a
  // secure context the page registers it, waits until it controls the page
  // and hands it the content key as a non-extractable WebCrypto key. Where
  // the login is remembered the page then loads again: the worker answers
  // with the original page, which the browser parses as the unprotected
  // site. Where no worker can run (file://, plain http from another host),
  // the page opens in place as before, and the login page says that the
  // site's other files need https.
  var WORKER_WAIT_MS = 5000;
  var openedContentKey = null;
  var workerKeyPromise = null;

  function siteWorkerUrl() {
    return typeof WendlockSiteWorker === 'string' && WendlockSiteWorker ? WendlockSiteWorker : null;
  }

  function workerPossible() {
    return quietly(function () {
      return !!(siteWorkerUrl() && win.isSecureContext && navigator.serviceWorker && subtle());
    });
  }

  // Under the form, where a worker can't run: the site's other files can't
  // be read here.
  function noteWorkerMissing() {
    if (!siteWorkerUrl() || workerPossible()) {
      return;
    }
    quietly(function () {
      var form = byId('vxpform');
      if (form && !byId('vxpsitenote')) {
        var note = document.createElement('p');
        note.id = 'vxpsitenote';
        note.textContent = "This site's images and other files open only over https.";
        form.parentNode.insertBefore(note, form.nextSibling);
      }
    });
  }

  // The worker that controls this page, once it does; null after the wait.
  function controllingWorker() {
    var sw = navigator.serviceWorker;
    if (sw.controller) {
      return Promise.resolve(sw.controller);
    }
    return new Promise(function (resolve) {
      var timer = setTimeout(function () {
        resolve(sw.controller || null);
      }, WORKER_WAIT_MS);
      sw.addEventListener('controllerchange', function () {
        clearTimeout(timer);
        resolve(sw.controller);
      });
    });
  }

  var WORKER_SEAL_AAD = 'wendlock worker key';
  var sessionSeal = null;

  // A login kept until the browser closes: the content key sealed under the
  // key in the session cookie that seals the remembered login already. The
  // worker keeps only this; after a restart it reads the cookie (Cookie
  // Store API) and opens it again, as long as the browser session lasts.
  // Pages it serves natively have no login script to hand the key back.
  async function sealForSession() {
    if (expireType !== 1 || !usesCookies()) {
      return null;
    }
    var name = keyCookieName(cfg.saltText);
    var hex = readCookie(name);
    if (!/^[0-9a-f]{64}$/.test(hex)) {
      return null;
    }
    var aes = await subtle().importKey('raw', fromHex(hex), 'AES-GCM', false, ['encrypt']);
    var iv = randomBytes(12);
    var aad = joinBytes([asciiBytes(WORKER_SEAL_AAD), cfg.salt]);
    var data = await subtle().encrypt({ name: 'AES-GCM', iv: iv, additionalData: aad }, aes, openedContentKey);
    return { cookie: name, iv: iv, data: new Uint8Array(data) };
  }

  function keyMessage(key) {
    var expires = expireType === 2 && expireDays > 0 ? nowMs() + expireDays * DAY_MS : 0;
    return {
      type: 'wendlock-key',
      salt: cfg.saltText,
      key: key,
      expires: expires,
      // Only a login kept for days outlives the browser session.
      keep: expireType === 2 && expires > 0,
      session: sessionSeal,
      // Where the login is forgotten when the page closes, every page asks
      // again: navigations then get the login page.
      serveNavigations: expireType === 1 || expireType === 2,
    };
  }

  // While this page is open it hands the key to a worker that restarted.
  function answerWorker() {
    navigator.serviceWorker.addEventListener('message', function (e) {
      var m = e.data || {};
      if (m.salt !== cfg.saltText || !workerKeyPromise) {
        return;
      }
      if (m.type === 'wendlock-need-key' && e.source) {
        workerKeyPromise.then(function (key) {
          e.source.postMessage(keyMessage(key));
        });
      } else if (m.type === 'wendlock-logout') {
        win.location.reload();
      }
    });
  }

  // True when the page is about to load again through the worker.
  async function handToWorker() {
    if (!workerPossible() || !openedContentKey) {
      return false;
    }
    try {
      await navigator.serviceWorker.register(siteWorkerUrl());
      var worker = await controllingWorker();
      if (!worker) {
        return false;
      }
      workerKeyPromise = subtle().importKey('raw', openedContentKey, 'HKDF', false, ['deriveKey', 'deriveBits']);
      var key = await workerKeyPromise;
      sessionSeal = await sealForSession().catch(function () {
        return null;
      });
      var taken = new Promise(function (resolve) {
        var timer = setTimeout(function () {
          resolve(false);
        }, WORKER_WAIT_MS);
        navigator.serviceWorker.addEventListener('message', function (e) {
          if (e.data && e.data.type === 'wendlock-key-taken') {
            clearTimeout(timer);
            resolve(true);
          }
        });
      });
      worker.postMessage(keyMessage(key));
      if (!(await taken)) {
        return false;
      }
      answerWorker();
      if (expireType === 1 || expireType === 2) {
        win.location.reload();
        return true;
      }
    } catch (e) {
      // the page opens in place
    }
    return false;
  }

  function tellWorkerLogout() {
    quietly(function () {
      var c = navigator.serviceWorker && navigator.serviceWorker.controller;
      if (c) {
        c.postMessage({ type: 'wendlock-logout', salt: cfg.saltText });
      }
    });
  }

  // Shows the page in place unless the worker is about to serve it.
  async function showOpened(text) {
    if (!(await handToWorker())) {
      showPage(text);
    }
  }

  quietly(function () {
    doc.addEventListener('DOMContentLoaded', noteWorkerMissing, false);
  });
