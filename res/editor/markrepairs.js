// ---------------------------------------------------------------------------------------------
// Pasted copies of marks
// ---------------------------------------------------------------------------------------------

const _PASTE_INPUTS = new Set(['insertFromPaste', 'insertFromDrop']);
const _MARKED_SELECTOR = '[id], [data-hash]';

// The marked elements before a paste, so that the pasted ones can be told apart afterwards.
let marksBeforePaste = null;

// A body never holds two elements with one id: a pasted copy of an annotation's span gives the
// span up (its text stays), a pasted copy of a tag becomes a tag of its own under a new id, and
// any other pasted element whose id is taken loses the id. True when the tag list changed.
function _settlePastedMarks(before) {
  const pasted = Array.from(editor.querySelectorAll(_MARKED_SELECTOR)).filter(
    (el) => !before.has(el));
  if (pasted.length === 0) return false;
  const counts = new Map();
  for (const el of editor.querySelectorAll('[id]')) counts.set(el.id, (counts.get(el.id) || 0) + 1);
  // Each pasted first span of a tag whose id is taken starts a tag of its own, also when the
  // clipboard held two copies of one span.
  const firsts = new Map(); // a pasted first span: the tag id it was copied with, its id now
  let renamed = false;
  for (const el of pasted) {
    const id = el.getAttribute('id');
    const hash = el.getAttribute('data-hash');
    if (id === null || (counts.get(id) || 0) < 2) {
      if (id !== null && hash === id) firsts.set(el, [hash, id]);
      continue;
    }
    counts.set(id, counts.get(id) - 1);
    if (hash !== null) {
      const fresh = _makeTagId();
      el.setAttribute('id', fresh);
      el.setAttribute('data-hash', fresh);
      firsts.set(el, [hash, fresh]);
      renamed = true;
    } else if (el.classList.contains('dm-annot')) {
      _unwrap(el);
    } else {
      el.removeAttribute('id');
    }
  }
  if (!renamed) return false;
  // The other pasted passages of a copied tag belong to the pasted first span before them (those
  // before the first one, to that one).
  const current = new Map();
  for (const [old, id] of firsts.values()) {
    if (!current.has(old)) current.set(old, id);
  }
  for (const el of pasted) {
    const first = firsts.get(el);
    const hash = el.getAttribute('data-hash');
    if (first) {
      current.set(first[0], first[1]);
    } else if (hash !== null && !el.hasAttribute('id') && current.has(hash)) {
      el.setAttribute('data-hash', current.get(hash));
    }
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Pasted blocks inside inline elements
// ---------------------------------------------------------------------------------------------

// The inline elements (below their block) that hold a block, noted before a paste so that only
// those the paste filled are mended.
let inlineHoldersBeforePaste = null;

function _inlineBlockHolders() {
  const found = new Set();
  for (const b of editor.querySelectorAll(_BLOCK_SELECTOR)) {
    for (let n = b.parentNode; n && n !== editor && !_isBlock(n); n = n.parentNode) found.add(n);
  }
  return found;
}

// A piece of the inline element split off after a block: a tag's further passage carries only
// the tag's hash and colour, an annotation's text stands without a span (null), any other
// element is copied without its id.
function _splitOffPiece(el) {
  if (_isAnnotation(el)) return null;
  const piece = el.cloneNode(false);
  if (el.hasAttribute('data-hash')) {
    for (const a of Array.from(piece.attributes)) {
      if (a.name !== 'data-hash' && a.name !== 'data-colour') piece.removeAttribute(a.name);
    }
  } else {
    piece.removeAttribute('id');
  }
  return piece;
}

// Empties the inline element and gives what it held as a list of blocks and inline pieces in
// their order: the element itself holds the first piece, copies of it (see _splitOffPiece) the
// others; inline elements within it that hold blocks are taken apart the same way.
function _flattenInline(el) {
  const kids = Array.from(el.childNodes);
  for (const k of kids) el.removeChild(k);
  const out = [];
  let used = false;
  let open = false; // an inline piece is being filled
  let piece = null; // that piece, null for one without a span
  const add = (n) => {
    if (_isBlock(n)) {
      open = false;
      out.push(n);
      return;
    }
    if (!open) {
      if (n.nodeType === Node.TEXT_NODE && n.data.trim() === '') return;
      piece = used ? _splitOffPiece(el) : el;
      used = true;
      open = true;
      if (piece) out.push(piece);
    }
    if (piece) piece.appendChild(n);
    else out.push(n);
  };
  for (const k of kids) {
    if (k.nodeType === Node.ELEMENT_NODE && !_isBlock(k) && _holdsBlock(k)) {
      for (const n of _flattenInline(k)) add(n);
    } else {
      add(k);
    }
  }
  return out;
}

// Takes the blocks out of the outermost inline element that holds them. A paragraph or heading
// holding the element (or a list item, for pasted list items) is split around the blocks; any
// other block, and the editor's root, takes them as they are.
function _liftBlocksOut(top) {
  const container = top.parentNode;
  const next = top.nextSibling;
  const items = _flattenInline(top);
  const split = container !== editor && (_SPLIT_BLOCKS.has(container.tagName) ||
    (container.tagName === 'LI' && items.some((n) => n.nodeName === 'LI')));
  if (!split) {
    for (const n of items) container.insertBefore(n, next);
    if (!items.includes(top) && top.parentNode) top.parentNode.removeChild(top);
    return;
  }
  const all = Array.from(container.childNodes);
  const at = all.indexOf(top);
  _regroup(container, all.slice(0, at).concat(items, all.slice(at + 1)));
}

// Puts the nodes, in their order, in place of the block: those that may stand beside it (list
// items for a list item, any block for another) as they are, the runs between them in the block
// itself (the first) and in copies of it without its id.
function _regroup(container, seq) {
  const standsAlone = (n) => (container.tagName === 'LI' ? n.nodeName === 'LI' : _isBlock(n));
  for (const n of Array.from(container.childNodes)) container.removeChild(n);
  const parent = container.parentNode;
  const after = container.nextSibling;
  parent.removeChild(container);
  let used = false;
  let group = null;
  for (const n of seq) {
    if (standsAlone(n)) {
      group = null;
      parent.insertBefore(n, after);
      continue;
    }
    if (!group) {
      if (n.nodeType === Node.TEXT_NODE && n.data.trim() === '') continue;
      group = used ? container.cloneNode(false) : container;
      if (used) group.removeAttribute('id');
      used = true;
      parent.insertBefore(group, after);
    }
    group.appendChild(n);
  }
}

// The browser pastes lines into a table cell as cells of their own inside it, which a table
// cannot hold (the parser moves them out of it): they become lines of the cell, the first joining
// what stands before it and the last what stands after. True when there were any.
function _mendNestedCells() {
  const nested = Array.from(editor.querySelectorAll('td td, td th, th td, th th')).filter(
    (c) => c.parentNode.nodeName !== 'TR');
  const set = new Set(nested);
  const breaks = nested.filter((c) => set.has(c.previousSibling));
  for (const c of breaks) c.parentNode.insertBefore(document.createElement('br'), c);
  for (const c of nested) _unwrap(c);
  return nested.length > 0;
}

// Lines pasted into a list item may come as list items inside it, which the parser would move
// out of it: the item is split around them. True when there were any.
function _mendNestedItems() {
  const outer = new Set();
  for (const li of editor.querySelectorAll('li > li')) outer.add(li.parentNode);
  for (const li of outer) {
    if (li.isConnected) _regroup(li, Array.from(li.childNodes));
  }
  return outer.size > 0;
}

// After a paste: the inline elements it made hold blocks are taken apart, and cells it put into
// a cell become lines of that cell; the caret stays.
function _liftPastedBlocks(before) {
  const caret = _selectionPlace();
  const tops = new Set();
  for (const el of _inlineBlockHolders()) {
    if (!before.has(el)) tops.add(_inlineTop(el));
  }
  let changed = false;
  for (const top of tops) {
    if (!top || !top.isConnected || !editor.contains(top) || !_holdsBlock(top)) continue;
    _liftBlocksOut(top);
    changed = true;
  }
  if (_mendNestedCells()) changed = true;
  if (_mendNestedItems()) changed = true;
  const range = _rangeAt(caret);
  if (changed && _inEditor(range)) _setRange(range);
}

// ---------------------------------------------------------------------------------------------
// Marks split by a new paragraph
// ---------------------------------------------------------------------------------------------

// The marked elements before a new paragraph, each with its id, so that the halves the browser
// made can be told apart afterwards.
let marksBeforeSplit = null;
// The same, before a paste inside a mark.
let marksBeforePasteSplit = null;

// Whether an end of the selection lies inside a mark: only then can a new paragraph split one.
function _caretInMark() {
  const r = _rangeCopy();
  if (!r || !_inEditor(r)) return false;
  return [r.startContainer, r.endContainer].some((n) => {
    const el = n.nodeType === Node.ELEMENT_NODE ? n : n.parentElement;
    const mark = el ? el.closest(_MARK_SELECTOR) : null;
    return !!mark && editor.contains(mark);
  });
}

function _marksWithIds() {
  return new Map(Array.from(editor.querySelectorAll(_MARK_SELECTOR), (el) => [el, el.id]));
}

// The browser's new paragraph inside a mark makes a second half with the mark's attributes (the
// id only on one of the halves, which need not be the first). A tag's second half becomes a
// further span of the tag (no id, no name); an annotation keeps its one span in the first block,
// so its second half is no mark (a span left without attributes goes, its content stays). True
// when the tag list changed.
function _settleSplitMarks(before) {
  const caret = _selectionPlace();
  let tags = false;
  for (const el of editor.querySelectorAll(_MARK_SELECTOR)) {
    // Only the halves: elements the split made, or whose id it took.
    if (before.has(el) && before.get(el) === el.id) continue;
    const hash = el.getAttribute('data-hash');
    if (hash !== null) {
      const canonical = _inEditorById(hash);
      if (canonical && canonical !== el && canonical.getAttribute('data-hash') === hash) {
        if (el.hasAttribute('data-tag')) tags = true;
        if (el.getAttribute('id') === hash) el.removeAttribute('id');
        el.removeAttribute('data-tag');
      }
      continue;
    }
    const id = el.getAttribute('id');
    if (id && _inEditorById(id) === el) continue;
    el.removeAttribute('id');
    el.classList.remove('dm-annot');
    if (el.getAttribute('class') === '') el.removeAttribute('class');
    if (el.tagName === 'SPAN' && el.attributes.length === 0) _unwrap(el);
  }
  // The caret stays where the new paragraph put it, also when its span went.
  const range = _rangeAt(caret);
  if (_inEditor(range)) _setRange(range);
  return tags;
}

// ---------------------------------------------------------------------------------------------
// Marks kept whole by the browser's edits
// ---------------------------------------------------------------------------------------------

// The input the browser is about to make and the tags' names by tag id before it: the edit may
// take away a tag's first span, which holds its name, and leave its other passages.
let tagsBeforeEdit = null;
// The tags' names when a paste began: the page may delete the selection itself before the paste
// input comes.
let tagsAtPaste = null;

function _tagNames() {
  const names = new Map();
  for (const el of editor.querySelectorAll('[data-hash][data-tag]')) {
    const hash = el.getAttribute('data-hash');
    if (!names.has(hash)) names.set(hash, el.getAttribute('data-tag'));
  }
  return names;
}

// What gives each mark its one identity again after an edit of the browser's own, as changes to
// make (none when every mark is sound); each change answers whether the tag list changed.
// - A tag whose first span went while other passages stayed: the first of those takes the
//   tag's id and name. A copy of the first span (a list or a block built over it) is a further
//   passage of the tag.
// - An annotation's span that the edit cut in pieces, or copied: the piece that holds the id
//   stays the annotation (the first, when several do); the others are no mark.
// - A list built inside a paragraph or a heading stands after it instead, so that the body loads
//   back as it is; what the paragraph held after the list follows in a paragraph of its own.
function _markIdentityFixes(names) {
  const fixes = [];
  const byTag = new Map();
  for (const el of editor.querySelectorAll('[data-hash]')) {
    const hash = el.getAttribute('data-hash');
    if (!byTag.has(hash)) byTag.set(hash, []);
    byTag.get(hash).push(el);
  }
  for (const [hash, spans] of byTag) {
    const holder = spans.find((el) => el.id === hash && el.hasAttribute('data-tag')) ||
      spans.find((el) => el.id === hash) || null;
    const named = spans.find((el) => el.hasAttribute('data-tag'));
    const name = holder && holder.hasAttribute('data-tag') ? holder.getAttribute('data-tag')
      : names.has(hash) ? names.get(hash) : named ? named.getAttribute('data-tag') : null;
    if (name === null) continue;
    const first = holder || spans[0];
    if (first.id !== hash || !first.hasAttribute('data-tag')) {
      // The id may stand on another element already (one that is no passage of the tag).
      const taken = _inEditorById(hash);
      if (taken && taken !== first && !spans.includes(taken)) continue;
      fixes.push(() => {
        if (first.id !== hash) first.setAttribute('id', hash);
        if (!first.hasAttribute('data-tag')) first.setAttribute('data-tag', name);
        return true;
      });
    }
    for (const el of spans) {
      if (el === first || (el.id !== hash && !el.hasAttribute('data-tag'))) continue;
      fixes.push(() => {
        if (el.id === hash) el.removeAttribute('id');
        el.removeAttribute('data-tag');
        return true;
      });
    }
  }
  const annotations = new Set();
  for (const el of editor.querySelectorAll('.dm-annot')) {
    const id = el.getAttribute('id');
    if (el.hasAttribute('data-hash') || (id && !annotations.has(id))) {
      if (id) annotations.add(id);
      continue;
    }
    fixes.push(() => {
      el.removeAttribute('id');
      el.classList.remove('dm-annot');
      if (el.getAttribute('class') === '') el.removeAttribute('class');
      if (el.tagName === 'SPAN' && el.attributes.length === 0) _unwrap(el);
      return false;
    });
  }
  const holders = ['p', 'h1', 'h2', 'h3', 'h4', 'h5', 'h6'];
  for (const list of editor.querySelectorAll(holders.map((h) => `${h} > ul, ${h} > ol`).join())) {
    fixes.push(() => {
      const para = list.parentNode;
      if (!para || !holders.includes(para.nodeName.toLowerCase())) return false;
      const rest = [];
      for (let n = list.nextSibling; n; n = n.nextSibling) rest.push(n);
      para.parentNode.insertBefore(list, para.nextSibling);
      if (rest.some((n) => !_isBlank(n) && !(n.nodeName === 'BR' && n === rest[rest.length - 1]))) {
        const tail = para.cloneNode(false);
        tail.removeAttribute('id');
        para.parentNode.insertBefore(tail, list.nextSibling);
        for (const n of rest) tail.appendChild(n);
      } else {
        for (const n of rest) para.removeChild(n);
      }
      if (Array.from(para.childNodes).every((n) => _isBlank(n) || n.nodeName === 'BR')) {
        para.parentNode.removeChild(para);
      }
      return false;
    });
  }
  return fixes;
}

// Makes the changes _markIdentityFixes finds, the selection kept where it was. True when the tag
// list changed.
function _settleMarkIdentity(names, fixes = _markIdentityFixes(names)) {
  if (fixes.length === 0) return false;
  const caret = _selectionPlace();
  let tags = false;
  for (const fix of fixes) tags = fix() || tags;
  const range = _rangeAt(caret);
  if (_inEditor(range)) _setRange(range);
  return tags;
}

// After an edit of the browser's own: settles the marks in a step of the page's that is undone
// and redone together with the edit. With holders (the inline elements that held a block before
// it), blocks the edit put inside an inline element are taken out of it (a list button in a list
// item that is all one bold run wraps the new list in the run). first, when given, completes the
// edit before that, in the same step. An empty style attribute (the browser's bold, or a colour,
// taken off a span again leaves one) goes.
function _settleAfterEdit(names, holders = null, first = null) {
  const dropped = _droppedIntoCell();
  const fixes = _markIdentityFixes(names);
  const lift =
    holders !== null && Array.from(_inlineBlockHolders()).some((el) => !holders.has(el));
  const loose = _looseRootLines();
  const bare = Array.from(editor.querySelectorAll('[style=""]'));
  if (fixes.length === 0 && loose.length === 0 && !lift && !first && bare.length === 0 &&
      dropped.length === 0) {
    return;
  }
  const hooks = { chain: true, chainHtml: getCleanHTML(), tags: true };
  const settle = () => {
    if (first) first();
    for (const el of bare) el.removeAttribute('style');
    // The marks come back before the identity fixes: which span is a tag's first depends on them.
    const restored = _restoreMarksIntoCell(dropped);
    const now = restored ? _markIdentityFixes(names) : fixes;
    if (lift) _liftPastedBlocks(holders);
    _wrapLooseLines(lift ? _looseRootLines() : loose);
    return (now.length > 0 && _settleMarkIdentity(names, now)) || restored;
  };
  if (_pageEdit(settle, hooks)) notifyTagsUpdated();
}

// Whether the caret stands in text loose in the editor's root (typed into an empty note).
function _typedLoose() {
  const sel = window.getSelection();
  return sel.rangeCount > 0 && editor.contains(sel.anchorNode) && !_blockOf(sel.anchorNode);
}

// The lines of text and inline elements an edit left loose in the editor's root (the browser's
// removal of a list there, or its join of a list item with what follows, gives up the
// paragraph): each line's nodes and the line break that ends it.
function _looseRootLines() {
  const lines = [];
  const only = editor.childNodes.length === 1;
  for (let n = editor.firstChild; n; n = n.nextSibling) {
    const line = _looseLine(n);
    if (!line) {
      // A line break standing alone between blocks (deleting a table leaves one) is an empty
      // line.
      if (n.nodeName === 'BR' && !only) lines.push({ nodes: [n], br: null });
      continue;
    }
    n = line.nodes[line.nodes.length - 1];
    const shown = line.nodes.some((m) => m.nodeType === Node.ELEMENT_NODE ||
      (m.nodeType === Node.TEXT_NODE && !/^\s*$/.test(m.data)));
    if (!shown) continue;
    lines.push(line);
    if (line.br) n = line.br;
  }
  return lines;
}

// Puts each loose line into a paragraph of its own (into the empty one an edit left right
// before it, if any); the line break that ended it goes.
function _wrapLooseLines(lines) {
  // Moving the nodes would put a caret inside them at the paragraph's edge: it stays in them.
  const sel = window.getSelection();
  const r = sel.rangeCount > 0 ? sel.getRangeAt(0) : null;
  const kept = r && r.startContainer !== editor && r.endContainer !== editor &&
    editor.contains(r.startContainer) && editor.contains(r.endContainer)
    ? [r.startContainer, r.startOffset, r.endContainer, r.endOffset] : null;
  for (const line of lines) {
    const left = line.nodes[0].previousSibling;
    const p = left && left.nodeName === 'P' && !left.firstChild ? left : document.createElement('p');
    if (p !== left) editor.insertBefore(p, line.nodes[0]);
    for (const n of line.nodes) p.appendChild(n);
    if (line.br) line.br.remove();
  }
  if (lines.length === 0) return;
  if (!kept) {
    // A caret between blocks next to what became an empty line goes into it.
    const at = r && r.collapsed && r.startContainer === editor ? r.startOffset : -1;
    const near = at < 0 ? [] : [editor.childNodes[at - 1], editor.childNodes[at]];
    const empty = near.find((n) => lines.some((line) => line.nodes[0].parentNode === n &&
      line.nodes.length === 1 && line.nodes[0].nodeName === 'BR'));
    if (empty) {
      const range = document.createRange();
      range.setStart(empty, 0);
      range.collapse(true);
      _setRange(range);
    }
    return;
  }
  try {
    const range = document.createRange();
    range.setStart(kept[0], kept[1]);
    range.setEnd(kept[2], kept[3]);
    sel.removeAllRanges();
    sel.addRange(range);
  } catch (e) {
    // Ignored: the caret stays where the move left it.
  }
}

// ---------------------------------------------------------------------------------------------
// Joining blocks that hold marks
// ---------------------------------------------------------------------------------------------

// A deletion (or text typed over a selection, or a cut) that crosses the boundary of two blocks
// joins them. The browser's join re-creates the moved text and may leave a mark's span out of it, so
// the mark (and, at the next save, an annotation's record) would be lost although its text is
// still there; where the blocks look different (a paragraph and a quote) it keeps the moved
// text's look in inline style, the quote's colours copied into the paragraph or the paragraph's
// white into the quote. Where either block holds a mark, or their looks differ, the page joins
// the blocks itself, and the joined text takes the look of the block it joins.
const _JOIN_DELETES = new Set([
  'deleteContent', 'deleteContentBackward', 'deleteContentForward', 'deleteWordBackward',
  'deleteWordForward', 'deleteSoftLineBackward', 'deleteSoftLineForward',
  'deleteHardLineBackward', 'deleteHardLineForward', 'deleteByCut',
]);
// Inputs that replace a selection: typing, and a new paragraph or line.
const _REPLACING_INPUTS = new Set(['insertText', 'insertParagraph', 'insertLineBreak']);
const _MARK_SELECTOR = '[data-hash], .dm-annot, [id^="ann_"]';
const _VOID_TAGS = new Set(['BR', 'IMG', 'HR', 'INPUT', 'WBR', 'AREA', 'EMBED', 'COL']);

function _blockOf(node) {
  for (let n = node; n && n !== editor; n = n.parentNode) {
    if (_isBlock(n)) return n;
  }
  return null;
}

function _cellOf(block) {
  const cell = block.closest('td, th');
  return cell && editor.contains(cell) ? cell : null;
}

// The range an input would delete when it joins two blocks of which one holds a mark; null when
// the browser may do it.
function _markedJoinRange(e) {
  const typed = _REPLACING_INPUTS.has(e.inputType) &&
    (e.inputType !== 'insertText' || (typeof e.data === 'string' && e.data !== ''));
  if (!typed && !_JOIN_DELETES.has(e.inputType)) return null;
  let range = null;
  try {
    const sel = window.getSelection();
    if (sel.rangeCount > 0 && !sel.isCollapsed) {
      range = sel.getRangeAt(0).cloneRange();
    } else if (!typed) {
      const targets = e.getTargetRanges();
      if (targets.length !== 1) return null;
      range = document.createRange();
      range.setStart(targets[0].startContainer, targets[0].startOffset);
      range.setEnd(targets[0].endContainer, targets[0].endOffset);
    }
  } catch (err) {
    return null;
  }
  return _markedJoin(range, true);
}

// Whether the input is a deletion at the start of a block right after a table, where nothing is
// deleted or joined: the browser's step changes nothing there but re-creates the block's content,
// and leaves out a mark's span that ends the block. The page keeps the block as it is.
function _joinsNothing(e) {
  if (!_JOIN_DELETES.has(e.inputType) || !window.getSelection().isCollapsed) return false;
  let range = null;
  try {
    const targets = e.getTargetRanges();
    if (targets.length !== 1) return false;
    range = document.createRange();
    range.setStart(targets[0].startContainer, targets[0].startOffset);
    range.setEnd(targets[0].endContainer, targets[0].endOffset);
  } catch (err) {
    return false;
  }
  if (range.collapsed || !_inEditor(range)) return false;
  const before = range.startContainer.childNodes[range.startOffset - 1];
  if (!before || before.nodeName !== 'TABLE' || range.toString() !== '') return false;
  const block = _blockOf(range.endContainer);
  if (!block || block.closest('table') || !block.querySelector(_MARK_SELECTOR)) return false;
  return !range.cloneContents().querySelector('img, hr, input, embed');
}

// The range when deleting it joins two blocks that the page joins itself: one holds a mark, or
// the two look different (the browser would write the look of the moved text into the body as
// inline style); null otherwise. With loose, either side may also be a line of text loose in the
// editor's root.
function _markedJoin(range, loose) {
  if (!range || range.collapsed || !_inEditor(range)) return null;
  const first = _blockOf(range.startContainer);
  const second = _blockOf(range.endContainer);
  if (loose && (!first || !second)) return _markedLooseJoin(range, first, second);
  if (!first || !second || first === second || _holdsBlock(first) || _holdsBlock(second)) {
    return null;
  }
  if (_cellOf(first) !== _cellOf(second)) return null;
  // A mark that holds the blocks themselves is left to the browser.
  if (first.closest(_MARK_SELECTOR) || second.closest(_MARK_SELECTOR)) return null;
  if (!first.querySelector(_MARK_SELECTOR) && !second.querySelector(_MARK_SELECTOR) &&
      !_looksDiffer(first, second)) {
    return null;
  }
  return range;
}

// The text look a block gives what it holds: the inherited font and colour, and the background
// shown behind it (its own or that of the nearest block around it that has one).
function _blockLook(block) {
  const cs = getComputedStyle(block);
  let background = 'transparent';
  for (let n = block; n && n.nodeType === Node.ELEMENT_NODE; n = n.parentNode) {
    const bg = getComputedStyle(n).backgroundColor;
    if (_isShownColour(bg)) {
      background = bg;
      break;
    }
    if (n === editor) break;
  }
  return [cs.color, cs.fontStyle, cs.fontWeight, cs.fontSize, cs.fontFamily,
    cs.textDecorationLine, background].join('|');
}

// Whether text moved from one block into the other would look different there (a paragraph
// joined with a quote), so that the browser's join would keep its look in inline style.
function _looksDiffer(first, second) {
  return _blockLook(first) !== _blockLook(second);
}

// The line of inline nodes loose in the editor's root that holds the node, between blocks and
// line breaks: its nodes and the line break that ends it (null when none does).
function _looseLine(node) {
  if (!node || node === editor || !editor.contains(node)) return null;
  let top = node;
  while (top.parentNode !== editor) top = top.parentNode;
  const inline = (n) => !!n && !_isBlock(n) && !_holdsBlock(n) && n.nodeName !== 'BR';
  if (!inline(top)) return null;
  const nodes = [top];
  while (inline(nodes[0].previousSibling)) nodes.unshift(nodes[0].previousSibling);
  for (let n = top.nextSibling; inline(n); n = n.nextSibling) nodes.push(n);
  const next = nodes[nodes.length - 1].nextSibling;
  return { nodes, br: next && next.nodeName === 'BR' ? next : null };
}

function _lineHoldsMark(line) {
  return line.nodes.some((n) => n.nodeType === Node.ELEMENT_NODE &&
    (n.matches(_MARK_SELECTOR) || n.querySelector(_MARK_SELECTOR) !== null));
}

// A join where a side is loose in the editor's root (the other a block outside a table, or
// loose too): the range when either side holds a mark or the two look different (a loose line
// looks as the editor's root), with the sides for _joinLines.
function _markedLooseJoin(range, firstBlock, secondBlock) {
  const sides = [[firstBlock, range.startContainer], [secondBlock, range.endContainer]].map(
    ([block, node]) => {
      if (block) {
        const ok = !_holdsBlock(block) && !_cellOf(block) && !block.closest(_MARK_SELECTOR);
        return ok ? { block, marked: block.querySelector(_MARK_SELECTOR) !== null } : null;
      }
      const line = _looseLine(node);
      return line && { line, marked: _lineHoldsMark(line) };
    });
  if (!sides[0] || !sides[1]) return null;
  const looks = [firstBlock, secondBlock].map((b) => _blockLook(b || editor));
  if (!(sides[0].marked || sides[1].marked) && looks[0] === looks[1]) return null;
  if (sides[0].line && sides[1].line && sides[0].line.nodes[0] === sides[1].line.nodes[0]) {
    return null;
  }
  range.looseSides = sides;
  return range;
}

// The page's join of two blocks (see _joinBlocks) where either side may be a line loose in the
// editor's root: such a line stands in a block of its own while the blocks are joined, and its
// nodes go back to the root after. The line break that ended a loose second line goes with it.
function _joinLines(range, input, text) {
  const sides = range.looseSides;
  if (!sides) {
    _joinBlocks(range, input, text);
    return;
  }
  const place = { sc: range.startContainer, so: range.startOffset, ec: range.endContainer,
    eo: range.endOffset };
  const holders = sides.map((side) => {
    if (!side.line) return null;
    const holder = document.createElement('div');
    editor.insertBefore(holder, side.line.nodes[0]);
    for (const n of side.line.nodes) holder.appendChild(n);
    return holder;
  });
  if (sides[1].line && sides[1].line.br && input !== 'insertParagraph') sides[1].line.br.remove();
  const joined = _rangeAt(place);
  _joinBlocks(joined, input, text);
  for (const holder of holders) {
    if (!holder || !holder.isConnected) continue;
    // The caret's place without the holder: before the node it stood before, or after the last.
    const caret = _selectionPlace();
    let at = null;
    if (caret && caret.sc === holder) {
      const ref = holder.childNodes[caret.so] || null;
      at = { ref, after: ref ? null : holder.lastChild };
    }
    _unwrap(holder);
    if (at) {
      const r = document.createRange();
      if (at.ref) r.setStartBefore(at.ref);
      else if (at.after) r.setStartAfter(at.after);
      else r.setStart(editor, 0);
      r.collapse(true);
      _setRange(r);
    } else if (caret) {
      const r = _rangeAt(caret);
      if (_inEditor(r)) _setRange(r);
    }
  }
}

// A paste over a selection that joins two blocks holding a mark. The browser's paste would join
// them as its deletion does, and its insertion of markup drops a mark that ends the block after
// the caret. So the page deletes the selection first, leaving the blocks apart; the browser
// pastes at the end of the first; and then the page joins the block the paste ends in with the
// second. Undoing the paste undoes the page's two steps with it, and redoing the deletion redoes
// the paste and the join, so the user never meets the steps between.
let pasteJoin = null; // the deletion's hooks until its paste has come

function _joinForPaste(e) {
  pasteJoin = null;
  if (e.defaultPrevented || !editor.isContentEditable || sourceMode) return;
  const types = e.clipboardData ? Array.from(e.clipboardData.types || []) : [];
  if (types.length === 0) return;
  let range = null;
  try {
    const sel = window.getSelection();
    if (sel.rangeCount > 0 && !sel.isCollapsed) range = sel.getRangeAt(0).cloneRange();
  } catch (err) {
    return;
  }
  const join = _markedJoin(range);
  if (!join) return;
  const hooks = {
    pasted: false, deletedHtml: '', deletedClean: '', second: _blockOf(join.endContainer),
    space: null,
  };
  _pageEdit(() => {
    hooks.space = _deleteApart(join);
  }, hooks);
  const last = pageDone[pageDone.length - 1];
  if (last && last.hooks === hooks) {
    hooks.deletedHtml = editor.innerHTML;
    hooks.deletedClean = getCleanHTML();
    pasteJoin = hooks;
  }
  editorEditPending = true;
  _restartChangeTimer();
}

// Deletes the range's content across two blocks and removes the inline elements it left empty;
// gives the two blocks and where the deletion began.
function _deleteAcross(range) {
  const first = _blockOf(range.startContainer);
  const second = _blockOf(range.endContainer);
  const startNode = range.startContainer;
  const startOffset = range.startOffset;
  const endNode = range.endContainer;
  range.deleteContents();
  _pruneEmpty(endNode, second);
  _pruneEmpty(startNode, first);
  return { first, second, startNode, startOffset };
}

// Deletes the range's content but keeps the two blocks it reaches across; the caret stays at
// the end of what is left of the first. Gives the place of the space it showed there (see
// _showEndSpace), null when none.
function _deleteApart(range) {
  const { first, startNode, startOffset } = _deleteAcross(range);
  if (startNode.isConnected && first.contains(startNode)) {
    range.setStart(startNode, Math.min(startOffset, _nodeLength(startNode)));
  } else {
    range.setStart(first, first.childNodes.length);
  }
  range.collapse(true);
  if (!first.firstChild) {
    first.appendChild(document.createElement('br'));
    range.setStart(first, 0);
    range.collapse(true);
  }
  _setRange(range);
  return _showEndSpace(range, first);
}

// A space that ends what the deletion left of a block is not shown, so the browser's paste at
// the caret after it drops it, or pastes into the element before it (the space's place and the
// end of that element are one place on the screen). Until the paste has come it stands as a
// no-break space, which is shown; gives its place, null when the caret follows no such space.
function _showEndSpace(caret, block) {
  const node = caret.startContainer;
  const at = caret.startOffset;
  if (node.nodeType !== Node.TEXT_NODE || at === 0 || !/[ \t\n\r]/.test(node.data[at - 1])) {
    return null;
  }
  if (/^pre/.test(getComputedStyle(node.parentElement).whiteSpace)) return null;
  const rest = document.createRange();
  rest.setStart(node, at);
  rest.setEnd(block, block.childNodes.length);
  if (rest.toString() !== '' || rest.cloneContents().querySelector('img')) return null;
  node.replaceData(at - 1, 1, '\u00a0');
  // The replacement moved the caret before the space.
  caret.setStart(node, at);
  caret.collapse(true);
  _setRange(caret);
  return { node, offset: at - 1 };
}

// The space _showEndSpace made a no-break one is an ordinary space again once text follows it
// in its block (as it did before the deletion); text typed after it would give it back too.
function _restoreEndSpace(space) {
  if (!space || !space.node.isConnected || space.node.data[space.offset] !== '\u00a0') return;
  const block = _blockOf(space.node);
  if (!block) return;
  const rest = document.createRange();
  rest.setStart(space.node, space.offset + 1);
  rest.setEnd(block, block.childNodes.length);
  const next = rest.toString();
  if (next === '' || /^\s/.test(next)) return;
  // The replacement would move a caret right after the space before it.
  const caret = _selectionPlace();
  space.node.replaceData(space.offset, 1, ' ');
  const r = _rangeAt(caret);
  if (_inEditor(r)) _setRange(r);
}

// The browser's paste after the page's deletion has come: the block it ends in is joined with
// the second block of the deletion, when nothing but a line break stands between them.
function _joinAfterPaste() {
  const hooks = pasteJoin;
  pasteJoin = null;
  const last = pageDone[pageDone.length - 1];
  if (!hooks || !last || last.hooks !== hooks || editor.innerHTML === hooks.deletedHtml) return;
  hooks.pasted = true;
  _joinPastedBlock(hooks.second);
  _restoreEndSpace(hooks.space);
}

// The block the paste ends in, joined with the second block of the deletion.
function _joinPastedBlock(second) {
  const caret = _rangeCopy();
  if (!caret || !second.isConnected || !editor.contains(second)) return;
  const first = _blockOf(caret.endContainer);
  if (!first || first === second || first.contains(second) || second.contains(first) ||
      _holdsBlock(first) || _cellOf(first) !== _cellOf(second)) {
    return;
  }
  const range = document.createRange();
  try {
    range.setStart(caret.endContainer, caret.endOffset);
    range.setEnd(second, 0);
  } catch (err) {
    return;
  }
  // Only empty elements (the ends of those holding the caret and the second block among them)
  // and line breaks may stand between.
  const between = range.cloneContents().querySelectorAll('*');
  const kept = Array.from(between).some(
    (el) => el.tagName === 'TABLE' || (el.tagName !== 'BR' && _VOID_TAGS.has(el.tagName)));
  if (range.collapsed || range.toString() !== '' || kept) return;
  _joinBlocks(range, 'insertFromPaste', '');
}

// A paste of markup at a collapsed caret lets the browser re-create the text after the caret, and
// it may leave a mark's span out of it (one that ends the block, or stands right before the
// caret). So the page notes the marks of the caret's block before the paste, each by its text and
// by how far it stands from the block's start (before the caret) or end (after it), and in the
// paste's own step wraps the text of any whose span is gone in a copy of the span again.
let pasteMarks = null;

function _noteMarksForPaste(e) {
  pasteMarks = null;
  if (e.defaultPrevented || !editor.isContentEditable || sourceMode) return;
  const caret = _rangeCopy();
  if (!caret || !caret.collapsed || !_inEditor(caret)) return;
  const block = _blockOf(caret.startContainer);
  if (!block) return;
  const notes = [];
  for (const el of block.querySelectorAll(_MARK_SELECTOR)) {
    // A mark within another comes back with the outer one.
    const outer = el.parentElement.closest(_MARK_SELECTOR);
    if (el.contains(caret.startContainer) || (outer && block.contains(outer))) continue;
    const text = el.textContent;
    if (text === '') continue;
    const span = document.createRange();
    span.selectNode(el);
    const after = span.compareBoundaryPoints(Range.START_TO_START, caret) >= 0;
    const rest = document.createRange();
    if (after) {
      rest.setStartAfter(el);
      rest.setEnd(block, block.childNodes.length);
    } else {
      rest.setStart(block, 0);
      rest.setEndBefore(el);
    }
    notes.push({ el, text, after, distance: rest.toString().length, block });
  }
  if (notes.length > 0) pasteMarks = notes;
}

// The text nodes' place for a count of characters from the block's start: at a boundary of two
// nodes, the end of the first for an end and the start of the second for a start.
function _textPlace(block, count, isEnd) {
  const walker = document.createTreeWalker(block, NodeFilter.SHOW_TEXT);
  let last = null;
  for (let n = walker.nextNode(); n; n = walker.nextNode()) {
    if (count < n.data.length || (isEnd && count === n.data.length)) {
      return { node: n, offset: count };
    }
    count -= n.data.length;
    last = n;
  }
  return count === 0 && last ? { node: last, offset: last.data.length } : null;
}

// Wraps the text of the block from character start on in a copy of the mark's element, where
// that text is still the mark's; the copy, or null when the text there is no longer the mark's.
function _rewrapMarkText(block, start, note) {
  if (start < 0) return null;
  const from = _textPlace(block, start, false);
  const to = _textPlace(block, start + note.text.length, true);
  if (!from || !to) return null;
  const range = document.createRange();
  try {
    range.setStart(from.node, from.offset);
    range.setEnd(to.node, to.offset);
  } catch (err) {
    return null;
  }
  if (range.toString() !== note.text) return null;
  const copy = note.el.cloneNode(false);
  const moved = range.extractContents();
  range.insertNode(copy);
  copy.appendChild(moved);
  return copy;
}

// In the paste's step: the noted marks whose span the browser dropped get it back around their
// text, where that text still stands; the caret stays where the paste left it.
function _restorePastedOverMarks() {
  const notes = pasteMarks;
  pasteMarks = null;
  if (!notes) return;
  const caret = _rangeCopy();
  const caretBlock = caret ? _blockOf(caret.endContainer) : null;
  for (const note of notes) {
    if (note.el.isConnected && editor.contains(note.el)) continue;
    const block = note.after ? caretBlock : note.block;
    if (!block || !block.isConnected || !editor.contains(block)) continue;
    const total = block.textContent.length;
    const start = note.after ? total - note.distance - note.text.length : note.distance;
    _rewrapMarkText(block, start, note);
  }
  if (caret && caret.startContainer.isConnected) _setRange(caret);
}

// The browser undid a step of its own in the editor: when that was the paste after a deletion
// of the page's, the deletion is undone with it.
function _undoChained() {
  const entry = pageDone[pageDone.length - 1];
  if (!entry || !entry.hooks || !entry.hooks.pasted) return;
  // Without display state, which showing tags may have changed since.
  if (getCleanHTML() !== entry.hooks.deletedClean) return;
  _historyCommand('undo');
  _undoPageEdit();
}

// Removes the node and the ancestors below the block that the deletion left without content.
function _pruneEmpty(node, block) {
  while (node && node !== block && block.contains(node)) {
    const empty = node.nodeType === Node.TEXT_NODE
      ? node.data === ''
      : node.nodeType === Node.ELEMENT_NODE && !node.firstChild && !_VOID_TAGS.has(node.tagName);
    if (!empty) return;
    const parent = node.parentNode;
    parent.removeChild(node);
    node = parent;
  }
}

// Deletes the range's content, moves what is left of the second block to the end of the first,
// removes the second block (and what it leaves empty) and puts what the input inserts at the
// join: its text, or a line break. A new paragraph keeps both blocks, the caret at the second.
function _joinBlocks(range, input, text) {
  const { first, second, startNode, startOffset } = _deleteAcross(range);
  if (input === 'insertParagraph') {
    for (const block of [first, second]) {
      if (!block.firstChild) block.appendChild(document.createElement('br'));
    }
    range.setStart(second, 0);
    range.collapse(true);
    _setRange(range);
    return;
  }
  let moved = Array.from(second.childNodes);
  // A second block that holds only its place holder (an empty line's line break) adds nothing.
  const holder = moved.filter((n) => n.nodeName === 'BR').length === 1 && moved.every(
    (n) => n.nodeName === 'BR' || (n.nodeType === Node.TEXT_NODE && n.data === ''));
  if (holder) moved = [];
  const hasContent = moved.some((n) => n.nodeType !== Node.TEXT_NODE || n.data !== '');
  if (hasContent && first.lastChild && first.lastChild.nodeName === 'BR') {
    // The first block's closing line break (its place holder when empty) would now show.
    first.removeChild(first.lastChild);
  }
  const join = first.childNodes.length;
  for (const n of moved) first.appendChild(n);
  let gone = second;
  while (gone !== editor && !gone.contains(first)) {
    const parent = gone.parentNode;
    parent.removeChild(gone);
    if (parent === editor || parent.querySelector('*') || parent.textContent.trim() !== '') break;
    gone = parent;
  }
  // The caret goes where the deletion began, or to the join when that place is gone.
  if (startNode === first) {
    range.setStart(first, Math.min(startOffset, join));
  } else if (startNode.isConnected && first.contains(startNode)) {
    range.setStart(startNode, Math.min(startOffset, _nodeLength(startNode)));
  } else {
    range.setStart(first, join);
  }
  range.collapse(true);
  if (text) {
    const at = range.startContainer;
    if (at.nodeType === Node.TEXT_NODE) {
      at.insertData(range.startOffset, text);
      range.setStart(at, range.startOffset + text.length);
    } else {
      const t = document.createTextNode(text);
      range.insertNode(t);
      range.setStartAfter(t);
    }
    range.collapse(true);
  } else if (input === 'insertLineBreak') {
    const br = document.createElement('br');
    range.insertNode(br);
    range.setStartAfter(br);
    range.collapse(true);
    // A line break that ends its block needs a second one for the new line to show.
    const rest = document.createRange();
    rest.setStartAfter(br);
    rest.setEnd(first, first.childNodes.length);
    if (rest.toString() === '' && !rest.cloneContents().querySelector('br, img')) {
      first.appendChild(document.createElement('br'));
    }
  }
  if (!first.firstChild) first.appendChild(document.createElement('br'));
  _setRange(range);
}


// ---------------------------------------------------------------------------------------------
// Marks moved into a table cell
// ---------------------------------------------------------------------------------------------

// Text typed over (or a deletion of) a selection from a table cell to a block after the table is
// the browser's to do: it empties what the selection took of the table and moves the rest of the
// block's line into the cell, and a mark at the start of the moved text loses its span. So the
// page notes the marks of that line before, each by the text of it that stays and how far it
// stands from the line's end; in the step that settles the edit, the text of any whose span went
// gets the span back (see _settleAfterEdit).
let marksIntoCell = null;

function _noteMarksIntoCell(e) {
  marksIntoCell = null;
  if (!_REPLACING_INPUTS.has(e.inputType) && !_JOIN_DELETES.has(e.inputType)) return;
  const range = _rangeCopy();
  if (!range || range.collapsed || !_inEditor(range)) return;
  const first = _blockOf(range.startContainer);
  const second = _blockOf(range.endContainer);
  if (!first || !second || first === second || !_cellOf(first) || _cellOf(second)) return;
  // The line ends at the next line break or block after the selection, or with the block.
  const lineEnd = document.createRange();
  lineEnd.selectNodeContents(second);
  const walker = document.createTreeWalker(second, NodeFilter.SHOW_ELEMENT);
  for (let el = walker.nextNode(); el; el = walker.nextNode()) {
    if ((el.nodeName === 'BR' || _isBlock(el)) &&
        range.comparePoint(el, 0) > 0) {
      lineEnd.setEndBefore(el);
      break;
    }
  }
  const notes = [];
  for (const el of second.querySelectorAll(_MARK_SELECTOR)) {
    // A mark within another comes back with the outer one.
    const outer = el.parentElement.closest(_MARK_SELECTOR);
    if (outer && second.contains(outer)) continue;
    const kept = document.createRange();
    kept.selectNodeContents(el);
    if (kept.compareBoundaryPoints(Range.END_TO_END, range) <= 0) continue;
    if (kept.compareBoundaryPoints(Range.END_TO_END, lineEnd) > 0) continue;
    if (kept.compareBoundaryPoints(Range.END_TO_START, range) < 0) {
      kept.setStart(range.endContainer, range.endOffset);
    }
    const text = kept.toString();
    if (text === '') continue;
    const rest = document.createRange();
    rest.setStartAfter(el);
    rest.setEnd(lineEnd.endContainer, lineEnd.endOffset);
    notes.push({ el, text, distance: rest.toString().length });
  }
  if (notes.length > 0) marksIntoCell = notes;
}

// The noted marks whose span the edit took away.
function _droppedIntoCell() {
  const notes = marksIntoCell;
  marksIntoCell = null;
  return notes ? notes.filter((n) => !n.el.isConnected || !editor.contains(n.el)) : [];
}

// Gives each dropped mark's text, where it ends the caret's cell as far from its end as the mark
// stood from the end of its line, a copy of the mark's span again; true when any came back.
function _restoreMarksIntoCell(dropped) {
  if (dropped.length === 0) return false;
  const caret = _rangeCopy();
  const block = caret ? _blockOf(caret.endContainer) : null;
  if (!block || !_cellOf(block)) return false;
  let restored = false;
  for (const note of dropped) {
    const total = block.textContent.length;
    const copy = _rewrapMarkText(block, total - note.distance - note.text.length, note);
    if (!copy) continue;
    // An element the text was taken out of stays behind empty.
    for (const n of [copy.previousSibling, copy.nextSibling]) {
      if (n && n.nodeType === Node.ELEMENT_NODE && !_VOID_TAGS.has(n.tagName) &&
          n.textContent === '' && !n.querySelector('br, img')) {
        n.remove();
      }
    }
    restored = true;
  }
  if (caret && caret.startContainer.isConnected) _setRange(caret);
  return restored;
}
