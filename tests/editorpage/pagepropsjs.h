#pragma once

// The page-side helpers of the gesture runs, installed as window.__props: places carets, tells
// what a gesture may remove, and checks the page's invariants with readers of its own (the
// page's code is what is under test).
inline const char* const PagePropsScript = R"JS(
(function () {
  const BLOCKS = new Set([
    'DIV', 'P', 'H1', 'H2', 'H3', 'H4', 'H5', 'H6', 'BLOCKQUOTE', 'LI', 'UL', 'OL', 'DL', 'DT',
    'DD', 'TABLE', 'CAPTION', 'COLGROUP', 'COL', 'THEAD', 'TBODY', 'TFOOT', 'TR', 'TD', 'TH',
    'PRE', 'HR', 'ADDRESS', 'ARTICLE', 'SECTION', 'HEADER', 'FOOTER', 'MAIN', 'NAV', 'ASIDE',
    'FIGURE', 'FIGCAPTION',
  ]);
  const BLOCK_SEL = Array.from(BLOCKS).join(',');
  // Where text is never typed: between the rows of a table, the items of a list, the blocks.
  const CONTAINERS = new Set(['UL', 'OL', 'DL', 'TABLE', 'THEAD', 'TBODY', 'TFOOT', 'TR',
    'COLGROUP']);
  const LEAF_SEL = 'p, h1, h2, h3, h4, h5, h6, li, td, th, blockquote, pre, div';
  const MARK_SEL = '[data-hash], .dm-annot, a, b, i, u, strong, em, font, span[style]';
  const ANNOT_SEL = '[id^="ann_"], .dm-annot';
  const inert = document.implementation.createHTMLDocument('');
  const P = {};

  const excerpt = (el) => {
    const html = el.outerHTML || String(el.data);
    return html.length > 140 ? html.slice(0, 140) + '\u2026' : html;
  };
  const textNodes = (root) => {
    const out = [];
    const w = document.createTreeWalker(root, NodeFilter.SHOW_TEXT);
    for (let n = w.nextNode(); n; n = w.nextNode()) {
      const p = n.parentNode;
      if (/^\s*$/.test(n.data) && (p === editor || CONTAINERS.has(p.nodeName))) continue;
      out.push(n);
    }
    return out;
  };
  const locate = (root, pos) => {
    let off = 0;
    for (const n of textNodes(root)) {
      if (pos <= off + n.length) return [n, pos - off];
      off += n.length;
    }
    return [root, root.childNodes.length];
  };
  const textLength = (root) => textNodes(root).reduce((s, n) => s + n.length, 0);
  // The place's offset in the editor's text.
  const offsetOf = (node, offset) => {
    const r = document.createRange();
    r.setStart(editor, 0);
    r.setEnd(node, offset);
    return r.toString().length;
  };
  const label = (el) => {
    if (el.hasAttribute('data-hash')) return el.hasAttribute('data-tag') ? 'tag' : 'tag-part';
    if (el.classList.contains('dm-annot')) return 'annot';
    return el.nodeName.toLowerCase();
  };
  const where = (node) => {
    const path = [];
    for (let n = node.nodeType === Node.ELEMENT_NODE ? node : node.parentNode;
      n && n !== editor; n = n.parentNode) {
      path.unshift(label(n));
    }
    return path.join('>') || 'root';
  };
  const shown = (s) => JSON.stringify(s.length > 60 ? s.slice(0, 28) + '\u2026' + s.slice(-28) : s);

  P.describe = function () {
    const sel = getSelection();
    if (!sel.rangeCount || !editor.contains(sel.anchorNode)) return 'no selection in the editor';
    const r = sel.getRangeAt(0);
    const all = editor.textContent;
    const s = offsetOf(r.startContainer, r.startOffset);
    if (r.collapsed) {
      return 'caret ' + shown(all.slice(Math.max(0, s - 10), s) + '|' + all.slice(s, s + 10)) +
        ' in ' + where(r.startContainer);
    }
    return 'selection ' + shown(r.toString()) + ' from ' + where(r.startContainer) + ' to ' +
      where(r.endContainer);
  };

  const leafBlocks = () => Array.from(editor.querySelectorAll(LEAF_SEL)).filter(
    (b) => !b.querySelector(LEAF_SEL + ', ul, ol, table'));
  const pick = (list, r) => list[Math.min(list.length - 1, Math.floor(r * list.length))];

  // Puts the caret somewhere: kind is any, blockStart, blockEnd or inMark.
  P.caret = function (kind, r1, r2) {
    editor.focus();
    let place = null;
    if (kind === 'blockStart' || kind === 'blockEnd') {
      const blocks = leafBlocks();
      if (blocks.length > 0) {
        const b = pick(blocks, r1);
        place = kind === 'blockStart' ? locate(b, 0) : locate(b, textLength(b));
      }
    } else if (kind === 'inMark') {
      const marks = Array.from(editor.querySelectorAll(MARK_SEL)).filter(
        (m) => textLength(m) > 0);
      if (marks.length > 0) {
        const m = pick(marks, r1);
        place = locate(m, Math.round(r2 * textLength(m)));
      }
    }
    if (!place) place = locate(editor, Math.floor(r1 * (textLength(editor) + 1)));
    getSelection().collapse(place[0], place[1]);
    return P.describe();
  };

  // Selects from somewhere in a block to somewhere in the next, where either holds a mark;
  // empty when no two such blocks follow each other.
  P.selectAcrossMarked = function (r1, r2, r3) {
    const blocks = leafBlocks();
    const marked = (b) => b.querySelector('[data-hash], .dm-annot') !== null;
    const pairs = [];
    for (let i = 0; i + 1 < blocks.length; i++) {
      if (marked(blocks[i]) || marked(blocks[i + 1])) pairs.push([blocks[i], blocks[i + 1]]);
    }
    if (pairs.length === 0) return '';
    const [a, b] = pick(pairs, r1);
    editor.focus();
    const from = locate(a, Math.floor(r2 * (textLength(a) + 1)));
    const to = locate(b, Math.floor(r3 * (textLength(b) + 1)));
    const r = document.createRange();
    r.setStart(from[0], from[1]);
    r.setEnd(to[0], to[1]);
    const sel = getSelection();
    sel.removeAllRanges();
    sel.addRange(r);
    return P.describe();
  };

  P.caretInLink = function (r1) {
    const links = Array.from(editor.querySelectorAll('a')).filter((a) => textLength(a) > 0);
    if (links.length === 0) return '';
    const a = pick(links, r1);
    editor.focus();
    const place = locate(a, Math.max(1, Math.floor(textLength(a) / 2)));
    getSelection().collapse(place[0], place[1]);
    return P.describe();
  };

  const annots = () => Array.from(editor.querySelectorAll(ANNOT_SEL));
  P.annotIds = () => JSON.stringify(annots().map((el) => el.id).filter((id) => id));

  // The table right after the block that holds the node, when the node's place ends that block.
  const tableAfter = (node, offset) => {
    let b = node.nodeType === Node.ELEMENT_NODE ? node : node.parentNode;
    while (b !== editor && !BLOCKS.has(b.nodeName)) b = b.parentNode;
    if (b === editor || offsetOf(node, offset) !== offsetOf(b, b.childNodes.length)) return null;
    for (let n = b; n !== editor; n = n.parentNode) {
      const next = n.nextElementSibling;
      if (next) return next.nodeName === 'TABLE' ? next : null;
    }
    return null;
  };
  // The annotations the gesture may remove: those whose text lies in the selection (with the
  // caret only, those short enough for the presses to delete, and those of a table right after
  // the caret's block: two presses of Delete at its end select the table and delete it).
  P.removable = function (presses) {
    const sel = getSelection();
    if (!sel.rangeCount) return '[]';
    const r = sel.getRangeAt(0);
    const s = offsetOf(r.startContainer, r.startOffset);
    const e = offsetOf(r.endContainer, r.endOffset);
    const table = r.collapsed && presses >= 2 ? tableAfter(r.startContainer, r.startOffset) : null;
    return JSON.stringify(annots().filter((el) => {
      if (r.collapsed) return textLength(el) <= presses || (!!table && table.contains(el));
      return s <= offsetOf(el, 0) && offsetOf(el, el.childNodes.length) <= e;
    }).map((el) => el.id));
  };
  P.annotsWithin = (els) => JSON.stringify(
    els.flatMap((el) => Array.from(el.querySelectorAll(ANNOT_SEL))).map((el) => el.id));

  const cells = () => Array.from(editor.querySelectorAll('td, th'));
  P.cellCount = () => cells().length;
  P.cellCentre = function (r1) {
    const list = cells();
    if (list.length === 0) return '';
    const cell = pick(list, r1);
    cell.scrollIntoView({ block: 'center' });
    const b = cell.getBoundingClientRect();
    return JSON.stringify([Math.round(b.left + Math.min(b.width / 2, 30)),
      Math.round(b.top + b.height / 2), shown(cell.textContent)]);
  };
  // What a table operation of the menu removes, for the menu's cell.
  P.tableRemovable = function (op) {
    const cell = tableCtxCell;
    if (!cell || !cell.isConnected) return '[]';
    const table = cell.closest('table');
    if (op === 'delTable' || (op === 'delRow' && table.rows.length <= 1)) {
      return P.annotsWithin([table]);
    }
    if (op === 'delRow') return P.annotsWithin([cell.parentElement]);
    if (op === 'delCol') {
      const idx = Array.prototype.indexOf.call(cell.parentElement.cells, cell);
      if (table.rows[0] && table.rows[0].cells.length <= 1) return P.annotsWithin([table]);
      return P.annotsWithin(Array.from(table.rows).map((row) => row.cells[idx]).filter(Boolean));
    }
    return '[]';
  };
  P.linkRemovable = function () {
    const a = linkEditAnchor;
    return a && a.isConnected ? P.annotsWithin([a]) : '[]';
  };

  P.tags = () => JSON.stringify(Array.from(editor.querySelectorAll('[data-tag]')).map(
    (el) => [el.id, el.getAttribute('data-colour') || 'yellow']));

  P.centreOf = function (el) {
    const b = el.getBoundingClientRect();
    return [Math.round(b.left + b.width / 2), Math.round(b.top + b.height / 2)];
  };

  // The stored body with each element's attributes in name order: undo may put an attribute
  // back in another place, which changes nothing the body means.
  P.norm = function (html) {
    const box = inert.createElement('div');
    box.innerHTML = html === undefined ? getCleanHTML() : html;
    for (const el of box.querySelectorAll('*')) {
      const attrs = Array.from(el.attributes).sort((a, b) => (a.name < b.name ? -1 : 1));
      for (const a of attrs) el.removeAttribute(a.name);
      for (const a of attrs) el.setAttribute(a.name, a.value);
    }
    return box.innerHTML;
  };

  // The invariants, each as [name, what is wrong].
  P.check = function () {
    const v = [];
    const ids = new Map();
    for (const el of editor.querySelectorAll('[id]')) {
      if (el.id === '') continue;
      ids.set(el.id, (ids.get(el.id) || []).concat([el]));
    }
    for (const [id, els] of ids) {
      if (els.length > 1) {
        v.push(['no two elements share an id', els.length + ' elements with id "' + id + '": ' +
          els.map(excerpt).join(' ; ')]);
      }
    }
    const hashes = new Map();
    for (const el of editor.querySelectorAll('[data-hash]')) {
      const h = el.getAttribute('data-hash');
      if (!hashes.has(h)) hashes.set(h, []);
      if (el.hasAttribute('data-tag')) hashes.get(h).push(el);
    }
    for (const [h, canon] of hashes) {
      if (canon.length !== 1) {
        v.push(['each tag has exactly one canonical span', 'tag "' + h + '" has ' +
          canon.length + ' spans with data-tag' + (canon.length ? ': ' +
          canon.map(excerpt).join(' ; ') : '')]);
      } else if (canon[0].id !== h) {
        v.push(['each tag has exactly one canonical span', 'the span with data-tag of "' + h +
          '" has id "' + canon[0].id + '"']);
      }
    }
    for (const el of editor.querySelectorAll('[data-tag]:not([data-hash])')) {
      v.push(['each tag has exactly one canonical span', 'data-tag without data-hash: ' +
        excerpt(el)]);
    }
    for (const el of editor.querySelectorAll('.dm-annot')) {
      if (!/^ann_/.test(el.id)) {
        v.push(['no annotation span without its id', excerpt(el)]);
      }
    }
    for (const el of editor.querySelectorAll('*')) {
      if (BLOCKS.has(el.nodeName)) continue;
      const inner = el.querySelector(BLOCK_SEL);
      if (inner) {
        v.push(['no span or inline element holds a block', '<' + el.nodeName.toLowerCase() +
          '> holds <' + inner.nodeName.toLowerCase() + '>: ' + excerpt(el)]);
      }
    }
    const only = editor.childNodes.length === 1;
    for (const n of editor.childNodes) {
      if (n.nodeType === Node.TEXT_NODE && !/^\s*$/.test(n.data)) {
        v.push(['no text or inline element loose in the editor root', 'text ' +
          shown(n.data)]);
      } else if (n.nodeType === Node.ELEMENT_NODE && !BLOCKS.has(n.nodeName) &&
        !(only && n.nodeName === 'BR')) {
        v.push(['no text or inline element loose in the editor root', excerpt(n)]);
      }
    }
    const clean = getCleanHTML();
    const box = inert.createElement('div');
    box.innerHTML = clean;
    const again = box.innerHTML;
    if (again !== clean) {
      let i = 0;
      while (i < clean.length && clean[i] === again[i]) i++;
      v.push(['the cleaned body loads back unchanged', 'stored ' +
        JSON.stringify(clean.slice(Math.max(0, i - 40), i + 30)) + ' loads as ' +
        JSON.stringify(again.slice(Math.max(0, i - 40), i + 30))]);
    }
    return JSON.stringify({ v, clean: P.norm(clean), annots: annots().map((el) => el.id).filter((id) => id) });
  };

  Object.defineProperty(window, '__props', { value: P });
})();
)JS";
