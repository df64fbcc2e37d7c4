// Shared pieces of the browser tests: protecting pages with wendlock-cli in
// a fresh folder, serving folders over HTTP on the loopback address, and
// driving the protected pages in headless Chromium.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { createHash } from 'node:crypto';
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

// The page format every test protects with, unless it names one itself:
// WENDLOCK_TEST_CIPHER=0 (classic) or 1 (strong, the default). ctest runs
// the suite once for each.
export const CIPHER = String(process.env.WENDLOCK_TEST_CIPHER ?? '1');
if (CIPHER !== '0' && CIPHER !== '1') {
  throw new Error(`WENDLOCK_TEST_CIPHER must be 0 or 1, not ${CIPHER}`);
}
export const STRONG = CIPHER === '1';
export const FORMAT_NAME = STRONG ? 'strong' : 'classic';

// The lowest iteration count the strong format allows keeps the tests fast.
export const TEST_ITERATIONS = 100000;

// One salt per site folder, as a project keeps it: every page a test
// protects under one folder shares a login, whatever the number of runs.
export function siteSalt(dir) {
  return createHash('sha256').update(`wendlock test salt\0${path.resolve(dir)}`).digest('hex').slice(0, 32);
}

// The format settings of a run in dir: the format of the environment, or
// the one set names; for the strong format the test iteration count and
// the folder's salt unless set names its own.
export function formatSettings(dir, set = {}) {
  const cipher = Number(set.cipher ?? CIPHER);
  const out = { cipher };
  if (cipher === 1) {
    out.kdfIterations = TEST_ITERATIONS;
    out.salt = siteSalt(dir);
  }
  return { ...out, ...set };
}

let csvCount = 0;

// Protects the given files or folders (relative to dir) and returns the
// command's output. options: password, or users (the text of a user list
// file); template (a path; the mode's Classic template by default);
// output: the folder to write the protected site to;
// set: { key: value } for wendlock-cli's --set (cipher, kdfIterations
// and salt there override the format of the environment and the folder's
// salt; a null value leaves the CLI's default).
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
  const settings = { loginExpire: 0, refreshIE: 0, ...formatSettings(dir, options.set) };
  for (const [key, value] of Object.entries(settings)) {
    if (value === null || value === undefined) {
      continue; // null: leave the CLI's own default
    }
    args.push('--set', `${key}=${value}`);
  }
  // output: a folder the protected site is written to (the sources stay).
  if (options.output) {
    args.push('--output', options.output);
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

const TYPES = {
  '.html': 'text/html',
  '.htm': 'text/html',
  '.js': 'text/javascript',
  '.mjs': 'text/javascript',
  '.css': 'text/css',
  '.svg': 'image/svg+xml',
};

// Serves a folder on 127.0.0.1 (a free port). No charset is sent, so that
// every page is read in the charset its own meta element names, as from a
// plain static web server.
// requests(name) tells how often a file was asked for since
// resetRequests().
export async function serve(dir) {
  const counts = new Map();
  const server = createServer((req, res) => {
    const urlPath = decodeURIComponent(new URL(req.url, 'http://127.0.0.1').pathname);
    counts.set(urlPath, (counts.get(urlPath) ?? 0) + 1);
    const file = path.join(dir, path.normalize(urlPath).replace(/^([/\\])+/, ''));
    if (!file.startsWith(dir) || !existsSync(file) || !statSync(file).isFile()) {
      res.writeHead(404, { 'Content-Type': 'text/plain' });
      res.end('not found');
      return;
    }
    const type = TYPES[path.extname(file).toLowerCase()] ?? 'application/octet-stream';
    const body = readFileSync(file);
    // Byte ranges, as static servers answer them: media elements and the
    // service worker ask for parts of large files.
    const range = /^bytes=(\d*)-(\d*)$/.exec(req.headers.range ?? '');
    if (range && (range[1] !== '' || range[2] !== '')) {
      const from = range[1] === '' ? Math.max(0, body.length - Number(range[2])) : Number(range[1]);
      const to = range[1] === '' || range[2] === '' ? body.length - 1 : Math.min(Number(range[2]), body.length - 1);
      if (from > to) {
        res.writeHead(416, { 'Content-Range': `bytes */${body.length}` });
        res.end();
        return;
      }
      counts.set(`range:${urlPath}`, (counts.get(`range:${urlPath}`) ?? 0) + 1);
      res.writeHead(206, {
        'Content-Type': type,
        'Content-Range': `bytes ${from}-${to}/${body.length}`,
        'Cache-Control': 'no-store',
      });
      res.end(body.subarray(from, to + 1));
      return;
    }
    res.writeHead(200, { 'Content-Type': type, 'Cache-Control': 'no-store' });
    res.end(body);
  });
  await new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(0, '127.0.0.1', resolve);
  });
  const origin = `http://127.0.0.1:${server.address().port}`;
  return {
    origin,
    url: (name) => `${origin}/${name}`,
    requests: (name) => counts.get(`/${name}`) ?? 0,
    // How many of those asked for a byte range.
    ranges: (name) => counts.get(`range:/${name}`) ?? 0,
    resetRequests: () => counts.clear(),
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

const CHROMIUM = '/usr/bin/chromium';

// extraArgs: more Chromium switches, e.g. a host resolver rule.
export function launchBrowser(extraArgs = []) {
  return chromium.launch({ executablePath: CHROMIUM, args: [...CHROMIUM_ARGS, ...extraArgs], headless: true });
}

// A host name that resolves to 127.0.0.1 in a browser launched with
// NON_SECURE_ARGS. Unlike 127.0.0.1 and localhost it is no secure context,
// so a page served from it has no crypto.subtle.
export const NON_SECURE_HOST = 'wendlock.test';
export const NON_SECURE_ARGS = [`--host-resolver-rules=MAP ${NON_SECURE_HOST} 127.0.0.1`];

// A browser with a profile on disk, so that it can be closed and started
// again as a visitor would: session cookies go, persistent cookies,
// IndexedDB and localStorage stay. start() gives the running browser's
// context; restart() closes it and starts the same profile again.
export class Profile {
  constructor(extraArgs = []) {
    this.dir = mkdtempSync(path.join(tmpdir(), 'wendlock-profile-'));
    this.extraArgs = extraArgs;
    this.context = null;
  }

  async start() {
    if (this.context) {
      throw new Error('the profile is running already');
    }
    this.context = await chromium.launchPersistentContext(this.dir, {
      executablePath: CHROMIUM,
      args: [...CHROMIUM_ARGS, ...this.extraArgs],
      headless: true,
    });
    this.context.setDefaultTimeout(8000);
    return this.context;
  }

  async stop() {
    const context = this.context;
    this.context = null;
    await context?.close();
  }

  async restart() {
    await this.stop();
    return this.start();
  }

  async remove() {
    await this.stop();
    rmSync(this.dir, { recursive: true, force: true });
  }
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

// The template's form carries onsubmit="return false;" until the login
// script has looked for a remembered login and takes the form over; a
// submit before then does nothing. A visitor takes longer than that to
// type, a test does not, so it waits for the script's handler.
export async function waitForLoginForm(page) {
  await page.waitForFunction(loginFormTaken);
}

function loginFormTaken() {
  const form = document.getElementById('vxpform');
  return form !== null && typeof form.onsubmit === 'function' && form.onsubmit.name !== 'onsubmit';
}

// Opens a URL in a new tab of the context and tells whether it showed its
// content (selector) without asking. A page that finds a remembered login
// shows its content a moment after it has loaded, so what shows is read
// only once the page has decided: the content is there, or the login
// script has taken the form over.
export async function opensWithoutAsking(context, url, selector = '#content') {
  const page = await context.newPage();
  await page.goto(url);
  const shown = await shownWithoutAsking(page, selector);
  await page.close();
  return shown;
}

// Whether the page that has just loaded shows its content (true) or asks
// (false), once it has decided.
export async function shownWithoutAsking(page, selector = '#content') {
  await page.waitForFunction(`document.querySelector(${JSON.stringify(selector)}) !== null || (${loginFormTaken})()`);
  const asked = await isLoginForm(page);
  const shown = (await page.locator(selector).count()) === 1;
  assert.notEqual(asked, shown, `${page.url()} shows either the login or the page`);
  return shown;
}

export async function submitLogin(page, password, user) {
  await waitForLoginForm(page);
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
