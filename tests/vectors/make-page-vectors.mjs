// Writes page-vectors.json: the statements a strong page carries (var vxsa,
// vxsv and vxsk), good and bad, made with Node's own crypto and zlib (a
// second implementation beside the engine's and the login script's), for
// the C++ unlocker and the login script alike. Deterministic: run it again
// and the file does not change.
//   node tests/vectors/make-page-vectors.mjs
import { createCipheriv, hkdfSync, pbkdf2Sync, createHash } from 'node:crypto';
import { deflateRawSync } from 'node:zlib';
import { writeFileSync } from 'node:fs';
import { fileURLToPath } from 'node:url';

const CHUNK = 65536;
// Few iterations keep the tests quick; readers take any count from 1.
const ITERATIONS = 1000;

// Repeatable bytes: SHA-256 in counter mode.
function bytesOf(label, size) {
  const out = Buffer.alloc(size);
  for (let i = 0, at = 0; at < size; i++) {
    const block = createHash('sha256').update(`page/${label}/${i}`).digest();
    at += block.copy(out, at);
  }
  return out;
}
const u32 = (n) => {
  const b = Buffer.alloc(4);
  b.writeUInt32BE(n);
  return b;
};
const hkdf = (key, salt, info, n) => Buffer.from(hkdfSync('sha256', key, salt, info, n));
function gcm(key, iv, aad, data) {
  const c = createCipheriv('aes-256-gcm', key, iv);
  c.setAAD(aad);
  return Buffer.concat([c.update(data), c.final(), c.getAuthTag()]);
}
const b64 = (b) => b.toString('base64');
const sha256 = (b) => createHash('sha256').update(b).digest('hex');
const fold = (t) => t.replace(/[A-Z]/g, (c) => c.toLowerCase());
const norm = (t, keepCase) => Buffer.from(keepCase ? t.normalize('NFC') : fold(t.normalize('NFC')), 'utf8');

const salt = bytesOf('salt', 16);

// The content key of a single-password site.
const singleKey = (password, passwordCase = true) =>
  hkdf(pbkdf2Sync(norm(password, passwordCase), salt, ITERATIONS, 32, 'sha256'), salt, 'wendlock v1 content key', 32);

// The key table of several users: layout 2 (with `run`, padded with random
// entries to a multiple of 16) or layout 1 (no run, one entry per user).
function keyTable(users, contentKey, label, layout) {
  const run = layout === 2 ? bytesOf(`run/${label}`, 16) : null;
  const entries = users.map((u, i) => {
    const input = Buffer.concat([u32(norm(u.name, true).length), norm(u.name, true), u32(norm(u.password, true).length), norm(u.password, true)]);
    const secret = pbkdf2Sync(input, salt, ITERATIONS, 32, 'sha256');
    const lookupId = run
      ? hkdf(secret, Buffer.concat([salt, run]), 'wendlock v2 lookup id', 16)
      : hkdf(secret, salt, 'wendlock v1 lookup id', 16);
    const iv = bytesOf(`wrapiv/${label}/${i}`, 12);
    const wrapKey = hkdf(secret, salt, 'wendlock v1 wrap key', 32);
    return Buffer.concat([lookupId, iv, gcm(wrapKey, iv, Buffer.concat([Buffer.from('wendlock v1 wrap'), salt]), contentKey)]);
  });
  if (layout === 2) {
    for (let i = 0; entries.length < 16 || entries.length % 16 !== 0; i++) entries.push(bytesOf(`filler/${label}/${i}`, 76));
    // A fixed shuffle: the real entries are not first.
    entries.push(...entries.splice(0, users.length));
  }
  return { run, entries };
}

// The chunks of a page. opts: lastFlag(i, count) -> 0/1, body (the bytes
// the chunks carry, default the text deflated), pieces (the body cut by
// hand), magic (the version label in the AAD).
function seal(contentKey, text, nonceLabel, opts = {}) {
  const nonce = bytesOf(`nonce/${nonceLabel}`, 16);
  const pageKey = hkdf(contentKey, nonce, 'wendlock v1 page key', 32);
  const body = opts.body ?? deflateRawSync(Buffer.from(text, 'utf8'), { level: 6 });
  let pieces = opts.pieces;
  if (!pieces) {
    pieces = [];
    for (let at = 0; at === 0 || at < body.length; at += CHUNK) pieces.push(body.subarray(at, at + CHUNK));
  }
  const count = pieces.length;
  const chunks = pieces.map((piece, i) => {
    const last = opts.lastFlag ? opts.lastFlag(i, count) : i === count - 1 ? 1 : 0;
    const iv = Buffer.concat([u32(0), u32(0), u32(i)]);
    const aad = Buffer.concat([Buffer.from(opts.magic ?? 'WLK1'), nonce, u32(i), Buffer.from([last])]);
    return b64(gcm(pageKey, iv, aad, piece));
  });
  return { nonce, chunks };
}

const quoted = (list) => list.map((e) => `"${e}"`).join(',');

// The statements as the engine writes them: content first, then the
// header, then (several users) the key table.
function statements({ chunks, nonce, mode = 0, count = chunks.length, run = null, entries = null, version = 1, header = null }) {
  const fields = header ?? [version, mode, ITERATIONS, `"${b64(salt)}"`, `"${b64(nonce)}"`, count, ...(run ? [`"${b64(run)}"`] : [])];
  return (
    `var vxsa=[${quoted(chunks)}];` +
    `var vxsv=[${fields.join(',')}];` +
    (entries ? `var vxsk=[${quoted(entries.map((e) => (Buffer.isBuffer(e) ? b64(e) : e)))}];` : '')
  );
}

const cases = [];
const PASSWORD = 'correct horse';
function add(name, valid, why, text, page, login = {}) {
  const c = { name, valid, ...(why ? { why } : {}) };
  c.mode = login.user === undefined ? 0 : 1;
  if (login.user !== undefined) c.user = login.user;
  c.password = login.password ?? PASSWORD;
  c.passwordCase = login.passwordCase ?? true;
  c.userCase = true;
  if (valid) {
    const bytes = Buffer.from(text, 'utf8');
    c.textSize = bytes.length;
    c.textSha256 = sha256(bytes);
  }
  c.statements = page;
  cases.push(c);
}

const key = singleKey(PASSWORD);
const small = '<!DOCTYPE html>\n<html><body><h1>Caf\u00e9 \u4e2d\u6587 \u{1F600}</h1>\n<p>Small page.</p></body></html>\n';
// Hex digits of repeatable bytes: text that deflates, yet to three chunks.
const large = `<html><body><pre>${bytesOf('large', 150000).toString('hex')}</pre>\n<p>\u00fcber</p></body></html>\n`;

const one = seal(key, small, 'small');
add('single password, one chunk', true, null, small, statements(one));
const three = seal(key, large, 'large');
if (three.chunks.length !== 3) throw new Error(`expected three chunks, got ${three.chunks.length}`);
add('single password, three chunks', true, null, large, statements(three));
// Bad cases cut a small page by hand into three chunks: a reader does not
// depend on the chunk sizes (the tags bind every chunk), and the file
// stays small.
const smallStream = deflateRawSync(Buffer.from(small, 'utf8'));
const thirds = (s) => [s.subarray(0, 20), s.subarray(20, 40), s.subarray(40)];
const cut3 = (label, opts = {}) => seal(key, small, label, { pieces: thirds(smallStream), ...opts });
const parts = cut3('parts');
add('single password, empty page', true, null, '', statements(seal(key, '', 'empty')));
{
  const loose = singleKey('P\u00c4ssWord', false);
  add('case folded password, typed in other case and decomposed', true, null, small,
    statements(seal(loose, small, 'loose')), { password: 'pA\u0308SSWORD', passwordCase: false });
}

const users = [
  { name: 'alice', password: 'Wonderland' },
  { name: 'Chlo\u00e9', password: 'b\u00e9\u{1F511}' },
];
const multiKey = bytesOf('content key', 32);
const table2 = keyTable(users, multiKey, 'two', 2);
const multiPage = seal(multiKey, small, 'multi');
add('several users, key table layout 2', true, null, small,
  statements({ ...multiPage, mode: 1, run: table2.run, entries: table2.entries }), { user: 'Chlo\u00e9', password: users[1].password });
const table1 = keyTable(users, multiKey, 'one', 1);
add('several users, key table layout 1', true, null, small,
  statements({ ...seal(multiKey, small, 'multi1'), mode: 1, entries: table1.entries }), { user: 'alice', password: 'Wonderland' });

// Bad pages: a reader must refuse to show any of them.
add('wrong password', false, 'the right page, another password', null, statements(one), { password: 'correct horsE' });
add('last flag dropped', false, 'the final chunk sealed as if more followed', null,
  statements(cut3('parts', { lastFlag: () => 0 })));
add('last flag dropped, one chunk', false, 'the only chunk sealed as if more followed', null,
  statements(seal(key, small, 'small', { lastFlag: () => 0 })));
add('last flag early', false, 'the first chunk sealed as the last', null,
  statements(cut3('parts', { lastFlag: (i) => (i === 0 ? 1 : 0) })));
{
  // The first chunk holds a whole deflate stream and was sealed as not the
  // last; the second carries more. Cut after the first, with the count
  // fitting: the inflater sees a complete stream, so only the last flag in
  // the AAD tells that the page was cut.
  const stream = deflateRawSync(Buffer.from(small, 'utf8'));
  const sealed = seal(key, small, 'cut', { pieces: [stream, Buffer.from('more')] });
  add('cut where the deflate stream ends', false, 'a page cut after a chunk that was not sealed as the last, the count fitting', null,
    statements({ ...sealed, chunks: sealed.chunks.slice(0, 1) }));
}
add('cut, count kept', false, 'the last chunk removed', null,
  statements({ ...parts, chunks: parts.chunks.slice(0, 2), count: 3 }));
add('cut, count adjusted', false, 'the last chunk removed and the count lowered', null,
  statements({ ...parts, chunks: parts.chunks.slice(0, 2) }));
add('reordered', false, 'the first two chunks swapped', null,
  statements({ ...parts, chunks: [parts.chunks[1], parts.chunks[0], parts.chunks[2]] }));
{
  const other = cut3('other');
  add('chunk from another page', false, 'chunk 1 taken from a page of the same key with another nonce', null,
    statements({ ...parts, chunks: [parts.chunks[0], other.chunks[1], parts.chunks[2]] }));
}
add('count too high', false, 'the count one more than the chunks', null, statements({ ...parts, count: 4 }));
add('count too low', false, 'the count one less than the chunks', null, statements({ ...parts, count: 2 }));
add('wrong version', false, 'version 2 in the header', null, statements({ ...one, version: 2 }));
add('other version label', false, 'chunks sealed with WLK2 in the AAD', null,
  statements(seal(key, small, 'small', { magic: 'WLK2' })));
add('truncated Base64', false, 'the last chunk lost its last four characters', null,
  statements({ ...parts, chunks: [...parts.chunks.slice(0, 2), parts.chunks[2].slice(0, -4)] }));
{
  const bad = parts.chunks[2].slice(0, -2) + '!!';
  add('not Base64', false, 'a chunk ending in characters Base64 does not have', null,
    statements({ ...parts, chunks: [...parts.chunks.slice(0, 2), bad] }));
}
{
  const flipped = Buffer.from(one.chunks[0], 'base64');
  flipped[flipped.length - 1] ^= 1;
  add('changed tag', false, 'one bit of the tag flipped', null, statements({ ...one, chunks: [b64(flipped)] }));
}
add('salt too short', false, 'a salt of 15 bytes', null,
  statements({ ...one, header: [1, 0, ITERATIONS, `"${b64(salt.subarray(1))}"`, `"${b64(one.nonce)}"`, 1] }));
add('nonce too long', false, 'a nonce of 17 bytes', null,
  statements({ ...one, header: [1, 0, ITERATIONS, `"${b64(salt)}"`, `"${b64(Buffer.concat([one.nonce, Buffer.from([0])]))}"`, 1] }));
add('header of eight elements', false, 'an element after the run', null,
  statements({ ...one, header: [1, 0, ITERATIONS, `"${b64(salt)}"`, `"${b64(one.nonce)}"`, 1, `"${b64(bytesOf('run/x', 16))}"`, 0] }));
add('unknown mode', false, 'mode 2', null,
  statements({ ...one, header: [1, 2, ITERATIONS, `"${b64(salt)}"`, `"${b64(one.nonce)}"`, 1] }));
add('no iterations', false, 'an iteration count of 0', null,
  statements({ ...one, header: [1, 0, 0, `"${b64(salt)}"`, `"${b64(one.nonce)}"`, 1] }));

const alice = { user: 'alice', password: 'Wonderland' };
add('several users, run too short', false, 'a run value of 15 bytes', null,
  statements({ ...multiPage, mode: 1, run: table2.run.subarray(1), entries: table2.entries }), alice);
add('several users, run dropped', false, 'a layout 2 table read without its run value', null,
  statements({ ...multiPage, mode: 1, entries: table2.entries }), alice);
{
  // The user's own entry, found by position: layout 2 puts the real
  // entries last.
  const at = table2.entries.length - users.length;
  const short = table2.entries.map((e, i) => (i === at ? e.subarray(0, 75) : e));
  add('several users, entry one byte short', false, "the user's entry cut to 75 bytes", null,
    statements({ ...multiPage, mode: 1, run: table2.run, entries: short }), alice);
  const long = table2.entries.map((e, i) => (i === at ? Buffer.concat([e, Buffer.from([0])]) : e));
  add('several users, entry one byte long', false, "the user's entry with a byte added", null,
    statements({ ...multiPage, mode: 1, run: table2.run, entries: long }), alice);
  add('several users, no key table', false, 'vxsk missing', null, statements({ ...multiPage, mode: 1, run: table2.run }), alice);
}
add('several users, unknown user', false, 'a name that is not in the table', null,
  statements({ ...multiPage, mode: 1, run: table2.run, entries: table2.entries }), { user: 'mallory', password: 'Wonderland' });
add('several users, read as one password', false, 'mode 0 on a page written for several users', null,
  statements({ ...multiPage, mode: 0, run: table2.run, entries: table2.entries }));

const out = fileURLToPath(new URL('./page-vectors.json', import.meta.url));
writeFileSync(out, JSON.stringify({ iterations: ITERATIONS, salt: b64(salt), cases }, null, 1) + '\n');
console.log(`wrote ${cases.length} cases to ${out}`);
