// Folder tree of the album pages.
//
// albsite/js/dir.js builds the tree with
//   d = new dTree('d');
//   d.add(id, parentId, isCurrent, title, url);   one call per folder, parents first
//   document.write(d);
//   d.openTo(curDir, true);
// so the widget writes its markup as text while the page is parsed and only
// then finds its elements again to open the current branch. Titles are
// folder names: plain text that may hold any character, so every title and
// address goes through an HTML escape before it becomes markup.

function dTree(name) {
  // The name is the global variable holding the tree; the toggle buttons
  // call back through it. Anything but a plain identifier would break those
  // handlers, so such a name falls back to the usual one.
  this.name = /^[A-Za-z_$][\w$]*$/.test(String(name)) ? String(name) : 'd';
  this.nodes = [];
  this.byId = {};
  this.openIds = {};
  this.selectedId = null;
  this.domId = 'dtree_' + this.name;
}

dTree.escape = function (text) {
  return String(text).replace(/[&<>"']/g, function (c) {
    return { '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;', "'": '&#39;' }[c];
  });
};

dTree.prototype.add = function (id, parentId, isCurrent, title, url) {
  var node = {
    id: Number(id),
    parentId: Number(parentId),
    current: !!isCurrent,
    title: title == null ? '' : String(title),
    url: url == null ? '' : String(url),
    children: []
  };
  // A repeated id would make two items answer to one toggle: the first wins.
  if (Object.prototype.hasOwnProperty.call(this.byId, node.id)) return;
  this.nodes.push(node);
  this.byId[node.id] = node;
};

// Children by parent, in the order they were added. A node whose parent is
// unknown hangs under the root rather than disappearing.
dTree.prototype.link = function () {
  var root = null, i, n;
  for (i = 0; i < this.nodes.length; i++) {
    this.nodes[i].children = [];
    if (root === null && this.nodes[i].parentId === -1) root = this.nodes[i];
  }
  if (root === null && this.nodes.length) root = this.nodes[0];
  for (i = 0; i < this.nodes.length; i++) {
    n = this.nodes[i];
    if (n === root) continue;
    var parent = this.byId[n.parentId];
    if (!parent || parent === n || this.isBelow(parent, n)) parent = root;
    parent.children.push(n);
  }
  return root;
};

// Whether `node` lies in the branch of `top` (guards against parent loops).
dTree.prototype.isBelow = function (node, top) {
  var seen = 0;
  for (var p = node; p && seen < this.nodes.length + 1; p = this.byId[p.parentId], seen++) {
    if (p === top) return true;
    if (p.parentId === -1) return false;
  }
  return false;
};

dTree.prototype.itemHtml = function (node, depth) {
  var e = dTree.escape, id = this.domId + '_' + node.id;
  var hasChildren = node.children.length > 0;
  var html = '<li class="dt-item' + (hasChildren ? ' dt-branch' : '') + '" id="' + id + '" data-id="' + node.id + '">';
  html += '<div class="dt-row" style="--dt-depth:' + depth + '">';
  if (hasChildren) {
    html += '<button type="button" class="dt-toggle" aria-expanded="false" aria-controls="' + id + '_c" ' +
            'title="Open or close" onclick="' + this.name + '.toggle(' + node.id + ');return false;">' +
            '<span class="dt-arrow" aria-hidden="true"></span></button>';
  } else {
    html += '<span class="dt-spacer" aria-hidden="true"></span>';
  }
  html += '<a class="node dt-link" href="' + e(node.url) + '"><span class="dt-icon" aria-hidden="true"></span>' +
          '<span class="dt-title">' + e(node.title) + '</span></a></div>';
  if (hasChildren) {
    html += '<ul class="dt-children" id="' + id + '_c" hidden>';
    for (var i = 0; i < node.children.length; i++) html += this.itemHtml(node.children[i], depth + 1);
    html += '</ul>';
  }
  return html + '</li>';
};

dTree.prototype.toString = function () {
  var root = this.link();
  if (!root) return '<div class="dtree" id="' + this.domId + '"></div>';
  return '<div class="dtree" id="' + this.domId + '"><ul class="dt-tree">' +
         this.itemHtml(root, 0) + '</ul></div>';
};

dTree.prototype.element = function (id) {
  return document.getElementById(this.domId + '_' + id);
};

dTree.prototype.setOpen = function (id, open) {
  var item = this.element(id);
  if (!item) return;
  var list = document.getElementById(this.domId + '_' + id + '_c');
  if (!list) return;
  list.hidden = !open;
  item.classList.toggle('dt-open', open);
  var button = item.querySelector('.dt-toggle');
  if (button) button.setAttribute('aria-expanded', open ? 'true' : 'false');
  this.openIds[id] = open;
};

dTree.prototype.toggle = function (id) {
  this.setOpen(id, !this.openIds[id]);
};

// Opens every folder above `id` and the folder itself, so that the current
// folder shows where it lies and what it holds; with `select` it is marked
// as the page's own folder.
dTree.prototype.openTo = function (id, select) {
  var node = this.byId[Number(id)];
  if (!node) node = this.byId[0] || this.nodes[0];
  if (!node) return;
  var guard = 0;
  for (var p = node; p && guard <= this.nodes.length; p = this.byId[p.parentId], guard++) {
    this.setOpen(p.id, true);
    if (p.parentId === -1) break;
  }
  if (select) {
    if (this.selectedId !== null) {
      var old = this.element(this.selectedId);
      if (old) old.classList.remove('dt-selected');
    }
    var item = this.element(node.id);
    if (item) {
      item.classList.add('dt-selected');
      var link = item.querySelector('.dt-link');
      if (link) link.setAttribute('aria-current', 'page');
    }
    this.selectedId = node.id;
  }
};
