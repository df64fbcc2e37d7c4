// The login page itself: a submit that comes before the login script has
// taken the form over still logs in, "Unlocking..." is not shown as an
// error, and a site's own style sheet (kept with its head) neither shrinks
// nor recolours the login.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import * as h from './harness.mjs';

const SITE_HEAD = '<style>:root { font-size: 62.5%; } h1, label, p { color: rgb(255, 0, 0); }</style>';

let browser;
let dir;
let server;
before(async () => {
  browser = await h.launchBrowser();
  dir = h.makeSite({
    'page.html': h.htmlPage({ title: 'Styled site', head: SITE_HEAD, body: '<h1 id="content">Inside</h1>' }),
  });
  h.protect(dir, 'page.html', { password: 'Open Sesame' });
  server = await h.serve(dir);
});
after(async () => {
  await server?.close();
  await browser?.close();
  if (dir) h.removeSite(dir);
});

test('a submit at DOMContentLoaded is held and logs in, over http and file://', async () => {
  for (const url of [server.url('page.html'), h.fileUrl(dir, 'page.html')]) {
    const context = await h.newContext(browser);
    const page = await context.newPage();
    // Runs before the login script's own listeners: the form is not ours yet.
    await page.addInitScript(() => {
      document.addEventListener('DOMContentLoaded', () => {
        const form = document.getElementById('vxpform');
        if (form) {
          document.getElementById('vxppass').value = 'Open Sesame';
          form.requestSubmit();
        }
      });
    });
    await page.goto(url);
    await page.waitForSelector('#content', { state: 'attached', timeout: 5000 });
    assert.equal(await page.title(), 'Styled site', url);
    await context.close();
  }
});

test('the site head neither shrinks nor recolours the login; unlocking is a status', async () => {
  const context = await h.newContext(browser);
  const page = await context.newPage();
  await page.goto(server.url('page.html'));
  await h.waitForLoginForm(page);
  const looks = await page.evaluate(() => {
    const px = (el) => parseFloat(getComputedStyle(el).fontSize);
    return {
      label: px(document.querySelector('#vxplogin label')),
      title: px(document.querySelector('#vxplogin h1')),
      titleColour: getComputedStyle(document.querySelector('#vxplogin h1')).color,
      labelColour: getComputedStyle(document.querySelector('#vxplogin label')).color,
    };
  });
  assert.ok(looks.label >= 14, `label ${looks.label}px`);
  assert.ok(looks.title >= 22, `title ${looks.title}px`);
  assert.notEqual(looks.titleColour, 'rgb(255, 0, 0)');
  assert.notEqual(looks.labelColour, 'rgb(255, 0, 0)');

  await h.submitLogin(page, 'not it');
  // The wrong attempt is over once the field is marked (the box says
  // "Unlocking..." before that in the strong format).
  await page.waitForFunction(() => document.getElementById('vxppass').getAttribute('aria-invalid') === 'true');
  const errorColour = await page.evaluate(() => getComputedStyle(document.getElementById('vxperror')).color);
  if (h.STRONG) {
    // The submit sets the busy state at once; the derivation follows.
    const busy = await page.evaluate(() => {
      document.getElementById('vxppass').value = 'Open Sesame';
      document.getElementById('vxpform').requestSubmit();
      const box = document.getElementById('vxperror');
      return {
        text: box.textContent,
        colour: getComputedStyle(box).color,
        invalid: document.getElementById('vxppass').getAttribute('aria-invalid'),
      };
    });
    assert.match(busy.text, /^Unlocking/);
    assert.notEqual(busy.colour, errorColour, 'unlocking is not drawn as an error');
    assert.equal(busy.invalid, null, 'the earlier wrong attempt is no longer marked');
    await page.waitForSelector('#content', { state: 'attached', timeout: 5000 });
  }
  await context.close();
});
