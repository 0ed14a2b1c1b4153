// The built-in template in a real browser: an album of nested folders and
// real photos is exported with `albumsmith-cli site`, once as a static site
// served by a plain file server and once as a PHP site served by PHP's own
// server, and headless Chromium walks through it the way a visitor would.

import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, it } from 'node:test';

import * as h from './harness.mjs';

h.requirePeers({ php: true });

const root = h.tempDir('albumsmith-browser-');
const album = new h.Album(root);
let browser;

// The first background the template offers, chosen for both profiles.
function templateBackground() {
  const dir = path.join(path.dirname(h.paths.cli()), 'albsite', 'bg');
  const name = fs.readdirSync(dir).filter((f) => /\.jpg$/i.test(f)).sort()[0];
  assert.ok(name, `no background in ${dir}`);
  return path.join(dir, name);
}

const CUSTOM_TITLE = 'Summer <trips> & more';
const OWN_HTML = '<p class="own-page">Nothing here yet: see <a href="#">the trips</a>.</p>';

// The tests' album with a background, a custom title on Trips and the
// markup-named folder showing its own HTML.
function makeProfile(name, settings, on = album) {
  on.create(name, [`Background=${templateBackground()}`, ...settings]);
  const tree = on.imageTree(name);
  fs.writeFileSync(path.join(tree, 'Trips', 'Folder.ini'),
                   `[Settings]\nHtmlMode=0\nTitleMode=1\nTitleText=${CUSTOM_TITLE}\n`);
  fs.writeFileSync(path.join(tree, h.MARKUP_FOLDER, 'Folder.ini'), '[Settings]\nHtmlMode=1\nHtmlFile=Folder.html\n');
  fs.writeFileSync(path.join(tree, h.MARKUP_FOLDER, 'Folder.html'), OWN_HTML);
}

before(async () => {
  browser = await h.launchBrowser();
});

after(async () => {
  await browser?.close();
  if (!process.env.ALBUMSMITH_KEEP_SITES) fs.rmSync(root, { recursive: true, force: true });
});

// ------------------------------------------------------------------ helpers

async function folderPage(page) {
  return page.evaluate(() => {
    const visible = (el) => !!el && el.getClientRects().length > 0 && getComputedStyle(el).visibility !== 'hidden';
    const cards = [...document.querySelectorAll('.thumbs .card')];
    return {
      title: document.title,
      heading: document.getElementById('albumTitle').textContent,
      count: document.querySelector('.image-count').textContent.trim(),
      thumbs: cards.map((card) => {
        const img = card.querySelector('img');
        return {
          href: card.querySelector('a.thumb').getAttribute('href'),
          title: img.title,
          date: card.querySelector('.date').textContent,
          loaded: img.complete && img.naturalWidth > 0,
        };
      }),
      tree: [...document.querySelectorAll('.dt-item')].filter((item) => visible(item)).map((item) => ({
        text: item.querySelector(':scope > .dt-row .dt-title').textContent,
        selected: item.classList.contains('dt-selected'),
      })),
      markupInTree: document.querySelectorAll('.dtree b').length,
      ownHtml: document.querySelector('#content .own-page')?.textContent ?? null,
      slideLink: visible(document.querySelector('#slide_block a.node')),
      credit: document.querySelector('.credit').textContent,
      background: getComputedStyle(document.body).backgroundImage,
    };
  });
}

async function slideState(page) {
  return page.evaluate(() => {
    const photo = document.getElementsByName('photo')[0];
    return {
      ...window.albumsmith.state(),
      photo: decodeURIComponent(new URL(photo.src, location.href).pathname),
      photoLoaded: photo.complete && photo.naturalWidth > 0 && photo.style.display !== 'none',
      counter: document.getElementById('counter').textContent,
      comment: document.getElementById('comment').textContent,
      date: document.getElementById('date').textContent,
      boardVisible: !document.getElementById('board').hidden,
      prevDisabled: document.getElementById('btnPrev').disabled,
      nextDisabled: document.getElementById('btnNext').disabled,
    };
  });
}

async function waitShown(page, index) {
  await page.waitForFunction((i) => {
    const s = window.albumsmith && window.albumsmith.state();
    const photo = document.getElementsByName('photo')[0];
    return s && s.shown === i && s.index === i && photo.complete && photo.naturalWidth > 0;
  }, index, { timeout: 10000 });
}

async function noHorizontalOverflow(page) {
  const sizes = await page.evaluate(() => {
    const wide = [...document.querySelectorAll('body *')].filter((el) => {
      const r = el.getBoundingClientRect();
      return r.width > 0 && (r.right > window.innerWidth + 1 || r.left < -1) && !el.closest('.board');
    }).map((el) => `${el.tagName.toLowerCase()}.${el.className}`);
    return { scroll: document.scrollingElement.scrollWidth, width: window.innerWidth, wide };
  });
  assert.ok(sizes.scroll <= sizes.width, `page is ${sizes.scroll}px wide in a ${sizes.width}px window`);
  assert.deepEqual(sizes.wide, [], 'elements sticking out of the window');
}

function assertClean(page) {
  assert.deepEqual(page.problems, [], 'console errors, exceptions or failed requests');
}

// Drags a finger across the photo, as a swipe on a phone.
async function swipe(page, dx) {
  const box = await page.locator('#stage').boundingBox();
  const x = box.x + box.width / 2;
  const y = box.y + box.height / 2;
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x, y }] });
  for (let s = 1; s <= 5; s++) {
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: [{ x: x + (dx * s) / 5, y }] });
  }
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
  await cdp.detach();
}

// The two profiles: a static one with the defaults, and a PHP one whose
// slide show starts without the board and does not repeat.
const SITES = {
  static: { profile: 'Holiday', settings: [] },
  php: { profile: 'Webby', settings: ['PHP=1', 'SlideBoard=0', 'SlideRepeat=0'] },
};

// ------------------------------------------------------------- static site

function staticSiteTests(title, prepare, shots) {
describe(title, () => {
  let server;
  const site = SITES.static;
  const url = (rel = '') => server.url + rel;

  before(async () => {
    const out = await prepare(site);
    server = await h.startStaticServer(out, path.join(root, `${shots}-server.log`));
  });

  after(async () => {
    await server?.stop();
  });

  it('folder page: title, tree with the current folder open, thumbnails with dates and comments, count, links', async () => {
    const page = await h.openPage(browser);
    await page.goto(url());
    await page.waitForFunction(() => [...document.images].every((img) => img.complete));
    const p = await folderPage(page);
    assert.equal(p.title, 'Holiday');
    assert.equal(p.heading, 'Holiday');
    assert.equal(p.count, '3 Images');
    assert.deepEqual(p.thumbs.map((t) => t.href), ['slide.html?i=0', 'slide.html?i=1', 'slide.html?i=2']);
    assert.ok(p.thumbs.every((t) => t.loaded), 'every thumbnail loads');
    const byTitle = Object.fromEntries(p.thumbs.map((t) => [t.title, t.date]));
    assert.ok('Lake "Blue" <dawn> & mist' in byTitle, JSON.stringify(p.thumbs));
    assert.ok("Bob's café" in byTitle, JSON.stringify(p.thumbs));
    assert.ok(p.thumbs.every((t) => /^\d\d-[a-z]{3}-\d\d \d\d:\d\d:\d\d$/.test(t.date)), JSON.stringify(p.thumbs));
    // The root is open: its folders show, the nested one stays folded.
    assert.deepEqual(p.tree, [
      { text: 'Holiday', selected: true },
      { text: 'Trips', selected: false },
      { text: h.MARKUP_FOLDER, selected: false },
    ]);
    assert.ok(p.slideLink);
    assert.match(p.credit, /Created by Albumsmith v\d+\.\d+/);
    assert.match(p.background, /albsite\/bg\/[^/]+\.jpg/);
    assertClean(page);
    await page.close();
  });

  it('a nested folder is reached through the tree, which then shows it open and current', async () => {
    const page = await h.openPage(browser);
    await page.goto(url());
    await page.locator('.dt-link', { hasText: 'Trips' }).click();
    await page.waitForURL(url('Trips/'));
    let p = await folderPage(page);
    assert.equal(p.title, CUSTOM_TITLE);
    assert.equal(p.heading, CUSTOM_TITLE);
    assert.deepEqual(p.tree.map((t) => t.text), ['Holiday', 'Trips', '2004', h.MARKUP_FOLDER]);

    await page.locator('.dt-link', { hasText: '2004' }).click();
    await page.waitForURL(url('Trips/2004/'));
    p = await folderPage(page);
    assert.equal(p.title, 'Trips - 2004');
    assert.equal(p.count, '2 Images');
    assert.deepEqual(p.tree.filter((t) => t.selected).map((t) => t.text), ['2004']);
    assert.equal(p.thumbs.length, 2);

    // Folding the root hides the whole branch.
    await page.locator('.dt-item[data-id="0"] > .dt-row .dt-toggle').click();
    p = await folderPage(page);
    assert.deepEqual(p.tree.map((t) => t.text), ['Holiday']);
    assertClean(page);
    await page.close();
  });

  it('names and comments are shown as text, never run as markup', async () => {
    const page = await h.openPage(browser);
    await page.goto(url());
    await page.locator('.dt-link', { hasText: h.MARKUP_FOLDER }).click();
    await page.waitForLoadState('load');
    const p = await folderPage(page);
    assert.equal(p.markupInTree, 0);
    assert.deepEqual(p.tree.filter((t) => t.selected).map((t) => t.text), [h.MARKUP_FOLDER]);
    // A folder without images showing its own HTML: no count, no slide show link.
    assert.equal(p.count, '');
    assert.equal(p.slideLink, false);
    assert.equal(p.ownHtml, 'Nothing here yet: see the trips.');
    assertClean(page);
    // The page title is the folder's name as it is, "&amp;" included.
    assert.equal(p.title, h.MARKUP_FOLDER);
    assert.equal(p.heading, h.MARKUP_FOLDER);
    await page.close();
  });

  it('a thumbnail opens the slide show on its image; next, previous and the keys move through the folder', async () => {
    const page = await h.openPage(browser);
    await page.goto(url());
    await page.locator('.thumbs .card a.thumb').nth(1).click();
    await page.waitForURL(/slide\.html\?i=1$/);
    await waitShown(page, 1);
    let s = await slideState(page);
    assert.equal(s.counter, '2 / 3');
    assert.equal(s.playing, false);
    assert.ok(s.photoLoaded);
    assert.match(s.photo, /\/albsite\/m\/nikon-e950\.jpg$/);

    await page.click('#btnNext');
    await waitShown(page, 2);
    s = await slideState(page);
    assert.equal(s.comment, "Bob's café");
    assert.match(s.date, /^\d\d-[a-z]{3}-\d\d /);
    // Repeat is on: next after the last is the first.
    await page.click('#btnNext');
    await waitShown(page, 0);
    assert.equal((await slideState(page)).comment, 'Lake "Blue" <dawn> & mist');
    await page.click('#btnPrev');
    await waitShown(page, 2);

    const keys = [['ArrowLeft', 1], ['Home', 0], ['ArrowRight', 1], ['End', 2]];
    for (const [key, index] of keys) {
      await page.keyboard.press(key);
      await waitShown(page, index);
    }
    assert.match(page.url(), /[?&]i=2$/);
    assertClean(page);
    await page.close();
  });

  it('?s=1 plays by itself at the chosen delay; pause and the space bar stop and start it', async () => {
    const page = await h.openPage(browser);
    await page.goto(url('slide.html?s=1'));
    await waitShown(page, 0);
    assert.equal((await slideState(page)).playing, true);
    await page.selectOption('#selDelay', '1');
    await waitShown(page, 1);
    await page.click('#btnPlay');
    let s = await slideState(page);
    assert.equal(s.playing, false);
    await page.waitForTimeout(1600);
    assert.equal((await slideState(page)).index, s.index, 'paused show stays');

    await page.keyboard.press('Space');
    assert.equal((await slideState(page)).playing, true);
    await waitShown(page, (s.index + 1) % 3);
    await page.keyboard.press('Space');
    s = await slideState(page);
    assert.equal(s.playing, false);
    assertClean(page);
    await page.close();
  });

  it('the board toggles and picks images; the Exif page is one click away; Escape goes back to the folder', async () => {
    const page = await h.openPage(browser);
    await page.goto(url('Trips/2004/slide.html?i=0'));
    await waitShown(page, 0);
    let s = await slideState(page);
    assert.equal(s.boardVisible, true);
    assert.equal(await page.locator('.board-item').count(), 2);
    await page.locator('.board-item').nth(1).click();
    await waitShown(page, 1);
    assert.equal((await slideState(page)).comment, 'Standing tall');
    await page.click('#btnBoard');
    assert.equal((await slideState(page)).boardVisible, false);
    await page.click('#btnBoard');
    assert.equal((await slideState(page)).boardVisible, true);

    await page.click('#btnExif');
    const exif = page.frameLocator('#exifFrame');
    await exif.locator('text=File name').waitFor();
    assert.match(await exif.locator('body').textContent(), /portrait_6\.jpg/);
    await page.keyboard.press('Escape');  // closes the dialog only
    await page.waitForFunction(() => !document.getElementById('exifDialog').open);
    assert.match(page.url(), /slide\.html/);

    await page.keyboard.press('Escape');
    await page.waitForURL(url('Trips/2004/#1'));
    assert.equal((await folderPage(page)).title, 'Trips - 2004');
    assertClean(page);
    await page.close();
  });

  it('an address with a malformed escape opens the slide show at the first image', async () => {
    for (const query of ['i=%E0', 'i=%', 'd=%E0&i=1%']) {
      const page = await h.openPage(browser);
      await page.goto(url(`slide.html?${query}`));
      await waitShown(page, 0);
      assert.equal((await slideState(page)).counter, '1 / 3', query);
      assertClean(page);
      await page.close();
    }
  });

  it('the loading picture shows while the next image is on its way, and goes when it has come', async () => {
    const page = await h.openPage(browser);
    await page.goto(url('slide.html?i=0'));
    await waitShown(page, 0);
    let release;
    const held = new Promise((resolve) => { release = resolve; });
    await page.route('**/albsite/m/nikon-e950.jpg', async (route) => {
      await held;
      await route.continue();
    });
    const loading = page.locator('img[name="loading"]');
    assert.equal(await loading.isVisible(), false);
    await page.click('#btnNext');
    await loading.waitFor({ state: 'visible' });
    assert.match(await loading.getAttribute('src'), /albsite\/images\/loading\.gif$/);
    assert.equal((await slideState(page)).counter, '2 / 3');
    release();
    await waitShown(page, 1);
    await loading.waitFor({ state: 'hidden' });
    assertClean(page);
    await page.close();
  });

  it('every transition of the list runs and leaves the new picture alone', async () => {
    const page = await h.openPage(browser);
    await page.goto(url('slide.html?i=0'));
    await waitShown(page, 0);
    await page.selectOption('#selDelay', '1');  // short transitions
    const effects = await page.$$eval('#selTrans option', (options) => options.map((o) => [o.value, o.text]));
    assert.equal(effects.length, 26);  // "No effect" and the 25 of the profile's list
    let index = 0;
    for (const [value, name] of effects) {
      await page.selectOption('#selTrans', value);
      await page.evaluate(() => {
        window.ghostSeen = false;
        new MutationObserver((records) => {
          if (records.some((r) => [...r.addedNodes].some((n) => n.classList && n.classList.contains('ghost')))) {
            window.ghostSeen = true;
          }
        }).observe(document.getElementById('frame'), { childList: true });
      });
      await page.click('#btnNext');
      index = (index + 1) % 3;
      await waitShown(page, index);
      await page.waitForFunction(() => !document.querySelector('.ghost'), null, { timeout: 5000 });
      const seen = await page.evaluate(() => window.ghostSeen);
      assert.equal(seen, value !== '-1', `${name}: outgoing picture animated`);
    }
    assertClean(page);
    await page.close();
  });

  it('on a 390 x 844 phone nothing overflows, and a swipe changes the image', async () => {
    const page = await h.openPage(browser, h.PHONE);
    await page.goto(url());
    await page.waitForFunction(() => [...document.images].every((img) => img.complete));
    await noHorizontalOverflow(page);
    await h.screenshot(page, `${shots}-folder-phone`);
    // The folded tree opens on a tap.
    await page.locator('#folders > summary').tap();
    await page.locator('.dt-link', { hasText: 'Trips' }).waitFor();
    await noHorizontalOverflow(page);

    await page.goto(url('slide.html?i=0'));
    await waitShown(page, 0);
    await noHorizontalOverflow(page);
    await h.screenshot(page, `${shots}-slide-phone`);
    await swipe(page, -160);
    await waitShown(page, 1);
    await swipe(page, 160);
    await waitShown(page, 0);
    assertClean(page);
    await page.close();
  });

  it('desktop screenshots of a folder page and the slide show', async () => {
    const page = await h.openPage(browser);
    await page.goto(url('Trips/2004/'));
    await page.waitForFunction(() => [...document.images].every((img) => img.complete));
    await noHorizontalOverflow(page);
    await h.screenshot(page, `${shots}-folder-desktop`);
    await page.goto(url('slide.html?i=0'));
    await waitShown(page, 0);
    await noHorizontalOverflow(page);
    await h.screenshot(page, `${shots}-slide-desktop`);
    assertClean(page);
    await page.close();
  });
});
}

// The site exported to a local folder.
staticSiteTests('static site', async (site) => {
  makeProfile(site.profile, site.settings);
  const out = path.join(root, 'static');
  const printed = album.exportSite(site.profile, out);
  assert.match(printed, /wrote 4 folder\(s\) and 8 page\(s\)/);
  return out;
}, 'static');

// The same album published to an FTP server, then served from the FTP
// server's own files: what a visitor of the user's hosting gets.
staticSiteTests('published static site', async (site) => {
  const published = new h.Album(path.join(root, 'published'));
  const ftpRoot = path.join(root, 'ftp-root');
  fs.mkdirSync(ftpRoot, { recursive: true });
  makeProfile(site.profile, site.settings, published);
  const ftp = await h.startFtpServer(ftpRoot, path.join(root, 'ftp-server.log'));
  try {
    published.cli('profile', 'set', site.profile, `ServerName=${ftp.address}`, 'Login=joe', 'Password=pw',
                  'RemoteDir=/album/');
    published.cli('--yes', 'sync', site.profile);
  } finally {
    await ftp.stop();
  }
  return path.join(ftpRoot, 'album');
}, 'published');

// ---------------------------------------------------------------- PHP site

describe('PHP site', () => {
  let server;
  const site = SITES.php;
  const url = (query = '') => server.url + query;
  const folderIds = {};

  before(async () => {
    makeProfile(site.profile, site.settings);
    const out = path.join(root, 'php');
    const printed = album.exportSite(site.profile, out);
    assert.match(printed, /page index\.php/);
    assert.ok(!fs.existsSync(path.join(out, 'index.html')), 'a PHP site has no static pages');
    for (const line of fs.readFileSync(path.join(out, 'albsite/js/dir.js'), 'utf8').split('\n')) {
      const [id, , name] = line.split('\t');
      if (name) folderIds[name] = id;
    }
    server = await h.startPhpServer(out, path.join(root, 'php-server.log'));
  });

  after(async () => {
    await server?.stop();
  });

  it('index.php serves the folders and the tree; a nested folder is reached through the tree', async () => {
    const page = await h.openPage(browser);
    await page.goto(url());
    await page.waitForFunction(() => [...document.images].every((img) => img.complete));
    let p = await folderPage(page);
    assert.equal(p.title, 'Webby');
    assert.equal(p.count, '3 Images');
    assert.ok(p.thumbs.every((t) => t.loaded));
    assert.deepEqual(p.thumbs.map((t) => t.href), [0, 1, 2].map((i) => `?s=1&d=0&i=${i}`));
    assert.ok(p.thumbs.some((t) => t.title === 'Lake "Blue" <dawn> & mist'));
    assert.deepEqual(p.tree, [
      { text: 'Webby', selected: true },
      { text: 'Trips', selected: false },
      { text: h.MARKUP_FOLDER, selected: false },
    ]);
    assert.equal(p.markupInTree, 0);
    assert.ok(p.slideLink);
    assert.match(p.background, /albsite\/bg\/[^/]+\.jpg/);

    await page.locator('.dt-link', { hasText: 'Trips' }).click();
    await page.waitForURL(url(`?d=${folderIds.Trips}`));
    p = await folderPage(page);
    assert.equal(p.title, CUSTOM_TITLE);  // from var.inf
    await page.locator('.dt-link', { hasText: '2004' }).click();
    await page.waitForURL(url(`?d=${folderIds['2004']}`));
    p = await folderPage(page);
    assert.equal(p.title, 'Trips - 2004');
    assert.equal(p.count, '2 Images');
    assert.deepEqual(p.tree.filter((t) => t.selected).map((t) => t.text), ['2004']);

    await page.locator('.dt-link', { hasText: h.MARKUP_FOLDER }).click();
    await page.waitForLoadState('load');
    p = await folderPage(page);
    assert.equal(p.title, h.MARKUP_FOLDER);
    assert.equal(p.markupInTree, 0);
    assert.equal(p.slideLink, false);
    assert.equal(p.ownHtml, 'Nothing here yet: see the trips.');  // Folder.html beside the thumbnails
    assertClean(page);
    await page.close();
  });

  it('the slide show through index.php, with the board off and no repeat as the profile says', async () => {
    const page = await h.openPage(browser);
    const d = folderIds['2004'];
    await page.goto(url(`?d=${d}`));
    await page.locator('.thumbs .card a.thumb').nth(1).click();
    await page.waitForURL(url(`?s=1&d=${d}&i=1`));
    await waitShown(page, 1);
    let s = await slideState(page);
    assert.equal(s.boardVisible, false);
    assert.equal(s.playing, false);
    assert.equal(s.nextDisabled, true);  // the last image, and no repeat
    assert.match(s.photo, /\/albsite\/m\/Trips\/2004\/portrait_6\.jpg$/);
    await page.click('#btnPrev');
    await waitShown(page, 0);
    s = await slideState(page);
    assert.equal(s.prevDisabled, true);
    await page.click('#btnBoard');
    assert.equal((await slideState(page)).boardVisible, true);

    // Playing stops at the end of a show that does not repeat.
    await page.selectOption('#selDelay', '1');
    await page.click('#btnPlay');
    await waitShown(page, 1);
    await page.waitForFunction(() => !window.albumsmith.state().playing, null, { timeout: 5000 });

    await page.click('#btnExif');
    await page.frameLocator('#exifFrame').locator('text=File name').waitFor();
    await page.click('#exifClose');

    await page.click('#back');
    await page.waitForURL(url(`?d=${d}#1`));
    assert.equal((await folderPage(page)).title, 'Trips - 2004');

    // The folder's own slide show link plays it.
    await page.locator('#slide_block a.node').click();
    await page.waitForURL((u) => u.search.startsWith(`?s=1&d=${d}`));
    await waitShown(page, 0);
    assert.equal((await slideState(page)).playing, true);
    assertClean(page);
    await page.close();
  });

  it('request parameters are validated: anything but a listed folder id gives the root', async () => {
    const cases = [
      ['?d=999', 'Webby'],
      ['?d=-1', 'Webby'],
      ['?d=../../etc', 'Webby'],
      ['?d=1%00', 'Webby'],
      ['?d[]=1', 'Webby'],
      ['?d=0x1', 'Webby'],
      ['?d=%20' + folderIds.Trips, 'Webby'],
      [`?d=${folderIds.Trips}`, CUSTOM_TITLE],
      ['?s=1&d=../albsite', 'Webby'],
      ['?s[]=1', 'Webby'],
    ];
    for (const [query, title] of cases) {
      const response = await fetch(url(query));
      const body = await response.text();
      assert.equal(response.status, 200, query);
      assert.match(body, new RegExp(`<title>${title.replace(/[&<>]/g, (c) => ({ '&': '&amp;', '<': '&lt;', '>': '&gt;' })[c])}</title>`), query);
      assert.doesNotMatch(body, /(Warning|Notice|Deprecated|Fatal error|Parse error)\b.*:/, query);
    }
    const page = await h.openPage(browser);
    await page.goto(url('?s=1&d=../albsite&i=2'));
    await waitShown(page, 2);
    assert.match((await slideState(page)).photo, /^\/albsite\/m\/sony-d700\.jpg$/);
    assertClean(page);
    await page.close();
  });

  it('on a 390 x 844 phone nothing overflows; screenshots at both widths', async () => {
    for (const [device, suffix] of [[h.PHONE, 'phone'], [h.DESKTOP, 'desktop']]) {
      const page = await h.openPage(browser, device);
      await page.goto(url(`?d=${folderIds['2004']}`));
      await page.waitForFunction(() => [...document.images].every((img) => img.complete));
      await noHorizontalOverflow(page);
      await h.screenshot(page, `php-folder-${suffix}`);
      await page.goto(url(`?s=1&d=${folderIds['2004']}&i=0`));
      await waitShown(page, 0);
      await noHorizontalOverflow(page);
      await h.screenshot(page, `php-slide-${suffix}`);
      assertClean(page);
      await page.close();
    }
  });

  it('the PHP server logged no warning, notice or error', () => {
    const diagnostics = server.log().split('\n').filter((line) => /PHP (Warning|Notice|Deprecated|Fatal|Parse)/.test(line));
    assert.deepEqual(diagnostics, []);
  });
});
