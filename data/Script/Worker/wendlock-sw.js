// Wendlock service worker: serves a protected site to a visitor who has
// logged in. A run that enciphers the site's other files writes this file
// at the site root, with the site's values in front of it:
//   var SITE_SALT = "...";   the project's salt (Base64), which names the site
// Pages hand it the site's content key after a login (as a non-extractable
// WebCrypto key, never as bytes); from then on
//   - enciphered site files under the scope are deciphered as they stream
//     in and answered with their own type; a Range request on a stored file
//     reads only the chunks that hold the range;
//   - protected pages, asked for by a navigation or by a site script, are
//     answered with the original page, which the browser then parses as it
//     would the unprotected site;
//   - everything else passes through untouched.
// Nothing deciphered goes into Cache Storage or any other storage. The key
// lives in memory; a key that must outlive the browser session (a login
// remembered for days) is kept as the non-extractable key in IndexedDB,
// with its expiry. A login kept until the browser closes is kept sealed
// under the key that the site's session cookie holds: a restarted worker
// reads that cookie (Cookie Store API) and opens it again while the
// session lasts; once the browser has closed it opens nothing. After a
// restart without either the worker asks the site's open pages for it. Without a key, or with one that no longer
// opens the site (everyone signed out), requests pass through and pages
// show their login.
'use strict';

  // @include Worker/asset-reader.js

var KEY_DB = 'wendlock-worker';
var KEY_STORE = 'keys';
var ASK_MS = 300;
var PAGE_CHUNK = 65536;
var LOGOUT_HASH = '#wendlock-logout';
var SEAL_LABEL = 'wendlock worker key';

var state = { key: null, expires: 0, serveNavigations: false };
var scopePath = new URL(self.registration.scope).pathname;

self.addEventListener('install', function () {
  self.skipWaiting();
});

self.addEventListener('activate', function (event) {
  // The browser fetches a navigation's page while it starts the worker,
  // not after.
  var preload = self.registration.navigationPreload;
  event.waitUntil(
    Promise.all([
      self.clients.claim(),
      preload
        ? preload.enable().catch(function () {
            return null;
          })
        : null,
    ]),
  );
});

// ---- The key ---------------------------------------------------------------

function withStore(mode, action) {
  return new Promise(function (resolve) {
    var open;
    try {
      open = indexedDB.open(KEY_DB, 1);
    } catch (e) {
      resolve(null);
      return;
    }
    open.onupgradeneeded = function () {
      open.result.createObjectStore(KEY_STORE);
    };
    open.onerror = function () {
      resolve(null);
    };
    open.onsuccess = function () {
      var db = open.result;
      try {
        var tx = db.transaction(KEY_STORE, mode);
        var request = action(tx.objectStore(KEY_STORE));
        tx.oncomplete = function () {
          db.close();
          resolve(request ? request.result : null);
        };
        tx.onerror = tx.onabort = function () {
          db.close();
          resolve(null);
        };
      } catch (e) {
        db.close();
        resolve(null);
      }
    };
  });
}

function forgetKey() {
  state = { key: null, expires: 0, serveNavigations: false };
  // Overwritten before it is deleted, so the key's record does not linger
  // in the database's files until they are compacted.
  return withStore('readwrite', function (store) {
    store.put({ key: null, expires: 0 }, SITE_SALT);
    return store['delete'](SITE_SALT);
  });
}

function live() {
  return state.key !== null && (!state.expires || state.expires > Date.now());
}

// The key from memory, IndexedDB (a login kept for days) or an open page
// of the site that has it; null when none does.
async function currentKey() {
  if (live()) {
    return state.key;
  }
  if (state.key !== null) {
    await forgetKey();
  }
  var kept = await withStore('readonly', function (store) {
    return store.get(SITE_SALT);
  });
  if (kept && kept.key && kept.expires > Date.now()) {
    state = { key: kept.key, expires: kept.expires, serveNavigations: true };
    return state.key;
  }
  if (kept && kept.session) {
    var opened = await openSessionSeal(kept.session).catch(function () {
      return null;
    });
    if (opened) {
      state = { key: opened, expires: 0, serveNavigations: true };
      return state.key;
    }
    if (opened === null) {
      await forgetKey(); // the session is over, or the entry was changed
    }
  }
  await askPages();
  return live() ? state.key : null;
}

function hexBytes(text) {
  var out = new Uint8Array(text.length / 2);
  for (var i = 0; i < out.length; i++) {
    out[i] = parseInt(text.substr(i * 2, 2), 16);
  }
  return out;
}

// The content key that a login kept until the browser closes sealed under
// its session cookie's key; null once that cookie is gone (or the seal does
// not open), undefined where the worker cannot read cookies.
async function openSessionSeal(seal) {
  if (!self.cookieStore || typeof self.cookieStore.get !== 'function') {
    return undefined;
  }
  var cookie = await self.cookieStore.get(seal.cookie);
  var hex = cookie && cookie.value;
  if (!hex || !/^[0-9a-f]{64}$/.test(hex)) {
    return null;
  }
  var aes = await crypto.subtle.importKey('raw', hexBytes(hex), 'AES-GCM', false, ['decrypt']);
  var salt = base64Bytes(SITE_SALT);
  var aad = new Uint8Array(SEAL_LABEL.length + salt.length);
  aad.set(assetText.encode(SEAL_LABEL), 0);
  aad.set(salt, SEAL_LABEL.length);
  var raw = new Uint8Array(await crypto.subtle.decrypt({ name: 'AES-GCM', iv: seal.iv, additionalData: aad }, aes, seal.data));
  var key = await crypto.subtle.importKey('raw', raw, 'HKDF', false, ['deriveKey', 'deriveBits']);
  raw.fill(0);
  return key;
}

// Asks every open page of the scope to hand its key over again.
async function askPages() {
  var pages = await self.clients.matchAll({ type: 'window' });
  if (!pages.length) {
    return;
  }
  await new Promise(function (resolve) {
    var timer = setTimeout(resolve, ASK_MS);
    pendingAsk = function () {
      clearTimeout(timer);
      resolve();
    };
    pages.forEach(function (page) {
      page.postMessage({ type: 'wendlock-need-key', salt: SITE_SALT });
    });
  });
  pendingAsk = null;
}
var pendingAsk = null;

self.addEventListener('message', function (event) {
  var m = event.data || {};
  if (m.salt !== SITE_SALT) {
    return;
  }
  if (m.type === 'wendlock-key' && m.key && m.key.type === 'secret') {
    state = { key: m.key, expires: m.expires || 0, serveNavigations: !!m.serveNavigations };
    var done = Promise.resolve();
    if (m.keep && m.expires) {
      done = withStore('readwrite', function (store) {
        return store.put({ key: m.key, expires: m.expires }, SITE_SALT);
      });
    } else if (m.session && m.session.cookie && m.session.iv && m.session.data) {
      done = withStore('readwrite', function (store) {
        return store.put({ session: m.session, expires: 0 }, SITE_SALT);
      });
    }
    event.waitUntil(
      done.then(function () {
        if (pendingAsk) {
          pendingAsk();
        }
        if (event.source) {
          event.source.postMessage({ type: 'wendlock-key-taken', salt: SITE_SALT });
        }
      }),
    );
  } else if (m.type === 'wendlock-logout') {
    event.waitUntil(logout(event.source && event.source.id));
  }
});

// Forgets the key and sends every other open page of the site back to its
// login.
async function logout(exceptId) {
  await forgetKey();
  var pages = await self.clients.matchAll({ type: 'window' });
  await Promise.all(
    pages.map(function (page) {
      if (page.id === exceptId) {
        return null;
      }
      return page.navigate(page.url).catch(function () {
        page.postMessage({ type: 'wendlock-logout', salt: SITE_SALT });
      });
    }),
  );
}

// ---- Answers ------------------------------------------------------------------

var TYPES = {
  html: 'text/html; charset=utf-8',
  htm: 'text/html; charset=utf-8',
  xhtml: 'application/xhtml+xml',
  js: 'text/javascript; charset=utf-8',
  mjs: 'text/javascript; charset=utf-8',
  cjs: 'text/javascript; charset=utf-8',
  css: 'text/css; charset=utf-8',
  json: 'application/json',
  map: 'application/json',
  svg: 'image/svg+xml',
  txt: 'text/plain; charset=utf-8',
  md: 'text/markdown; charset=utf-8',
  rst: 'text/plain; charset=utf-8',
  csv: 'text/csv; charset=utf-8',
  xml: 'application/xml',
  wasm: 'application/wasm',
  png: 'image/png',
  jpg: 'image/jpeg',
  jpeg: 'image/jpeg',
  gif: 'image/gif',
  webp: 'image/webp',
  avif: 'image/avif',
  ico: 'image/x-icon',
  bmp: 'image/bmp',
  woff: 'font/woff',
  woff2: 'font/woff2',
  ttf: 'font/ttf',
  otf: 'font/otf',
  eot: 'application/vnd.ms-fontobject',
  pdf: 'application/pdf',
  zip: 'application/zip',
  gz: 'application/gzip',
  mp3: 'audio/mpeg',
  m4a: 'audio/mp4',
  ogg: 'audio/ogg',
  oga: 'audio/ogg',
  wav: 'audio/wav',
  flac: 'audio/flac',
  mp4: 'video/mp4',
  m4v: 'video/mp4',
  webm: 'video/webm',
  ogv: 'video/ogg',
  mov: 'video/quicktime',
  vtt: 'text/vtt; charset=utf-8',
};

function typeOf(sitePath) {
  var name = sitePath.substring(sitePath.lastIndexOf('/') + 1);
  var dot = name.lastIndexOf('.');
  return (dot >= 0 && TYPES[name.substring(dot + 1).toLowerCase()]) || 'application/octet-stream';
}

function answer(body, status, type, extra) {
  var headers = new Headers(extra || {});
  headers.set('Content-Type', type);
  headers.set('Cache-Control', 'no-store');
  return new Response(body, { status: status || 200, headers: headers });
}

// The file's path below the site root, as it is bound into its chunks.
function sitePathOf(url) {
  var path = url.pathname;
  if (path.indexOf(scopePath) !== 0) {
    return null;
  }
  try {
    return decodeURIComponent(path.substring(scopePath.length));
  } catch (e) {
    return null;
  }
}

// Reads a response body in order, a given number of bytes at a time.
function sequentialReader(body, first) {
  var reader = body.getReader();
  var queue = first && first.length ? [first] : [];
  var queued = queue.length ? first.length : 0;
  var ended = false;
  return async function read(count) {
    while (queued < count && !ended) {
      var r = await reader.read();
      if (r.done) {
        ended = true;
      } else {
        queue.push(r.value);
        queued += r.value.length;
      }
    }
    var take = Math.min(count, queued);
    var out = new Uint8Array(take);
    var at = 0;
    while (at < take) {
      var head = queue[0];
      var n = Math.min(head.length, take - at);
      out.set(head.subarray(0, n), at);
      at += n;
      if (n === head.length) {
        queue.shift();
      } else {
        queue[0] = head.subarray(n);
      }
    }
    queued -= take;
    return out;
  };
}

async function readAtLeast(body, count) {
  var reader = body.getReader();
  var parts = [];
  var size = 0;
  while (size < count) {
    var r = await reader.read();
    if (r.done) {
      break;
    }
    parts.push(r.value);
    size += r.value.length;
  }
  reader.releaseLock();
  var out = new Uint8Array(size);
  var at = 0;
  parts.forEach(function (p) {
    out.set(p, at);
    at += p.length;
  });
  return out;
}

// A body that gives `first` and then the rest of `body`.
function prepend(first, body) {
  var reader = body.getReader();
  var sent = false;
  return new ReadableStream({
    pull: async function (controller) {
      if (!sent) {
        sent = true;
        if (first.length) {
          controller.enqueue(first);
          return;
        }
      }
      var r = await reader.read();
      if (r.done) {
        controller.close();
      } else {
        controller.enqueue(r.value);
      }
    },
    cancel: function (reason) {
      return reader.cancel(reason);
    },
  });
}

// ---- Protected pages --------------------------------------------------------

function base64Bytes(text) {
  var bin = atob(text);
  var out = new Uint8Array(bin.length);
  for (var i = 0; i < bin.length; i++) {
    out[i] = bin.charCodeAt(i);
  }
  return out;
}

// The content statements of a strong page of this site, or null.
function pageStatements(text) {
  var start = text.indexOf('var vxsa=["');
  var end = start < 0 ? -1 : text.indexOf('"];var vxsv=[', start);
  if (end < 0) {
    return null;
  }
  var v = /^"\];var vxsv=\[(\d+),(\d+),(\d+),"([A-Za-z0-9+\/=]+)","([A-Za-z0-9+\/=]+)",(\d+)/.exec(
    text.substring(end, end + 400),
  );
  if (!v || v[4] !== SITE_SALT) {
    return null;
  }
  var chunks = text.substring(start + 11, end).split('","');
  if (chunks.length !== Number(v[6])) {
    return null;
  }
  return { nonce: base64Bytes(v[5]), chunks: chunks };
}

function u32(n) {
  return [(n >>> 24) & 255, (n >>> 16) & 255, (n >>> 8) & 255, n & 255];
}

// The original page of a protected one, as a stream of UTF-8 bytes; null
// when the key does not open it.
async function openPage(key, page) {
  var pageKey = await crypto.subtle.deriveKey(
    { name: 'HKDF', hash: 'SHA-256', salt: page.nonce, info: assetText.encode('wendlock v1 page key') },
    key,
    { name: 'AES-GCM', length: 256 },
    false,
    ['decrypt'],
  );
  var count = page.chunks.length;
  var opened = [];
  for (var i = 0; i < count; i++) {
    var sealed = base64Bytes(page.chunks[i]);
    if (sealed.length < 16 || sealed.length > PAGE_CHUNK + 16) {
      return null;
    }
    var aad = new Uint8Array(4 + 16 + 5);
    aad.set([0x57, 0x4c, 0x4b, 0x31], 0);
    aad.set(page.nonce, 4);
    aad.set(u32(i), 20);
    aad[24] = i === count - 1 ? 1 : 0;
    var iv = new Uint8Array(12);
    iv.set(u32(i), 8);
    opened.push(crypto.subtle.decrypt({ name: 'AES-GCM', iv: iv, additionalData: aad }, pageKey, sealed));
  }
  var chunks;
  try {
    chunks = await Promise.all(opened);
  } catch (e) {
    return null;
  }
  var index = 0;
  var first = true;
  return new ReadableStream({
    pull: function (controller) {
      if (index >= chunks.length) {
        controller.close();
        return;
      }
      controller.enqueue(new Uint8Array(chunks[index++]));
    },
  })
    .pipeThrough(new DecompressionStream('deflate-raw'))
    .pipeThrough(
      new TransformStream({
        // A byte order mark is no text of the page: before the doctype it
        // would put the page into quirks mode.
        transform: function (bytes, controller) {
          if (first && bytes.length >= 3 && bytes[0] === 0xef && bytes[1] === 0xbb && bytes[2] === 0xbf) {
            bytes = bytes.subarray(3);
          }
          first = false;
          controller.enqueue(bytes);
        },
      }),
    );
}

async function servePage(key, response, bytes) {
  var text = new TextDecoder('latin1').decode(bytes);
  var page = pageStatements(text);
  if (!page) {
    return null;
  }
  var original = await openPage(key, page);
  if (!original) {
    // Everyone was signed out: the page's own login takes over.
    await forgetKey();
    return null;
  }
  return answer(original, 200, 'text/html; charset=utf-8');
}

// ---- Site files -------------------------------------------------------------

// A whole enciphered file, deciphered as it streams in. Its size is not
// taken from the response (a server may have compressed the transfer): every
// chunk but the last must be full, the last must end the body.
async function serveWhole(key, response, sitePath, first) {
  var count = ((first[26] << 24) | (first[27] << 16) | (first[28] << 8) | first[29]) >>> 0;
  var header = parseAssetHeader(first.subarray(0, ASSET_HEADER), ASSET_HEADER + count * ASSET_SEALED);
  if (!header) {
    throw new Error('not a file of this version');
  }
  var read = sequentialReader(response.body, first);
  await read(ASSET_HEADER);
  var fileKey = await assetKey(key, header);
  var lastStart = ASSET_HEADER + (header.count - 1) * ASSET_SEALED;
  var stream = assetStream(fileKey, header, sitePath, async function (start) {
    var last = start === lastStart;
    var bytes = await read(last ? ASSET_SEALED + 1 : ASSET_SEALED);
    var short = bytes.length < (last ? (header.count === 1 ? 16 : 17) : ASSET_SEALED);
    if (short || bytes.length > ASSET_SEALED) {
      throw new Error('the file was cut or has bytes after its end');
    }
    return bytes;
  });
  return answer(stream, 200, typeOf(sitePath), header.deflated ? {} : { 'Accept-Ranges': 'bytes' });
}

var RANGE = /^bytes=(\d*)-(\d*)$/;

// A Range request on an enciphered file: the header and then only the
// chunks that hold the range are fetched.
async function serveRange(key, request, sitePath, range) {
  var head = await fetch(request.url, { headers: { Range: 'bytes=0-' + (ASSET_HEADER - 1) }, credentials: 'same-origin' });
  var total = /\/(\d+)$/.exec(head.headers.get('Content-Range') || '');
  if (head.status !== 206 || !total) {
    return null; // the server does not serve ranges: the whole file then
  }
  var first = new Uint8Array(await head.arrayBuffer());
  if (!looksLikeAsset(first)) {
    return 'plain';
  }
  var header = parseAssetHeader(first, Number(total[1]));
  if (!header || header.deflated) {
    return null;
  }
  var size = header.plainSize;
  var from = range[1] === '' ? Math.max(0, size - Number(range[2])) : Number(range[1]);
  var to = range[1] === '' || range[2] === '' ? size - 1 : Math.min(Number(range[2]), size - 1);
  if (from > to || from >= size) {
    return answer(null, 416, typeOf(sitePath), { 'Content-Range': 'bytes */' + size });
  }
  var firstChunk = Math.floor(from / ASSET_CHUNK);
  var lastChunk = Math.floor(to / ASSET_CHUNK);
  var start = assetChunkSpan(header, firstChunk)[0];
  var end = assetChunkSpan(header, lastChunk)[1];
  var body = await fetch(request.url, { headers: { Range: 'bytes=' + start + '-' + (end - 1) }, credentials: 'same-origin' });
  if (body.status !== 206) {
    return null;
  }
  var sealed = new Uint8Array(await body.arrayBuffer());
  var fileKey = await assetKey(key, header);
  var out = new Uint8Array(to - from + 1);
  var at = 0;
  for (var i = firstChunk; i <= lastChunk; i++) {
    var span = assetChunkSpan(header, i);
    var plain = await openAssetChunk(fileKey, header, sitePath, i, sealed.subarray(span[0] - start, span[1] - start));
    var base = i * ASSET_CHUNK;
    var a = Math.max(from, base) - base;
    var b = Math.min(to + 1, base + plain.length) - base;
    out.set(plain.subarray(a, b), at);
    at += b - a;
  }
  return answer(out, 206, typeOf(sitePath), {
    'Content-Range': 'bytes ' + from + '-' + to + '/' + size,
    'Content-Length': String(out.length),
    'Accept-Ranges': 'bytes',
  });
}

// ---- Requests ---------------------------------------------------------------

// A navigation's page as the browser fetched it ahead (navigation
// preload), or as fetched now.
async function navigationResponse(event, init) {
  var ahead = event.preloadResponse
    ? await event.preloadResponse.catch(function () {
        return null;
      })
    : null;
  return ahead || fetch(init ? event.request.url : event.request, init);
}

async function handle(event) {
  var request = event.request;
  var url = new URL(request.url);
  var sitePath = sitePathOf(url);
  var navigation = request.mode === 'navigate';
  if (navigation && url.hash === LOGOUT_HASH) {
    await logout(null);
    return navigationResponse(event);
  }
  var key = await currentKey();
  if (!key || (navigation && !state.serveNavigations)) {
    return navigation ? navigationResponse(event) : fetch(request);
  }
  var range = request.headers.get('Range');
  var rangeMatch = range && RANGE.exec(range.trim());
  if (rangeMatch && !navigation) {
    var ranged = await serveRange(key, request, sitePath, rangeMatch).catch(function () {
      return null;
    });
    if (ranged && ranged !== 'plain') {
      return ranged;
    }
    if (ranged === 'plain') {
      return fetch(request);
    }
  }
  var response = navigation
    ? await navigationResponse(event, { credentials: 'same-origin', redirect: 'manual' })
    : await fetch(request.url, { credentials: 'same-origin', redirect: 'follow' });
  if (!response.ok || !response.body) {
    return response; // redirects, errors: as the network gave them
  }
  var first = await readAtLeast(response.body, ASSET_HEADER);
  if (looksLikeAsset(first)) {
    return serveWhole(key, response, sitePath, first);
  }
  var type = response.headers.get('Content-Type') || '';
  if (/html/i.test(type) || /\.html?$/i.test(sitePath) || sitePath === '' || /\/$/.test(sitePath)) {
    var rest = new Uint8Array(await new Response(prepend(first, response.body)).arrayBuffer());
    var page = await servePage(key, response, rest);
    return page || new Response(rest, { status: response.status, headers: response.headers });
  }
  return new Response(prepend(first, response.body), { status: response.status, headers: response.headers });
}

self.addEventListener('fetch', function (event) {
  var request = event.request;
  var url = new URL(request.url);
  if (request.method !== 'GET' || url.origin !== self.location.origin || sitePathOf(url) === null) {
    return; // the browser's own handling
  }
  if (sitePathOf(url) === 'wendlock-sw.js') {
    return;
  }
  event.respondWith(
    handle(event).catch(function () {
      // A file that does not open is never served as it is.
      return answer('This file could not be opened.', 500, 'text/plain; charset=utf-8');
    }),
  );
});
