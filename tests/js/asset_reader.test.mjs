// The service worker's reader of enciphered site files against the shared
// vectors (tests/vectors/asset-vectors.json, made by a second
// implementation and read by the engine's tests too).
import { test } from 'node:test';
import assert from 'node:assert/strict';
import vm from 'node:vm';
import crypto from 'node:crypto';
import { readFileSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');
const source = readFileSync(path.join(root, 'data', 'Script', 'Worker', 'asset-reader.js'), 'utf8');
const R = vm.runInContext(
  source + ';({ parseAssetHeader, assetKey, openAssetChunk, assetStream, assetChunkSpan })',
  vm.createContext({
    crypto: globalThis.crypto,
    CryptoKey: globalThis.CryptoKey,
    TextEncoder,
    ReadableStream,
    DecompressionStream,
    Uint8Array,
  }),
);
const vectors = JSON.parse(readFileSync(path.join(root, 'tests', 'vectors', 'asset-vectors.json'), 'utf8'));
const contentKey = Buffer.from(vectors.contentKey, 'hex');

async function openAll(file, sitePath) {
  const header = R.parseAssetHeader(file.subarray(0, 30), file.length);
  if (!header) {
    throw new Error('bad header');
  }
  const key = await R.assetKey(contentKey, header);
  const hash = crypto.createHash('sha256');
  const reader = R.assetStream(key, header, sitePath, async (a, b) => file.subarray(a, b)).getReader();
  for (;;) {
    const { done, value } = await reader.read();
    if (done) {
      break;
    }
    hash.update(value);
  }
  return { header, key, digest: hash.digest('hex') };
}

// Whether this platform's DecompressionStream refuses bytes after the end
// of a deflate stream (browsers do; Node 20 ignores them). Such bytes could
// only come from whoever holds the key, so the reader leaves that check to
// the platform.
async function refusesTrailingBytes() {
  const zlib = await import('node:zlib');
  const data = Buffer.concat([zlib.deflateRawSync(Buffer.from('x')), Buffer.from('junk')]);
  try {
    await new Response(new Blob([data]).stream().pipeThrough(new DecompressionStream('deflate-raw'))).arrayBuffer();
    return false;
  } catch {
    return true;
  }
}

test('every good vector opens to its file, every bad one is refused', async () => {
  let good = 0;
  let bad = 0;
  const checksTail = await refusesTrailingBytes();
  for (const c of vectors.cases) {
    const file = Buffer.from(c.file, 'base64');
    if (c.name === 'bytes after the deflate stream' && !checksTail) {
      continue;
    }
    if (c.valid) {
      const { digest } = await openAll(file, c.path);
      assert.equal(digest, c.plainSha256, c.name);
      good++;
    } else {
      await assert.rejects(openAll(file, c.path), undefined, c.name);
      bad++;
    }
  }
  assert.ok(good >= 8 && bad >= 12, `${good} good, ${bad} bad`);
});

test('a range of a stored file is read from the chunks that hold it', async () => {
  const c = vectors.cases.find((v) => v.valid && !v.deflated && Buffer.from(v.file, 'base64').length > 2 * 65536);
  const file = Buffer.from(c.file, 'base64');
  const { header, key } = await openAll(file, c.path);
  const want = 65536 + 10;
  const index = Math.floor(want / 65536);
  const [a, b] = R.assetChunkSpan(header, index);
  const chunk = await R.openAssetChunk(key, header, c.path, index, file.subarray(a, b));
  assert.equal(chunk.length, 65536);
  // Another chunk's bytes under this index are refused.
  const [a0, b0] = R.assetChunkSpan(header, 0);
  await assert.rejects(R.openAssetChunk(key, header, c.path, index, file.subarray(a0, b0)));
  assert.equal(header.plainSize, c.plainSize);
});
