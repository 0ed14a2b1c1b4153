// Page script of the album pages: the folder page and the slide show.
//
// The pages define, in their own script elements, the slide show settings
// (OptTime, OptFilter, bBoard, bRepeat, bFader, nDelay, nTrans, backPath …),
// the folder's images (pre, preinfo, path, photos[], dates[], comments[],
// ratios[]) and, on folder pages, the tree's path/ip/curDir. This file is
// loaded in the head, before any of them, so it only defines functions and
// starts its work once the document has been parsed.
//
// Addresses in photos[], path, pre and preinfo arrive URL-escaped and are
// used as they are; dates[] and comments[] arrive as HTML text and are shown
// as HTML.

(function () {
  'use strict';

  var hiddenEarly = [];

  // Generated text calls hide('login') and hide('slide_block'). The element
  // normally precedes the call, but a skeleton may place the call first, so
  // an id not found yet is hidden once the page has been parsed.
  window.hide = function (id) {
    var el = document.getElementById(id);
    if (el) {
      el.hidden = true;
      el.style.display = 'none';
    } else {
      hiddenEarly.push(id);
    }
  };

  // Tiled background chosen for the profile; empty for none.
  window.setBackground = function (url) {
    if (!url) return;
    var apply = function () {
      document.body.style.backgroundImage = 'url("' + String(url).replace(/["\\\n]/g, '') + '")';
      document.body.classList.add('has-background');
    };
    if (document.body) apply();
    else document.addEventListener('DOMContentLoaded', apply);
  };

  function global(name, fallback) {
    return typeof window[name] === 'undefined' ? fallback : window[name];
  }

  function list(name) {
    var value = global(name, null);
    return value && typeof value.length === 'number' ? value : [];
  }

  function html(text) {
    return text == null ? '' : String(text);
  }

  // The text a piece of generated HTML text stands for (for titles and labels).
  function plainText(htmlText) {
    var box = document.createElement('textarea');
    box.innerHTML = html(htmlText);
    return box.value;
  }

  function param(name) {
    var match = new RegExp('[?&]' + name + '=([^&#]*)').exec(window.location.search);
    if (!match) return null;
    // A malformed escape (an address cut or typed by hand) counts as no value.
    try {
      return decodeURIComponent(match[1].replace(/\+/g, ' '));
    } catch (e) {
      return null;
    }
  }

  function isPhpSite() {
    return typeof window.backPath === 'undefined';
  }

  // A protected album keeps every file of a folder behind a PHP guard, under
  // its name with ".php" added (guardSuffix, written by the PHP page).
  function suffix() {
    return String(global('guardSuffix', ''));
  }

  function mediumUrl(i) {
    return global('pre', '') + global('path', '') + list('photos')[i] + suffix();
  }

  function thumbUrl(i) {
    return global('preinfo', '') + global('path', '') + list('photos')[i] + suffix();
  }

  function exifUrl(i) {
    return global('preinfo', '') + global('path', '') + list('photos')[i] + '.html' + suffix();
  }

  function folderUrl(row) {
    var anchor = row > 0 ? '#' + row : '';
    if (isPhpSite()) {
      var dir = global('curDir', null);
      if (dir === null) dir = param('d');
      return '?d=' + encodeURIComponent(dir === null ? '0' : String(dir)) + anchor;
    }
    return String(window.backPath) + anchor;
  }

  function fillTitle() {
    // The title token stands in the <title> element only, where it is
    // plain text whatever characters a folder name holds; the visible
    // heading takes its text from there.
    var heading = document.getElementById('albumTitle');
    if (heading) heading.textContent = document.title;
  }

  // ---------------------------------------------------------------- folder page

  // The thumbnail table as the generator writes it (rows of thumbPerLine
  // images under a separator row carrying the row's anchor, then a row of
  // dates) becomes a grid of cards that reflows with the width of the
  // screen. Each card keeps the link and image element of its cell, so the
  // title with the comment and the address stay as generated.
  function buildThumbnailGrid() {
    var box = document.querySelector('#content .thb');
    if (!box) return;
    var table = null;
    for (var c = box.firstElementChild; c; c = c.nextElementSibling) {
      if (c.tagName === 'TABLE') { table = c; break; }
    }
    if (!table) return;
    var style = window.getComputedStyle(table);
    var grid = document.createElement('div');
    grid.className = 'thumbs';
    grid.setAttribute('role', 'list');
    // The profile's date colour and font are set on the table's style rule.
    grid.style.color = style.color;
    grid.style.fontSize = style.fontSize;
    grid.style.fontFamily = style.fontFamily;
    var size = Number(global('thumbSize', 100)) || 100;
    var perLine = Math.max(1, Number(global('thumbPerLine', 6)) || 6);
    grid.style.setProperty('--thumb', size + 'px');
    grid.style.setProperty('--cols', String(perLine));

    var anchor = null;
    var imageCells = null;
    var cards = 0;
    var rows = table.rows;
    for (var r = 0; r < rows.length; r++) {
      var row = rows[r];
      var named = row.querySelector('th a[name]');
      if (row.querySelector('th')) {
        anchor = named ? named.getAttribute('name') : null;
        imageCells = null;
        continue;
      }
      if (!imageCells) {
        imageCells = row.cells;
        if (!row.querySelector('a img')) imageCells = null;
        continue;
      }
      for (var k = 0; k < imageCells.length; k++) {
        var link = imageCells[k].querySelector('a');
        if (!link) continue;
        var card = document.createElement('figure');
        card.className = 'card';
        card.setAttribute('role', 'listitem');
        // "index.html#3" still scrolls to row 3: its first card carries the id.
        if (k === 0 && anchor !== null) card.id = anchor;
        link.classList.add('thumb');
        card.appendChild(link);
        var date = document.createElement('figcaption');
        date.className = 'date';
        date.innerHTML = row.cells[k] ? row.cells[k].innerHTML : '';
        card.appendChild(date);
        grid.appendChild(card);
        cards++;
      }
      imageCells = null;
    }
    if (!cards) return;
    box.replaceChild(grid, table);
    box.classList.add('thb-grid');
    // The browser scrolled to "#3" while the row was still in the table.
    var hash = window.location.hash.slice(1);
    var target = hash ? document.getElementById(hash) : null;
    if (target && target.scrollIntoView) target.scrollIntoView({ block: 'start' });
  }

  // On a wide screen the folder tree stays open beside the thumbnails; on a
  // phone it folds away above them, unless the folder has nothing else to show.
  function setupFolderPanel() {
    var panel = document.getElementById('folders');
    if (!panel || !window.matchMedia) return;
    var wide = window.matchMedia('(min-width: 760px)');
    var empty = list('photos').length === 0;
    var apply = function () { panel.open = wide.matches || empty; };
    apply();
    if (wide.addEventListener) wide.addEventListener('change', apply);
  }

  function initFolderPage() {
    buildThumbnailGrid();
    setupFolderPanel();
  }

  // ----------------------------------------------------------------- slide show

  // The effects of OptFilter by name. "mask"/"clip" effects animate the
  // outgoing picture laid over the incoming one; "tiles" effects cut the
  // outgoing picture into pieces that leave in an order.
  var EFFECTS = {
    'Blend': { cls: 'tr-blend' },
    'Box in': { cls: 'tr-box-in' },
    'Box out': { cls: 'tr-box-out' },
    'Circle in': { cls: 'tr-circle-in' },
    'Circle out': { cls: 'tr-circle-out' },
    'Wipe up': { cls: 'tr-wipe-up' },
    'Wipe down': { cls: 'tr-wipe-down' },
    'Wipe right': { cls: 'tr-wipe-right' },
    'Wipe left': { cls: 'tr-wipe-left' },
    'Vert. blinds': { cls: 'tr-vblinds' },
    'Horiz. blinds': { cls: 'tr-hblinds' },
    'Squares across': { tiles: [10, 8], order: function (c, r) { return c + r * 0.15; }, cls: 'tile-shrink' },
    'Squares down': { tiles: [10, 8], order: function (c, r) { return r + c * 0.15; }, cls: 'tile-shrink' },
    'Dissolve': { tiles: [24, 18], order: 'random', cls: 'tile-fade' },
    'Split vert. in': { cls: 'tr-split-v-in' },
    'Split vert. out': { cls: 'tr-split-v-out' },
    'Split horiz. in': { cls: 'tr-split-h-in' },
    'Split horiz. out': { cls: 'tr-split-h-out' },
    'Strips left down': { tiles: [12, 9], order: function (c, r, cols) { return (cols - 1 - c) + r; }, cls: 'tile-fade' },
    'Strips left up': { tiles: [12, 9], order: function (c, r, cols, rows) { return (cols - 1 - c) + (rows - 1 - r); }, cls: 'tile-fade' },
    'Strips right down': { tiles: [12, 9], order: function (c, r) { return c + r; }, cls: 'tile-fade' },
    'Strips right up': { tiles: [12, 9], order: function (c, r, cols, rows) { return c + (rows - 1 - r); }, cls: 'tile-fade' },
    'Bars horizontal': { tiles: [1, 30], order: 'random', cls: 'tile-fade' },
    'Bars vertical': { tiles: [40, 1], order: 'random', cls: 'tile-fade' }
  };

  var S = null;  // the slide show's state

  function $(id) { return document.getElementById(id); }

  function effectFor(index) {
    var names = list('OptFilter');
    var name = names[index];
    if (name === 'Random' || !EFFECTS[name]) {
      var keys = Object.keys(EFFECTS);
      name = name === 'Random' ? keys[Math.floor(Math.random() * keys.length)] : 'Blend';
    }
    return EFFECTS[name];
  }

  function reducedMotion() {
    return window.matchMedia && window.matchMedia('(prefers-reduced-motion: reduce)').matches;
  }

  function clearGhosts() {
    var ghosts = S.frame.querySelectorAll('.ghost');
    for (var g = 0; g < ghosts.length; g++) ghosts[g].parentNode.removeChild(ghosts[g]);
    S.frame.classList.remove('in-transition');
  }

  // The outgoing picture, laid over the photo where it was, animated away.
  function startTransition(oldSrc, rect, effect) {
    var duration = Math.min(1200, Math.max(300, S.delay * 1000 * 0.5));
    var ghost = document.createElement('div');
    ghost.className = 'ghost';
    ghost.setAttribute('aria-hidden', 'true');
    ghost.style.left = rect.left + 'px';
    ghost.style.top = rect.top + 'px';
    ghost.style.width = rect.width + 'px';
    ghost.style.height = rect.height + 'px';
    ghost.style.setProperty('--tr-dur', duration + 'ms');
    var background = 'url("' + oldSrc.replace(/["\\\n]/g, '') + '")';
    var total = duration;
    if (effect.tiles) {
      var cols = effect.tiles[0], rows = effect.tiles[1];
      var order = [], c, r, k, i;
      for (r = 0; r < rows; r++) for (c = 0; c < cols; c++) order.push({ c: c, r: r });
      var rank;
      if (effect.order === 'random') {
        for (i = order.length - 1; i > 0; i--) {
          k = Math.floor(Math.random() * (i + 1));
          var t = order[i]; order[i] = order[k]; order[k] = t;
        }
        rank = function (cell, n) { return n; };
      } else {
        rank = function (cell) { return effect.order(cell.c, cell.r, cols, rows); };
      }
      var ranks = order.map(rank), maxRank = Math.max.apply(null, ranks.concat([1]));
      var piece = duration * 0.4, spread = duration - piece;
      var w = rect.width / cols, h = rect.height / rows;
      for (i = 0; i < order.length; i++) {
        var tile = document.createElement('div');
        var x = Math.floor(order[i].c * w), y = Math.floor(order[i].r * h);
        tile.className = 'tile ' + effect.cls;
        tile.style.left = x + 'px';
        tile.style.top = y + 'px';
        tile.style.width = (Math.ceil((order[i].c + 1) * w) - x) + 'px';
        tile.style.height = (Math.ceil((order[i].r + 1) * h) - y) + 'px';
        tile.style.backgroundImage = background;
        tile.style.backgroundSize = rect.width + 'px ' + rect.height + 'px';
        tile.style.backgroundPosition = (-x) + 'px ' + (-y) + 'px';
        tile.style.animationDuration = piece + 'ms';
        tile.style.animationDelay = Math.round(spread * ranks[i] / maxRank) + 'ms';
        ghost.appendChild(tile);
      }
    } else {
      ghost.style.backgroundImage = background;
      ghost.classList.add(effect.cls);
    }
    S.frame.appendChild(ghost);
    S.frame.classList.add('in-transition');
    setTimeout(function () {
      if (ghost.parentNode) ghost.parentNode.removeChild(ghost);
      if (!S.frame.querySelector('.ghost')) S.frame.classList.remove('in-transition');
    }, total + 80);
  }

  function showPicture(url) {
    var photo = S.photo;
    var visible = photo.style.display !== 'none' && photo.getAttribute('src');
    var oldSrc = visible ? photo.currentSrc || photo.src : '';
    var rect = null;
    if (oldSrc && S.trans >= 0 && !reducedMotion()) {
      var p = photo.getBoundingClientRect(), f = S.frame.getBoundingClientRect();
      if (p.width > 0 && p.height > 0) {
        rect = { left: p.left - f.left, top: p.top - f.top, width: p.width, height: p.height };
      }
    }
    clearGhosts();
    photo.src = url;
    photo.style.display = '';
    photo.alt = plainText(list('comments')[S.index]) || 'Photo ' + (S.index + 1);
    if (rect) startTransition(oldSrc, rect, effectFor(S.trans));
  }

  function setLoading(on) {
    if (S.loading) S.loading.style.display = on ? '' : 'none';
    S.frame.classList.toggle('is-loading', on);
  }

  function lastIndex() { return list('photos').length - 1; }

  function neighbour(step) {
    var n = S.index + step, last = lastIndex();
    if (n > last) return S.repeat ? 0 : -1;
    if (n < 0) return S.repeat ? last : -1;
    return n;
  }

  function updateChrome() {
    var i = S.index, count = list('photos').length;
    $('counter').textContent = count ? (i + 1) + ' / ' + count : '';
    $('comment').innerHTML = html(list('comments')[i]);
    $('date').innerHTML = html(list('dates')[i]);
    var exif = $('exifLink');
    if (exif) exif.href = exifUrl(i);
    $('btnPrev').disabled = neighbour(-1) < 0;
    $('btnNext').disabled = neighbour(1) < 0;
    var perLine = Number(global('thumbPerLine', 0));
    $('back').href = folderUrl(perLine > 0 ? Math.floor(i / perLine) + 1 : 0);
    var items = S.board.children;
    for (var k = 0; k < items.length; k++) {
      var on = k === i;
      items[k].classList.toggle('current', on);
      items[k].setAttribute('aria-current', on ? 'true' : 'false');
    }
    if (items[i] && S.boardOn) {
      var b = S.board, item = items[i];
      b.scrollLeft = item.offsetLeft - (b.clientWidth - item.offsetWidth) / 2;
    }
    try {
      var query = window.location.search.replace(/^\?/, '').split('&').filter(function (part) {
        return part && !/^i=/.test(part) && !(!isPhpSite() && /^s=/.test(part));
      });
      query.push('i=' + i);
      window.history.replaceState(null, '', '?' + query.join('&') + window.location.hash);
    } catch (e) { /* local files may refuse; the address is only a convenience */ }
  }

  function schedule() {
    clearTimeout(S.timer);
    if (!S.playing) return;
    S.timer = setTimeout(function () {
      var n = neighbour(1);
      if (n < 0) { pause(); return; }
      show(n);
    }, S.delay * 1000);
  }

  function preload(i) {
    if (i < 0 || i > lastIndex()) return;
    var img = new Image();
    img.src = mediumUrl(i);
  }

  function show(i) {
    var count = list('photos').length;
    if (!count) return;
    i = Math.max(0, Math.min(count - 1, i));
    clearTimeout(S.timer);
    var token = ++S.token;
    S.index = i;
    updateChrome();
    var url = mediumUrl(i);
    var img = new Image();
    var slow = setTimeout(function () { if (token === S.token) setLoading(true); }, 150);
    var done = function (ok) {
      if (token !== S.token) return;
      clearTimeout(slow);
      setLoading(false);
      S.frame.classList.toggle('is-broken', !ok);
      showPicture(url);
      S.shown = i;
      schedule();
      preload(neighbour(1));
    };
    img.onload = function () {
      if (img.decode) img.decode().then(function () { done(true); }, function () { done(true); });
      else done(true);
    };
    img.onerror = function () { done(false); };
    img.src = url;
  }

  function setPlayButton() {
    var b = $('btnPlay');
    b.classList.toggle('playing', S.playing);
    b.setAttribute('aria-pressed', S.playing ? 'true' : 'false');
    b.querySelector('.label').textContent = S.playing ? 'Pause' : 'Play';
    b.title = S.playing ? 'Pause (space)' : 'Play (space)';
    document.body.classList.toggle('is-playing', S.playing);
  }

  function play() {
    if (!list('photos').length) return;
    S.playing = true;
    setPlayButton();
    // Play at the end of a show that does not repeat starts it again.
    if (neighbour(1) < 0) show(0);
    else if (S.shown === S.index) schedule();
  }

  function pause() {
    S.playing = false;
    clearTimeout(S.timer);
    setPlayButton();
  }

  function step(direction) {
    var n = neighbour(direction);
    if (n >= 0) show(n);
  }

  function setBoard(on) {
    S.boardOn = on;
    S.board.hidden = !on;
    var b = $('btnBoard');
    b.setAttribute('aria-pressed', on ? 'true' : 'false');
    b.classList.toggle('active', on);
    fitPhoto();
    if (on) updateChrome();
  }

  function buildBoard() {
    var photos = list('photos'), comments = list('comments');
    for (var i = 0; i < photos.length; i++) {
      var item = document.createElement('button');
      item.type = 'button';
      item.className = 'board-item';
      item.setAttribute('data-index', String(i));
      var label = plainText(comments[i]);
      item.title = label || 'Photo ' + (i + 1);
      item.setAttribute('aria-label', 'Photo ' + (i + 1) + (label ? ': ' + label : ''));
      var img = document.createElement('img');
      img.src = thumbUrl(i);
      img.alt = '';
      img.loading = 'lazy';
      item.appendChild(img);
      S.board.appendChild(item);
    }
    S.board.addEventListener('click', function (e) {
      var item = e.target.closest ? e.target.closest('.board-item') : null;
      if (!item) return;
      show(Number(item.getAttribute('data-index')));
      if (e.detail > 0) item.blur();
    });
  }

  function fillChoices() {
    var delays = list('OptTime'), selDelay = $('selDelay');
    var wanted = String(global('nDelay', 5));
    var found = false;
    for (var i = 0; i < delays.length; i++) {
      selDelay.add(new Option(delays[i] + ' s', String(delays[i])));
      if (String(delays[i]) === wanted) { selDelay.selectedIndex = i; found = true; }
    }
    // A delay stored outside the list is kept as its own choice.
    if (!found && Number(wanted) > 0) {
      selDelay.add(new Option(wanted + ' s', wanted));
      selDelay.selectedIndex = selDelay.options.length - 1;
    }
    S.delay = Number(selDelay.value) || 5;
    selDelay.addEventListener('change', function () {
      S.delay = Number(selDelay.value) || 5;
      schedule();
    });

    var names = list('OptFilter'), selTrans = $('selTrans');
    selTrans.add(new Option('No effect', '-1'));
    for (var t = 0; t < names.length; t++) selTrans.add(new Option(names[t], String(t)));
    var n = Number(global('nTrans', 0));
    if (!(n >= 0 && n < names.length)) n = 0;
    S.trans = global('bFader', true) === false ? -1 : n;
    selTrans.value = String(S.trans);
    selTrans.addEventListener('change', function () { S.trans = Number(selTrans.value); });
  }

  // The room the photo has: the window less everything else on the page.
  function fitPhoto() {
    var used = 0;
    var parts = document.querySelectorAll('.slide-chrome');
    for (var i = 0; i < parts.length; i++) if (!parts[i].hidden) used += parts[i].offsetHeight;
    var stage = window.getComputedStyle($('stage'));
    used += parseFloat(stage.paddingTop) + parseFloat(stage.paddingBottom);
    var room = Math.max(180, window.innerHeight - used - 4);
    S.frame.style.setProperty('--photo-max-h', Math.min(room, 600 + 40) + 'px');
  }

  function openExif() {
    var dialog = $('exifDialog');
    var frame = $('exifFrame');
    if (!dialog || !frame) return;
    frame.src = exifUrl(S.index);
    $('exifOpen').href = exifUrl(S.index);
    if (dialog.showModal) dialog.showModal();
    else dialog.setAttribute('open', '');
  }

  function closeExif() {
    var dialog = $('exifDialog');
    if (!dialog) return;
    if (dialog.close) dialog.close();
    else dialog.removeAttribute('open');
  }

  function exifOpen() {
    var dialog = $('exifDialog');
    return !!(dialog && dialog.hasAttribute('open'));
  }

  function onKey(e) {
    if (e.ctrlKey || e.altKey || e.metaKey) return;
    if (exifOpen()) return;  // the dialog closes itself on Escape
    var tag = e.target && e.target.tagName;
    if (tag === 'INPUT' || tag === 'SELECT' || tag === 'TEXTAREA') return;
    switch (e.key) {
      case 'ArrowRight': case 'PageDown': step(1); break;
      case 'ArrowLeft': case 'PageUp': step(-1); break;
      case 'Home': show(0); break;
      case 'End': show(lastIndex()); break;
      case ' ': case 'Spacebar':
        // A focused button answers the space bar itself.
        if (tag === 'BUTTON' || tag === 'A') return;
        if (S.playing) pause(); else play();
        break;
      case 'Escape': case 'Esc':
        window.location.href = $('back').href;
        break;
      default: return;
    }
    e.preventDefault();
  }

  function setupSwipe() {
    var start = null;
    var stage = $('stage');
    stage.addEventListener('pointerdown', function (e) {
      if (e.pointerType === 'mouse') return;
      start = { x: e.clientX, y: e.clientY, t: Date.now() };
    });
    stage.addEventListener('pointercancel', function () { start = null; });
    stage.addEventListener('pointerup', function (e) {
      if (!start) return;
      var dx = e.clientX - start.x, dy = e.clientY - start.y;
      start = null;
      if (Math.abs(dx) > 40 && Math.abs(dx) > Math.abs(dy) * 1.5) step(dx < 0 ? 1 : -1);
    });
  }

  // A click made with the pointer leaves no focus ring on the button.
  function onButton(id, action) {
    var b = $(id);
    if (!b) return;
    b.addEventListener('click', function (e) {
      action();
      if (e.detail > 0) b.blur();
    });
  }

  function initSlidePage() {
    // Read before anything rewrites the address to the image shown.
    var requested = param('i');
    var autoplay = requested === null && param('s') === '1';
    S = {
      index: 0, shown: -1, token: 0, timer: null, playing: false,
      repeat: global('bRepeat', true) !== false,
      frame: $('frame'),
      photo: document.getElementsByName('photo')[0],
      loading: document.getElementsByName('loading')[0],
      board: $('board'),
      boardOn: false,
      delay: 5, trans: 0
    };
    if (!S.photo || !S.frame || !S.board) return;
    S.photo.removeAttribute('src');
    if (S.loading) S.loading.classList.add('loading-picture');
    setLoading(false);
    fillChoices();
    buildBoard();
    onButton('btnPrev', function () { step(-1); });
    onButton('btnNext', function () { step(1); });
    onButton('zonePrev', function () { step(-1); });
    onButton('zoneNext', function () { step(1); });
    onButton('btnPlay', function () { if (S.playing) pause(); else play(); });
    onButton('btnBoard', function () { setBoard(!S.boardOn); });
    onButton('btnExif', openExif);
    onButton('exifClose', closeExif);
    document.addEventListener('keydown', onKey);
    setupSwipe();
    window.addEventListener('resize', fitPhoto);

    var count = list('photos').length;
    document.body.classList.toggle('no-images', count === 0);
    setBoard(global('bBoard', true) !== false && count > 0);
    setPlayButton();
    if (!count) {
      $('counter').textContent = 'No images';
      $('back').href = folderUrl(0);
      return;
    }
    // ?i=N opens image N and waits; ?s=1 plays from the first.
    var start = requested !== null && /^\d+$/.test(requested) ? Math.min(Number(requested), count - 1) : 0;
    S.playing = autoplay;
    setPlayButton();
    fitPhoto();
    show(start);
  }

  function init() {
    for (var i = 0; i < hiddenEarly.length; i++) {
      var el = document.getElementById(hiddenEarly[i]);
      if (el) { el.hidden = true; el.style.display = 'none'; }
    }
    fillTitle();
    if (document.getElementsByName('photo').length) initSlidePage();
    else initFolderPage();
  }

  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', init);
  else init();

  // For the tests and for anyone scripting the page.
  window.albumsmith = {
    show: function (i) { if (S) show(i); },
    next: function () { if (S) step(1); },
    previous: function () { if (S) step(-1); },
    play: function () { if (S) play(); },
    pause: function () { if (S) pause(); },
    state: function () {
      return S ? { index: S.index, shown: S.shown, playing: S.playing, board: S.boardOn, delay: S.delay, trans: S.trans } : null;
    }
  };
})();
