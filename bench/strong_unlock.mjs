// Time from submitting the password to the last element of a protected
// page in headless Chromium: Wendlock strong, Wendlock classic and
// StatiCrypt 3 (its defaults) on the same doc page with the same password,
// in alternating runs. Also the first paint after the key is derived, a
// 50 MB page, and the pure-JavaScript derivation on a non-secure origin.
// Prints figures; never fails on speed.
//   node bench/strong_unlock.mjs [ROUNDS]        (default 5)
// Needs a build (build/bin/wendlock-cli or WENDLOCK_CLI), the browser test
// packages (npm ci --prefix tests/browser) and the peer (npm ci --prefix
// bench/peers; without it the StatiCrypt runs are skipped).
import { execFileSync, spawnSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readdirSync, readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const repo = path.resolve(here, '..');
const require = createRequire(path.join(repo, 'tests', 'browser', 'package.json'));
const { chromium } = require('playwright-core');
const cli = process.env.WENDLOCK_CLI || path.join(repo, 'build', 'bin', 'wendlock-cli');
const staticrypt = path.join(here, 'peers', 'node_modules', '.bin', 'staticrypt');
const rounds = Math.max(1, Number(process.argv[2]) || 5);
const ITER = 600000;
const SALT = '00112233445566778899aabbccddeeff';
const PASSWORD = 'correct horse battery staple 42';
const NODE_API = '/usr/share/doc/nodejs/api';

// Documentation package as bench data, only when apt removes nothing for it
// (nodejs-doc conflicts with Node.js builds from outside Debian).
function installDocPackage(pkg) {
  if (process.getuid?.() !== 0) return false;
  const sim = spawnSync('apt-get', ['-s', 'install', '--no-install-recommends', pkg], { encoding: 'utf8' });
  if (sim.status !== 0) return false;
  if (/^Remv /m.test(sim.stdout)) {
    console.log(`note: not installing ${pkg}: apt would remove ${sim.stdout.match(/^Remv \S+/gm).join(', ')}`);
    return false;
  }
  return spawnSync('apt-get', ['install', '-y', '-qq', '--no-install-recommends', pkg], {
    env: { ...process.env, DEBIAN_FRONTEND: 'noninteractive' },
  }).status === 0;
}

function docBodies() {
  if (!existsSync(NODE_API)) {
    console.log('Node.js API docs missing; trying nodejs-doc as bench data');
    installDocPackage('nodejs-doc');
  }
  const bodies = [];
  if (existsSync(NODE_API)) {
    for (const name of readdirSync(NODE_API).filter((n) => n.endsWith('.html') && n !== 'all.html').sort()) {
      const html = readFileSync(path.join(NODE_API, name), 'utf8');
      const m = /<body[^>]*>([\s\S]*)<\/body>/i.exec(html);
      if (m) bodies.push(m[1].replace(/<script[\s\S]*?<\/script>/gi, ''));
    }
  }
  if (bodies.length) return { source: 'Node.js API docs', bodies };
  console.log('note: no Node.js API docs; using a generated doc-like page');
  const words = 'callback buffer stream returns the emitter options encoding promise resolves event listener'.split(' ');
  let seed = 7;
  const rnd = (n) => ((seed = (seed * 1103515245 + 12345) % 2147483648) % n);
  const generated = [];
  for (let i = 0; i < 400; i++) {
    let s = `<section><h2 id="api_${i}">module.fn${i}(options)</h2>`;
    for (let j = 0; j < 40; j++) {
      s += `<p>${Array.from({ length: 20 }, () => words[rnd(words.length)]).join(' ')}</p>`;
      if (j % 8 === 0) s += `<pre><code class="language-js">const x${j} = require('m${i}');\nx${j}.run({ a: ${j} });</code></pre>`;
    }
    generated.push(s + '</section>');
  }
  return { source: 'generated doc-like page', bodies: generated };
}

function makePage(file, megabytes, bodies) {
  const target = megabytes * 1024 * 1024;
  const parts = [];
  let size = 0;
  for (let i = 0; size < target; i++) {
    const b = bodies[i % bodies.length];
    parts.push(b);
    size += Buffer.byteLength(b);
  }
  writeFileSync(
    file,
    '<!DOCTYPE html>\n<html lang="en"><head><meta charset="utf-8"><title>Node.js API</title></head>\n<body>\n' +
      '<h1 id="wl-first">API</h1>\n' + parts.join('\n') + '\n<p id="wl-last">The end</p>\n</body></html>\n',
  );
  return statSync(file).size;
}

function protectWendlock(file, cipher, extra = []) {
  execFileSync(cli, ['protect', '--no-backup', '--password', PASSWORD, '--set', `cipher=${cipher}`,
    '--set', `kdfIterations=${ITER}`, '--set', `salt=${SALT}`, '--set', 'loginExpire=0', ...extra, file], { stdio: 'pipe' });
}

function protectStaticrypt(file, outDir) {
  execFileSync(staticrypt, [file, '-p', PASSWORD, '-d', outDir], { cwd: path.dirname(outDir), stdio: 'pipe' });
}

function serve(dir) {
  const server = createServer((req, res) => {
    try {
      const file = path.join(dir, decodeURIComponent(new URL(req.url, 'http://x').pathname));
      const data = readFileSync(file);
      res.writeHead(200, { 'Content-Type': 'text/html', 'Content-Length': data.length, 'Cache-Control': 'no-store' });
      res.end(data);
    } catch {
      res.writeHead(404);
      res.end();
    }
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// Runs in every page before its own scripts: notes when PBKDF2 starts and
// ends, through WebCrypto or in a Worker, so that the time after the key is
// known can be told apart from the derivation.
function timingHooks() {
  const log = (window.__wlTimes = window.__wlTimes || {});
  const subtle = window.crypto && window.crypto.subtle;
  if (subtle) {
    const proto = Object.getPrototypeOf(subtle);
    const deriveBits = proto.deriveBits;
    proto.deriveBits = function (algorithm, ...rest) {
      const pbkdf2 = algorithm && /pbkdf2/i.test(algorithm.name || algorithm);
      if (pbkdf2) log.deriveStart = performance.now();
      const p = deriveBits.call(this, algorithm, ...rest);
      if (pbkdf2) p.then(() => { log.deriveEnd = performance.now(); }, () => {});
      return p;
    };
    const deriveKey = proto.deriveKey;
    proto.deriveKey = function (algorithm, ...rest) {
      const pbkdf2 = algorithm && /pbkdf2/i.test(algorithm.name || algorithm);
      if (pbkdf2) log.deriveStart = performance.now();
      const p = deriveKey.call(this, algorithm, ...rest);
      if (pbkdf2) p.then(() => { log.deriveEnd = performance.now(); }, () => {});
      return p;
    };
  }
  const NativeWorker = window.Worker;
  if (NativeWorker) {
    window.Worker = class extends NativeWorker {
      constructor(...args) {
        super(...args);
        this.addEventListener('message', () => { if (log.workerStart && !log.workerEnd) log.workerEnd = performance.now(); });
      }
      postMessage(...args) {
        if (!log.workerStart) log.workerStart = performance.now();
        return super.postMessage(...args);
      }
    };
  }
}

async function openAndSubmit(browser, url, { wantLast = true, timeout = 60000 } = {}) {
  const context = await browser.newContext();
  await context.addInitScript(timingHooks);
  const page = await context.newPage();
  let crashed = false;
  page.on('crash', () => { crashed = true; });
  page.on('dialog', (d) => d.dismiss().catch(() => {}));
  try {
    await page.goto(url, { timeout: 120000 });
    const field = page.locator('input[type=password]').first();
    await field.waitFor({ timeout: 120000 });
    await field.fill(PASSWORD);
    // The first and last elements count as shown at the first animation
    // frame (the moment before a paint) in which they exist. That frame's
    // layout can still be ahead: `painted` is the next frame, when the
    // whole page has been laid out and painted once.
    await page.evaluate(() => {
      const t = window.__wlTimes;
      t.submit = performance.now();
      const tick = () => {
        const now = performance.now();
        if (t.last) {
          t.painted = now;
          return;
        }
        if (!t.first && document.getElementById('wl-first')) t.first = now;
        if (document.getElementById('wl-last')) t.last = now;
        requestAnimationFrame(tick);
      };
      requestAnimationFrame(tick);
    });
    const start = Date.now();
    await field.press('Enter');
    await page.waitForSelector(wantLast ? '#wl-last' : '#wl-first', { state: 'attached', timeout });
    const wallMs = Date.now() - start;
    if (wantLast) await page.waitForFunction(() => window.__wlTimes.painted, null, { timeout }).catch(() => {});
    else await page.waitForTimeout(50);
    const t = await page.evaluate(() => ({ ...window.__wlTimes, secure: window.isSecureContext, subtle: typeof crypto.subtle }))
      .catch(() => ({}));
    const rel = (x) => (typeof x === 'number' ? (x - t.submit) / 1000 : NaN);
    const deriveEnd = t.deriveEnd ?? t.workerEnd;
    const deriveStart = t.deriveStart ?? t.workerStart;
    return {
      ok: true,
      crashed,
      wall: wallMs / 1000,
      last: Number.isFinite(rel(t.last)) ? rel(t.last) : wallMs / 1000,
      first: rel(t.first),
      painted: rel(t.painted),
      derive: typeof deriveEnd === 'number' ? (deriveEnd - deriveStart) / 1000 : NaN,
      afterKey: typeof deriveEnd === 'number' && typeof t.first === 'number' ? (t.first - deriveEnd) / 1000 : NaN,
      worker: typeof t.workerEnd === 'number',
      secure: t.secure,
      subtle: t.subtle,
    };
  } catch (error) {
    return { ok: false, crashed, error: String(error).split('\n')[0] };
  } finally {
    await context.close().catch(() => {});
  }
}

const median = (xs) => {
  const v = xs.filter(Number.isFinite).sort((a, b) => a - b);
  if (!v.length) return NaN;
  return v.length % 2 ? v[(v.length - 1) / 2] : (v[v.length / 2 - 1] + v[v.length / 2]) / 2;
};
const f = (x, d = 3) => (Number.isFinite(x) ? x.toFixed(d) : 'n/a');

const dir = mkdtempSync(path.join(existsSync('/dev/shm') ? '/dev/shm' : tmpdir(), 'wendlock-unlock-bench-'));
const server = await serve(dir);
const port = server.address().port;
const base = `http://127.0.0.1:${port}/`;
const insecureBase = `http://wendlock.test:${port}/`;
const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
    '--disable-sync', '--no-first-run', '--host-resolver-rules=MAP wendlock.test 127.0.0.1'],
});
const summary = [];
try {
  const { source, bodies } = docBodies();
  const plain = path.join(dir, 'plain5.html');
  const plainBytes = makePage(plain, 5, bodies);
  console.log(`page: ${source}, ${(plainBytes / 1048576).toFixed(1)} MB; password of ${PASSWORD.length} characters; ` +
    `Wendlock ${ITER} iterations; ${rounds} alternating rounds`);

  const kinds = [];
  writeFileSync(path.join(dir, 'strong5.html'), readFileSync(plain));
  protectWendlock(path.join(dir, 'strong5.html'), 1);
  kinds.push({ name: 'Wendlock strong', url: base + 'strong5.html' });
  writeFileSync(path.join(dir, 'classic5.html'), readFileSync(plain));
  protectWendlock(path.join(dir, 'classic5.html'), 0);
  kinds.push({ name: 'Wendlock classic', url: base + 'classic5.html' });
  let staticryptNote = '';
  if (existsSync(staticrypt)) {
    const version = execFileSync(staticrypt, ['--version'], { encoding: 'utf8' }).trim();
    mkdirSync(path.join(dir, 'sc'), { recursive: true });
    protectStaticrypt(plain, path.join(dir, 'sc', 'out'));
    kinds.push({ name: `StatiCrypt ${version}`, url: base + 'sc/out/plain5.html' });
  } else {
    staticryptNote = 'StatiCrypt not installed (npm ci --prefix bench/peers)';
    console.log(`note: ${staticryptNote}`);
  }
  for (const k of kinds) {
    const file = path.join(dir, new URL(k.url).pathname);
    console.log(`  ${k.name}: ${(statSync(file).size / 1048576).toFixed(1)} MB protected`);
    k.runs = [];
  }

  // Warm the browser once so the first measured run does not pay for it.
  await openAndSubmit(browser, kinds[0].url);
  for (let r = 0; r < rounds; r++) {
    const order = kinds.map((_, i) => kinds[(i + r) % kinds.length]);
    const parts = [];
    for (const k of order) {
      const res = await openAndSubmit(browser, k.url);
      k.runs.push(res);
      parts.push(res.ok ? `${k.name} ${f(res.last, 2)} s` : `${k.name} failed (${res.error})`);
    }
    console.log(`round ${r + 1}: ${parts.join('; ')}`);
  }
  const med = {};
  for (const k of kinds) {
    const ok = k.runs.filter((x) => x.ok);
    med[k.name] = {
      last: median(ok.map((x) => x.last)),
      derive: median(ok.map((x) => x.derive)),
      afterKey: median(ok.map((x) => x.afterKey)),
      first: median(ok.map((x) => x.first)),
      painted: median(ok.map((x) => x.painted)),
    };
    console.log(`${k.name}: submit -> last element median ${f(med[k.name].last)} s ` +
      `(PBKDF2 ${f(med[k.name].derive)} s, first element ${f(med[k.name].first)} s, ` +
      `first element after the key ${f(med[k.name].afterKey)} s, whole page painted ${f(med[k.name].painted)} s; ` +
      `${ok.length}/${k.runs.length} runs ok)`);
  }
  const peer = kinds.find((k) => k.name.startsWith('StatiCrypt'));
  // Paired ratio: each round's Wendlock time over the same round's peer time.
  const pairedRatio = (k, key = 'last') =>
    peer ? median(k.runs.map((x, i) => (x.ok && peer.runs[i].ok ? x[key] / peer.runs[i][key] : NaN))) : NaN;
  const strong = kinds[0];
  const classic = kinds[1];
  summary.push(['5 MB submit -> last element, strong (median)', `${f(med[strong.name].last)} s`, peer ? `${peer.name} ${f(med[peer.name].last)} s` : staticryptNote]);
  summary.push(['5 MB submit -> last element, classic (median)', `${f(med[classic.name].last)} s`, peer ? `${peer.name} ${f(med[peer.name].last)} s` : staticryptNote]);
  summary.push(['ratio strong / StatiCrypt (paired median)', f(pairedRatio(strong)), '<= 0.7']);
  summary.push(['ratio classic / StatiCrypt (paired median)', f(pairedRatio(classic)), '-']);
  summary.push(['ratio strong / StatiCrypt, whole page painted', f(pairedRatio(strong, 'painted')), '-']);
  summary.push(['ratio classic / StatiCrypt, whole page painted', f(pairedRatio(classic, 'painted')), '-']);
  summary.push(['PBKDF2 in the page, strong (WebCrypto, median)', `${f(med[strong.name].derive)} s`, '-']);
  summary.push(['first paint after the key, strong 5 MB (median)', `${f(med[strong.name].afterKey)} s`, '<= 0.3 s']);

  // 50 MB pages: one run each; the tab must not crash.
  const plain50 = path.join(dir, 'plain50.html');
  makePage(plain50, 50, bodies);
  for (const [label, cipher] of [['strong', 1], ['classic', 0]]) {
    const name = `${label}50.html`;
    writeFileSync(path.join(dir, name), readFileSync(plain50));
    protectWendlock(path.join(dir, name), cipher);
    const res = await openAndSubmit(browser, base + name, { timeout: 180000 });
    const size = statSync(path.join(dir, name)).size / 1048576;
    const shown = res.ok
      ? `${f(res.last, 2)} s (first element ${f(res.first, 2)} s, painted ${f(res.painted, 2)} s)${res.crashed ? ' (tab crashed)' : ''}`
      : `failed: ${res.error}${res.crashed ? ' (tab crashed)' : ''}`;
    console.log(`50 MB ${label} (${size.toFixed(1)} MB protected): submit -> last element ${shown}`);
    summary.push([`50 MB submit -> last element, ${label}`, shown, '<= 12 s, no crash']);
    rmSync(path.join(dir, name), { force: true });
  }

  // Non-secure origin: no crypto.subtle, so the built-in primitives derive.
  const small = path.join(dir, 'small.html');
  writeFileSync(small, '<!DOCTYPE html><html><head><meta charset="utf-8"><title>small</title></head><body>' +
    '<h1 id="wl-first">API</h1>' + bodies[0].slice(0, 20000) + '<p id="wl-last">end</p></body></html>\n');
  protectWendlock(small, 1);
  const pure = [];
  for (let r = 0; r < 3; r++) {
    const res = await openAndSubmit(browser, insecureBase + 'small.html');
    pure.push(res);
    console.log(`pure JS run ${r + 1}: ` + (res.ok
      ? `secure context ${res.secure}, crypto.subtle ${res.subtle}, ${res.worker ? 'in a Worker' : 'on the main thread'}: ` +
        `PBKDF2 ${f(res.derive)} s, submit -> page ${f(res.last)} s`
      : `failed: ${res.error}`));
  }
  const pureOk = pure.filter((x) => x.ok && x.subtle === 'undefined');
  const pureDerive = median(pureOk.map((x) => (Number.isFinite(x.derive) ? x.derive : x.last)));
  summary.push([`pure-JS PBKDF2, ${ITER} it., non-secure origin (median)`,
    pureOk.length ? `${f(pureDerive)} s` : 'n/a (crypto.subtle was defined or runs failed)', '<= 1 s']);
  summary.push(['pure-JS submit -> small page shown (median)', `${f(median(pureOk.map((x) => x.last)))} s`, '-']);
} finally {
  await browser.close();
  server.close();
  rmSync(dir, { recursive: true, force: true });
}

console.log('\n== strong_unlock summary ==');
const w = [52, 24];
console.log('figure'.padEnd(w[0]) + ' ' + 'measured'.padEnd(w[1]) + ' target / peer');
for (const [a, b, c] of summary) console.log(a.padEnd(w[0]) + ' ' + String(b).padEnd(w[1]) + ' ' + c);
