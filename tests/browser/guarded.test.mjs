// A protected PHP album in a real browser: a visitor signs in through the
// form on the page, sees the folder of their group appear in the tree, and
// plays its slide show; the closed folder stays out of sight.

import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, it } from 'node:test';

import * as h from './harness.mjs';

h.requirePeers({ php: true });

const root = h.tempDir('albumsmith-guarded-');
const album = new h.Album(root);
let browser;
let server;

before(async () => {
  browser = await h.launchBrowser();
  album.create('Guarded', ['PHP=1', 'AccessSecurity=1', 'AccessUser=admin', 'AccessPassword=admin-pw', 'SlideBoard=0'], {
    folders: ['Family', 'Vault'],
    photos: { '': ['canon-ixus.jpg'], Family: ['nikon-e950.jpg', 'sony-d700.jpg', 'kodak-dc210.jpg'], Vault: ['portrait_6.jpg'] },
    comments: { 'Family/nikon-e950.jpg': 'Grandma at the lake' },
  });
  album.cli('group', 'add', 'family');
  album.cli('user', 'add', 'carol', '--password', 'carol-pw', '--groups', 'family');
  album.cli('rights', 'Guarded', '/', '--all');
  album.cli('rights', 'Guarded', 'Family', '--groups', 'family');
  album.cli('rights', 'Guarded', 'Vault', '--closed');
  const out = path.join(root, 'site');
  album.exportSite('Guarded', out);
  server = await h.startPhpServer(out, path.join(root, 'php-server.log'));
});

after(async () => {
  await server?.stop();
  await browser?.close();
  if (!process.env.ALBUMSMITH_KEEP_SITES) fs.rmSync(root, { recursive: true, force: true });
});

const treeTexts = (page) => page.$$eval('.dt-title', (titles) => titles.map((t) => t.textContent));

describe('protected PHP site', () => {
  it('signs in on the page, shows the group folder and plays its slide show; the closed folder stays hidden', async () => {
    const page = await h.openPage(browser);
    await page.goto(server.url);
    assert.deepEqual(await treeTexts(page), ['Guarded']);
    await h.screenshot(page, 'guarded-signed-out');

    // A wrong password: the message, and nothing more of the album.
    await page.fill('.login-form input[name=user]', 'carol');
    await page.fill('.login-form input[name=password]', 'wrong');
    await Promise.all([page.waitForLoadState('load'), page.click('.login-form button[type=submit]')]);
    await page.waitForSelector('.login-error');
    assert.equal(await page.textContent('.login-error'), 'Wrong user name or password.');
    assert.deepEqual(await treeTexts(page), ['Guarded']);

    await page.fill('.login-form input[name=user]', 'carol');
    await page.fill('.login-form input[name=password]', 'carol-pw');
    await Promise.all([page.waitForURL(/index\.php\?d=0$/), page.click('.login-form button[type=submit]')]);
    assert.match(await page.textContent('.login-user'), /Signed in as carol/);
    assert.deepEqual(await treeTexts(page), ['Guarded', 'Family']);
    const cookies = await page.context().cookies();
    const session = cookies.find((c) => c.name === 'albumsmith');
    assert.ok(session && session.httpOnly && session.sameSite === 'Lax', JSON.stringify(cookies));
    await h.screenshot(page, 'guarded-signed-in');

    await page.locator('.dt-link', { hasText: 'Family' }).click();
    await page.waitForLoadState('load');
    await page.waitForFunction(() => [...document.images].every((img) => img.complete));
    const thumbs = await page.$$eval('.thumbs .card img', (imgs) => imgs.map((img) => img.naturalWidth > 0 && /\.jpg\.php$/.test(img.src)));
    assert.deepEqual(thumbs, [true, true, true]);

    await page.locator('.thumbs .card a.thumb').first().click();
    await page.waitForFunction(() => {
      const s = window.albumsmith && window.albumsmith.state();
      return s && s.shown === 0;
    });
    const photo = await page.evaluate(() => {
      const img = document.getElementsByName('photo')[0];
      return { src: img.src, loaded: img.complete && img.naturalWidth > 0 };
    });
    assert.ok(photo.loaded && /albsite\/m\/Family\/.+\.jpg\.php$/.test(photo.src), JSON.stringify(photo));
    // The comment travels guarded too; index.php reads it for the page.
    assert.ok((await page.evaluate(() => [...window.comments])).includes('Grandma at the lake'));
    await page.selectOption('#selDelay', '1');
    if (!(await page.evaluate(() => window.albumsmith.state().playing))) await page.click('#btnPlay');
    await page.waitForFunction(() => {
      const s = window.albumsmith.state();
      const img = document.getElementsByName('photo')[0];
      return s && s.playing && s.shown === 1 && img.complete && img.naturalWidth > 0;
    }, null, { timeout: 10000 });
    await h.screenshot(page, 'guarded-slide-show');
    assert.deepEqual(page.problems, [], 'console errors, exceptions or failed requests');

    // The closed folder's medium image, asked for by address in the same session.
    const vault = await page.request.get(server.url + 'albsite/m/Vault/portrait_6.jpg.php');
    assert.equal(vault.status(), 403);
    assert.ok(!(await vault.body()).includes(Buffer.from([0xff, 0xd8, 0xff])));

    await page.goto(server.url + 'index.php?logout=1');
    assert.deepEqual(await treeTexts(page), ['Guarded']);
    await page.close();
  });
});
