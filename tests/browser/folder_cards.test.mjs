// What a visitor sees first: an album whose root holds no photos, only
// folders. Its front page shows the folders as cards (name, the first photo
// of the folder as cover, the number of photos), on the static and the PHP
// site, at desktop and phone widths; a folder without photos or sub-folders
// says so.

import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, it } from 'node:test';

import * as h from './harness.mjs';

h.requirePeers({ php: true });

const root = h.tempDir('albumsmith-cards-');
const album = new h.Album(root);
let browser;

const ALBUM = {
  folders: ['Trips/2004', 'Portraits', 'Empty'],
  photos: {
    Trips: ['kodak-dc210.jpg'],
    'Trips/2004': ['portrait_6.jpg', 'nikon-e950.jpg'],
    Portraits: ['sony-d700.jpg', 'canon-ixus.jpg'],
  },
  comments: {},
};

before(async () => {
  browser = await h.launchBrowser();
});

after(async () => {
  await browser?.close();
  if (!process.env.ALBUMSMITH_KEEP_SITES) fs.rmSync(root, { recursive: true, force: true });
});

async function cards(page) {
  await page.waitForFunction(() => [...document.images].every((img) => img.complete));
  return page.evaluate(() => ({
    cards: [...document.querySelectorAll('.folder-card')].map((card) => {
      const cover = card.querySelector('img.folder-cover');
      const box = card.getBoundingClientRect();
      return {
        name: card.querySelector('.folder-name').textContent,
        count: card.querySelector('.folder-count').textContent,
        cover: cover ? decodeURIComponent(new URL(cover.src).pathname.split('/').pop()) : null,
        coverLoaded: cover ? cover.complete && cover.naturalWidth > 0 : null,
        width: box.width,
        right: box.right,
      };
    }),
    empty: document.querySelector('.empty-folder')?.textContent ?? null,
    width: window.innerWidth,
    scrollWidth: document.scrollingElement.scrollWidth,
  }));
}

function siteTests(kind, start) {
  describe(`${kind} site`, () => {
    let server;
    before(async () => {
      server = await start();
    });
    after(async () => {
      await server?.stop();
    });

    for (const [device, settings] of [['desktop', h.DESKTOP], ['phone', h.PHONE]]) {
      it(`front page at ${device} width: one card per folder, in the tree's order`, async () => {
        const page = await h.openPage(browser, settings);
        await page.goto(server.url);
        const seen = await cards(page);
        assert.deepEqual(seen.cards.map((c) => [c.name, c.count, c.cover]), [
          ['Trips', '1 photo', 'kodak-dc210.jpg'],
          ['Portraits', '2 photos', 'canon-ixus.jpg'],  // first in the folder's own (name) order
          ['Empty', 'No photos', null],
        ]);
        assert.ok(seen.cards.every((c) => c.coverLoaded !== false), JSON.stringify(seen.cards));
        assert.ok(seen.cards.every((c) => c.right <= seen.width + 1 && c.width >= 120), JSON.stringify(seen));
        assert.ok(seen.scrollWidth <= seen.width, `page is ${seen.scrollWidth}px wide in ${seen.width}px`);
        assert.equal(seen.empty, null, 'a root with folders is not empty');
        await h.screenshot(page, `cards-${kind}-${device}`);
        assert.deepEqual(page.problems, []);
        await page.close();
      });
    }

    it('a card leads to its folder, whose own sub-folder shows as a card; an empty folder says so', async () => {
      const page = await h.openPage(browser);
      await page.goto(server.url);
      await page.locator('.folder-card', { hasText: 'Trips' }).click();
      await page.waitForLoadState('load');
      let seen = await cards(page);
      assert.deepEqual(seen.cards.map((c) => [c.name, c.count, c.cover]), [['2004', '2 photos', 'nikon-e950.jpg']]);
      assert.equal(await page.locator('#albumTitle').textContent(), 'Trips');

      await page.goto(server.url);
      await page.locator('.folder-card', { hasText: 'Empty' }).click();
      await page.waitForLoadState('load');
      seen = await cards(page);
      assert.deepEqual(seen.cards, []);
      assert.equal(seen.empty, 'This folder holds no photos yet.');
      assert.deepEqual(page.problems, []);
      await page.close();
    });
  });
}

siteTests('static', async () => {
  album.create('Cards', [], ALBUM);
  const out = path.join(root, 'static-site');
  album.exportSite('Cards', out);
  return h.startStaticServer(out, path.join(root, 'static-server.log'));
});

siteTests('PHP', async () => {
  album.create('CardsPhp', ['PHP=1'], ALBUM);
  const out = path.join(root, 'php-site');
  album.exportSite('CardsPhp', out);
  return h.startPhpServer(out, path.join(root, 'php-server.log'));
});
