  // Remembered logins, for both page formats. Each format keeps one value
  // under a name of its own (strong: the site's salt and the secret sealed
  // under a key of its own; classic: one name per mode and the key
  // material as text). What opens a page never goes into localStorage,
  // which every page of the host, or every local file, could read:
  //   until the browser closes, http(s): IndexedDB "wendlock"; a strong
  //     page's entry is sealed under a fresh key that only a session cookie
  //     holds (gone with the session, the entry opens nothing), a classic
  //     one is bound to the session cookie wendlock_sid (a random id);
  //   a number of days, http(s): IndexedDB, with the expiry;
  //   file:// pages, whatever the expiry: sessionStorage, for the tab only.
  //     In Chromium every local file is of one origin, so nothing is handed
  //     to other tabs nor kept in IndexedDB, unless the project shares
  //     logins between tabs (LoginShareFileTabs): then a new tab asks the
  //     open ones over BroadcastChannel, and a number of days goes into
  //     IndexedDB as over http(s);
  //   without IndexedDB or cookies: sessionStorage for the tab.
  // A log-out clears all of it and tells the other tabs, which drop their
  // own copies.
  // Plain ES5 with callbacks: the classic script runs in old browsers too.
  var DB_NAME = 'wendlock';
  var DB_STORE = 'logins';
  var SID_COOKIE = DB_NAME + '_sid';
  // Session cookies that hold the sealing key of one site's entry.
  var KEY_COOKIE = DB_NAME + '_k_';
  var TAB_PREFIX = DB_NAME + '_login_';
  var READ_WRITE = 'readwrite';
  // How long a new tab of a file page waits for an open tab to answer.
  var ASK_MS = 150;

  var held = null; // { name, value } that this tab hands to new tabs
  var answering = null;

  function idbFactory() {
    return quietly(function () {
      return win.indexedDB;
    });
  }

  // Runs action(store) in one transaction; done(error, result) once the
  // transaction is complete or has failed.
  function idb(mode, action, done) {
    var over = false;
    function finish(error, result) {
      if (!over) {
        over = true;
        done(error, result);
      }
    }
    try {
      var open = idbFactory().open(DB_NAME, 1);
      open.onupgradeneeded = function () {
        open.result.createObjectStore(DB_STORE);
      };
      open.onerror = function () {
        finish(1);
      };
      open.onsuccess = function () {
        var db = open.result;
        try {
          var tx = db.transaction(DB_STORE, mode);
          var request = action(tx.objectStore(DB_STORE));
          tx.oncomplete = function () {
            db.close();
            finish(null, request && request.result);
          };
          tx.onerror = tx.onabort = function () {
            db.close();
            finish(1);
          };
        } catch (e) {
          db.close();
          finish(e);
        }
      };
    } catch (e2) {
      finish(e2);
    }
  }

  function randomId() {
    var bytes = quietly(function () {
      return (win.crypto || win.msCrypto).getRandomValues(new Uint8Array(16));
    });
    var out = '';
    for (var i = 0; i < 16; i++) {
      out += ((bytes ? bytes[i] : Math.random() * 256) | 256).toString(16).slice(1);
    }
    return out;
  }

  // A file page whose project does not share logins between tabs.
  function tabOnly() {
    return !usesCookies() && !shareFileTabs;
  }

  function sessionBoundToTabs() {
    return expireType === 1 && !usesCookies() && shareFileTabs;
  }

  // When a login kept now expires: 0 with the session, -1 not kept.
  function loginExpiry() {
    if (expireType === 2 && expireDays > 0) {
      return nowMs() + expireDays * DAY_MS;
    }
    return expireType === 1 || expireType === 2 ? 0 : -1;
  }

  function keyCookieName(name) {
    return KEY_COOKIE + String(name).replace(/[^A-Za-z0-9]/g, function (c) {
      return c === '+' ? '-' : c === '/' ? '_' : '';
    });
  }

  // Session cookies of the sealing keys, and the classic session id.
  function dropSessionCookies() {
    var names = String(doc.cookie || '').split(';');
    for (var i = 0; i < names.length; i++) {
      var name = names[i].replace(/^\s+/, '').split('=')[0];
      if (name.indexOf(KEY_COOKIE) === 0) {
        writeCookie(name, '', 1);
      }
    }
    writeCookie(SID_COOKIE, '', 1);
  }

  function dropTabEntries() {
    var s = tabStorage();
    for (var i = s.length - 1; i >= 0; i--) {
      var key = s.key(i);
      if (key && key.indexOf(TAB_PREFIX) === 0) {
        s.removeItem(key);
      }
    }
  }

  // The tab's copy is text, with its expiry when it has one.
  function writeTabStore(name, text, expires) {
    var s = tabStorage();
    if (s && typeof text === 'string') {
      s.setItem(TAB_PREFIX + name, text + (expires ? '~' + expires : ''));
    }
  }

  function readTabStore(name) {
    var s = tabStorage();
    var parts = String((s && s.getItem(TAB_PREFIX + name)) || '').split('~');
    var expires = parts.length > 1 ? parseInt(parts[1], 10) : 0;
    if (!parts[0]) {
      return null;
    }
    if (parts.length > 1 && !(expires > nowMs())) {
      s.removeItem(TAB_PREFIX + name);
      return null;
    }
    return { value: parts[0], expires: expires };
  }

  // The entry of this name while it is live; a stale one is deleted.
  function readEntry(name, done) {
    if (!idbFactory()) {
      done(null);
      return;
    }
    idb(
      'readonly',
      function (store) {
        return store.get(name);
      },
      function (error, entry) {
        if (error || !entry) {
          done(null);
          return;
        }
        var live =
          entry.value != null && (entry.expires ? entry.expires > nowMs() : !!(entry.sid || entry.keyCookie));
        if (live && entry.keyCookie) {
          // the sealed value with the key that opens it, while the session lasts
          var key = usesCookies() ? readCookie(entry.keyCookie) : '';
          live = /^[0-9a-f]{64}$/.test(key);
          entry = { value: { sealed: entry.value, sessionKey: key } };
        } else if (live && entry.sid) {
          live = usesCookies() && readCookie(SID_COOKIE) === entry.sid;
        }
        if (live) {
          done(entry);
          return;
        }
        wipeEntries(name, function () {
          done(null);
        });
      }
    );
  }

  // Deletes the entry of this name (all entries for null), each first
  // overwritten with zeros of its size, so that the store's files do not
  // keep the old bytes where the browser writes over in place.
  function wipeEntries(name, done) {
    if (!idbFactory()) {
      done();
      return;
    }
    function blank(value) {
      var n = (value && value.data && value.data.byteLength) || (typeof value === 'string' ? value.length : 64);
      return { wiped: new Uint8Array(n) };
    }
    idb(
      READ_WRITE,
      function (store) {
        var cursor = store.openCursor(name === null ? undefined : name);
        cursor.onsuccess = function () {
          var c = cursor.result;
          if (c) {
            c.update({ value: blank(c.value && c.value.value), expires: 1, sid: '' });
            c['continue']();
          }
        };
        return null;
      },
      function () {
        idb(
          READ_WRITE,
          function (store) {
            return name === null ? store.clear() : store['delete'](name);
          },
          function () {
            done();
          }
        );
      }
    );
  }

  // Every tab that holds a login hears a log-out in another tab and drops
  // its copies; a tab that shares its login answers new tabs' asks.
  function listenToTabs() {
    if (!answering && (answering = openChannel())) {
      answering.onmessage = function (e) {
        var m = e.data || {};
        if (m.type === 'ask' && held && m.name === held.name) {
          answering.postMessage({ type: 'login', name: held.name, value: held.value });
        } else if (m.type === 'logout') {
          held = null;
          quietly(dropTabEntries);
        }
      };
    }
  }

  function openChannel() {
    return quietly(function () {
      return new BroadcastChannel(DB_NAME);
    });
  }

  // A file page's tab keeps the login it opened with, in its own storage
  // and for new tabs that ask. Text goes to other tabs where there is some.
  function holdForTabs(name, value, text) {
    held = { name: name, value: typeof text === 'string' ? text : value };
    // the open tabs still answer when the tab's storage refuses
    quietly(function () {
      writeTabStore(name, text, 0);
    });
    listenToTabs();
  }

  function askOpenTabs(name, done) {
    var channel = openChannel();
    if (!channel) {
      done(null);
      return;
    }
    var over = false;
    var timer = setTimeout(finish, ASK_MS);
    function finish(value) {
      if (!over) {
        over = true;
        clearTimeout(timer);
        quietly(function () {
          channel.close();
        });
        done(value || null);
      }
    }
    channel.onmessage = function (e) {
      var m = e.data || {};
      if (m.type === 'login' && m.name === name && m.value) {
        finish(m.value);
      }
    };
    channel.postMessage({ type: 'ask', name: name });
  }

  // Keeps a login as the page's expiry asks, then calls done().
  // value: what IndexedDB keeps, or null where it cannot keep one; text:
  // the same login as text for the tab, or null. merge(older, newer), when
  // given, joins what was kept under this name for the same kind of expiry.
  // sessionKey: the hex key that opens value, for a login that ends with
  // the session; it goes into a session cookie of this name only.
  function keepLogin(name, value, text, merge, done, sessionKey) {
    var expires = loginExpiry();
    if (expires < 0) {
      done();
      return;
    }
    function merged(old, newer) {
      return old && !old.expires === !expires ? merge(old.value, newer) : newer;
    }
    function inTab() {
      // a browser that refuses storage simply asks again next time
      quietly(function () {
        var kept = merge ? merged(readTabStore(name), text) : text;
        if (sessionBoundToTabs()) {
          holdForTabs(name, value, kept);
        } else {
          writeTabStore(name, kept, expires);
          listenToTabs();
        }
      });
      done();
    }
    if (tabOnly() || sessionBoundToTabs() || value === null || !idbFactory()) {
      inTab();
      return;
    }
    var entry = { value: value, expires: expires, sid: '' };
    if (!expires && sessionKey) {
      entry.keyCookie = keyCookieName(name);
      writeCookie(entry.keyCookie, sessionKey, 0);
      if (readCookie(entry.keyCookie) !== sessionKey) {
        inTab(); // cookies refused: the entry could never be opened
        return;
      }
    } else if (!expires) {
      // One id for every protected site of the host, so that a login to
      // one does not sign out another.
      entry.sid = readCookie(SID_COOKIE);
      if (!/^[0-9a-f]{32}$/.test(entry.sid)) {
        entry.sid = randomId();
        writeCookie(SID_COOKIE, entry.sid, 0);
      }
      if (readCookie(SID_COOKIE) !== entry.sid) {
        inTab(); // cookies refused: an entry bound to one would never open
        return;
      }
    }
    function put() {
      idb(
        READ_WRITE,
        function (store) {
          return store.put(entry, name);
        },
        function (error) {
          if (error) {
            inTab();
          } else {
            done();
          }
        }
      );
    }
    if (merge) {
      readEntry(name, function (old) {
        entry.value = merged(old, value);
        put();
      });
    } else {
      put();
    }
  }

  // done(values): the live values kept under this name, this tab's first;
  // a new tab of a file page asks the open ones when it has none.
  function findLogins(name, done) {
    var found = [];
    // unreadable storage holds nothing
    quietly(function () {
      found.push(readTabStore(name).value);
    });
    if (found.length) {
      listenToTabs();
    }
    if (tabOnly()) {
      // Earlier versions kept file:// logins in IndexedDB, where every
      // local file can read them.
      wipeEntries(name, function () {});
      done(found);
      return;
    }
    readEntry(name, function (entry) {
      if (entry) {
        found.push(entry.value);
      }
      if (found.length > 0 || !sessionBoundToTabs()) {
        done(found);
        return;
      }
      askOpenTabs(name, function (value) {
        done(value ? [value] : []);
      });
    });
  }

  // Forgets every remembered login of either format, open tabs included.
  function forgetLogins(done) {
    held = null;
    quietly(dropSessionCookies);
    quietly(dropTabEntries);
    // no other tabs to tell where there is no channel
    quietly(function () {
      var channel = openChannel();
      channel.postMessage({ type: 'logout' });
      channel.close();
    });
    wipeEntries(null, done);
  }
