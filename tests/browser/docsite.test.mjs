// A JavaScript-heavy documentation site in Chromium, over http and from
// files: the page's own scripts run once, after login, as they do without
// protection; a second page opens with the remembered login, without
// asking and without fetching the page's scripts twice.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';
import * as h from './harness.mjs';
import {
  DOC_PAGES,
  DOC_PASSWORD,
  DOC_PLAIN,
  DOC_SCRIPTS,
  DOC_STYLE,
  checkDocState,
  docLoaded,
  docSiteFiles,
  docState,
} from './docsite.mjs';

let dir;
let server;
let browser;
before(async () => {
  dir = h.makeSite(docSiteFiles());
  // Until the browser closes: the second page opens without asking (from
  // files too: the project shares file:// logins between tabs).
  h.protect(dir, DOC_PAGES, { password: DOC_PASSWORD, set: { loginExpire: 1, shareFileLogins: 1 } });
  server = await h.serve(dir);
  browser = await h.launchBrowser();
});
after(async () => {
  await browser?.close();
  await server?.close();
  if (dir) h.removeSite(dir);
});

// Page errors and console errors of every tab of the context.
function watchErrors(context) {
  const errors = [];
  context.on('page', (page) => {
    page.on('pageerror', (error) => errors.push(`${page.url()}: ${error.message}`));
    page.on('console', (message) => {
      if (message.type() === 'error') errors.push(`${page.url()}: console: ${message.text()}`);
    });
  });
  return errors;
}

describe(`a documentation site (${h.FORMAT_NAME} format, Chromium)`, () => {
  const ORIGINS = [
    { name: 'http', url: (n) => server.url(n), counts: true, modules: true },
    {
      name: 'file://',
      url: (n) => h.fileUrl(dir, n.split('#')[0]) + (n.includes('#') ? `#${n.split('#')[1]}` : ''),
      counts: false,
      modules: false,
    },
  ];
  for (const origin of ORIGINS) {
    test(`${origin.name}: scripts run once after login; the next page opens without asking`, async () => {
      const context = await h.newContext(browser);
      const errors = watchErrors(context);
      const page = await context.newPage();
      server.resetRequests();
      await page.goto(origin.url(`${DOC_PAGES[0]}#deep-anchor`));
      await h.waitForLoginForm(page);
      // Before login the title is readable and none of the page's scripts
      // has run or been fetched.
      assert.equal(await page.title(), 'Guide: intro');
      assert.equal(await page.evaluate(() => typeof window.__runs), 'undefined', 'no page script before login');
      if (origin.counts) {
        for (const script of DOC_SCRIPTS) assert.equal(server.requests(script), 0, `${script} before login`);
      }
      await page.evaluate(() => localStorage.setItem('docs-theme', 'dark'));

      // The same page unprotected, in a tab of its own.
      const plainTab = await context.newPage();
      await plainTab.goto(origin.url(`${DOC_PLAIN}#deep-anchor`));
      await plainTab.waitForFunction(docLoaded);
      const plain = await plainTab.evaluate(docState);
      await plainTab.goto(origin.url(`${DOC_PLAIN}`));
      await plainTab.waitForFunction(docLoaded);
      const plainTop = await plainTab.evaluate(docState);
      await plainTab.close();
      server.resetRequests();

      await h.login(page, DOC_PASSWORD, { expect: '#page-end' });
      await page.waitForFunction(docLoaded);
      const options = { modules: origin.modules, where: `${origin.name} first page` };
      checkDocState(await page.evaluate(docState), plain, { ...options, anchor: true });
      if (origin.counts) {
        for (const script of DOC_SCRIPTS) assert.equal(server.requests(script), 1, `${script} once`);
      }

      // A new tab while the first is open: the remembered login opens it
      // (from files, the open tab hands it over).
      server.resetRequests();
      const second = await context.newPage();
      await second.goto(origin.url(DOC_PAGES[1]));
      await second.waitForFunction(docLoaded);
      assert.equal(await second.title(), 'Guide: next');
      checkDocState(await second.evaluate(docState), plainTop, { ...options, where: `${origin.name} second page` });
      if (origin.counts) {
        for (const script of DOC_SCRIPTS) assert.equal(server.requests(script), 1, `${script} once on the second page`);
        // The login page keeps the style sheet for its own look; the
        // written page asks again only because this server forbids caching.
        assert.ok(server.requests(DOC_STYLE) <= 2, 'the style sheet at most once for each document');
        assert.equal(server.requests(DOC_PAGES[1]), 1, 'the page itself once');
      }
      // From files Chromium refuses the module, with or without protection.
      const refusedModule = (e) => !origin.modules && /search\.mjs|net::ERR_FAILED/.test(e);
      assert.deepEqual(errors.filter((e) => !refusedModule(e)), [], 'no page errors');

      // With no tab of the site open, a file page asks again; over http the
      // session's login still opens it.
      await page.close();
      await second.close();
      const third = await context.newPage();
      await third.goto(origin.url(DOC_PAGES[1]));
      assert.equal(await h.shownWithoutAsking(third, '#page-end'), origin.counts, 'a new tab with none open');
      await context.close();
    });
  }
});
