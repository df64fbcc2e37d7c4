// Time from submitting the password to the shown page, in headless
// Chromium, for large protected pages. Prints figures; never fails on speed.
//   node bench/browser_open.mjs [SIZES_MB...]      (default: 5 50)
// Needs a build (build/bin/wendlock-cli or WENDLOCK_CLI) and the browser
// test packages (npm ci --prefix tests/browser).
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';
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
const sizes = process.argv.slice(2).map(Number).filter((n) => n > 0);

function makePage(file, megabytes) {
  const line = '<p>Members only: the quick brown fox jumps over the lazy dog, caf\u00e9 \u00e0 la cr\u00e8me.</p>\n';
  const count = Math.ceil((megabytes * 1024 * 1024) / Buffer.byteLength(line));
  const body = line.repeat(count);
  writeFileSync(file, `<!DOCTYPE html>\n<html><head><meta charset="utf-8"><title>Big page</title></head>\n<body>\n<h1 id="top">Top</h1>\n${body}<p id="end">The end</p>\n</body></html>\n`);
}

function serve(dir) {
  const server = createServer((req, res) => {
    try {
      const file = path.join(dir, decodeURIComponent(new URL(req.url, 'http://x').pathname));
      const data = readFileSync(file);
      res.writeHead(200, { 'Content-Type': 'text/html', 'Content-Length': data.length });
      res.end(data);
    } catch {
      res.writeHead(404);
      res.end();
    }
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

const dir = mkdtempSync(path.join(tmpdir(), 'wendlock-bench-'));
const server = await serve(dir);
const base = `http://127.0.0.1:${server.address().port}/`;
const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
    '--disable-sync', '--no-first-run'],
});
try {
  for (const mb of sizes.length ? sizes : [5, 50]) {
    const name = `big${mb}.html`;
    makePage(path.join(dir, name), mb);
    const plainBytes = statSync(path.join(dir, name)).size;
    execFileSync(cli, ['protect', '--no-backup', '--password', 'bench', '--set', 'loginExpire=0', path.join(dir, name)]);
    const protectedBytes = statSync(path.join(dir, name)).size;
    const context = await browser.newContext();
    const page = await context.newPage();
    let crashed = false;
    page.on('crash', () => { crashed = true; });
    const loadStart = Date.now();
    await page.goto(base + name, { timeout: 120000 });
    await page.waitForSelector('#vxppass', { timeout: 120000 });
    const loadMs = Date.now() - loadStart;
    await page.fill('#vxppass', 'bench');
    // The page counts as shown at the first animation frame (the moment
    // before a paint) in which its first heading exists.
    await page.evaluate(() => {
      window.__submitAt = performance.now();
      const tick = () => {
        if (document.getElementById('top')) {
          window.__shownAt = performance.now();
        } else {
          requestAnimationFrame(tick);
        }
      };
      requestAnimationFrame(tick);
    });
    const start = Date.now();
    await page.press('#vxppass', 'Enter');
    await page.waitForSelector('#end', { state: 'attached', timeout: 300000 });
    const completeMs = Date.now() - start;
    const shownMs = await page.evaluate(() => (window.__shownAt ?? NaN) - window.__submitAt);
    console.log(`${mb} MB page (${(protectedBytes / 1048576).toFixed(1)} MB protected): login page ready in ` +
      `${(loadMs / 1000).toFixed(2)} s; submit to shown page ${(shownMs / 1000).toFixed(2)} s, ` +
      `whole page parsed ${(completeMs / 1000).toFixed(2)} s` +
      `${crashed ? ' (tab crashed)' : ''}  [targets: 5 MB within 1.2 s, 50 MB within 12 s]`);
    await context.close();
    rmSync(path.join(dir, name), { force: true });
    void plainBytes;
  }
} finally {
  await browser.close();
  server.close();
  rmSync(dir, { recursive: true, force: true });
}
