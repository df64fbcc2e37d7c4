// Pages saved in other charsets: after login Chromium shows exactly the
// text it shows when the unprotected page is opened directly.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { after, before, describe, test } from 'node:test';
import * as h from './harness.mjs';

// row: the charset row of the project; iconv: glibc's name for the bytes;
// meta: what the unprotected page declares. The Shift-JIS and Big5 texts
// hold characters whose second byte is 0x5C, the ASCII backslash.
const CASES = [
  { row: 0, iconv: 'UTF-8', meta: 'utf-8', name: 'default', text: 'Café crème, 漢字とかな, 😀🎉' },
  {
    row: 0,
    iconv: 'UTF-8',
    meta: 'utf-8',
    name: 'default with a byte order mark',
    bom: [0xef, 0xbb, 0xbf],
    text: 'naïve été, 中文, 🐱',
  },
  { row: 32, iconv: 'UTF-8', meta: 'utf-8', name: 'utf-8', text: 'Grüße, Γειά, Привет, 👋' },
  {
    row: 34,
    iconv: 'WINDOWS-1251',
    meta: 'windows-1251',
    name: 'windows-1251',
    text: 'Съешь же ещё этих мягких булок №1',
  },
  { row: 28, iconv: 'SHIFT_JIS', meta: 'shift_jis', name: 'shift-jis', text: '日本語の表示、ソフト、能力、ｶﾀｶﾅ' },
  {
    row: 24,
    iconv: 'ISO-8859-7',
    meta: 'iso-8859-7',
    name: 'iso-8859-7',
    text: 'Ξεσκεπάζω την ψυχοφθόρα βδελυγμία',
  },
  { row: 26, iconv: 'KOI8-R', meta: 'koi8-r', name: 'koi8-r', text: 'Широкая электрификация южных губерний' },
  { row: 6, iconv: 'BIG5', meta: 'big5', name: 'big5', text: '繁體中文測試，許功蓋' },
  {
    row: 29,
    iconv: 'UTF-16LE',
    meta: 'utf-16le',
    name: 'UTF-16LE',
    bom: [0xff, 0xfe],
    text: 'Mixed: é, 漢字, Ω, 😀',
  },
  // Without a byte-order mark the row alone says how to read the bytes. A
  // browser opening the bare page ignores a UTF-16 meta and reads it as
  // UTF-8, so the protected page is held against the text itself.
  {
    row: 29,
    iconv: 'UTF-16LE',
    meta: 'utf-16le',
    name: 'UTF-16LE without a byte-order mark',
    text: 'Ünïcode ohne BOM, 漢字, 😀',
    bareUnreadable: true,
  },
  // The default row: the byte-order mark says UTF-16.
  {
    row: 0,
    iconv: 'UTF-16LE',
    meta: 'utf-16le',
    name: 'default with a UTF-16 byte-order mark',
    bom: [0xff, 0xfe],
    text: 'Zoë, Ωμέγα, 漢字, 🎉',
  },
];

// Twelve list lines, so that the page spans two enciphered chunks, the text
// in the title and an inline script that works on the text as a string.
function pageText(meta, text) {
  const items = [];
  for (let i = 1; i <= 12; i++) items.push(`<li>${i}: ${text}</li>`);
  return h.htmlPage({
    charset: meta,
    title: text,
    body: [
      `<h1 id="content">${text}</h1>`,
      '<ul>',
      ...items,
      '</ul>',
      '<p id="js"></p>',
      `<script>document.getElementById('js').textContent = Array.from('${text}').reverse().join('');</script>`,
    ].join('\r\n'),
  });
}

function encoded(testCase) {
  const bytes = execFileSync('iconv', ['-f', 'UTF-8', '-t', testCase.iconv], {
    input: pageText(testCase.meta, testCase.text),
  });
  return Buffer.concat([Buffer.from(testCase.bom ?? []), bytes]);
}

let browser;
let dir;
let server;
before(async () => {
  browser = await h.launchBrowser();
  dir = h.makeSite({});
  CASES.forEach((testCase, i) => {
    const bytes = encoded(testCase);
    h.addFiles(dir, { [`${i}/direct.html`]: bytes, [`${i}/page.html`]: bytes });
    h.protect(dir, `${i}/page.html`, { password: 'zürich', set: { charset: testCase.row } });
  });
  server = await h.serve(dir);
});
after(async () => {
  await browser?.close();
  await server?.close();
  if (dir) h.removeSite(dir);
});

async function shown(page) {
  return page.evaluate(() => ({
    text: document.body.innerText,
    title: document.title,
    mode: document.compatMode,
  }));
}

describe('page charsets', () => {
  CASES.forEach((testCase, i) => {
    test(`${testCase.name}: the same visible text as the unprotected page`, async () => {
      const context = await h.newContext(browser);
      const page = await context.newPage();
      const reversed = Array.from(testCase.text).reverse().join('');
      let direct = null;
      if (!testCase.bareUnreadable) {
        await page.goto(server.url(`${i}/direct.html`));
        direct = await shown(page);
        // The unprotected page itself reads right, or the comparison says
        // nothing.
        assert.equal(direct.title, testCase.text);
        assert.ok(direct.text.includes(`12: ${testCase.text}`));
        assert.ok(direct.text.includes(reversed));
      }

      await page.goto(server.url(`${i}/page.html`));
      assert.ok(await h.isLoginForm(page));
      await h.login(page, 'zürich');
      const unlocked = await shown(page);
      if (direct) {
        assert.deepEqual(unlocked, direct);
      } else {
        assert.equal(unlocked.title, testCase.text);
        const lines = unlocked.text.split('\n').filter((line) => line.trim() !== '');
        assert.deepEqual(lines, [
          testCase.text,
          ...Array.from({ length: 12 }, (_, n) => `${n + 1}: ${testCase.text}`),
          reversed,
        ]);
      }
      await context.close();
    });
  });
});
