// A minimal browser for the login scripts: one FakeBrowser keeps cookies,
// web storage and a clock across page loads; each open() runs a page's main
// script in a fresh node:vm context with a small standard DOM and then
// fires the body's load event (vxpcheck()). Strong pages work
// asynchronously: load() and login() wait until the page has settled.
import vm from 'node:vm';
import { webcrypto } from 'node:crypto';

const DAY_MS = 86400000;

class FakeStorage {
  constructor() {
    this.items = new Map();
  }
  getItem(k) {
    return this.items.has(k) ? this.items.get(k) : null;
  }
  setItem(k, v) {
    this.items.set(k, String(v));
  }
  removeItem(k) {
    this.items.delete(k);
  }
  clear() {
    this.items.clear();
  }
  get length() {
    return this.items.size;
  }
  key(i) {
    return [...this.items.keys()][i] ?? null;
  }
}

// Tabs of one browser talk over channels of the same name; messages arrive
// in a later task, never at the sender.
class ChannelBus {
  constructor() {
    this.members = new Set();
  }
  make() {
    const bus = this;
    return class BroadcastChannel {
      constructor(name) {
        this.name = String(name);
        this.onmessage = null;
        bus.members.add(this);
      }
      postMessage(data) {
        for (const m of bus.members) {
          if (m !== this && m.name === this.name) {
            setTimeout(() => m.onmessage && m.onmessage({ data }), 0);
          }
        }
      }
      close() {
        bus.members.delete(this);
      }
    };
  }
}

// IndexedDB enough for a key-value store: databases outlive restarts,
// requests and transactions complete in a later task. Values are kept as
// given (a real one clones them; CryptoKeys clone as themselves).
class FakeIndexedDB {
  constructor() {
    this.databases = new Map(); // name -> Map(store -> Map(key -> value))
  }
  // later: how the page schedules a task, so that it waits for the
  // database too before it counts as settled.
  factory(later = (fn) => setTimeout(fn, 0)) {
    const dbs = this.databases;
    return {
      open(name) {
        const req = { result: null, error: null };
        later(() => {
          const fresh = !dbs.has(name);
          if (fresh) dbs.set(name, new Map());
          const db = dbs.get(name);
          req.result = {
            createObjectStore: (s) => db.set(s, new Map()),
            close() {},
            transaction(storeName) {
              const store = db.get(storeName);
              if (!store) throw new Error('NotFoundError');
              const request = (fn) => ({ result: fn() });
              const tx = {
                objectStore: () => ({
                  get: (k) => request(() => store.get(k)),
                  put: (v, k) => request(() => (store.set(k, v), k)),
                  delete: (k) => request(() => void store.delete(k)),
                  clear: () => request(() => void store.clear()),
                  // walks the entries (of one key, or all) in a later task
                  openCursor: (only) => {
                    const req = { result: null };
                    later(() => {
                      for (const k of [...store.keys()]) {
                        if (only !== undefined && k !== only) continue;
                        let next = false;
                        req.result = {
                          key: k,
                          value: store.get(k),
                          update: (v) => store.set(k, v),
                          continue: () => {
                            next = true;
                          },
                        };
                        if (req.onsuccess) req.onsuccess();
                        if (!next) return;
                      }
                      req.result = null;
                      if (req.onsuccess) req.onsuccess();
                    });
                    return req;
                  },
                }),
              };
              // after the tasks the transaction's requests take
              later(() => later(() => tx.oncomplete && tx.oncomplete()));
              return tx;
            },
          };
          if (fresh && req.onupgradeneeded) req.onupgradeneeded();
          if (req.onsuccess) req.onsuccess();
        });
        return req;
      },
    };
  }
  entries(name = 'wendlock', store = 'logins') {
    return [...(this.databases.get(name)?.get(store) ?? new Map()).entries()];
  }
}

class FakeElement {
  constructor(id) {
    this.id = id;
    this.value = '';
    this.textContent = '';
    this.attributes = {};
    this.focused = 0;
    this.scrolled = 0;
    this.onsubmit = null;
    this.disabled = false;
    this.children = [];
  }
  querySelectorAll() {
    return this.children;
  }
  setAttribute(name, value) {
    this.attributes[name] = String(value);
  }
  focus() {
    this.focused++;
  }
  scrollIntoView() {
    this.scrolled++;
  }
}

export class FakeBrowser {
  constructor({ protocol = 'http:', documentMode } = {}) {
    this.protocol = protocol;
    this.documentMode = documentMode;
    this.now = Date.UTC(2024, 0, 15, 12, 0, 0);
    this.cookies = new Map(); // name -> { value, expires (ms) or null, raw }
    this.localStorage = new FakeStorage();
    this.sessionStorage = new FakeStorage();
    this.channels = new ChannelBus();
    this.indexedDB = new FakeIndexedDB();
  }

  advanceDays(days) {
    this.now += days * DAY_MS;
  }

  // Closing the browser ends session cookies and session storage.
  restart() {
    for (const [name, c] of this.cookies) if (c.expires === null) this.cookies.delete(name);
    this.sessionStorage.clear();
  }

  cookieHeader() {
    const live = [];
    for (const [name, c] of this.cookies) {
      if (c.expires === null || c.expires > this.now) live.push(`${name}=${c.value}`);
    }
    return live.join('; ');
  }

  setCookie(text) {
    if (this.protocol === 'file:') return; // like Chromium: no cookies for file pages
    const [pair, ...attrs] = text.split(';').map((p) => p.trim());
    const eq = pair.indexOf('=');
    const name = pair.slice(0, eq);
    let expires = null;
    for (const a of attrs) {
      const m = /^expires=(.*)$/i.exec(a);
      if (m) expires = Date.parse(m[1]);
    }
    if (expires !== null && expires <= this.now) this.cookies.delete(name);
    else this.cookies.set(name, { value: pair.slice(eq + 1), expires, raw: text });
  }

  // Everything the browser keeps, as one text, to look for leaked secrets.
  storedText() {
    return [
      ...[...this.cookies.values()].map((c) => c.raw),
      ...this.localStorage.items.values(),
      ...this.sessionStorage.items.values(),
    ].join('\n');
  }

  open(script, options = {}) {
    return new FakePage(this, script, options);
  }

  // Opens a page and waits for its load check (remembered logins) to end.
  load(script, options = {}) {
    return this.open(script, options).settled();
  }
}

class FakePage {
  // subtle: WebCrypto (a secure context) or only getRandomValues;
  // decompression: DecompressionStream; channels: BroadcastChannel;
  // promise: false runs the page as a browser without Promise.
  constructor(
    browser,
    script,
    {
      hash = '',
      errorElement = true,
      textEncoder = true,
      textDecoder = true,
      subtle = true,
      decompression = true,
      channels = true,
      indexedDB = false,
      promise = true,
    } = {},
  ) {
    const page = this;
    this.alerts = [];
    this.opened = [];
    this.written = null;
    this.navigatedTo = null;
    this.reloads = 0;
    this.replacedUrl = null;
    this.loadListeners = [];
    this.elements = {};
    for (const id of ['vxpform', 'vxpuser', 'vxppass']) this.elements[id] = new FakeElement(id);
    this.button = new FakeElement('');
    this.elements.vxpform.children.push(this.button);
    this.busyTexts = [];
    if (errorElement) this.elements.vxperror = new FakeElement('vxperror');

    let writing = null;
    const document = {
      getElementById(id) {
        if (page.written !== null) return page.anchor(id, 'id');
        return page.elements[id] || null;
      },
      getElementsByName(name) {
        const found = page.written !== null ? page.anchor(name, 'name') : null;
        return found ? [found] : [];
      },
      open() {
        writing = [];
      },
      write(text) {
        writing.push(String(text));
      },
      close() {
        page.written = writing.join('');
        page.anchors = {};
      },
      get cookie() {
        return browser.cookieHeader();
      },
      set cookie(text) {
        browser.setCookie(text);
      },
    };
    if (browser.documentMode !== undefined) document.documentMode = browser.documentMode;

    const location = {
      protocol: browser.protocol,
      hash,
      pathname: '/site/page.html',
      search: '',
      reload() {
        page.reloads++;
      },
      get href() {
        return `${browser.protocol}//host/site/page.html${hash}`;
      },
      set href(url) {
        page.navigatedTo = url;
      },
    };

    const sandbox = {
      document,
      location,
      history: {
        replaceState(state, title, url) {
          page.replacedUrl = url;
        },
      },
      localStorage: browser.localStorage,
      sessionStorage: browser.sessionStorage,
      alert(text) {
        page.alerts.push(text);
      },
      open(url, target) {
        page.opened.push({ url, target });
      },
      addEventListener(type, fn) {
        if (type === 'load') page.loadListeners.push(fn);
      },
      __now: () => browser.now,
    };
    // Every browser the scripts serve decodes Base64 itself.
    sandbox.atob = (text) => atob(text);
    if (textEncoder) sandbox.TextEncoder = TextEncoder;
    if (textDecoder) sandbox.TextDecoder = TextDecoder;
    if (decompression) sandbox.DecompressionStream = DecompressionStream;
    if (channels) sandbox.BroadcastChannel = browser.channels.make();
    sandbox.crypto = subtle ? webcrypto : { getRandomValues: (a) => webcrypto.getRandomValues(a) };
    const timers = new Set();
    sandbox.setTimeout = (fn, ms) => {
      const handle = setTimeout(() => {
        timers.delete(handle);
        fn();
      }, ms);
      timers.add(handle);
      return handle;
    };
    sandbox.clearTimeout = (handle) => {
      clearTimeout(handle);
      timers.delete(handle);
    };
    if (indexedDB) sandbox.indexedDB = browser.indexedDB.factory((fn) => sandbox.setTimeout(fn, 0));
    Object.defineProperty(this, 'pendingTimers', { get: () => timers.size });
    this.context = vm.createContext(sandbox);
    vm.runInContext(
      'var window = this;' +
        'Date = (function (Real) {' +
        '  function FakeDate(v) { return arguments.length ? new Real(v) : new Real(__now()); }' +
        '  FakeDate.prototype = Real.prototype; FakeDate.UTC = Real.UTC; FakeDate.parse = Real.parse;' +
        '  return FakeDate; })(Date);',
      this.context,
    );
    if (!promise) vm.runInContext('Promise = undefined;', this.context);
    this.globalsBefore = new Set(Object.keys(sandbox));
    vm.runInContext(script, this.context);
    this.ready = Promise.resolve(this.context.vxpcheck());
  }

  get busy() {
    return this.elements.vxpform.attributes['aria-busy'] === 'true';
  }

  // Resolves once the load check is done, no timer is pending and the form
  // is not busy.
  async settled() {
    await this.ready;
    for (let i = 0; i < 5000; i++) {
      if (this.busy && this.elements.vxperror) this.busyTexts.push(this.elements.vxperror.textContent);
      if (this.pendingTimers === 0 && !this.busy) {
        await new Promise((r) => setImmediate(r));
        if (this.pendingTimers === 0 && !this.busy) return this;
      }
      await new Promise((r) => setTimeout(r, 2));
    }
    throw new Error('the page never settled');
  }

  // submit(), then wait for the unlock to end.
  login(typed) {
    this.submit(typed);
    this.sawBusy = this.busy && this.button.disabled;
    return this.settled();
  }

  // After login the fake document holds the written text; an anchor exists
  // when that text has an element with this id or name.
  anchor(value, attribute) {
    if (!this.written.includes(`${attribute}="${value}"`)) return null;
    if (!this.anchors[value]) this.anchors[value] = new FakeElement(value);
    return this.anchors[value];
  }

  get askedForLogin() {
    return this.written === null && typeof this.elements.vxpform.onsubmit === 'function';
  }

  // Types into the form and submits it like pressing Enter.
  submit({ user = '', password = '' }) {
    this.elements.vxpuser.value = user;
    this.elements.vxppass.value = password;
    let prevented = false;
    const result = this.elements.vxpform.onsubmit.call(this.elements.vxpform, {
      preventDefault() {
        prevented = true;
      },
    });
    this.submitStopped = prevented || result === false;
    return this;
  }
}
