// Writes asset-vectors.json: enciphered site files, good and bad, made
// with Node's own crypto and zlib (a second implementation beside the
// engine's), for the C++ and the JavaScript readers alike. Deterministic:
// run it again and the file does not change.
//   node tests/vectors/make-asset-vectors.mjs
import { createCipheriv, hkdfSync, createHash } from 'node:crypto';
import { deflateRawSync } from 'node:zlib';
import { writeFileSync } from 'node:fs';
import { fileURLToPath } from 'node:url';

const CHUNK = 65536;
const MAGIC = Buffer.from([0x89, 0x57, 0x4c, 0x4b, 0x41, 0x0d, 0x0a, 0x1a]);
const contentKey = createHash('sha256').update('wendlock asset vectors').digest();

// Repeatable bytes: SHA-256 in counter mode.
function bytesOf(label, size) {
  const out = Buffer.alloc(size);
  for (let i = 0, at = 0; at < size; i++) {
    const block = createHash('sha256').update(`${label}/${i}`).digest();
    at += block.copy(out, at);
  }
  return out;
}
const u32 = (n) => {
  const b = Buffer.alloc(4);
  b.writeUInt32BE(n);
  return b;
};

// opts: flags, version, lastFlag(i, count) -> 0/1, body (bytes the chunks
// carry, default the file or its deflate stream)
function encipher(path, plain, nonceLabel, opts = {}) {
  const deflated = !!opts.deflate;
  const flags = opts.flags ?? (deflated ? 1 : 0);
  const version = opts.version ?? 1;
  const nonce = bytesOf(`nonce/${nonceLabel}`, 16);
  const body = opts.body ?? (deflated ? deflateRawSync(plain, { level: 6 }) : plain);
  const count = Math.max(1, Math.ceil(body.length / CHUNK));
  const bound = Buffer.concat([MAGIC, Buffer.from([version, flags]), nonce]);
  const key = Buffer.from(hkdfSync('sha256', contentKey, nonce, 'wendlock v1 asset key', 32));
  const pathBytes = Buffer.from(path, 'utf8');
  const chunks = [];
  for (let i = 0; i < count; i++) {
    const last = opts.lastFlag ? opts.lastFlag(i, count) : i === count - 1 ? 1 : 0;
    const iv = Buffer.concat([Buffer.alloc(8), u32(i)]);
    const aad = Buffer.concat([bound, u32(pathBytes.length), pathBytes, u32(i), Buffer.from([last])]);
    const c = createCipheriv('aes-256-gcm', key, iv);
    c.setAAD(aad);
    const sealed = Buffer.concat([c.update(body.subarray(i * CHUNK, (i + 1) * CHUNK)), c.final(), c.getAuthTag()]);
    chunks.push(sealed);
  }
  return { header: Buffer.concat([bound, u32(count)]), chunks, nonce };
}
const join = (a) => Buffer.concat([a.header, ...a.chunks]);
const withCount = (a, n) => ({ ...a, header: Buffer.concat([a.header.subarray(0, 26), u32(n)]) });

const cases = [];
function good(name, path, plain, nonceLabel, opts) {
  const a = encipher(path, plain, nonceLabel, opts);
  cases.push({
    name,
    path,
    valid: true,
    deflated: !!opts?.deflate,
    plainSize: plain.length,
    plainSha256: createHash('sha256').update(plain).digest('hex'),
    file: join(a).toString('base64'),
  });
  return a;
}
function bad(name, why, path, file) {
  cases.push({ name, why, path, valid: false, file: file.toString('base64') });
}

const logo = bytesOf('logo', 100);
// Two chunks, the second short: enough for every way of cutting,
// reordering and moving chunks.
const clip = bytesOf('clip', CHUNK + 100);
// Random hex digits: text that deflates, yet to more than one chunk.
const index = Buffer.from(bytesOf('index', 70000).toString('hex'));
const small = Buffer.from('{"docs":["Alpha","Beta","Gamma"]}\n'.repeat(40));

const aLogo = good('stored, one chunk', 'img/logo.png', logo, 'logo');
const aClip = good('stored, two chunks', 'media/clip.mp4', clip, 'clip');
good('stored, three chunks', 'media/long.webm', bytesOf('long', 2 * CHUNK + 1), 'long');
good('stored, empty file', 'empty.bin', Buffer.alloc(0), 'empty');
good('stored, one full chunk', 'fonts/full.woff2', bytesOf('full', CHUNK), 'full');
good('deflated, several chunks', 'search/index.json', index, 'index', { deflate: true });
good('deflated, small', 'search/small.json', small, 'small', { deflate: true });
good('deflated, empty file', 'empty.txt', Buffer.alloc(0), 'emptytext', { deflate: true });
good('path with non-ASCII letters', 'docs/café/ü.txt', Buffer.from('ü\n'), 'umlaut', { deflate: true });

bad('swapped path', 'a file opened under another name', 'img/other.png', join(aLogo));
bad('cut, count adjusted', 'the last chunk removed and the count lowered', 'media/clip.mp4',
  join(withCount({ ...aClip, chunks: aClip.chunks.slice(0, 1) }, 1)));
bad('cut, count kept', 'the last chunk removed', 'media/clip.mp4', join({ ...aClip, chunks: aClip.chunks.slice(0, 1) }));
bad('reordered', 'the two chunks swapped, the count fitting the size', 'media/clip.mp4',
  join({ ...aClip, chunks: [aClip.chunks[1], aClip.chunks[0]] }));
{
  const f = join(aLogo);
  f[8] = 2;
  bad('wrong version', 'version 2', 'img/logo.png', f);
}
{
  const f = join(aLogo);
  f[9] = 2;
  bad('unknown flag', 'a flag this version does not know', 'img/logo.png', f);
}
{
  const f = join(aLogo);
  f[9] = 1;
  bad('stored read as deflated', 'the deflated flag set on a stored file', 'img/logo.png', f);
}
bad('last flag dropped', 'the final chunk sealed as if more followed', 'media/clip.mp4',
  join(encipher('media/clip.mp4', clip, 'clip', { lastFlag: () => 0 })));
bad('last flag early', 'the first chunk sealed as the last', 'media/clip.mp4',
  join(encipher('media/clip.mp4', clip, 'clip', { lastFlag: () => 1 })));
{
  const other = encipher('media/clip.mp4', bytesOf('other', CHUNK + 100), 'other');
  bad('chunk from another file', 'chunk 1 taken from a file of the same name and key', 'media/clip.mp4',
    join({ ...aClip, chunks: [aClip.chunks[0], other.chunks[1]] }));
}
{
  const f = join(aLogo);
  f[f.length - 1] ^= 1;
  bad('changed tag', 'one bit of the tag flipped', 'img/logo.png', f);
}
bad('no chunks', 'a header with a count of 0', 'img/logo.png', Buffer.concat([aLogo.header.subarray(0, 26), u32(0)]));
bad('not an asset', 'a plain file', 'img/logo.png', logo);
{
  const stream = deflateRawSync(small, { level: 6 });
  bad('deflate stream cut', 'the chunks end before the deflate stream does', 'search/small.json',
    join(encipher('search/small.json', small, 'cut', { deflate: true, body: stream.subarray(0, stream.length - 10) })));
  bad('bytes after the deflate stream', 'the last chunk carries more than the stream', 'search/small.json',
    join(encipher('search/small.json', small, 'tail', { deflate: true, body: Buffer.concat([stream, Buffer.from('tail')]) })));
}

const out = fileURLToPath(new URL('./asset-vectors.json', import.meta.url));
writeFileSync(out, JSON.stringify({ contentKey: contentKey.toString('hex'), chunkSize: CHUNK, cases }, null, 1) + '\n');
console.log(`wrote ${cases.length} cases to ${out}`);
