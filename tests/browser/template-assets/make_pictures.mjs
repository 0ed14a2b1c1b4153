// Makes the JPEG files of the built-in template with headless Chromium:
//   albsite/bg/*.jpg                seamless background tiles, drawn on a canvas
//   albsite/index.jpg, slide.jpg    the template chooser's pictures: a folder
//                                   page and the slide show of an album
//                                   exported with albumsmith-cli, reduced
//
// Run through ctest's environment (ALBUMSMITH_CLI, ALBUMSMITH_BROWSER_PHOTOS,
// ALBUMSMITH_NODE_MODULES, see ../CMakeLists.txt) with the template
// directory to write into:
//   node make_pictures.mjs resources/albsite [bg|pages]

import fs from 'node:fs';
import path from 'node:path';

import * as h from '../harness.mjs';

const [target, only] = process.argv.slice(2);
if (!target) {
  console.error('usage: node make_pictures.mjs TEMPLATE_ALBSITE_DIR [bg|pages]');
  process.exit(2);
}

function saveDataUrl(file, dataUrl) {
  fs.writeFileSync(file, Buffer.from(dataUrl.slice(dataUrl.indexOf(',') + 1), 'base64'));
  console.log(file, fs.statSync(file).size, 'bytes');
}

// Each tile repeats without a seam: every pattern is periodic over the tile
// and the noise has no neighbourhood to break at the edges.
const TILES = {
  Linen: `
    const rnd = mulberry(7);
    const rows = Array.from({ length: S }, () => rnd() * 16 - 8);
    const cols = Array.from({ length: S }, () => rnd() * 16 - 8);
    for (let y = 0; y < S; y++) for (let x = 0; x < S; x++) {
      const v = 238 + rows[y] * ((x + y) % 2) + cols[x] * ((x + y + 1) % 2) + (rnd() * 6 - 3);
      put(x, y, v + 2, v - 2, v - 12);
    }`,
  Paper: `
    const rnd = mulberry(11);
    for (let y = 0; y < S; y++) for (let x = 0; x < S; x++) {
      const wave = 3 * Math.sin(2 * Math.PI * x / S * 3) * Math.cos(2 * Math.PI * y / S * 2);
      const v = 245 + wave + (rnd() * 8 - 4);
      put(x, y, v, v - 1, v - 6);
    }`,
  Slate: `
    const rnd = mulberry(23);
    for (let y = 0; y < S; y++) for (let x = 0; x < S; x++) {
      const stripe = ((x + y) % 16) < 1 ? -7 : 0;
      const v = 232 + stripe + (rnd() * 6 - 3);
      put(x, y, v - 8, v - 2, v + 4);
    }`,
  Dots: `
    const rnd = mulberry(31);
    for (let y = 0; y < S; y++) for (let x = 0; x < S; x++) {
      const dx = (x % 32) - 16, dy = (y % 32) - 16;
      const dot = dx * dx + dy * dy < 10 ? -16 : 0;
      const v = 244 + dot + (rnd() * 4 - 2);
      put(x, y, v + 2, v - 3, v - 10);
    }`,
};

async function backgrounds(browser) {
  const page = await browser.newPage();
  await page.setContent('<canvas id="c" width="256" height="256"></canvas>');
  const dir = path.join(target, 'bg');
  fs.mkdirSync(dir, { recursive: true });
  for (const [name, body] of Object.entries(TILES)) {
    const url = await page.evaluate((code) => {
      const S = 256;
      const canvas = document.getElementById('c');
      const ctx = canvas.getContext('2d');
      const img = ctx.createImageData(S, S);
      const clamp = (v) => Math.max(0, Math.min(255, Math.round(v)));
      const put = (x, y, r, g, b) => {
        const i = (y * S + x) * 4;
        img.data[i] = clamp(r); img.data[i + 1] = clamp(g); img.data[i + 2] = clamp(b); img.data[i + 3] = 255;
      };
      const mulberry = (seed) => () => {
        seed |= 0; seed = (seed + 0x6D2B79F5) | 0;
        let t = Math.imul(seed ^ (seed >>> 15), 1 | seed);
        t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
        return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
      };
      new Function('S', 'put', 'mulberry', code)(S, put, mulberry);
      ctx.putImageData(img, 0, 0);
      return canvas.toDataURL('image/jpeg', 0.9);
    }, body);
    saveDataUrl(path.join(dir, name + '.jpg'), url);
  }
  await page.close();
}

// A screenshot brought down to the chooser's size in halving steps, which
// keeps the text of the page legible.
async function reduced(browser, png, width) {
  const page = await browser.newPage();
  const url = await page.evaluate(async ({ data, width }) => {
    const img = new Image();
    img.src = 'data:image/png;base64,' + data;
    await img.decode();
    let canvas = document.createElement('canvas');
    canvas.width = img.naturalWidth;
    canvas.height = img.naturalHeight;
    canvas.getContext('2d').drawImage(img, 0, 0);
    while (canvas.width / 2 >= width) {
      const half = document.createElement('canvas');
      half.width = Math.round(canvas.width / 2);
      half.height = Math.round(canvas.height / 2);
      const ctx = half.getContext('2d');
      ctx.imageSmoothingQuality = 'high';
      ctx.drawImage(canvas, 0, 0, half.width, half.height);
      canvas = half;
    }
    const out = document.createElement('canvas');
    out.width = width;
    out.height = Math.round(canvas.height * width / canvas.width);
    const ctx = out.getContext('2d');
    ctx.imageSmoothingQuality = 'high';
    ctx.drawImage(canvas, 0, 0, out.width, out.height);
    return out.toDataURL('image/jpeg', 0.88);
  }, { data: png.toString('base64'), width });
  await page.close();
  return url;
}

async function pages(browser) {
  const root = h.tempDir('albumsmith-pictures-');
  try {
    const album = new h.Album(root);
    album.create('Holiday', [], {
      folders: ['Family', 'Travels/Coast', 'Travels/Mountains'],
      photos: {
        '': ['canon-ixus.jpg', 'sony-d700.jpg'],
        'Travels/Coast': ['nikon-e950.jpg', 'portrait_6.jpg', 'kodak-dc210.jpg', 'canon-ixus.jpg', 'sony-d700.jpg'],
      },
      comments: { 'canon-ixus.jpg': 'The wedding, June 2001', 'Travels/Coast/nikon-e950.jpg': 'Old guns by the harbour' },
    });
    album.exportSite('Holiday', path.join(root, 'site'));
    const server = await h.startStaticServer(path.join(root, 'site'), path.join(root, 'server.log'));
    try {
      const context = await browser.newContext({ viewport: { width: 1000, height: 640 } });
      const page = await context.newPage();
      for (const [name, rel] of [['index.jpg', 'Travels/Coast/'], ['slide.jpg', 'slide.html?i=0']]) {
        await page.goto(server.url + rel);
        await page.waitForFunction(() => [...document.images].every((img) => img.complete));
        await page.waitForTimeout(300);
        const png = await page.screenshot();
        saveDataUrl(path.join(target, name), await reduced(browser, png, 400));
      }
      await context.close();
    } finally {
      await server.stop();
    }
  } finally {
    fs.rmSync(root, { recursive: true, force: true });
  }
}

const browser = await h.launchBrowser();
try {
  if (!only || only === 'bg') await backgrounds(browser);
  if (!only || only === 'pages') await pages(browser);
} finally {
  await browser.close();
}
