// What the browser tests share: the peers they need, the album they export
// with albumsmith-cli, the servers that show it on 127.0.0.1 and the browser.
//
// Every process started here is stopped here, by its PID.

import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { setTimeout as sleep } from 'node:timers/promises';

export const CHROMIUM = '/usr/bin/chromium';

const env = (name) => {
  const value = process.env[name];
  if (!value) throw new Error(`${name} is not set: run the browser tests through ctest (label "browser")`);
  return value;
};

function onPath(program) {
  for (const dir of (process.env.PATH || '').split(':')) {
    const file = path.join(dir || '.', program);
    try {
      fs.accessSync(file, fs.constants.X_OK);
      return file;
    } catch { /* next */ }
  }
  return null;
}

// A missing peer fails the run with what to install: these tests are never
// skipped quietly.
export function requirePeers({ php = false } = {}) {
  const missing = [];
  try {
    fs.accessSync(CHROMIUM, fs.constants.X_OK);
  } catch {
    missing.push(`${CHROMIUM} (Debian package chromium)`);
  }
  if (!onPath('python3')) missing.push('python3');
  if (php && !onPath('php')) missing.push('php (Debian package php-cli)');
  if (missing.length) {
    throw new Error(`browser tests cannot run, missing: ${missing.join(', ')}; run scripts/install-deps.sh`);
  }
}

export const paths = {
  cli: () => env('ALBUMSMITH_CLI'),
  photos: () => env('ALBUMSMITH_BROWSER_PHOTOS'),
  screenshots: () => env('ALBUMSMITH_SCREENSHOTS'),
  // The npm packages are installed in the build tree, not beside the sources.
  nodeModules: () => env('ALBUMSMITH_NODE_MODULES'),
};

export function tempDir(prefix) {
  return fs.mkdtempSync(path.join(os.tmpdir(), prefix));
}

// ------------------------------------------------------------------- album

export class Album {
  constructor(root) {
    this.root = root;
    this.config = path.join(root, 'config');
    this.profiles = path.join(root, 'profiles');
  }

  cli(...args) {
    try {
      return execFileSync(paths.cli(), ['--config-dir', this.config, '--profiles-dir', this.profiles, ...args], {
        encoding: 'utf8',
        stdio: ['ignore', 'pipe', 'pipe'],
      });
    } catch (e) {
      throw new Error(`albumsmith-cli ${args.join(' ')} failed (${e.status}): ${e.stderr || e.message}`);
    }
  }

  imageTree(profile) {
    return path.join(this.profiles, profile, 'ImageTree');
  }

  // By default the tests' album: nested folders of real photos, comments
  // with characters that must be escaped, and a folder whose name looks
  // like markup.
  create(profile, settings = [], { folders = FOLDERS, photos = PHOTOS, comments = COMMENTS } = {}) {
    this.cli('--yes', 'profile', 'create', profile, '--server', 'ftp.example.org', '--login', 'joe', '--password',
             'pw', '--remote-dir', '/album/', '--php', '0');
    if (settings.length) this.cli('profile', 'set', profile, ...settings);
    for (const folder of folders) this.cli('folder', 'add', profile, folder);
    const tree = this.imageTree(profile);
    for (const [folder, names] of Object.entries(photos)) {
      for (const photo of names) fs.copyFileSync(path.join(paths.photos(), photo), path.join(tree, folder, photo));
    }
    for (const [file, comment] of Object.entries(comments)) fs.writeFileSync(path.join(tree, file + '.comment'), comment);
  }

  exportSite(profile, out) {
    return this.cli('site', profile, '--out', out);
  }
}

export const MARKUP_FOLDER = "Bob's <b>&amp; co";
export const FOLDERS = ['Trips/2004', MARKUP_FOLDER];
export const PHOTOS = {
  '': ['canon-ixus.jpg', 'nikon-e950.jpg', 'sony-d700.jpg'],
  Trips: ['kodak-dc210.jpg'],
  'Trips/2004': ['portrait_6.jpg', 'nikon-e950.jpg'],
};
export const COMMENTS = {
  'canon-ixus.jpg': 'Lake "Blue" <dawn> & mist',
  'sony-d700.jpg': "Bob's café",
  'Trips/2004/portrait_6.jpg': 'Standing tall',
};

// ----------------------------------------------------------------- servers

async function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.unref();
    server.on('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

async function waitForPort(port, child, log, timeoutMs = 10000) {
  const end = Date.now() + timeoutMs;
  while (Date.now() < end) {
    if (child.exitCode !== null) throw new Error(`server exited (${child.exitCode}): ${log()}`);
    const open = await new Promise((resolve) => {
      const socket = net.connect(port, '127.0.0.1');
      socket.once('connect', () => { socket.destroy(); resolve(true); });
      socket.once('error', () => resolve(false));
    });
    if (open) return;
    await sleep(50);
  }
  throw new Error(`server did not listen on 127.0.0.1:${port}: ${log()}`);
}

class Server {
  constructor(child, port, logFile) {
    this.child = child;
    this.pid = child.pid;
    this.port = port;
    this.url = `http://127.0.0.1:${port}/`;
    this.logFile = logFile;
  }

  log() {
    try { return fs.readFileSync(this.logFile, 'utf8'); } catch { return ''; }
  }

  async stop() {
    if (this.child.exitCode !== null || this.child.signalCode !== null) return;
    const exited = new Promise((resolve) => this.child.once('exit', resolve));
    process.kill(this.pid, 'SIGTERM');
    const done = await Promise.race([exited.then(() => true), sleep(3000).then(() => false)]);
    if (!done) {
      process.kill(this.pid, 'SIGKILL');
      await exited;
    }
  }
}

async function startServer(command, args, port, logFile, options = {}) {
  const log = fs.openSync(logFile, 'w');
  const child = spawn(command, args, { stdio: ['ignore', log, log], ...options });
  fs.closeSync(log);
  const server = new Server(child, port, logFile);
  try {
    await waitForPort(port, child, () => server.log());
  } catch (e) {
    await server.stop();
    throw e;
  }
  return server;
}

// Static files of `dir`, as any web server would serve the exported site.
export async function startStaticServer(dir, logFile) {
  const port = await freePort();
  return startServer('python3', ['-u', '-m', 'http.server', String(port), '--bind', '127.0.0.1', '--directory', dir],
                     port, logFile);
}

// The FTP server the publishing tests use, with its files under `dir`.
export async function startFtpServer(dir, logFile) {
  const port = await freePort();
  const passive = await freePort();
  const script = path.join(paths.photos(), '..', 'publish', 'ftp_server.py');
  const server = await startServer('/usr/bin/python3', [script, '--port', String(port), '--root', dir, '--user', 'joe',
                                                        '--password', 'pw', '--passive-ports', `${passive}-${passive + 5}`,
                                                        '--log', logFile + '.ftp'], port, logFile);
  server.address = `127.0.0.1:${port}`;
  return server;
}

// PHP's own server with every error shown and logged, so that a notice in
// the album's PHP turns up in the page and in the log.
export async function startPhpServer(dir, logFile) {
  const port = await freePort();
  return startServer('php', ['-d', 'display_errors=1', '-d', 'error_reporting=-1', '-d', 'log_errors=1',
                             '-S', `127.0.0.1:${port}`, '-t', dir], port, logFile, { cwd: dir });
}

// ----------------------------------------------------------------- browser

export const CHROMIUM_ARGS = [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
];

export async function launchBrowser() {
  const require = createRequire(path.join(paths.nodeModules(), 'index.js'));
  const { chromium } = require('playwright-core');
  // launch() starts every browser on a new, empty user-data directory of its own.
  return chromium.launch({ executablePath: CHROMIUM, headless: true, args: CHROMIUM_ARGS });
}

export const DESKTOP = { viewport: { width: 1280, height: 800 } };
export const PHONE = { viewport: { width: 390, height: 844 }, isMobile: true, hasTouch: true, deviceScaleFactor: 2 };

// A page that remembers every console error, uncaught exception, failed
// request and error status, for the check that a page ran cleanly.
export async function openPage(browser, device = DESKTOP) {
  const context = await browser.newContext(device);
  const page = await context.newPage();
  const problems = [];
  page.on('console', (msg) => { if (msg.type() === 'error') problems.push(`console: ${msg.text()}`); });
  page.on('pageerror', (err) => problems.push(`exception: ${err.message}`));
  page.on('requestfailed', (req) => problems.push(`failed: ${req.url()} ${req.failure()?.errorText}`));
  page.on('response', (res) => { if (res.status() >= 400) problems.push(`HTTP ${res.status()}: ${res.url()}`); });
  page.problems = problems;
  page.close = ((close) => async () => { await close.call(page); await context.close(); })(page.close);
  return page;
}

export async function screenshot(page, name) {
  const dir = paths.screenshots();
  fs.mkdirSync(dir, { recursive: true });
  await page.screenshot({ path: path.join(dir, name + '.png'), fullPage: true });
}
