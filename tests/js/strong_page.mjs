// Builds strong pages the way the engine writes them, with node:crypto and
// node:zlib as an oracle that shares no code with the login script.
import { pbkdf2Sync, hkdfSync, randomBytes, createCipheriv } from 'node:crypto';
import { deflateRawSync } from 'node:zlib';
import { defaultSettings, variables, scriptWithCrLf } from './protected_page.mjs';

const CHUNK = 65536;
const u32 = (x) => {
  const b = Buffer.alloc(4);
  b.writeUInt32BE(x);
  return b;
};
const hkdf = (key, salt, info, n) => Buffer.from(hkdfSync('sha256', key, salt, info, n));

export function gcm(key, iv, aad, data) {
  const c = createCipheriv('aes-256-gcm', key, iv);
  c.setAAD(aad);
  return Buffer.concat([c.update(data), c.final(), c.getAuthTag()]);
}

const fold = (t) => t.replace(/[A-Z]/g, (c) => c.toLowerCase());
export const norm = (text, keepCase) => {
  const n = text.normalize('NFC');
  return Buffer.from(keepCase ? n : fold(n), 'utf8');
};

export function credential(site, { user = '', password }) {
  const w = norm(password, site.passwordCase);
  if (site.mode === 0) return w;
  const n = norm(user, site.userCase);
  return Buffer.concat([u32(n.length), n, u32(w.length), w]);
}

export const secretOf = (site, typed) => pbkdf2Sync(credential(site, typed), site.salt, site.iterations, 32, 'sha256');

// A project: its salt and iterations, and for several users one run's
// content key with the wrapped entries (run() draws a new one).
export function makeSite({ users, password, passwordCase = true, userCase = true, iterations = 1000 }) {
  const site = { mode: users ? 1 : 0, salt: randomBytes(16), iterations, passwordCase, userCase, users, password };
  return site.mode === 1 ? run(site) : { ...site, contentKey: hkdf(secretOf(site, { password }), site.salt, 'wendlock v1 content key', 32) };
}

// The id a user's entry is found by: with the run's value (key table
// layout 2), or without one as older pages were written (layout 1).
export function lookupIdOf(site, typed) {
  const secret = secretOf(site, typed);
  return site.runValue
    ? hkdf(secret, Buffer.concat([site.salt, site.runValue]), 'wendlock v2 lookup id', 16)
    : hkdf(secret, site.salt, 'wendlock v1 lookup id', 16);
}

// Layout 2 pads the table with random entries to a multiple of 16;
// layout 1 has one entry per user.
export function run(site, { layout = 2 } = {}) {
  const contentKey = randomBytes(32);
  const next = { ...site, contentKey, runValue: layout === 2 ? randomBytes(16) : null };
  const entries = site.users.map((u) => {
    const secret = secretOf(site, { user: u.name, password: u.password });
    const wrapKey = hkdf(secret, site.salt, 'wendlock v1 wrap key', 32);
    const lookupId = lookupIdOf(next, { user: u.name, password: u.password });
    const iv = randomBytes(12);
    const aad = Buffer.concat([Buffer.from('wendlock v1 wrap'), site.salt]);
    return Buffer.concat([lookupId, iv, gcm(wrapKey, iv, aad, contentKey)]);
  });
  if (layout === 2) {
    while (entries.length < 16 || entries.length % 16 !== 0) entries.push(randomBytes(76));
  }
  entries.sort(() => Math.random() - 0.5);
  return { ...next, entries };
}

export function sealChunks(contentKey, text, { nonce = randomBytes(16), level = 6 } = {}) {
  const pageKey = hkdf(contentKey, nonce, 'wendlock v1 page key', 32);
  const data = deflateRawSync(Buffer.from(text.replace(/\r\n/g, '\n'), 'utf8'), { level });
  const pieces = [];
  for (let at = 0; at === 0 || at < data.length; at += CHUNK) pieces.push(data.subarray(at, at + CHUNK));
  const count = pieces.length;
  const chunks = pieces.map((piece, i) => {
    const iv = Buffer.concat([u32(0), u32(0), u32(i)]);
    const aad = Buffer.concat([Buffer.from('WLK1'), nonce, u32(i), Buffer.from([i === count - 1 ? 1 : 0])]);
    return gcm(pageKey, iv, aad, piece).toString('base64');
  });
  return { nonce, chunks };
}

const quoted = (list) => list.map((e) => JSON.stringify(e)).join(',');

// keyCheck: false writes a single-password page as versions before the
// key check value did.
export function strongPage(site, text, { settings = {}, level, keyCheck = true } = {}) {
  const s = { ...defaultSettings, ...settings };
  const { nonce, chunks } = sealChunks(site.contentKey, text, { level });
  const b64 = (b) => b.toString('base64');
  return (
    variables(s) +
    (site.mode === 1 ? `var USRCSS=${site.userCase};` : '') +
    `var PWDCSS=${site.passwordCase};\n` +
    `var vxsv=[1,${site.mode},${site.iterations},"${b64(site.salt)}","${b64(nonce)}",${chunks.length}` +
    (site.runValue ? `,"${b64(site.runValue)}"];\n` : '];\n') +
    (site.mode === 0 && keyCheck
      ? `var vxsc="${b64(hkdf(site.contentKey, site.salt, 'wendlock v1 key check', 16))}";\n`
      : '') +
    (site.mode === 1 ? `var vxsk=[${quoted(site.entries.map(b64))}];\n` : '') +
    `var vxsa=[${quoted(chunks)}];\n` +
    scriptWithCrLf('strong')
  );
}

// The chunk array of a page's script, and the script with another array.
export const chunksOf = (script) => JSON.parse(/var vxsa=(\[[^\]]*\]);/.exec(script)[1]);
export const withChunks = (script, chunks) =>
  script.replace(/var vxsa=\[[^\]]*\];/, () => `var vxsa=${JSON.stringify(chunks)};`);
