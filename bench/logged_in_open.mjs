// How long a visitor who is already logged in waits for a protected page,
// next to the same page unprotected, in headless Chromium: the same pages
// from the same local server, each open with a cold HTTP cache, the median
// of RUNS opens. Three heads: plain, a style sheet that answers after
// 300 ms, and a web font whose request never gets an answer. The time is
// the page's own DOMContentLoaded (performance.now(), from the start of
// the navigation). Target: at most 1.3 x unprotected or +50 ms, whichever
// is larger.
// Then the whole site (protectAssets, served by the site's service worker
// after login) against the same site unprotected: in a tab that shows the
// first page, the navigation to a second page, from its start to that
// page's DOMContentLoaded, with a cold HTTP cache. Target: at most 1.10 x
// unprotected. Prints figures; never fails on speed.
//   node bench/logged_in_open.mjs [RUNS]      (default 30)
// Needs a build (build/bin/wendlock-cli or WENDLOCK_CLI) and the browser
// test packages (npm ci --prefix tests/browser).
import { execFileSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
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
const RUNS = Number(process.argv[2]) > 0 ? Number(process.argv[2]) : 30;
const PASSWORD = 'bench pass';
const SLOW_MS = 300;

const HEADS = {
  plain: '',
  'slow style sheet': '<link rel="stylesheet" href="/static/slow.css">',
  'failing web font':
    '<link rel="preload" href="/hang/font.woff2" as="font" type="font/woff2" crossorigin>\n' +
    '<style>@font-face { font-family: Docs; src: url(/hang/font.woff2) format("woff2"); } h1 { font-family: Docs, serif; }</style>',
};

function page(title, extraHead) {
  const sections = [];
  for (let i = 1; i <= 80; i++) {
    sections.push(`<h2 id="s${i}">Section ${i}</h2>\n<p>${'Lorem ipsum dolor sit amet, consectetur adipiscing. '.repeat(8)}</p>`);
  }
  return `<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>${title}</title>
<link rel="stylesheet" href="/static/docs.css">
${extraHead}
<script>const theme = localStorage.getItem('theme') || 'light'; document.documentElement.dataset.theme = theme;</script>
<script defer src="/static/app.js"></script>
</head><body>
<script>document.addEventListener('DOMContentLoaded', () => { window.__readyAt = performance.now(); });</script>
<nav id="sidebar"></nav><main><h1>${title}</h1>
${sections.join('\n')}
</main></body></html>
`;
}

const dir = mkdtempSync(path.join(tmpdir(), 'wendlock-bench-'));
const hanging = new Set();
const server = createServer((req, res) => {
  const urlPath = decodeURIComponent(new URL(req.url, 'http://x').pathname);
  if (urlPath.startsWith('/hang/')) {
    hanging.add(res); // never answered: an unreachable font host
    return;
  }
  let data;
  try {
    data = readFileSync(path.join(dir, urlPath));
  } catch {
    res.writeHead(404);
    res.end();
    return;
  }
  const type = urlPath.endsWith('.css') ? 'text/css' : urlPath.endsWith('.js') ? 'text/javascript' : 'text/html';
  // Assets may be cached, as static hosts allow; pages are asked for anew.
  const cache = type === 'text/html' ? 'no-cache' : 'max-age=3600';
  const send = () => {
    res.writeHead(200, { 'Content-Type': type, 'Content-Length': data.length, 'Cache-Control': cache });
    res.end(data);
  };
  if (urlPath === '/static/slow.css') setTimeout(send, SLOW_MS);
  else send();
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const base = `http://127.0.0.1:${server.address().port}`;

mkdirSync(path.join(dir, 'static'));
writeFileSync(path.join(dir, 'static', 'docs.css'), 'body { font-family: sans-serif; margin: 2em; }\n');
writeFileSync(path.join(dir, 'static', 'slow.css'), 'main { line-height: 1.5; }\n');
writeFileSync(
  path.join(dir, 'static', 'app.js'),
  'for (const h of document.querySelectorAll("main h2")) { const a = document.createElement("a"); a.textContent = h.textContent; a.href = "#" + h.id; document.getElementById("sidebar").append(a); }\n',
);
const FORMATS = { unprotected: null, classic: 0, strong: 1 };
for (const [format, cipher] of Object.entries(FORMATS)) {
  mkdirSync(path.join(dir, format));
  const files = [];
  Object.entries(HEADS).forEach(([name, head], i) => {
    const file = path.join(dir, format, `p${i}.html`);
    writeFileSync(file, page(name, head));
    files.push(file);
  });
  if (cipher !== null) {
    const args = ['protect', '--no-backup', '--password', PASSWORD, '--set', `cipher=${cipher}`, '--set', 'loginExpire=1'];
    if (cipher === 1) args.push('--set', 'kdfIterations=100000');
    execFileSync(cli, [...args, ...files]);
  }
}

// A site whose style sheet, script and pages all lie under its own folder,
// as a whole-site run needs them: once unprotected, once protected whole.
const SITE_FORMATS = { plain: false, whole: true };
for (const [format, whole] of Object.entries(SITE_FORMATS)) {
  const root = path.join(dir, `site-${format}`);
  mkdirSync(path.join(root, 'static'), { recursive: true });
  writeFileSync(path.join(root, 'static', 'docs.css'), readFileSync(path.join(dir, 'static', 'docs.css')));
  writeFileSync(path.join(root, 'static', 'app.js'), readFileSync(path.join(dir, 'static', 'app.js')));
  const files = [0, 1].map((i) => {
    const file = path.join(root, `n${i}.html`);
    writeFileSync(file, page(`page ${i}`, '').replaceAll('/static/', 'static/'));
    return file;
  });
  if (whole) {
    execFileSync(cli, ['protect', '--no-backup', '--password', PASSWORD, '--set', 'cipher=1', '--set', 'loginExpire=1',
      '--set', 'kdfIterations=100000', '--set', 'protectAssets=1', ...files]);
  }
}

const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
    '--disable-sync', '--no-first-run'],
});

const median = (list) => {
  const s = [...list].sort((a, b) => a - b);
  return s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
};

async function openTimes(context, url) {
  const times = [];
  const setup = await context.newPage();
  const cdp = await context.newCDPSession(setup);
  for (let i = 0; i < RUNS; i++) {
    await cdp.send('Network.clearBrowserCache');
    const tab = await context.newPage();
    await tab.goto(url, { waitUntil: 'commit' });
    await tab.waitForFunction(() => typeof window.__readyAt === 'number', null, { timeout: 20000, polling: 20 });
    times.push(await tab.evaluate(() => window.__readyAt));
    await tab.close();
  }
  await setup.close();
  return times;
}

try {
  console.log(`logged-in open vs unprotected, median of ${RUNS} (ms, to the page's DOMContentLoaded)`);
  console.log('head                 unprotected  classic  strong   target   verdict');
  const contexts = {};
  for (const [format, cipher] of Object.entries(FORMATS)) {
    contexts[format] = await browser.newContext();
    if (cipher !== null) {
      // Log in once; the session's login opens every later page.
      const tab = await contexts[format].newPage();
      await tab.goto(`${base}/${format}/p0.html`);
      await tab.waitForFunction(() => {
        const f = document.getElementById('vxpform');
        return f && typeof f.onsubmit === 'function' && f.onsubmit.name !== 'onsubmit';
      });
      await tab.fill('#vxppass', PASSWORD);
      await tab.press('#vxppass', 'Enter');
      await tab.waitForFunction(() => typeof window.__readyAt === 'number', null, { timeout: 20000 });
      await tab.close();
    }
  }
  let index = 0;
  for (const name of Object.keys(HEADS)) {
    const row = {};
    for (const format of Object.keys(FORMATS)) {
      row[format] = median(await openTimes(contexts[format], `${base}/${format}/p${index}.html`));
    }
    const target = Math.max(row.unprotected * 1.3, row.unprotected + 50);
    const verdict = row.classic <= target && row.strong <= target ? 'within' : 'OVER';
    console.log(
      `${name.padEnd(20)} ${row.unprotected.toFixed(1).padStart(11)} ${row.classic.toFixed(1).padStart(8)} ` +
        `${row.strong.toFixed(1).padStart(7)} ${target.toFixed(1).padStart(8)}   ${verdict}`,
    );
    index++;
  }

  // The second page of a site, reached from its first page in the same tab;
  // the two sites in turn, run by run, so that a machine whose speed
  // drifts slows both alike.
  console.log(`\nwhole site: navigation to a second page, median of ${RUNS} (ms, to its DOMContentLoaded)`);
  const tabs = {};
  for (const [format, whole] of Object.entries(SITE_FORMATS)) {
    const context = await browser.newContext();
    const tab = await context.newPage();
    tabs[format] = { context, tab, cdp: await context.newCDPSession(tab), times: [] };
    await tab.goto(`${base}/site-${format}/n0.html`);
    if (whole) {
      await tab.waitForFunction(() => {
        const f = document.getElementById('vxpform');
        return f && typeof f.onsubmit === 'function' && f.onsubmit.name !== 'onsubmit';
      });
      await tab.fill('#vxppass', PASSWORD);
      await tab.press('#vxppass', 'Enter');
      // The page loads again, answered by the worker with the original.
      await tab.waitForFunction(() => navigator.serviceWorker.controller && typeof window.__readyAt === 'number' &&
        !document.getElementById('vxpform'), null, { timeout: 20000 });
    }
  }
  for (let i = 0; i < RUNS; i++) {
    for (const [format, { tab, cdp, times }] of Object.entries(tabs)) {
      await tab.goto(`${base}/site-${format}/n0.html`);
      await tab.waitForFunction(() => typeof window.__readyAt === 'number', null, { timeout: 20000, polling: 20 });
      await cdp.send('Network.clearBrowserCache');
      await tab.goto(`${base}/site-${format}/n1.html`, { waitUntil: 'commit' });
      await tab.waitForFunction(() => typeof window.__readyAt === 'number', null, { timeout: 20000, polling: 20 });
      const shown = await tab.evaluate(() => ({ at: window.__readyAt, login: !!document.getElementById('vxpform') }));
      if (shown.login) throw new Error(`${format}: the second page asked for the password`);
      times.push(shown.at);
    }
  }
  const navigation = {};
  for (const [format, { context, times }] of Object.entries(tabs)) {
    navigation[format] = median(times);
    await context.close();
  }
  const ratio = navigation.whole / navigation.plain;
  console.log('unprotected  whole site  ratio   target   verdict');
  console.log(`${navigation.plain.toFixed(1).padStart(11)} ${navigation.whole.toFixed(1).padStart(11)} ` +
    `${ratio.toFixed(2).padStart(6)}x ${'1.10x'.padStart(8)}   ${ratio <= 1.1 ? 'within' : 'OVER'}`);
} finally {
  await browser.close();
  for (const res of hanging) res.destroy();
  server.closeAllConnections();
  server.close();
  rmSync(dir, { recursive: true, force: true });
}
