// Shared pieces of the browser tests: protecting pages with wendlock-cli in
// a fresh folder, serving folders over HTTP on the loopback address, and
// driving the protected pages in headless Chromium.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';

const here = path.dirname(fileURLToPath(import.meta.url));
const repo = path.resolve(here, '..', '..');

// ctest hands over the freshly built binary; run by hand, the default build
// folder is tried.
export function cliPath() {
  const fromEnv = process.env.WENDLOCK_CLI;
  const candidate = fromEnv || path.join(repo, 'build', 'bin', 'wendlock-cli');
  if (!existsSync(candidate)) {
    throw new Error(`wendlock-cli not found at ${candidate}; set WENDLOCK_CLI to the built binary`);
  }
  return candidate;
}

export function templatePath(mode, name = 'Classic') {
  const folder = mode === 'multi' ? 'MultiUsers' : 'SinglePassword';
  return path.join(path.dirname(cliPath()), 'Templates', folder, `${name}.htm`);
}

// A fresh folder holding the given files (name -> string or Buffer; names
// may contain sub-folders). Strings are written as UTF-8.
export function makeSite(files = {}) {
  const dir = mkdtempSync(path.join(tmpdir(), 'wendlock-browser-'));
  addFiles(dir, files);
  return dir;
}

export function addFiles(dir, files) {
  for (const [name, content] of Object.entries(files)) {
    const target = path.join(dir, name);
    mkdirSync(path.dirname(target), { recursive: true });
    writeFileSync(target, content);
  }
}

export function removeSite(dir) {
  rmSync(dir, { recursive: true, force: true });
}

let csvCount = 0;

// Protects the given files or folders (relative to dir) and returns the
// command's output. options: password, or users (the text of a user list
// file); template (a path; the mode's Classic template by default);
// set: { key: value } for wendlock-cli's --set.
export function protect(dir, targets, options = {}) {
  const args = ['protect', '--no-backup'];
  let mode = 'single';
  if (options.users !== undefined) {
    const csv = path.join(dir, `.users-${++csvCount}.csv`);
    writeFileSync(csv, Buffer.from(options.users, 'latin1'));
    args.push('--users', csv);
    mode = 'multi';
  } else {
    args.push('--password', options.password ?? 'secret');
  }
  args.push('--template', options.template ?? templatePath(mode));
  // Every run states the login settings it relies on, so that a change of
  // the new-project defaults does not silently change what a test checks.
  const settings = { loginExpire: 0, refreshIE: 0, ...options.set };
  for (const [key, value] of Object.entries(settings)) {
    args.push('--set', `${key}=${value}`);
  }
  for (const target of [].concat(targets)) {
    args.push(path.join(dir, target));
  }
  const out = execFileSync(cliPath(), args, { encoding: 'utf8' });
  if (!/have been protected successfully/.test(out) || /failure/i.test(out)) {
    throw new Error(`protect did not succeed:\n${out}`);
  }
  return out;
}

const TYPES = { '.html': 'text/html', '.htm': 'text/html' };

// Serves a folder on 127.0.0.1 (a free port). No charset is sent, so that
// every page is read in the charset its own meta element names, as from a
// plain static web server.
export async function serve(dir) {
  const server = createServer((req, res) => {
    const urlPath = decodeURIComponent(new URL(req.url, 'http://127.0.0.1').pathname);
    const file = path.join(dir, path.normalize(urlPath).replace(/^([/\\])+/, ''));
    if (!file.startsWith(dir) || !existsSync(file) || !statSync(file).isFile()) {
      res.writeHead(404, { 'Content-Type': 'text/plain' });
      res.end('not found');
      return;
    }
    res.writeHead(200, {
      'Content-Type': TYPES[path.extname(file).toLowerCase()] ?? 'application/octet-stream',
      'Cache-Control': 'no-store',
    });
    res.end(readFileSync(file));
  });
  await new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(0, '127.0.0.1', resolve);
  });
  const origin = `http://127.0.0.1:${server.address().port}`;
  return {
    origin,
    url: (name) => `${origin}/${name}`,
    close: () =>
      new Promise((resolve) => {
        server.closeAllConnections();
        server.close(() => resolve());
      }),
  };
}

export function fileUrl(dir, name) {
  return pathToFileURL(path.join(dir, name)).href;
}

export const CHROMIUM_ARGS = [
  '--no-sandbox',
  '--disable-gpu',
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
  '--no-first-run',
];

export function launchBrowser() {
  return chromium.launch({ executablePath: '/usr/bin/chromium', args: CHROMIUM_ARGS, headless: true });
}

// Collects every dialog the page opens (and accepts it), so that a test can
// read what window.alert showed.
export function collectDialogs(page) {
  const messages = [];
  page.on('dialog', (dialog) => {
    messages.push(dialog.message());
    dialog.accept().catch(() => {});
  });
  return messages;
}

// The login form of the templates: #vxpuser (several users), #vxppass.
export async function isLoginForm(page) {
  return (await page.locator('#vxpform #vxppass').count()) === 1;
}

export async function submitLogin(page, password, user) {
  if (user !== undefined) {
    await page.fill('#vxpuser', user);
  }
  await page.fill('#vxppass', password);
  await page.press('#vxppass', 'Enter');
}

// Logs in and waits until the page's own content (selector) is shown.
export async function login(page, password, { user, expect = '#content' } = {}) {
  await submitLogin(page, password, user);
  await page.waitForSelector(expect, { state: 'attached', timeout: 5000 });
}

// Waits until the page has reacted to a wrong login: the error region of
// the template holds a text.
export async function waitForLoginError(page) {
  await page.waitForFunction(() => {
    const box = document.getElementById('vxperror');
    return box !== null && box.textContent !== '';
  });
}

// Opens a URL that is expected to leave for about:blank while it loads; the
// navigation that goto waits for is then interrupted by the replacement.
export async function gotoAndSettle(page, url) {
  try {
    await page.goto(url);
  } catch (error) {
    if (!/interrupted|ERR_ABORTED|frame was detached/i.test(String(error))) {
      throw error;
    }
  }
}

export async function bodyText(page) {
  return page.evaluate(() => document.body.innerText);
}

// A small page with CR LF line ends, as saved by a Windows editor.
export function htmlPage({ title, body, head = '', charset = 'utf-8' }) {
  return [
    '<!DOCTYPE html>',
    '<html lang="en">',
    '<head>',
    `<meta charset="${charset}">`,
    `<title>${title}</title>`,
    head,
    '</head>',
    '<body>',
    body,
    '</body>',
    '</html>',
    '',
  ].join('\r\n');
}

// The title a login-page template gives its own head.
export function templateTitle(file) {
  const match = /<title>([^<]*)<\/title>/i.exec(readFileSync(file, 'latin1'));
  if (!match) {
    throw new Error(`${file} has no title`);
  }
  return match[1];
}

// Runs action and returns the message of the dialog it opens. The dialog
// is accepted by the collector that collectDialogs installed.
export async function alertFrom(page, action) {
  const [dialog] = await Promise.all([page.waitForEvent('dialog', { timeout: 5000 }), action()]);
  return dialog.message();
}

// A wrong login: the alert, the login form stays and the page's content
// does not appear.
export async function expectRejected(page, password, user) {
  const message = await alertFrom(page, () => submitLogin(page, password, user));
  assert.ok(await isLoginForm(page), `the login form stays after ${user ?? ''}/${password}`);
  assert.equal(await page.locator('#content').count(), 0, `no content after ${user ?? ''}/${password}`);
  return message;
}

// A fresh browser context whose waits fail within seconds, not the
// library's half minute, so that a broken page fails the test quickly.
export async function newContext(browser, options = {}) {
  const context = await browser.newContext(options);
  context.setDefaultTimeout(8000);
  return context;
}
