// Builds the main script of a protected page the way the engine writes it,
// with node:crypto and Buffer as an oracle that shares no code with the
// login scripts under test.
import { createHash } from 'node:crypto';
import { readFileSync } from 'node:fs';
import { fileURLToPath, pathToFileURL } from 'node:url';
import path from 'node:path';
import { bundlePart } from '../../tools/minify/bundle.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
export const dataDir = path.resolve(here, '..', '..', 'data');

const FOLDERS = { single: 'SinglePassword', multi: 'MultiUsers', strong: 'Strong' };

// The login script of a mode as the program ships it: the build's copy when
// WENDLOCK_APP_DIR names the build's program folder, else assembled here
// the way the build does it (each include line of the mode's file replaced
// by the named part of the Script folder, or by a part bundled from npm).
export function assembledScript(mode) {
  const scriptDir = path.join(dataDir, 'Script');
  const text = readFileSync(path.join(scriptDir, FOLDERS[mode], 'wendlock.js'), 'utf8');
  return text.replace(/  \/\/ @include ([A-Za-z0-9_.\/-]+)\n/g, (line, name) => includedPart(name));
}

// A part of the login scripts: a file of the Script folder, or one of
// tools/minify/bundle.mjs (npm/NAME.js) bundled as the build does.
export function includedPart(name) {
  const npm = /^npm\/(.+)\.js$/.exec(name);
  return npm ? bundlePart(npm[1]) : readFileSync(path.join(dataDir, 'Script', name), 'utf8');
}

// What the build ships for a mode: the assembled script minified by the
// build's own step, or as it is where the minifier isn't installed (the
// build then copies it) or no build is under test.
export async function builtScript(mode) {
  const text = assembledScript(mode);
  if (!process.env.WENDLOCK_APP_DIR) return text;
  let minifier;
  try {
    minifier = await import(pathToFileURL(path.resolve(here, '..', '..', 'tools', 'minify', 'minify.mjs')).href);
  } catch {
    return text;
  }
  return minifier.minifyScript(text, mode !== 'strong');
}

export function scriptSource(mode) {
  const appDir = process.env.WENDLOCK_APP_DIR;
  if (appDir) return readFileSync(path.join(appDir, 'Script', FOLDERS[mode], 'wendlock.js'), 'utf8');
  return assembledScript(mode);
}

export const md5hex = (bytes) => createHash('md5').update(bytes).digest('hex');
const utf8 = (text) => Buffer.from(text, 'utf8');
export const foldAscii = (text) => text.replace(/[A-Z]/g, (c) => c.toLowerCase());
export const keyOf = (bytes) => md5hex(Buffer.from(md5hex(bytes), 'ascii'));

export function xorFold(text) {
  let v = 0;
  for (let i = 0; i < text.length; i++) v ^= text.charCodeAt(i);
  return v;
}

export function scramble(data, keyText) {
  const key = Buffer.from(keyText, 'ascii');
  const n = data.length;
  const k = key.length;
  const out = Buffer.alloc(n);
  for (let i = 0; i < n; i++) out[i] = ((data[i] ^ key[i % k]) + key[(n - 1 - i) % k]) & 255;
  return out;
}

function entities(text) {
  let out = '';
  for (let i = 0; i < text.length; i++) {
    const c = text.charCodeAt(i);
    out += c >= 128 ? `&#${c};` : text[i];
  }
  return out;
}

function encode(text, encoding) {
  if (encoding === 'utf16le') return Buffer.from(text, 'utf16le');
  if (encoding === 'utf16be') return Buffer.from(text, 'utf16le').swap16();
  return Buffer.from(text, 'latin1');
}

// Ten lines a chunk (or the given cuts of the text); the text keeps its LF
// line ends.
export function contentArray(text, pageKey, encoding = 'ascii', cuts = null) {
  const lines = text.match(/[^\n]*\n|[^\n]+$/g) || [];
  const chunks = [];
  if (cuts) {
    [0, ...cuts].forEach((at, i, all) => chunks.push(text.slice(at, all[i + 1])));
  } else {
    for (let i = 0; i < lines.length; i += 10) chunks.push(lines.slice(i, i + 10).join(''));
  }
  if (chunks.length === 0) chunks.push('');
  return chunks.map((c) => scramble(encode(entities(c), encoding), pageKey).toString('base64'));
}

const quoted = (list) => list.map((e) => JSON.stringify(e)).join(',');

export const defaultSettings = {
  expireType: 0,
  expireDays: 365,
  incorrectMode: 0,
  alertText: 'Invalid Password!',
  redirectUrl: '',
  redirectTarget: '',
  refreshIE: false,
};

export function variables(s) {
  return (
    `var LoginExpireType=${s.expireType};\n` +
    `var LoginExpireDays=${s.expireDays};\n` +
    `var LoginIncorrectMode=${s.incorrectMode};\n` +
    `var LoginAlertText=${JSON.stringify(s.alertText)};\n` +
    `var LoginRedirectURL=${JSON.stringify(s.redirectUrl)};\n` +
    `var LoginRedirectURLTarget=${JSON.stringify(s.redirectTarget)};\n` +
    `var RefreshPageInIE=${s.refreshIE};` +
    (s.shareFileTabs ? 'var LoginShareFileTabs=true;' : '')
  );
}

// The engine writes the script file with CR LF line ends.
export const scriptWithCrLf = (mode) => scriptSource(mode).replace(/\r?\n/g, '\r\n');

export function singlePage({ password, passwordCase = true, text, encoding, cuts, settings = {} }) {
  const s = { ...defaultSettings, ...settings };
  const secret = passwordCase ? password : foldAscii(password);
  const key = keyOf(utf8(secret));
  return (
    variables(s) +
    `var PWDCSS=${passwordCase};var PWDMKK=${xorFold(key)};` +
    `var vxpa=new Array(${quoted(contentArray(text, key, encoding, cuts))});` +
    scriptWithCrLf('single')
  );
}

export function userDigest(name, password) {
  return md5hex(Buffer.from(md5hex(utf8(name)) + md5hex(utf8(password)), 'ascii'));
}

export function multiPage({
  users,
  userCase = true,
  passwordCase = true,
  text,
  secret = 'k3Xz9QaB',
  settings = {},
}) {
  const s = { ...defaultSettings, ...settings };
  const key = keyOf(Buffer.from(secret, 'ascii'));
  const folded = users.map((u) => ({
    name: userCase ? u.name : foldAscii(u.name),
    password: passwordCase ? u.password : foldAscii(u.password),
  }));
  const digests = folded.map((u) => userDigest(u.name, u.password));
  const userKeys = folded.map((u) =>
    scramble(Buffer.from(secret, 'ascii'), keyOf(utf8(u.password + u.name))).toString('base64'),
  );
  return (
    variables(s) +
    `var USRCSS=${userCase};var PWDCSS=${passwordCase};var PWDMKK=${xorFold(key)};` +
    `var vxpa=new Array(${quoted(contentArray(text, key))});` +
    `var vxpb=new Array(${quoted(digests)});var vxpc=new Array(${quoted(userKeys)});` +
    scriptWithCrLf('multi')
  );
}
