  // Remembered logins, for both page formats. Each format keeps one value
  // under a name of its own (strong: the site's salt and a non-extractable
  // key; classic: one name per mode and the key material as text). What
  // opens a page never goes into a cookie, nor into localStorage, which
  // every page of the host, or every local file, could read:
  //   until the browser closes, http(s): IndexedDB "wendlock", bound to the
  //     session cookie wendlock_sid, which holds only a random id;
  //   until the browser closes, file pages: sessionStorage, and a new tab
  //     asks the open tabs over BroadcastChannel;
  //   a number of days: IndexedDB, with the expiry;
  //   without IndexedDB: sessionStorage for the tab.
  // Plain ES5 with callbacks: the classic script runs in old browsers too.
  var DB_NAME = 'wendlock';
  var DB_STORE = 'logins';
  var SID_COOKIE = DB_NAME + '_sid';
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

  function sessionBoundToTabs() {
    return expireType === 1 && !usesCookies();
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
        var live = entry.value != null && (entry.expires ? entry.expires > nowMs() : !!entry.sid);
        if (live && entry.sid) {
          live = usesCookies() && readCookie(SID_COOKIE) === entry.sid;
        }
        if (live) {
          done(entry);
          return;
        }
        idb(
          READ_WRITE,
          function (store) {
            return store['delete'](name);
          },
          function () {
            done(null);
          }
        );
      }
    );
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
    if (!answering && (answering = openChannel())) {
      answering.onmessage = function (e) {
        var m = e.data || {};
        if (m.type === 'ask' && held && m.name === held.name) {
          answering.postMessage({ type: 'login', name: held.name, value: held.value });
        } else if (m.type === 'logout') {
          held = null;
        }
      };
    }
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
  function keepLogin(name, value, text, merge, done) {
    var expires = 0;
    if (expireType === 2 && expireDays > 0) {
      expires = nowMs() + expireDays * DAY_MS;
    } else if (expireType !== 1) {
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
        }
      });
      done();
    }
    if (sessionBoundToTabs() || value === null || !idbFactory()) {
      inTab();
      return;
    }
    var sid = '';
    if (!expires) {
      // One id for every protected site of the host, so that a login to
      // one does not sign out another.
      sid = readCookie(SID_COOKIE);
      if (!/^[0-9a-f]{32}$/.test(sid)) {
        sid = randomId();
        writeCookie(SID_COOKIE, sid, 0);
      }
      if (readCookie(SID_COOKIE) !== sid) {
        inTab(); // cookies refused: an entry bound to one would never open
        return;
      }
    }
    function put(v) {
      idb(
        READ_WRITE,
        function (store) {
          return store.put({ value: v, expires: expires, sid: sid }, name);
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
        put(merged(old, value));
      });
    } else {
      put(value);
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
    quietly(function () {
      writeCookie(SID_COOKIE, '', 1);
    });
    quietly(function () {
      var s = tabStorage();
      for (var i = s.length - 1; i >= 0; i--) {
        var key = s.key(i);
        if (key && key.indexOf(TAB_PREFIX) === 0) {
          s.removeItem(key);
        }
      }
    });
    // no other tabs to tell where there is no channel
    quietly(function () {
      var channel = openChannel();
      channel.postMessage({ type: 'logout' });
      channel.close();
    });
    if (!idbFactory()) {
      done();
      return;
    }
    idb(
      READ_WRITE,
      function (store) {
        return store.clear();
      },
      function () {
        done();
      }
    );
  }
