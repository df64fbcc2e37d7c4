  // Pure-JavaScript primitives for pages opened where WebCrypto or
  // DecompressionStream is missing (plain http from another host is not a
  // secure context, so crypto.subtle is undefined there). Byte strings are
  // Uint8Arrays; the hashes and the cipher are written from the published
  // algorithms, the inflater is fflate's (npm/fflate-inflate.js).

  // SHA-256, HMAC and PBKDF2 live in one self-contained function: its source
  // text also starts the Worker that runs the slow derivation.
  function shaCore() {
    var K = new Int32Array(64);
    var IV = new Int32Array(8);
    // The constants are the first 32 fraction bits of the square roots
    // (IV) and cube roots (K) of the first primes.
    (function () {
      var n = 0;
      for (var p = 2; n < 64; p++) {
        var prime = true;
        for (var d = 2; d * d <= p; d++) {
          if (p % d === 0) {
            prime = false;
            break;
          }
        }
        if (prime) {
          if (n < 8) {
            IV[n] = fraction(Math.sqrt(p));
          }
          K[n++] = fraction(Math.cbrt(p));
        }
      }
      function fraction(x) {
        return Math.floor((x - Math.floor(x)) * 4294967296) | 0;
      }
    })();
    var W = new Int32Array(64);

    // One compression of the block in W[0..15], from state h into out
    // (which may be h itself).
    function compress(h, out) {
      var i;
      for (i = 16; i < 64; i++) {
        var x = W[i - 15];
        var y = W[i - 2];
        W[i] =
          (W[i - 16] +
            (((x >>> 7) | (x << 25)) ^ ((x >>> 18) | (x << 14)) ^ (x >>> 3)) +
            W[i - 7] +
            (((y >>> 17) | (y << 15)) ^ ((y >>> 19) | (y << 13)) ^ (y >>> 10))) |
          0;
      }
      var a = h[0];
      var b = h[1];
      var c = h[2];
      var d = h[3];
      var e = h[4];
      var f = h[5];
      var g = h[6];
      var k = h[7];
      for (i = 0; i < 64; i++) {
        var t1 =
          (k +
            (((e >>> 6) | (e << 26)) ^ ((e >>> 11) | (e << 21)) ^ ((e >>> 25) | (e << 7))) +
            ((e & f) ^ (~e & g)) +
            K[i] +
            W[i]) |
          0;
        var t2 =
          ((((a >>> 2) | (a << 30)) ^ ((a >>> 13) | (a << 19)) ^ ((a >>> 22) | (a << 10))) +
            ((a & b) ^ (a & c) ^ (b & c))) |
          0;
        k = g;
        g = f;
        f = e;
        e = (d + t1) | 0;
        d = c;
        c = b;
        b = a;
        a = (t1 + t2) | 0;
      }
      out[0] = (h[0] + a) | 0;
      out[1] = (h[1] + b) | 0;
      out[2] = (h[2] + c) | 0;
      out[3] = (h[3] + d) | 0;
      out[4] = (h[4] + e) | 0;
      out[5] = (h[5] + f) | 0;
      out[6] = (h[6] + g) | 0;
      out[7] = (h[7] + k) | 0;
    }

    function loadBlock(bytes, at) {
      for (var j = 0; j < 16; j++, at += 4) {
        W[j] = (bytes[at] << 24) | (bytes[at + 1] << 16) | (bytes[at + 2] << 8) | bytes[at + 3];
      }
    }

    function wordsToBytes(words, out, at) {
      for (var j = 0; j < words.length; j++) {
        var w = words[j];
        out[at + 4 * j] = w >>> 24;
        out[at + 4 * j + 1] = (w >>> 16) & 255;
        out[at + 4 * j + 2] = (w >>> 8) & 255;
        out[at + 4 * j + 3] = w & 255;
      }
      return out;
    }

    function sha256(bytes) {
      var n = bytes.length;
      var h = new Int32Array(IV);
      var full = n - (n % 64);
      for (var i = 0; i < full; i += 64) {
        loadBlock(bytes, i);
        compress(h, h);
      }
      var tail = new Uint8Array(n - full < 56 ? 64 : 128);
      for (i = full; i < n; i++) {
        tail[i - full] = bytes[i];
      }
      tail[n - full] = 0x80;
      var bitsHigh = Math.floor(n / 0x20000000);
      var bitsLow = (n * 8) >>> 0;
      wordsToBytes([bitsHigh, bitsLow], tail, tail.length - 8);
      for (i = 0; i < tail.length; i += 64) {
        loadBlock(tail, i);
        compress(h, h);
      }
      return wordsToBytes(h, new Uint8Array(32), 0);
    }

    function concat(a, b) {
      var out = new Uint8Array(a.length + b.length);
      out.set(a);
      out.set(b, a.length);
      return out;
    }

    function paddedKey(key, pad) {
      if (key.length > 64) {
        key = sha256(key);
      }
      var block = new Uint8Array(64);
      for (var i = 0; i < 64; i++) {
        block[i] = (i < key.length ? key[i] : 0) ^ pad;
      }
      return block;
    }

    function hmac(key, message) {
      var inner = sha256(concat(paddedKey(key, 0x36), message));
      return sha256(concat(paddedKey(key, 0x5c), inner));
    }

    // PBKDF2-HMAC-SHA256 as a job run in steps, so a page without Worker
    // can pause between slices. Each iteration is two compressions from
    // the key's inner and outer states, computed once; the loop allocates
    // nothing.
    function pbkdf2Job(password, salt, iterations, length) {
      var innerState = new Int32Array(IV);
      var outerState = new Int32Array(IV);
      loadBlock(paddedKey(password, 0x36), 0);
      compress(innerState, innerState);
      loadBlock(paddedKey(password, 0x5c), 0);
      compress(outerState, outerState);
      var u = new Int32Array(8);
      var t = new Int32Array(8);
      var inner = new Int32Array(8);
      var result = new Uint8Array(length);
      var blocks = Math.ceil(length / 32);
      var block = 0;
      var round = iterations; // past the end: start the next block
      var job = { result: null, step: step };

      function startBlock() {
        block++;
        var first = hmac(password, concat(salt, wordsToBytes([block], new Uint8Array(4), 0)));
        for (var j = 0; j < 8; j++) {
          u[j] = (first[4 * j] << 24) | (first[4 * j + 1] << 16) | (first[4 * j + 2] << 8) | first[4 * j + 3];
          t[j] = u[j];
        }
        round = 1;
      }

      function finishBlock() {
        var bytes = wordsToBytes(t, new Uint8Array(32), 0);
        for (var j = 0; j < 32 && (block - 1) * 32 + j < length; j++) {
          result[(block - 1) * 32 + j] = bytes[j];
        }
      }

      // Runs up to count iterations; true once the whole key is there.
      function step(count) {
        while (count > 0) {
          if (round >= iterations) {
            if (block > 0) {
              finishBlock();
            }
            if (block === blocks) {
              job.result = result;
              return true;
            }
            startBlock();
            continue;
          }
          var todo = Math.min(count, iterations - round);
          count -= todo;
          round += todo;
          // The two blocks carry a 32-byte message after a 64-byte key
          // block: 768 bits, one padding bit.
          for (var r = 0; r < todo; r++) {
            W[0] = u[0];
            W[1] = u[1];
            W[2] = u[2];
            W[3] = u[3];
            W[4] = u[4];
            W[5] = u[5];
            W[6] = u[6];
            W[7] = u[7];
            W[8] = 0x80000000 | 0;
            W[9] = W[10] = W[11] = W[12] = W[13] = W[14] = 0;
            W[15] = 768;
            compress(innerState, inner);
            W[0] = inner[0];
            W[1] = inner[1];
            W[2] = inner[2];
            W[3] = inner[3];
            W[4] = inner[4];
            W[5] = inner[5];
            W[6] = inner[6];
            W[7] = inner[7];
            W[8] = 0x80000000 | 0;
            W[9] = W[10] = W[11] = W[12] = W[13] = W[14] = 0;
            W[15] = 768;
            compress(outerState, u);
            t[0] ^= u[0];
            t[1] ^= u[1];
            t[2] ^= u[2];
            t[3] ^= u[3];
            t[4] ^= u[4];
            t[5] ^= u[5];
            t[6] ^= u[6];
            t[7] ^= u[7];
          }
        }
        return false;
      }
      return job;
    }

    return { sha256: sha256, hmac: hmac, pbkdf2Job: pbkdf2Job, concat: concat };
  }

  var SHA = shaCore();

  function pbkdf2Sync(password, salt, iterations, length) {
    var job = SHA.pbkdf2Job(password, salt, iterations, length);
    job.step(Infinity);
    return job.result;
  }

  // HKDF-SHA256: extract with the salt, then expand with the label.
  function hkdfSync(ikm, salt, info, length) {
    var prk = SHA.hmac(salt, ikm);
    var out = new Uint8Array(length);
    var t = new Uint8Array(0);
    for (var i = 1, at = 0; at < length; i++) {
      var input = SHA.concat(SHA.concat(t, info), new Uint8Array([i]));
      t = SHA.hmac(prk, input);
      for (var j = 0; j < t.length && at < length; j++) {
        out[at++] = t[j];
      }
    }
    return out;
  }

  // ---- AES-256 (encryption direction only: GCM never needs the other) ---

  var AES_SBOX = new Uint8Array(256);
  var AES_T0 = new Int32Array(256);
  var AES_T1 = new Int32Array(256);
  var AES_T2 = new Int32Array(256);
  var AES_T3 = new Int32Array(256);
  (function () {
    // Powers and logarithms of the generator 3 give the field inverses.
    var exp = new Uint8Array(256);
    var log = new Uint8Array(256);
    for (var i = 0, x = 1; i < 255; i++) {
      exp[i] = x;
      log[x] = i;
      x ^= (x << 1) ^ (x & 0x80 ? 0x11b : 0);
    }
    for (var v = 0; v < 256; v++) {
      var inv = v === 0 ? 0 : exp[(255 - log[v]) % 255];
      var s = inv;
      for (var r = 1; r < 5; r++) {
        s ^= ((inv << r) | (inv >>> (8 - r))) & 255;
      }
      AES_SBOX[v] = s ^ 0x63;
    }
    for (v = 0; v < 256; v++) {
      var s1 = AES_SBOX[v];
      var s2 = ((s1 << 1) ^ (s1 & 0x80 ? 0x11b : 0)) & 255;
      var w = (s2 << 24) | (s1 << 16) | (s1 << 8) | (s2 ^ s1);
      AES_T0[v] = w;
      AES_T1[v] = (w >>> 8) | (w << 24);
      AES_T2[v] = (w >>> 16) | (w << 16);
      AES_T3[v] = (w >>> 24) | (w << 8);
    }
  })();

  function aesSubWord(w) {
    return (
      (AES_SBOX[w >>> 24] << 24) |
      (AES_SBOX[(w >>> 16) & 255] << 16) |
      (AES_SBOX[(w >>> 8) & 255] << 8) |
      AES_SBOX[w & 255]
    );
  }

  // The 60 round-key words of a 32-byte key.
  function aesExpandKey(key) {
    var rk = new Int32Array(60);
    var rcon = 1;
    for (var i = 0; i < 60; i++) {
      if (i < 8) {
        rk[i] = (key[4 * i] << 24) | (key[4 * i + 1] << 16) | (key[4 * i + 2] << 8) | key[4 * i + 3];
        continue;
      }
      var t = rk[i - 1];
      if (i % 8 === 0) {
        t = aesSubWord((t << 8) | (t >>> 24)) ^ (rcon << 24);
        rcon = (rcon << 1) ^ (rcon & 0x80 ? 0x11b : 0);
      } else if (i % 8 === 4) {
        t = aesSubWord(t);
      }
      rk[i] = rk[i - 8] ^ t;
    }
    return rk;
  }

  // Enciphers the four big-endian words in block, in place.
  function aesEncrypt(rk, block) {
    var s0 = block[0] ^ rk[0];
    var s1 = block[1] ^ rk[1];
    var s2 = block[2] ^ rk[2];
    var s3 = block[3] ^ rk[3];
    var k = 4;
    for (var round = 1; round < 14; round++, k += 4) {
      var t0 = AES_T0[s0 >>> 24] ^ AES_T1[(s1 >>> 16) & 255] ^ AES_T2[(s2 >>> 8) & 255] ^ AES_T3[s3 & 255] ^ rk[k];
      var t1 = AES_T0[s1 >>> 24] ^ AES_T1[(s2 >>> 16) & 255] ^ AES_T2[(s3 >>> 8) & 255] ^ AES_T3[s0 & 255] ^ rk[k + 1];
      var t2 = AES_T0[s2 >>> 24] ^ AES_T1[(s3 >>> 16) & 255] ^ AES_T2[(s0 >>> 8) & 255] ^ AES_T3[s1 & 255] ^ rk[k + 2];
      var t3 = AES_T0[s3 >>> 24] ^ AES_T1[(s0 >>> 16) & 255] ^ AES_T2[(s1 >>> 8) & 255] ^ AES_T3[s2 & 255] ^ rk[k + 3];
      s0 = t0;
      s1 = t1;
      s2 = t2;
      s3 = t3;
    }
    var S = AES_SBOX;
    block[0] = ((S[s0 >>> 24] << 24) | (S[(s1 >>> 16) & 255] << 16) | (S[(s2 >>> 8) & 255] << 8) | S[s3 & 255]) ^ rk[k];
    block[1] = ((S[s1 >>> 24] << 24) | (S[(s2 >>> 16) & 255] << 16) | (S[(s3 >>> 8) & 255] << 8) | S[s0 & 255]) ^ rk[k + 1];
    block[2] = ((S[s2 >>> 24] << 24) | (S[(s3 >>> 16) & 255] << 16) | (S[(s0 >>> 8) & 255] << 8) | S[s1 & 255]) ^ rk[k + 2];
    block[3] = ((S[s3 >>> 24] << 24) | (S[(s0 >>> 16) & 255] << 16) | (S[(s1 >>> 8) & 255] << 8) | S[s2 & 255]) ^ rk[k + 3];
  }

  // ---- AES-256-GCM decryption -------------------------------------------

  // GHASH multiplies by H; with the 128 products H*x^i computed once, a
  // block costs one table row per set bit.
  function ghashTable(h) {
    var table = new Int32Array(512);
    var v0 = h[0];
    var v1 = h[1];
    var v2 = h[2];
    var v3 = h[3];
    for (var i = 0; i < 128; i++) {
      table[4 * i] = v0;
      table[4 * i + 1] = v1;
      table[4 * i + 2] = v2;
      table[4 * i + 3] = v3;
      var carry = v3 & 1;
      v3 = (v3 >>> 1) | (v2 << 31);
      v2 = (v2 >>> 1) | (v1 << 31);
      v1 = (v1 >>> 1) | (v0 << 31);
      v0 = (v0 >>> 1) ^ (carry ? 0xe1000000 | 0 : 0);
    }
    return table;
  }

  function ghashBlocks(table, y, bytes) {
    var n = bytes.length;
    for (var at = 0; at < n; at += 16) {
      for (var w = 0; w < 4; w++) {
        var word = 0;
        for (var b = 0; b < 4; b++) {
          var i = at + 4 * w + b;
          word = (word << 8) | (i < n ? bytes[i] : 0);
        }
        y[w] ^= word;
      }
      var z0 = 0;
      var z1 = 0;
      var z2 = 0;
      var z3 = 0;
      for (w = 0; w < 4; w++) {
        var x = y[w];
        for (var bit = 0; bit < 32; bit++) {
          if (x & (0x80000000 >>> bit)) {
            var row = 4 * (32 * w + bit);
            z0 ^= table[row];
            z1 ^= table[row + 1];
            z2 ^= table[row + 2];
            z3 ^= table[row + 3];
          }
        }
      }
      y[0] = z0;
      y[1] = z1;
      y[2] = z2;
      y[3] = z3;
    }
  }

  // The plaintext of ciphertext||tag under a 32-byte key and a 12-byte IV,
  // or null when the tag does not match (nothing is deciphered then).
  function gcmDecryptSync(key, iv, aad, sealed) {
    if (key.length !== 32 || iv.length !== 12 || sealed.length < 16) {
      return null;
    }
    var rk = aesExpandKey(key);
    var h = new Int32Array(4);
    aesEncrypt(rk, h);
    var table = ghashTable(h);
    var n = sealed.length - 16;
    var data = sealed.subarray(0, n);
    var y = new Int32Array(4);
    ghashBlocks(table, y, aad);
    ghashBlocks(table, y, data);
    var lengths = new Uint8Array(16);
    var bits = [Math.floor(aad.length / 0x20000000), (aad.length * 8) >>> 0,
      Math.floor(n / 0x20000000), (n * 8) >>> 0];
    for (var i = 0; i < 16; i++) {
      lengths[i] = (bits[i >> 2] >>> (24 - 8 * (i & 3))) & 255;
    }
    ghashBlocks(table, y, lengths);
    var counter = new Int32Array(4);
    counter[0] = (iv[0] << 24) | (iv[1] << 16) | (iv[2] << 8) | iv[3];
    counter[1] = (iv[4] << 24) | (iv[5] << 16) | (iv[6] << 8) | iv[7];
    counter[2] = (iv[8] << 24) | (iv[9] << 16) | (iv[10] << 8) | iv[11];
    var block = new Int32Array(4);
    block.set(counter);
    block[3] = 1;
    aesEncrypt(rk, block);
    // Compare the whole tag whatever the first difference.
    var diff = 0;
    for (i = 0; i < 16; i++) {
      var expected = ((block[i >> 2] ^ y[i >> 2]) >>> (24 - 8 * (i & 3))) & 255;
      diff |= expected ^ sealed[n + i];
    }
    if (diff !== 0) {
      return null;
    }
    var out = new Uint8Array(n);
    for (var at = 0, ctr = 2; at < n; at += 16, ctr++) {
      block.set(counter);
      block[3] = ctr;
      aesEncrypt(rk, block);
      for (i = 0; i < 16 && at + i < n; i++) {
        out[at + i] = data[at + i] ^ ((block[i >> 2] >>> (24 - 8 * (i & 3))) & 255);
      }
    }
    return out;
  }

  // ---- Raw DEFLATE -------------------------------------------------------

  // The bytes of a raw DEFLATE stream; throws on damaged or cut data.
  // fflate's inflater, included before this file from npm.
  function inflateRawSync(input) {
    return fflate.inflateSync(input);
  }

  // ---- UTF-8 -------------------------------------------------------------

  // For browsers without TextDecoder: malformed sequences become U+FFFD.
  function utf8DecodeSync(bytes) {
    var units = new Uint16Array(bytes.length);
    var n = 0;
    for (var i = 0; i < bytes.length; ) {
      var b = bytes[i++];
      var c = 0xfffd;
      var more = b >= 0xf0 && b < 0xf5 ? 3 : b >= 0xe0 ? (b < 0xf0 ? 2 : -1) : b >= 0xc2 ? 1 : b < 0x80 ? 0 : -1;
      if (more === 0) {
        c = b;
      } else if (more > 0) {
        var v = b & (0x3f >> more);
        var min = [0, 0x80, 0x800, 0x10000][more];
        var j = 0;
        for (; j < more && i + j < bytes.length && (bytes[i + j] & 0xc0) === 0x80; j++) {
          v = (v << 6) | (bytes[i + j] & 0x3f);
        }
        if (j === more && v >= min && v <= 0x10ffff && (v < 0xd800 || v > 0xdfff)) {
          c = v;
          i += more;
        } else {
          i += j;
        }
      }
      if (c >= 0x10000) {
        c -= 0x10000;
        units[n++] = 0xd800 + (c >> 10);
        units[n++] = 0xdc00 + (c & 0x3ff);
      } else {
        units[n++] = c;
      }
    }
    var parts = [];
    for (i = 0; i < n; i += 8192) {
      parts.push(String.fromCharCode.apply(null, units.subarray(i, Math.min(n, i + 8192))));
    }
    return parts.join('');
  }
