  // Reads enciphered site files (docs/strong-format.md, "Site files") with
  // WebCrypto: the header, single chunks for byte ranges of stored files,
  // and the whole file as a stream. Every chunk is opened against the
  // file's path below the site root, its index and whether it is the last,
  // so a file swapped, cut or reordered is refused, never served.
  // Plain functions: the service worker includes this part.
  var ASSET_MAGIC = [0x89, 0x57, 0x4c, 0x4b, 0x41, 0x0d, 0x0a, 0x1a];
  var ASSET_HEADER = 30;
  var ASSET_BOUND = 26;
  var ASSET_CHUNK = 65536;
  var ASSET_SEALED = ASSET_CHUNK + 16;
  var ASSET_FLAG_DEFLATED = 1;
  var assetText = new TextEncoder();

  function assetU32(n) {
    return [(n >>> 24) & 255, (n >>> 16) & 255, (n >>> 8) & 255, n & 255];
  }

  function looksLikeAsset(bytes) {
    if (bytes.length < ASSET_MAGIC.length) {
      return false;
    }
    for (var i = 0; i < ASSET_MAGIC.length; i++) {
      if (bytes[i] !== ASSET_MAGIC[i]) {
        return false;
      }
    }
    return true;
  }

  // The header of a file of fileSize bytes, or null when it is not one
  // this version reads or its chunk count does not fit the size.
  function parseAssetHeader(bytes, fileSize) {
    if (bytes.length < ASSET_HEADER || !looksLikeAsset(bytes)) {
      return null;
    }
    var version = bytes[8];
    var flags = bytes[9];
    var count = ((bytes[26] << 24) | (bytes[27] << 16) | (bytes[28] << 8) | bytes[29]) >>> 0;
    if (version !== 1 || (flags & ~ASSET_FLAG_DEFLATED) !== 0 || count === 0) {
      return null;
    }
    var lastSealed = fileSize - (ASSET_HEADER + (count - 1) * ASSET_SEALED);
    if (lastSealed < (count === 1 ? 16 : 17) || lastSealed > ASSET_SEALED) {
      return null;
    }
    return {
      deflated: (flags & ASSET_FLAG_DEFLATED) !== 0,
      nonce: bytes.slice(10, 26),
      bound: bytes.slice(0, ASSET_BOUND),
      count: count,
      fileSize: fileSize,
      plainSize: fileSize - ASSET_HEADER - count * 16,
    };
  }

  // The AES-GCM key of one file, from the site's content key (a CryptoKey
  // for HKDF, or its raw bytes).
  async function assetKey(contentKey, header) {
    var base = contentKey;
    if (!(typeof CryptoKey !== 'undefined' && contentKey instanceof CryptoKey)) {
      base = await crypto.subtle.importKey('raw', contentKey, 'HKDF', false, ['deriveKey']);
    }
    return crypto.subtle.deriveKey(
      { name: 'HKDF', hash: 'SHA-256', salt: header.nonce, info: assetText.encode('wendlock v1 asset key') },
      base,
      { name: 'AES-GCM', length: 256 },
      false,
      ['decrypt'],
    );
  }

  // Opens sealed chunk `index` of the file at sitePath; rejects when it
  // does not belong there.
  async function openAssetChunk(key, header, sitePath, index, sealed) {
    var path = assetText.encode(sitePath);
    var aad = new Uint8Array(ASSET_BOUND + 4 + path.length + 5);
    aad.set(header.bound, 0);
    aad.set(assetU32(path.length), ASSET_BOUND);
    aad.set(path, ASSET_BOUND + 4);
    aad.set(assetU32(index), ASSET_BOUND + 4 + path.length);
    aad[aad.length - 1] = index === header.count - 1 ? 1 : 0;
    var iv = new Uint8Array(12);
    iv.set(assetU32(index), 8);
    return new Uint8Array(await crypto.subtle.decrypt({ name: 'AES-GCM', iv: iv, additionalData: aad }, key, sealed));
  }

  // Where sealed chunk `index` lies in the file: [start, end).
  function assetChunkSpan(header, index) {
    var start = ASSET_HEADER + index * ASSET_SEALED;
    return [start, Math.min(start + ASSET_SEALED, header.fileSize)];
  }

  // A stream of the file's original bytes. readSpan(start, end) gives a
  // promise of those bytes of the enciphered file; chunks are opened one
  // after another, so a large file is never held whole. The stream errors
  // when a chunk does not open or the deflate stream does not end with the
  // last chunk.
  function assetStream(key, header, sitePath, readSpan) {
    var index = 0;
    var plain = new ReadableStream({
      pull: async function (controller) {
        if (index >= header.count) {
          controller.close();
          return;
        }
        var span = assetChunkSpan(header, index);
        controller.enqueue(await openAssetChunk(key, header, sitePath, index, await readSpan(span[0], span[1])));
        index++;
      },
    });
    return header.deflated ? plain.pipeThrough(new DecompressionStream('deflate-raw')) : plain;
  }
