// ---------------------------------------------------------------------------------------------
// Body markup: loading, cleaning, tag list
// ---------------------------------------------------------------------------------------------

function _swapAttrName(el, from, to) {
  const attrs = Array.from(el.attributes);
  for (const a of attrs) el.removeAttributeNode(a);
  for (const a of attrs) {
    if (a.name === from) el.setAttribute(to, a.value);
    else el.setAttributeNode(a);
  }
}

function _disarm(root) {
  for (const [tag, live, inert] of _INERT_ATTRS) {
    root.querySelectorAll(tag + '[' + live + ']').forEach((el) => _swapAttrName(el, live, inert));
  }
  root.querySelectorAll('style').forEach((el) => {
    if (el.hasAttribute('type')) _swapAttrName(el, 'type', _INERT_STYLE_TYPE_ATTR);
    el.setAttribute('type', _INERT_STYLE_TYPE);
  });
}

function _rearm(root) {
  for (const [tag, live, inert] of _INERT_ATTRS) {
    root.querySelectorAll(tag + '[' + inert + ']').forEach((el) => _swapAttrName(el, inert, live));
  }
  root.querySelectorAll(_INERT_STYLE_SELECTOR).forEach((el) => {
    el.removeAttribute('type');
    if (el.hasAttribute(_INERT_STYLE_TYPE_ATTR)) _swapAttrName(el, _INERT_STYLE_TYPE_ATTR, 'type');
  });
}

// Replaces the editor's content by the html. Markup that could act by itself when it joins the
// page is parsed where it cannot act, and disarmed first.
function _setEditorContent(html) {
  if (!/<meta|srcdoc|<style/i.test(html)) {
    editor.innerHTML = html;
    return;
  }
  const body = _inertDoc.body;
  body.innerHTML = html;
  _disarm(body);
  const frag = document.createDocumentFragment();
  while (body.firstChild) frag.appendChild(body.firstChild);
  editor.replaceChildren(frag);
}

// A copy of the editor's content, made where it cannot act, with the inert names undone.
function _contentCopy() {
  const copy = _inertDoc.importNode(editor, true);
  _rearm(copy);
  return copy;
}

// The classes the page puts on marks while showing a note: a tag's colour (or its fading), an
// annotation's flash. They are the whole display state; everything else on a mark is the note's.
const _DISPLAY_CLASSES = new Set(
  TAG_COLOUR_NAMES.concat(TAG_COLOUR_NAMES.map((c) => c + '-fade'), ['dm-annot-flash']));

// The element's class attribute without the display classes (null: no class left).
function _classWithoutDisplay(el) {
  const cls = el.getAttribute('class');
  if (cls === null) return null;
  const isTag = el.hasAttribute('data-hash');
  const kept = cls.split(/\s+/)
    .filter((c) => c && !(isTag ? _DISPLAY_CLASSES.has(c) : c === 'dm-annot-flash'))
    .join(' ');
  return kept === '' ? null : kept;
}

// Takes the display state off the marks under root and returns what it took, so that
// _restoreDisplayState can put it back.
function _takeDisplayState(root) {
  const taken = [];
  root.querySelectorAll('[data-hash][class], .dm-annot-flash').forEach((el) => {
    const cls = el.getAttribute('class');
    const kept = _classWithoutDisplay(el);
    if (kept === cls) return;
    taken.push([el, cls]);
    if (kept === null) el.removeAttribute('class');
    else el.setAttribute('class', kept);
  });
  return taken;
}

function _restoreDisplayState(taken) {
  for (const [el, cls] of taken) el.setAttribute('class', cls);
}

const _INERT_SELECTOR = _INERT_ATTRS.map(([tag, , inert]) => tag + '[' + inert + ']')
  .concat([_INERT_STYLE_SELECTOR]).join(',');

// The editor's content without display state: what the store keeps.
function getCleanHTML() {
  if (editor.querySelector(_INERT_SELECTOR)) {
    const copy = _contentCopy();
    _takeDisplayState(copy);
    return copy.innerHTML;
  }
  // Taken off and put back within this task, so nothing is ever drawn without it.
  const taken = _takeDisplayState(editor);
  try {
    return editor.innerHTML;
  } finally {
    _restoreDisplayState(taken);
  }
}

function getEmbeddedTags() {
  const tags = Array.from(editor.querySelectorAll('[data-tag]')).map((el) => ({
    id: el.id,
    tag: el.getAttribute('data-tag') || '',
    colour: el.getAttribute('data-colour') || 'yellow',
  }));
  tags.sort((a, b) => _tagCollator.compare(a.tag, b.tag));
  return tags;
}

// Clears the display classes of a tag span; its own style (a colour the user gave it) stays.
function resetTagDisplay(el) {
  const kept = _classWithoutDisplay(el);
  if (kept === null) el.removeAttribute('class');
  else el.setAttribute('class', kept);
}

function _isBlock(node) {
  return !!node && node.nodeType === Node.ELEMENT_NODE && _BLOCK_TAGS.has(node.tagName);
}

function _holdsBlock(node) {
  return node.nodeType === Node.ELEMENT_NODE && node.querySelector(_BLOCK_SELECTOR) !== null;
}

function _unwrap(el) {
  const parent = el.parentNode;
  if (!parent) return;
  while (el.firstChild) parent.insertBefore(el.firstChild, el);
  parent.removeChild(el);
}

function _inEditorById(id) {
  return id ? editor.querySelector('#' + CSS.escape(id)) : null;
}

function _tagSpans(id) {
  return Array.from(editor.querySelectorAll('[data-hash]')).filter(
    (el) => el.getAttribute('data-hash') === id);
}

// Any colour name outside the table counts as yellow.
function _colourName(colour) {
  return TAG_COLOUR_NAMES.includes(colour) ? colour : 'yellow';
}

function _base36Random(n) {
  return Math.random().toString(36).substring(2, 2 + n);
}

function _makeTagId() {
  return Date.now().toString(36) + _base36Random(4);
}

function _makeAnnotId() {
  return 'ann_' + Date.now().toString(36) + _base36Random(3);
}

function _makeTagSpan(hash, tagName, colour, canonical, applyNow) {
  const span = document.createElement('span');
  span.setAttribute('data-hash', hash);
  span.setAttribute('data-colour', colour);
  if (canonical) {
    span.setAttribute('id', hash);
    span.setAttribute('data-tag', tagName);
  }
  if (applyNow) span.className = colour;
  return span;
}

// Wraps one run of sibling inline nodes in a new span from make(), where a span may stand. White
// space between blocks (the source view puts a line break between every two) is never shown, and
// a span there would stand loose beside them: it is left as it is.
function _flushRun(parent, run, make) {
  if (run.length === 0 || _NO_SPAN_PARENTS.has(parent.nodeName)) return;
  if (run.every((n) => n.textContent === '')) return;
  const beside = (n) => (n ? _isBlock(n) || _holdsBlock(n) : parent === editor || _isBlock(parent));
  if (run.every(_isBlank) && beside(run[0].previousSibling) &&
      beside(run[run.length - 1].nextSibling)) {
    return;
  }
  const span = make();
  parent.insertBefore(span, run[0]);
  for (const n of run) span.appendChild(n);
}

// Wraps every inline run inside parentNode; blocks (and inline elements holding blocks) are
// entered, never wrapped, so no span made here ever holds a block.
function _wrapRuns(parentNode, make) {
  const kids = Array.from(parentNode.childNodes);
  let run = [];
  for (const child of kids) {
    if (_isBlock(child) || _holdsBlock(child)) {
      _flushRun(parentNode, run, make);
      run = [];
      _wrapRuns(child, make);
    } else {
      run.push(child);
    }
  }
  _flushRun(parentNode, run, make);
}

// Splits the text nodes at the range's ends so that both ends lie between nodes; nothing else
// in the document is split.
function _splitRangeEnds(range) {
  const r = range.cloneRange();
  const out = document.createRange();
  const ec = r.endContainer;
  const eo = r.endOffset;
  const sc = r.startContainer;
  const so = r.startOffset;
  let startNode = null;
  let startAfter = false;
  if (sc.nodeType === Node.TEXT_NODE) {
    if (so === 0) startNode = sc;
    else if (so >= sc.length) { startNode = sc; startAfter = true; }
  }
  // The end first, so the start's offset stays valid when both lie in one text node.
  if (ec.nodeType === Node.TEXT_NODE) {
    if (eo > 0 && eo < ec.length) ec.splitText(eo);
    if (eo === 0) out.setEndBefore(ec);
    else out.setEndAfter(ec);
  } else {
    out.setEnd(ec, eo);
  }
  if (sc.nodeType === Node.TEXT_NODE) {
    if (startNode === null) startNode = sc.splitText(so);
    if (startAfter) out.setStartAfter(startNode);
    else out.setStartBefore(startNode);
  } else {
    out.setStart(sc, so);
  }
  return out;
}

// Walks the children of a partly selected node: fully selected ones are wrapped in runs in
// place, partly selected ones are entered.
function _wrapSelectedRuns(parent, r, make) {
  const kids = Array.from(parent.childNodes);
  const kinds = kids.map((child, i) => {
    const before = r.comparePoint(parent, i);
    const after = r.comparePoint(parent, i + 1);
    if (before === 0 && after === 0) return 'in';
    if ((before < 0 && after < 0) || (before > 0 && after > 0)) return 'out';
    return 'partial';
  });
  let run = [];
  kids.forEach((child, i) => {
    const kind = kinds[i];
    if (kind === 'in' && !_isBlock(child) && !_holdsBlock(child)) {
      run.push(child);
      return;
    }
    _flushRun(parent, run, make);
    run = [];
    if (kind === 'in') _wrapRuns(child, make);
    else if (kind === 'partial' && child.nodeType === Node.ELEMENT_NODE) {
      _wrapSelectedRuns(child, r, make);
    }
  });
  _flushRun(parent, run, make);
}

// Wraps every selected inline run of the range in place, each in a new span from make();
// returns the spans in document order.
function _wrapRangeRuns(range, make) {
  const r = _splitRangeEnds(range);
  let root = r.commonAncestorContainer;
  if (root.nodeType !== Node.ELEMENT_NODE) root = root.parentNode;
  const spans = [];
  _wrapSelectedRuns(root, r, () => {
    const span = make();
    spans.push(span);
    return span;
  });
  return spans;
}

// Creates an embedded tag over the range: one span per inline run, nothing moved.
function _createTag(range, tagName, colour, applyNow) {
  const hash = _makeTagId();
  let first = true;
  _wrapRangeRuns(range, () => {
    const span = _makeTagSpan(hash, tagName, colour, first, applyNow);
    first = false;
    return span;
  });
  return hash;
}

function _nodeLength(node) {
  return node.nodeType === Node.ELEMENT_NODE ? node.childNodes.length : (node.length || 0);
}

function _isBlank(node) {
  return node.nodeType === Node.TEXT_NODE && /^\s*$/.test(node.data);
}

// A copy of the range without the ends that select nothing: an end at the very start of the
// next block (as a triple click leaves it) or at the very end of the previous one moves back
// into the text that is selected.
function _shrinkRange(range) {
  const r = range.cloneRange();
  while (!r.collapsed && r.endOffset === 0 && r.endContainer !== r.commonAncestorContainer) {
    r.setEndBefore(r.endContainer);
  }
  while (!r.collapsed && r.startContainer !== r.commonAncestorContainer &&
         r.startOffset === _nodeLength(r.startContainer)) {
    r.setStartAfter(r.startContainer);
  }
  for (;;) {
    const ec = r.endContainer;
    if (r.collapsed || ec.nodeType !== Node.ELEMENT_NODE || r.endOffset === 0) break;
    const prev = ec.childNodes[r.endOffset - 1];
    if (prev.contains(r.startContainer) && prev.nodeType === Node.ELEMENT_NODE) {
      r.setEnd(prev, prev.childNodes.length);
    } else if (_isBlank(prev) && !prev.contains(r.startContainer)) {
      r.setEndBefore(prev);
    } else {
      break;
    }
  }
  for (;;) {
    const sc = r.startContainer;
    if (r.collapsed || sc.nodeType !== Node.ELEMENT_NODE || r.startOffset >= sc.childNodes.length) {
      break;
    }
    const next = sc.childNodes[r.startOffset];
    if (next.contains(r.endContainer) && next.nodeType === Node.ELEMENT_NODE) {
      r.setStart(next, 0);
    } else if (_isBlank(next) && !next.contains(r.endContainer)) {
      r.setStartAfter(next);
    } else {
      break;
    }
  }
  return r;
}

// How one span can wrap the range inside one block, without moving or holding a block: null
// when it cannot (the range crosses blocks). splitsAnnot: an annotation would have to be split.
function _planSpanWrap(selected) {
  if (!_usable(selected)) return null;
  const range = _shrinkRange(selected);
  if (range.collapsed) return null;
  const ca = range.commonAncestorContainer;
  const host = ca.nodeType === Node.ELEMENT_NODE ? ca : ca.parentNode;
  if (!host || _NO_SPAN_PARENTS.has(host.nodeName)) return null;
  const chain = (node) => {
    const list = [];
    for (let n = node; n && n !== host; n = n.parentNode) list.push(n);
    return list;
  };
  const startChain = chain(range.startContainer);
  const endChain = chain(range.endContainer);
  const partial = startChain.concat(endChain).filter((n) => n.nodeType === Node.ELEMENT_NODE);
  if (partial.some(_isBlock)) return null;
  if (range.cloneContents().querySelector(_BLOCK_SELECTOR)) return null;
  const split = [];
  _climbToHost(range.endContainer, range.endOffset, true, host, null, split);
  _climbToHost(range.startContainer, range.startOffset, false, host, null, split);
  return { range, host, splitsAnnot: split.some(_isAnnotation) };
}

const _ANNOT_SELECTOR = '.dm-annot, [id^="ann_"]';

function _isAnnotation(el) {
  return !el.hasAttribute('data-hash') && el.matches(_ANNOT_SELECTOR);
}

// Whether the node holds something other than empty text between the two offsets.
function _hasContent(node, from, to) {
  if (node.nodeType !== Node.ELEMENT_NODE) return to > from;
  for (let i = from; i < to; i++) {
    const c = node.childNodes[i];
    if (c.nodeType !== Node.TEXT_NODE || c.data !== '') return true;
  }
  return false;
}

// Goes from one end of a range up to host and gives the end's offset among host's children. An
// element on the way that holds content on both sides of the end is split there by split(el,
// offset), which leaves the part before the offset in el and puts the rest in a new element after
// it; each such element is added to found. An element whose content lies all on one side is
// passed by whole. Without split nothing changes (a text node counts as split where the end lies
// inside it) and found lists what would be split.
function _climbToHost(node, offset, isEnd, host, split, found) {
  // Once something is split, each element above it holds a piece on either side.
  let cut = false;
  while (node !== host) {
    const len = _nodeLength(node);
    const inside = cut || (isEnd ? _hasContent(node, 0, offset) : _hasContent(node, offset, len));
    const outside = cut || (isEnd ? _hasContent(node, offset, len) : _hasContent(node, 0, offset));
    const parent = node.parentNode;
    const idx = Array.prototype.indexOf.call(parent.childNodes, node);
    cut = inside && outside;
    if (cut && node.nodeType === Node.ELEMENT_NODE) {
      found.push(node);
      if (split) split(node, offset);
    }
    if (isEnd) offset = inside ? idx + 1 : idx;
    else offset = inside && !outside ? idx : idx + 1;
    node = parent;
  }
  return offset;
}

// The second piece of an element split in two. Only the first piece keeps the element's id (and
// a tag's name): a piece of a tag is a further span of the tag.
function _splitPiece(el) {
  const piece = el.cloneNode(false);
  piece.removeAttribute('id');
  if (piece.hasAttribute('data-hash')) piece.removeAttribute('data-tag');
  return piece;
}

// Splits el at the offset in place: the children from it on move into a new piece after el.
function _splitElementAt(el, offset) {
  const piece = _splitPiece(el);
  el.parentNode.insertBefore(piece, el.nextSibling);
  while (el.childNodes.length > offset) piece.appendChild(el.childNodes[offset]);
}

// Wraps the range in the span as planned; false when the range cannot be wrapped. Partly
// selected elements are split in place (never an annotation), so every node stays in the
// document while it moves.
function _wrapInSpan(range, span) {
  const plan = _planSpanWrap(range);
  if (!plan || plan.splitsAnnot) return false;
  const host = plan.host;
  const r = _splitRangeEnds(plan.range);
  const cut = [];
  const endAt = _climbToHost(r.endContainer, r.endOffset, true, host, _splitElementAt, cut);
  const next = host.childNodes[endAt] || null;
  const startAt = _climbToHost(r.startContainer, r.startOffset, false, host, _splitElementAt, cut);
  host.insertBefore(span, host.childNodes[startAt] || null);
  while (span.nextSibling && span.nextSibling !== next) span.appendChild(span.nextSibling);
  return true;
}

// The notice for a range that one span cannot wrap; empty when it can.
function _spanWrapNotice(range) {
  const plan = _planSpanWrap(range);
  if (!plan) return BLOCK_NOTICE;
  return plan.splitsAnnot ? OVERLAP_NOTICE : '';
}

function _selectContents(node) {
  try {
    const r = document.createRange();
    r.selectNodeContents(node);
    const sel = window.getSelection();
    sel.removeAllRanges();
    sel.addRange(r);
  } catch (e) {
    // The selection is a convenience only.
  }
}

