'use strict';

// ---------------------------------------------------------------------------------------------
// Constants
// ---------------------------------------------------------------------------------------------

const TABLE_GRID_ROWS = 8;
const TABLE_GRID_COLS = 8;

// Highlight colours of embedded tags: name, swatch title, colour.
const TAG_COLOURS = [
  ['yellow', 'Yellow', '#f5ffa2'],
  ['orange', 'Orange', '#ffd080'],
  ['green', 'Green', '#aaffa2'],
  ['teal', 'Teal', '#a0f0e8'],
  ['blue', 'Blue', '#9fd1ff'],
  ['purple', 'Purple', '#c8a0ff'],
  ['red', 'Red', '#ff8b8b'],
  ['pink', 'Pink', '#ffb0d0'],
];
const TAG_COLOUR_NAMES = TAG_COLOURS.map((c) => c[0]);

const FC_COLORS = [
  '#000000', '#333333', '#666666', '#999999', '#cccccc', '#ffffff',
  '#7a0000', '#7a3500', '#7a6200', '#2a4a00', '#002060', '#38006b',
  '#cc0000', '#e55c00', '#cc9900', '#3a7a00', '#0044aa', '#6600aa',
  '#ff3333', '#ff9933', '#ffcc33', '#55bb33', '#3388ff', '#9944ff',
];
const BC_REMOVE = 'remove';
const BC_COLORS = [
  BC_REMOVE, '#ffffff', '#f2f2f2', '#d9d9d9', '#bfbfbf', '#808080',
  '#ffff99', '#ffe599', '#ffc7c7', '#ffd6b3', '#d9f2d9', '#dae8fc',
  '#ffff00', '#ffcc00', '#ff9900', '#00b050', '#4472c4', '#9966ff',
  '#ffffcc', '#fff3cd', '#fce4d6', '#e2efda', '#dde8f0', '#ede7f6',
];

const _BLOCK_TAGS = new Set([
  'DIV', 'P', 'H1', 'H2', 'H3', 'H4', 'H5', 'H6', 'BLOCKQUOTE', 'LI', 'UL', 'OL', 'TABLE', 'TR',
  'TD', 'TH', 'THEAD', 'TBODY', 'TFOOT', 'ARTICLE', 'SECTION', 'HEADER', 'FOOTER', 'MAIN', 'NAV',
  'ASIDE', 'FIGURE',
]);
const _BLOCK_SELECTOR = Array.from(_BLOCK_TAGS).join(',');

// Elements whose children the HTML parser does not keep as they are: a span is never put there.
const _NO_SPAN_PARENTS = new Set(['TABLE', 'THEAD', 'TBODY', 'TFOOT', 'TR', 'COLGROUP', 'UL', 'OL']);

const BLOCK_NOTICE = 'Please select text within one block (a paragraph, list item or table cell).';
const OVERLAP_NOTICE = 'Please select text within one annotation or around the whole of it.';
const CHANGE_DELAY_MS = 1500;
// Typing that goes on without that pause is still reported this often.
const CHANGE_MAX_DELAY_MS = 5000;
const STRUCTURAL_DELAY_MS = 100;

// While a body is shown, attributes that would make the browser act on markup by itself (a
// refresh or other header given by a meta element, the document of an inline frame) are kept
// under an inert name; the stored and the displayed source carry the original names.
const _INERT_ATTRS = [
  ['meta', 'http-equiv', 'data-dm-inert-http-equiv'],
  ['iframe', 'srcdoc', 'data-dm-inert-srcdoc'],
];
// A style element of a body would style the page itself: while shown it carries a type that no
// style sheet has (its own type, if any, under an inert name), so the browser never applies it.
const _INERT_STYLE_TYPE = 'text/x-dm-inert';
const _INERT_STYLE_TYPE_ATTR = 'data-dm-inert-type';
const _INERT_STYLE_SELECTOR = 'style[type="' + _INERT_STYLE_TYPE + '"]';

// ---------------------------------------------------------------------------------------------
// Elements and state
// ---------------------------------------------------------------------------------------------

// The page's own elements, looked up once before any note is shown: a note body may carry ids
// that equal them.
const pageEl = {};
for (const el of document.querySelectorAll('[id]')) {
  if (!(el.id in pageEl)) pageEl[el.id] = el;
}
const editor = pageEl['editor'];
const sourceView = pageEl['source-view'];
const blockSelect = pageEl['sel-block'];
const sizeSelect = pageEl['sel-size'];

let changeTimer = null;
// Runs from the first input after a report: continuous typing is reported when it ends.
let changeDeadline = null;
let changeDeadlineAt = 0;
// The 100 ms reports of structural changes that have not gone out yet.
const structuralTimers = new Set();
// The number the host gave the load whose content the editor shows; every report names it, so
// the host saves a report into the note it was typed in.
let loadSeq = '';
// Typing in the editor that no report has carried yet (the change timer may also run for the
// source view).
let editorEditPending = false;
let lastEditorRange = null;
let savedRange = null;
let annotSavedRange = null;
let linkSavedRange = null;
let linkEditAnchor = null;
let linkShownHref = '';
let linkShownText = '';
let sourceMode = false;
let sourceShownText = '';
// Whether the source view's text was reported since the view opened, and the text whose report
// is the host's latest (null when a later report carried the editor's body).
let sourceReported = false;
let sourceReportedText = null;
let tagSelectedColour = 'yellow';
let tableCtxCell = null;

// A document without a window: markup parsed or copied here never loads, runs or navigates.
const _inertDoc = document.implementation.createHTMLDocument('');
const _tagCollator = new Intl.Collator(undefined, { sensitivity: 'base' });

// ---------------------------------------------------------------------------------------------
// Messaging
// ---------------------------------------------------------------------------------------------

function postToHost(obj) {
  const wv = window.chrome && window.chrome.webview;
  if (wv && typeof wv.postMessage === 'function') {
    wv.postMessage(obj);
  }
}

function _str(v) {
  return v === undefined || v === null ? '' : String(v);
}

// Adds the number of the shown load to a report.
function _withLoad(obj) {
  if (loadSeq !== '') obj.seq = loadSeq;
  return obj;
}

function handleFromHost(msg) {
  switch (msg.type) {
    case 'load': loadContent(_str(msg.html), _str(msg.seq)); break;
    case 'flush':
      flushPendingReport();
      postToHost({ type: 'flushAck', token: _str(msg.token) });
      break;
    case 'setViewMode': setViewMode(msg.readOnly === true); break;
    case 'showAll': showAllTags(); break;
    case 'hideAll': hideAllTags(); break;
    case 'showTag': showTag(_str(msg.id), _str(msg.colour)); break;
    case 'fadeTag': fadeTag(_str(msg.id), _str(msg.colour)); break;
    case 'hideTag': hideTag(_str(msg.id)); break;
    case 'showColour': showColour(_str(msg.colour)); break;
    case 'hideColour': hideColour(_str(msg.colour)); break;
    case 'removeTag': removeTag(_str(msg.id)); break;
    case 'renameTag': renameTag(_str(msg.id), _str(msg.name)); break;
    case 'recolourTag': recolourTag(_str(msg.id), _str(msg.colour)); break;
    case 'scrollAnnotation': scrollToAnnotation(_str(msg.spanId)); break;
    case 'removeAnnotSpan': removeAnnotSpan(_str(msg.spanId)); break;
    case 'openTagModal': openTagModal(); break;
    case 'openAnnotModal': openAnnotModal(); break;
    default: console.warn('Unknown message type:', msg.type);
  }
}

function notifyChanged() {
  editorEditPending = false;
  sourceReportedText = null;
  postToHost(_withLoad({ type: 'contentChanged', html: getCleanHTML() }));
}

function notifyTagsUpdated() {
  postToHost(_withLoad({ type: 'tagsUpdated', tags: getEmbeddedTags() }));
}

function _changeTimerFired() {
  _clearChangeTimer();
  if (_sourceNeedsReport()) _reportSourceText();
  else notifyChanged();
}

function _restartChangeTimer() {
  // Input that keeps the page busy (a large note typed into quickly) can hold the timers back
  // for as long as it goes on, so the input itself reports once the longest delay has passed.
  if (changeDeadline !== null && performance.now() >= changeDeadlineAt) {
    _changeTimerFired();
    return;
  }
  clearTimeout(changeTimer);
  changeTimer = setTimeout(_changeTimerFired, CHANGE_DELAY_MS);
  if (changeDeadline === null) {
    changeDeadline = setTimeout(_changeTimerFired, CHANGE_MAX_DELAY_MS);
    changeDeadlineAt = performance.now() + CHANGE_MAX_DELAY_MS;
  }
}

function _clearChangeTimer() {
  clearTimeout(changeTimer);
  changeTimer = null;
  clearTimeout(changeDeadline);
  changeDeadline = null;
}

// A structural change: reported shortly, and not cancelled by later input.
function _reportSoon() {
  _clearChangeTimer();
  const t = setTimeout(() => {
    structuralTimers.delete(t);
    notifyChanged();
  }, STRUCTURAL_DELAY_MS);
  structuralTimers.add(t);
}

// Sends at once the report that is still waiting (and the source view's edits), so nothing
// typed is lost when other content is loaded, the host saves or the page goes away.
function flushPendingReport() {
  const base = sourceReportedText !== null ? sourceReportedText : sourceShownText;
  const sourcePending = sourceMode && sourceView.value !== base;
  if (!sourcePending && changeTimer === null && structuralTimers.size === 0) return;
  _clearChangeTimer();
  for (const t of structuralTimers) clearTimeout(t);
  structuralTimers.clear();
  if (_sourceNeedsReport()) _reportSourceText();
  else notifyChanged();
}

function _reportNow() {
  _clearChangeTimer();
  notifyChanged();
}

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

// Wraps one run of sibling inline nodes in a new span from make(), where a span may stand.
function _flushRun(parent, run, make) {
  if (run.length === 0 || _NO_SPAN_PARENTS.has(parent.nodeName)) return;
  if (run.every((n) => n.textContent === '')) return;
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

// ---------------------------------------------------------------------------------------------
// Selection preservation
// ---------------------------------------------------------------------------------------------

function _inEditor(range) {
  return !!range && editor.contains(range.startContainer) && editor.contains(range.endContainer);
}

// A range a dialog may act on: in the editor and not collapsed.
function _usable(range) {
  return _inEditor(range) && !range.collapsed;
}

function saveEditorRange() {
  try {
    const sel = window.getSelection();
    if (sel.rangeCount > 0 && editor.contains(sel.anchorNode)) {
      lastEditorRange = sel.getRangeAt(0).cloneRange();
    }
  } catch (e) {
    // Ignored: the previous range stays.
  }
}

function restoreEditorRange() {
  editor.focus();
  if (!_inEditor(lastEditorRange)) return;
  try {
    const sel = window.getSelection();
    sel.removeAllRanges();
    sel.addRange(lastEditorRange.cloneRange());
  } catch (e) {
    // Ignored: the caret stays where focusing put it.
  }
}

function _forgetRanges() {
  lastEditorRange = null;
  savedRange = null;
  annotSavedRange = null;
  linkSavedRange = null;
  linkEditAnchor = null;
  tableCtxCell = null;
}

function _currentRange() {
  const sel = window.getSelection();
  if (sel.rangeCount === 0) return null;
  const r = sel.getRangeAt(0);
  return _inEditor(r) ? r : null;
}

// ---------------------------------------------------------------------------------------------
// Editing history of the page's own changes
// ---------------------------------------------------------------------------------------------

// The browser's editing history records its own commands (typing, formatting, pasting), not the
// changes the page makes to the document by itself. Each of those is kept here as the list of
// its mutations, and stands in the browser's history as one edit of a hidden editable element
// of the page's own (the mark); when the browser undoes or redoes that edit, the page undoes or
// redoes its change. So one undo takes back exactly one operation, and the history's order holds
// for both. A barrier (another note loaded, source text applied) stands there the same way but
// is never undone: nothing before it can be reached.
const undoMark = pageEl['undo-mark'];
const HISTORY_DEPTH = 1000;
const _OBSERVE_ALL = {
  subtree: true, childList: true, attributes: true, attributeOldValue: true, characterData: true,
  characterDataOldValue: true,
};
const pageDone = []; // the page's changes and barriers in the history, oldest first
const pageUndone = []; // the page's changes undone, the latest last
let historyBusy = false; // the page itself drives the history
let historySkipping = false; // an undo or a redo goes on past steps out of sight
let historySkipAgain = false;
let historySkipReached = null; // the mark or the editor, when a step gone on to reached it
// A change of the page's could not be marked in the history: until the next barrier, undo and
// redo are refused, since they would reach past it.
let historyBroken = false;
let pageEditDepth = 0;
// The focus and selection when the user asked for an undo or a redo.
let historyFocus = null;
let historyRange = null;

function _rangeCopy() {
  try {
    const sel = window.getSelection();
    return sel.rangeCount ? sel.getRangeAt(0).cloneRange() : null;
  } catch (e) {
    return null;
  }
}

// The selection's place as it is now: unlike a live range it does not move when the history
// puts the document back, and it is valid again once the document is as it was.
function _selectionPlace() {
  const r = _rangeCopy();
  return r && { sc: r.startContainer, so: r.startOffset, ec: r.endContainer, eo: r.endOffset };
}

function _rangeAt(place) {
  if (!place) return null;
  try {
    const r = document.createRange();
    r.setStart(place.sc, place.so);
    r.setEnd(place.ec, place.eo);
    return r;
  } catch (e) {
    return null;
  }
}

function _setRange(range) {
  try {
    const sel = window.getSelection();
    sel.removeAllRanges();
    sel.addRange(range.cloneRange());
  } catch (e) {
    // The selection is a convenience only.
  }
}

// Gives the focus back to where it was, with the selection when that was the editor; the mark
// never keeps the focus or the selection.
function _restoreFocus(focused, range) {
  if (focused === editor && _inEditor(range)) {
    _setRange(range);
  } else if (focused && focused !== undoMark && focused.isConnected &&
             typeof focused.focus === 'function') {
    focused.focus();
  }
  if (document.activeElement === undoMark) undoMark.blur();
  const sel = window.getSelection();
  if (sel.rangeCount > 0 && undoMark.contains(sel.anchorNode)) sel.removeAllRanges();
}

// Typing in a dialog that is closed now, or in the source view once it was left, stays in the
// browser's history but is out of the user's sight.
function _outOfSight(el) {
  if (!el || el.nodeType !== Node.ELEMENT_NODE) return false;
  if (el === sourceView) return !sourceMode;
  const overlay = el.closest('.modal-overlay');
  return !!overlay && !overlay.classList.contains('open');
}

function _historyCommand(cmd) {
  historyBusy = true;
  try {
    document.execCommand(cmd, false, null);
  } finally {
    historyBusy = false;
  }
}

// Adds one entry to the browser's history: an edit of the mark. False when the browser refused.
function _markHistory() {
  const focused = document.activeElement;
  const range = _rangeCopy();
  let marked = false;
  historyBusy = true;
  try {
    const r = document.createRange();
    r.selectNodeContents(undoMark);
    _setRange(r);
    marked = document.execCommand('insertHTML', false, 'x');
  } catch (e) {
    marked = false;
  } finally {
    historyBusy = false;
  }
  _restoreFocus(focused, range);
  return marked;
}

function _keepInHistory(entry) {
  pageDone.push(entry);
  if (pageDone.length > HISTORY_DEPTH) pageDone.shift();
  pageUndone.length = 0;
  if (_markHistory()) {
    if (entry.barrier) historyBroken = false;
  } else {
    pageDone.length = 0;
    historyBroken = true;
  }
}

// Nothing made before this point can be undone any more.
function _historyBarrier() {
  pageDone.length = 0;
  pageUndone.length = 0;
  _keepInHistory({ barrier: true });
}

// Runs a change of the page's own to the editor's document and keeps it in the history as one
// operation. hooks.after(redone) runs after it has been undone or redone.
function _pageEdit(fn, hooks) {
  if (pageEditDepth > 0) return fn();
  const before = _selectionPlace();
  const observer = new MutationObserver(() => {});
  observer.observe(editor, _OBSERVE_ALL);
  pageEditDepth++;
  try {
    return fn();
  } finally {
    pageEditDepth--;
    const records = observer.takeRecords().map((r) => ({
      type: r.type, target: r.target, name: r.attributeName, ns: r.attributeNamespace,
      oldValue: r.oldValue, newValue: null, added: Array.from(r.addedNodes),
      removed: Array.from(r.removedNodes), next: r.nextSibling,
    }));
    observer.disconnect();
    if (records.length > 0) {
      _keepInHistory({
        records, filled: _addedStructure(records), before, after: _selectionPlace(),
        hooks: hooks || {},
      });
    }
  }
}

// The child lists, as they are now, of every element the change put into the editor. What is
// done to nodes outside the document (a copy the range extraction fills) is not observed, so the
// mutations alone would redo the change without it; a redo sets these lists again.
function _addedStructure(records) {
  const lists = [];
  const seen = new Set();
  for (const rec of records) {
    for (const n of rec.added) {
      if (n.nodeType !== Node.ELEMENT_NODE || seen.has(n) || !editor.contains(n)) continue;
      const walker = document.createTreeWalker(n, NodeFilter.SHOW_ELEMENT);
      for (let el = n; el; el = walker.nextNode()) {
        if (seen.has(el)) continue;
        seen.add(el);
        lists.push([el, Array.from(el.childNodes)]);
      }
    }
  }
  return lists;
}

function _refill(lists) {
  for (const [el, kids] of lists) {
    const now = el.childNodes;
    if (now.length === kids.length && kids.every((k, i) => now[i] === k)) continue;
    el.replaceChildren();
    for (const k of kids) el.appendChild(k);
  }
}

function _replayRecord(rec, forward) {
  const t = rec.target;
  if (rec.type === 'childList') {
    for (const n of forward ? rec.removed : rec.added) {
      if (n.parentNode !== t) throw new Error('the document changed');
      t.removeChild(n);
    }
    for (const n of forward ? rec.added : rec.removed) t.insertBefore(n, rec.next);
  } else if (rec.type === 'characterData') {
    if (!forward) rec.newValue = t.data;
    t.data = forward ? rec.newValue : rec.oldValue;
  } else {
    if (!forward) rec.newValue = t.getAttributeNS(rec.ns, rec.name);
    const v = forward ? rec.newValue : rec.oldValue;
    if (v === null) t.removeAttributeNS(rec.ns, rec.name);
    else t.setAttributeNS(rec.ns, rec.name, v);
  }
}

// Undoes (or redoes) an entry's mutations; when one cannot be, the others are put back as they
// were and the answer is false.
function _replay(entry, forward) {
  const recs = entry.records;
  const at = (k) => recs[forward ? k : recs.length - 1 - k];
  let done = 0;
  try {
    for (; done < recs.length; done++) _replayRecord(at(done), forward);
    return true;
  } catch (e) {
    for (let k = done - 1; k >= 0; k--) {
      try {
        _replayRecord(at(k), !forward);
      } catch (e2) {
        // Put back as far as it goes.
      }
    }
    return false;
  }
}

function _afterPageHistory(entry, redone) {
  if (entry.hooks.tags) notifyTagsUpdated();
  if (entry.hooks.after) {
    entry.hooks.after(redone);
  } else {
    editorEditPending = true;
    _restartChangeTimer();
  }
}

// The browser undid the mark's latest edit: the page undoes its latest change. A barrier, a
// change that can no longer be undone, and anything in view mode or while the source view is
// open are refused (the mark's edit is redone at once, so the history stays where it was).
function _undoPageEdit() {
  const entry = pageDone[pageDone.length - 1];
  const refused = !entry || entry.barrier || sourceMode || !editor.isContentEditable;
  if (refused || !_replay(entry, false)) {
    if (!refused) {
      pageDone.length = 0;
      pageDone.push({ barrier: true });
      pageUndone.length = 0;
    }
    _historyCommand('redo');
    _restoreFocus(historyFocus, historyRange);
    return;
  }
  pageDone.pop();
  pageUndone.push(entry);
  const before = _rangeAt(entry.before);
  _restoreFocus(historyFocus, _inEditor(before) ? before : historyRange);
  if (entry.hooks.chain) {
    // The change finished the browser's own step below it (a paste): both go together.
    _historyCommand('undo');
    _undoChained();
  }
  _afterPageHistory(entry, false);
}

function _redoPageEdit() {
  const entry = pageUndone.pop();
  if (!entry || sourceMode || !editor.isContentEditable || !_replay(entry, true)) {
    pageUndone.length = 0;
    _historyCommand('undo');
    _restoreFocus(historyFocus, historyRange);
    return;
  }
  _refill(entry.filled);
  pageDone.push(entry);
  const after = _rangeAt(entry.after);
  _restoreFocus(historyFocus, _inEditor(after) ? after : historyRange);
  _afterPageHistory(entry, true);
  if (entry.hooks.pasted) {
    // The deletion made room for the browser's paste above it: both go together.
    _historyCommand('redo');
    _redoChained();
  }
}

// Whether two bodies are the same but for the order of their elements' attributes (the
// browser's redo of a step that copied an element may give the copy its attributes in another
// order).
function _sameMarkup(a, b) {
  if (a === b) return true;
  const sorted = (html) => {
    const t = _inertDoc.createElement('template');
    t.innerHTML = html;
    for (const el of t.content.querySelectorAll('*')) {
      const attrs = Array.from(el.attributes, (at) => [at.name, at.value]).sort();
      for (const [name] of attrs) el.removeAttribute(name);
      for (const [name, value] of attrs) el.setAttribute(name, value);
    }
    return t.innerHTML;
  };
  return sorted(a) === sorted(b);
}

// The browser redid a step of its own in the editor: when that is the step a change of the
// page's finished, that change is redone with it.
function _redoChained() {
  const entry = pageUndone[pageUndone.length - 1];
  if (!entry || !entry.hooks.chain || !_sameMarkup(getCleanHTML(), entry.hooks.chainHtml)) return;
  _historyCommand('redo');
  _redoPageEdit();
}

// ---------------------------------------------------------------------------------------------
// Modes and loading
// ---------------------------------------------------------------------------------------------

function setViewMode(readOnly) {
  document.body.classList.toggle('view-mode', readOnly);
  // Setting the same value again still makes the browser recompute the whole editor.
  const editable = readOnly ? 'false' : 'true';
  if (editor.getAttribute('contenteditable') !== editable) editor.setAttribute('contenteditable', editable);
}

function _openOverlay(id) {
  pageEl[id].classList.add('open');
}

function _closeOverlay(id) {
  pageEl[id].classList.remove('open');
}

function _closeAllOverlays() {
  for (const id of ['modal-table', 'modal-link', 'modal-tag', 'modal-annot']) _closeOverlay(id);
  closeColorPickers();
  _hideTableCtxMenu();
}

function loadContent(html, seq) {
  flushPendingReport();
  // The view's text was reported by the flush; the new content replaces the editor's anyway.
  if (sourceMode) _leaveSourceMode();
  _closeAllOverlays();
  _forgetRanges();
  setViewMode(false);
  _setEditorContent(html || '');
  editor.querySelectorAll('[data-hash][class]').forEach(resetTagDisplay);
  loadSeq = seq || '';
  notifyTagsUpdated();
  postToHost(_withLoad({ type: 'loadAck', length: html ? html.length : 0 }));
  // Undo never reaches into the note shown before.
  _historyBarrier();
}

// ---------------------------------------------------------------------------------------------
// Toolbar and formatting
// ---------------------------------------------------------------------------------------------

function toggleActive(id, state) {
  pageEl[id].classList.toggle('active', !!state);
}

function _paintBar(id, color) {
  const bar = pageEl[id];
  bar.classList.toggle('removed', color === null);
  bar.style.background = color === null ? '' : color;
}

function _isShownColour(v) {
  if (!v || v === 'false' || v === 'transparent') return false;
  return !/^rgba\(\s*0\s*,\s*0\s*,\s*0\s*,\s*0\s*\)$/.test(v);
}

function updateToolbarState() {
  const states = [
    ['btn-bold', 'bold'], ['btn-italic', 'italic'], ['btn-underline', 'underline'],
    ['btn-left', 'justifyLeft'], ['btn-center', 'justifyCenter'], ['btn-right', 'justifyRight'],
  ];
  for (const [id, cmd] of states) {
    let on = false;
    try {
      on = document.queryCommandState(cmd);
    } catch (e) {
      on = false;
    }
    toggleActive(id, on);
  }
  let block = '';
  try {
    block = String(document.queryCommandValue('formatBlock') || '').toLowerCase();
  } catch (e) {
    block = '';
  }
  blockSelect.value = ['p', 'h1', 'h2', 'h3', 'blockquote'].includes(block) ? block : 'p';
  const sel = window.getSelection();
  const anchor = sel.rangeCount ? sel.anchorNode : null;
  let inLink = false;
  if (anchor && editor.contains(anchor)) {
    const el = anchor.nodeType === Node.ELEMENT_NODE ? anchor : anchor.parentElement;
    const a = el ? el.closest('a') : null;
    inLink = !!a && editor.contains(a);
  }
  toggleActive('btn-link', inLink);
  try {
    const fc = document.queryCommandValue('foreColor');
    if (_isShownColour(fc)) _paintBar('fc-bar', fc);
    let bc = document.queryCommandValue('hiliteColor');
    if (!_isShownColour(bc)) bc = document.queryCommandValue('backColor');
    if (_isShownColour(bc)) _paintBar('bc-bar', bc);
  } catch (e) {
    // Colour queries may fail outside an editable selection.
  }
}

function fmtCmd(evt, command) {
  if (evt) evt.preventDefault();
  restoreEditorRange();
  const names = _tagNames();
  tagsBeforeEdit = null;
  const lifted = command === 'insertUnorderedList' || command === 'insertOrderedList'
    ? _liftBreaksForList() : null;
  const holders = _inlineBlockHolders();
  document.execCommand(command, false, null);
  // The lines' split is undone and redone together with the list.
  if (lifted) lifted.pasted = true;
  _settleAfterEdit(names, holders);
  updateToolbarState();
}

// The browser's list commands copy an inline element that holds a line break whole into the item
// of the line before the break, so the text after it would stand twice. Before a list is built,
// each line break in the selected blocks stands directly in its block, the elements around it
// split in two; a split-off piece of a mark is no copy of its identity (a tag's is a further
// passage, an annotation's is no mark). The hooks of the page's step when there was one.
function _liftBreaksForList() {
  const range = _currentRange();
  if (!range) return null;
  const breaks = Array.from(editor.querySelectorAll('br')).filter((br) => {
    const block = _blockOf(br);
    return block && br.parentNode !== block && range.intersectsNode(block);
  });
  if (breaks.length === 0) return null;
  const hooks = {};
  _pageEdit(() => {
    const caret = _selectionPlace();
    for (const br of breaks) {
      const block = _blockOf(br);
      while (br.parentNode !== block) {
        const parent = br.parentNode;
        const outer = parent.parentNode;
        const rest = [];
        for (let n = br.nextSibling; n; n = n.nextSibling) rest.push(n);
        const piece = parent.cloneNode(false);
        piece.removeAttribute('id');
        piece.removeAttribute('data-tag');
        if (piece.classList.contains('dm-annot') && !piece.hasAttribute('data-hash')) {
          piece.classList.remove('dm-annot');
          if (piece.getAttribute('class') === '') piece.removeAttribute('class');
        }
        // Every move is made in the document, so that the history can replay it.
        outer.insertBefore(br, parent.nextSibling);
        if (rest.length > 0) {
          const into = piece.tagName === 'SPAN' && piece.attributes.length === 0 ? outer : piece;
          if (into === piece) outer.insertBefore(piece, br.nextSibling);
          const ref = into === piece ? null : br.nextSibling;
          for (const n of rest) into.insertBefore(n, ref);
        }
        if (!parent.firstChild && !parent.id) outer.removeChild(parent);
      }
    }
    const back = _rangeAt(caret);
    if (_inEditor(back)) _setRange(back);
  }, hooks);
  hooks.deletedClean = getCleanHTML();
  return hooks;
}

function applyBlockFormat(tag) {
  restoreEditorRange();
  document.execCommand('formatBlock', false, tag);
  updateToolbarState();
}

function applyFontSize(size) {
  if (!size) return;
  restoreEditorRange();
  const range = _currentRange();
  if (!range || range.collapsed) {
    sizeSelect.value = '';
    return;
  }
  const make = () => {
    const span = document.createElement('span');
    span.style.fontSize = size;
    return span;
  };
  sizeSelect.value = '';
  // Inside one block one span takes the selection; across blocks each selected run gets its
  // own, in place.
  const single = make();
  const spans = _pageEdit(
    () => (_wrapInSpan(range, single) ? [single] : _wrapRangeRuns(_shrinkRange(range), make)));
  if (spans.length === 0) return;
  try {
    const last = spans[spans.length - 1];
    const r = document.createRange();
    r.setStart(spans[0], 0);
    r.setEnd(last, last.childNodes.length);
    const sel = window.getSelection();
    sel.removeAllRanges();
    sel.addRange(r);
  } catch (e) {
    // The selection is a convenience only.
  }
  _reportNow();
}

// ---------------------------------------------------------------------------------------------
// Colour pickers
// ---------------------------------------------------------------------------------------------

function _buildPicker(pickerId, colors, which) {
  const picker = pageEl[pickerId];
  picker.replaceChildren();
  for (const color of colors) {
    const sw = document.createElement('div');
    sw.className = 'color-swatch';
    if (color === BC_REMOVE) {
      sw.classList.add('remove');
      sw.title = 'Remove highlight';
    } else {
      sw.style.background = color;
      sw.title = color;
    }
    sw.dataset.color = color;
    sw.addEventListener('mousedown', (evt) => applyColorCmd(evt, which, color));
    picker.appendChild(sw);
  }
  picker.addEventListener('mousedown', (evt) => {
    evt.preventDefault();
    evt.stopPropagation();
  });
}

function buildColorPickers() {
  _buildPicker('fc-picker', FC_COLORS, 'fore');
  _buildPicker('bc-picker', BC_COLORS, 'back');
}

function _pickerOf(which) {
  return pageEl[which === 'fore' ? 'fc-picker' : 'bc-picker'];
}

function closeColorPickers() {
  _pickerOf('fore').classList.remove('open');
  _pickerOf('back').classList.remove('open');
}

function colorBtnDown(evt, which) {
  evt.preventDefault();
  evt.stopPropagation();
  saveEditorRange();
  const picker = _pickerOf(which);
  const wasOpen = picker.classList.contains('open');
  closeColorPickers();
  if (!wasOpen) picker.classList.add('open');
}

function applyColorCmd(evt, which, color) {
  evt.preventDefault();
  evt.stopPropagation();
  closeColorPickers();
  restoreEditorRange();
  if (which === 'fore') {
    document.execCommand('foreColor', false, color);
    _paintBar('fc-bar', color);
  } else if (color === BC_REMOVE) {
    document.execCommand('hiliteColor', false, 'transparent');
    _paintBar('bc-bar', null);
  } else {
    document.execCommand('hiliteColor', false, color);
    _paintBar('bc-bar', color);
  }
  _reportSoon();
}

// ---------------------------------------------------------------------------------------------
// Link dialog
// ---------------------------------------------------------------------------------------------

const linkUrlInput = pageEl['inp-link-url'];
const linkTextInput = pageEl['inp-link-text'];

function _withScheme(url) {
  if (/^[A-Za-z][A-Za-z0-9+.-]*:\/\//.test(url) || /^(mailto|tel):/i.test(url)) return url;
  return 'https://' + url;
}

function _linkAt(node) {
  if (!node || !editor.contains(node)) return null;
  const el = node.nodeType === Node.ELEMENT_NODE ? node : node.parentElement;
  const a = el ? el.closest('a') : null;
  return a && editor.contains(a) ? a : null;
}

function openLinkModal(evt) {
  if (evt) evt.preventDefault();
  saveEditorRange();
  linkSavedRange = _inEditor(lastEditorRange) ? lastEditorRange.cloneRange() : null;
  const sel = window.getSelection();
  let anchorNode = sel.rangeCount ? sel.anchorNode : null;
  if (!anchorNode || !editor.contains(anchorNode)) {
    anchorNode = linkSavedRange ? linkSavedRange.startContainer : null;
  }
  linkEditAnchor = _linkAt(anchorNode);
  const modal = pageEl['modal-link'];
  const okBtn = pageEl['btn-link-ok'];
  if (linkEditAnchor) {
    linkShownHref = linkEditAnchor.getAttribute('href') || '';
    linkUrlInput.value = linkShownHref;
    linkShownText = linkEditAnchor.textContent;
    linkTextInput.value = linkShownText;
    modal.classList.add('editing');
    okBtn.textContent = 'Update Link';
  } else {
    linkShownHref = '';
    linkShownText = '';
    linkUrlInput.value = '';
    linkTextInput.value = '';
    modal.classList.remove('editing');
    okBtn.textContent = 'Insert Link';
  }
  linkUrlInput.style.borderColor = '';
  _openOverlay('modal-link');
  setTimeout(() => linkUrlInput.focus(), 60);
}

function cancelLinkModal() {
  _closeOverlay('modal-link');
  linkSavedRange = null;
  linkEditAnchor = null;
  editor.focus();
}

function confirmLinkInsert() {
  let url = linkUrlInput.value.trim();
  const text = linkTextInput.value.trim();
  if (!url) {
    linkUrlInput.style.borderColor = '#cc0000';
    linkUrlInput.focus();
    return;
  }
  linkUrlInput.style.borderColor = '';
  const editing = !!linkEditAnchor && linkEditAnchor.isConnected;
  const keepHref = editing && url === linkShownHref.trim();
  if (!keepHref) url = _withScheme(url);
  _closeOverlay('modal-link');
  if (editing) {
    const a = linkEditAnchor;
    _pageEdit(() => {
      if (!keepHref) a.setAttribute('href', url);
      // The link's content (its marks and formatting) is replaced only when its text was changed.
      if (text && text !== linkShownText.trim()) a.textContent = text;
    });
  } else {
    if (linkSavedRange) lastEditorRange = linkSavedRange;
    restoreEditorRange();
    const range = _currentRange();
    if (text && range && _blockOf(range.startContainer) !== _blockOf(range.endContainer)) {
      _insertLinkAcross(range, url, text);
    } else if (text) {
      const a = document.createElement('a');
      a.setAttribute('href', url);
      a.textContent = text;
      _pageEdit(() => {
        if (range) {
          range.deleteContents();
          range.insertNode(a);
        } else {
          editor.appendChild(a);
        }
        try {
          const after = document.createRange();
          after.setStartAfter(a);
          after.collapse(true);
          const sel = window.getSelection();
          sel.removeAllRanges();
          sel.addRange(after);
        } catch (e) {
          // The caret is a convenience only.
        }
      });
    } else {
      document.execCommand('createLink', false, url);
    }
  }
  linkSavedRange = null;
  linkEditAnchor = null;
  editor.focus();
  _reportSoon();
}

// A link with its own text over a selection across blocks stands where that text typed over the
// selection would: the blocks are joined as typing joins them (by the page where a mark would
// be lost, else by the browser, whose step the link then completes), and across table cells it
// goes into the first cell.
function _insertLinkAcross(range, url, text) {
  // The selection may take a tag's first span and leave its other passages.
  const names = _tagNames();
  const join = _markedJoin(range.cloneRange());
  if (join) {
    const joined = () => {
      _joinLines(join, 'insertText', text);
      _linkTypedText(url, text);
      return _settleMarkIdentity(names);
    };
    if (_pageEdit(joined, { tags: true })) notifyTagsUpdated();
    return;
  }
  document.execCommand('insertText', false, text);
  // Undone and redone together with the typing it completes.
  const linked = () => {
    _linkTypedText(url, text);
    return _settleMarkIdentity(names);
  };
  const hooks = { chain: true, chainHtml: getCleanHTML(), tags: true };
  if (_pageEdit(linked, hooks)) notifyTagsUpdated();
}

// Wraps the text just typed before the caret in a link; the caret goes after the link.
function _linkTypedText(url, text) {
  const caret = _rangeCopy();
  if (!caret || !_inEditor(caret)) return;
  let node = caret.startContainer;
  let end = caret.startOffset;
  if (node.nodeType !== Node.TEXT_NODE) {
    node = node.childNodes[end - 1];
    end = node ? _nodeLength(node) : 0;
  }
  const typedText = node && node.nodeType === Node.TEXT_NODE ? node.data.slice(0, end) : '';
  if (!typedText.endsWith(text)) return;
  const typed = document.createRange();
  typed.setStart(node, end - text.length);
  typed.setEnd(node, end);
  const a = document.createElement('a');
  a.setAttribute('href', url);
  typed.surroundContents(a);
  const after = document.createRange();
  after.setStartAfter(a);
  after.collapse(true);
  _setRange(after);
}

function removeLink() {
  _closeOverlay('modal-link');
  const a = linkEditAnchor;
  // The link's content stays as it is, marks and formatting included.
  if (a && a.isConnected && a.parentNode) _pageEdit(() => _unwrap(a));
  linkSavedRange = null;
  linkEditAnchor = null;
  editor.focus();
  _reportSoon();
}

// ---------------------------------------------------------------------------------------------
// Tables
// ---------------------------------------------------------------------------------------------

const rowsInput = pageEl['inp-rows'];
const colsInput = pageEl['inp-cols'];
const tableMenu = pageEl['table-ctx-menu'];

function _buildTableGrid() {
  const grid = pageEl['table-grid'];
  for (let r = 0; r < TABLE_GRID_ROWS; r++) {
    for (let c = 0; c < TABLE_GRID_COLS; c++) {
      const cell = document.createElement('div');
      cell.className = 'grid-cell';
      cell.dataset.row = String(r);
      cell.dataset.col = String(c);
      grid.appendChild(cell);
    }
  }
  grid.addEventListener('mousemove', (evt) => {
    const cell = evt.target.closest('.grid-cell');
    if (!cell) {
      highlightGrid(0, 0);
      return;
    }
    const r = Number(cell.dataset.row) + 1;
    const c = Number(cell.dataset.col) + 1;
    highlightGrid(r, c);
    rowsInput.value = String(r);
    colsInput.value = String(c);
  });
  grid.addEventListener('mouseleave', () => highlightGrid(0, 0));
  grid.addEventListener('click', (evt) => {
    if (evt.target.closest('.grid-cell')) confirmTableInsert();
  });
}

function highlightGrid(rows, cols) {
  pageEl['table-grid'].querySelectorAll('.grid-cell').forEach((cell) => {
    const on = Number(cell.dataset.row) < rows && Number(cell.dataset.col) < cols;
    cell.classList.toggle('marked', on);
  });
  pageEl['grid-label'].textContent =
    rows > 0 && cols > 0 ? rows + ' \u00d7 ' + cols : 'Hover to select size';
}

function openTableModal(evt) {
  if (evt) evt.preventDefault();
  saveEditorRange();
  rowsInput.value = '3';
  colsInput.value = '3';
  highlightGrid(0, 0);
  _openOverlay('modal-table');
}

function cancelTableModal() {
  _closeOverlay('modal-table');
  editor.focus();
}

function _clampInt(text, lo, hi) {
  let n = parseInt(text, 10);
  if (!n) n = 3;
  return Math.min(hi, Math.max(lo, n));
}

function confirmTableInsert() {
  const rows = _clampInt(rowsInput.value, 1, 20);
  const cols = _clampInt(colsInput.value, 1, 10);
  const striped = pageEl['chk-stripe'].checked;
  _closeOverlay('modal-table');
  restoreEditorRange();
  let html = striped ? '<table class="dm-striped"><thead><tr>' : '<table><thead><tr>';
  for (let c = 1; c <= cols; c++) html += '<th>Column ' + c + '</th>';
  html += '</tr></thead><tbody>';
  for (let r = 1; r < rows; r++) {
    html += '<tr>' + '<td><br></td>'.repeat(cols) + '</tr>';
  }
  html += '</tbody></table><p><br></p>';
  const range = _rangeCopy();
  const top = _inEditor(range) ? _inlineTop(range.endContainer) || _inlineTop(range.startContainer)
    : null;
  if (top) {
    // The browser would put the table inside the inline element that holds the caret.
    _pageEdit(() => _insertBlocksAfterInline(top, html));
  } else {
    document.execCommand('insertHTML', false, html);
  }
  _reportNow();
}

// The outermost inline element that holds the node below its block (or the editor's root).
function _inlineTop(node) {
  let top = null;
  for (let n = node; n && n !== editor && !_isBlock(n); n = n.parentNode) {
    if (n.nodeType === Node.ELEMENT_NODE) top = n;
  }
  return top && editor.contains(top) ? top : null;
}

// Blocks that the parser closes before a table or another block: they are split instead.
const _SPLIT_BLOCKS = new Set(['P', 'H1', 'H2', 'H3', 'H4', 'H5', 'H6']);

// Puts the markup's blocks right after the inline element, never inside it: a paragraph or
// heading is split there (what follows goes to a block of its own after them), any other block
// takes them as they are. An empty paragraph that ends the markup only stays when nothing
// follows. The caret goes to the start of what follows.
function _insertBlocksAfterInline(top, html) {
  const tpl = document.createElement('template');
  tpl.innerHTML = html;
  const frag = tpl.content;
  const block = top.parentNode;
  const rest = Array.from(frag.childNodes);
  let parent = block;
  let ref = top.nextSibling;
  let follows = null;
  if (block !== editor && _SPLIT_BLOCKS.has(block.tagName)) {
    parent = block.parentNode;
    ref = block.nextSibling;
    if (top.nextSibling) {
      follows = block.cloneNode(false);
      follows.removeAttribute('id');
      while (top.nextSibling) follows.appendChild(top.nextSibling);
      if (follows.textContent.trim() === '' && !follows.querySelector('*')) follows = null;
    }
  } else if (ref && (ref.nodeType !== Node.TEXT_NODE || ref.data.trim() !== '')) {
    follows = ref;
  }
  const last = rest[rest.length - 1];
  if (follows && last && last.nodeName === 'P' && last.textContent === '') frag.removeChild(last);
  if (follows && !follows.parentNode) frag.appendChild(follows);
  const caretAt = follows || frag.lastChild;
  parent.insertBefore(frag, ref);
  const r = document.createRange();
  if (_isBlock(caretAt) && caretAt.nodeName !== 'TABLE') {
    r.setStart(caretAt, 0);
  } else {
    r.setStartBefore(caretAt);
  }
  r.collapse(true);
  _setRange(r);
}

function _tableFromCell(cell) {
  const t = cell ? cell.closest('table') : null;
  return t && editor.contains(t) ? t : null;
}

function _colIndex(cell) {
  const row = cell.parentElement;
  if (!row || row.tagName !== 'TR') return -1;
  return Array.prototype.indexOf.call(row.cells, cell);
}

function _hideTableCtxMenu() {
  tableMenu.classList.remove('open');
  tableCtxCell = null;
}

function _ctxCell() {
  return tableCtxCell && tableCtxCell.isConnected && _tableFromCell(tableCtxCell)
    ? tableCtxCell : null;
}

function _afterTableOp() {
  _hideTableCtxMenu();
  _reportSoon();
}

function tableInsertRow(above) {
  _pageEdit(() => _tableInsertRow(above));
}

function _tableInsertRow(above) {
  const cell = _ctxCell();
  if (!cell) return;
  const row = cell.parentElement;
  const tr = document.createElement('tr');
  for (let i = 0; i < row.cells.length; i++) {
    const td = document.createElement('td');
    td.appendChild(document.createElement('br'));
    tr.appendChild(td);
  }
  row.parentNode.insertBefore(tr, above ? row : row.nextSibling);
  _afterTableOp();
}

function tableInsertCol(left) {
  _pageEdit(() => _tableInsertCol(left));
}

function _tableInsertCol(left) {
  const cell = _ctxCell();
  if (!cell) return;
  const idx = _colIndex(cell);
  const table = _tableFromCell(cell);
  if (idx < 0) return;
  for (const row of Array.from(table.rows)) {
    const ref = row.cells[idx];
    if (!ref) continue;
    let fresh;
    if (row.parentElement && row.parentElement.tagName === 'THEAD') {
      fresh = document.createElement('th');
      fresh.textContent = 'Column';
    } else {
      fresh = document.createElement('td');
      fresh.appendChild(document.createElement('br'));
    }
    row.insertBefore(fresh, left ? ref : ref.nextSibling);
  }
  _afterTableOp();
}

function tableToggleStripe() {
  _pageEdit(_tableToggleStripe);
}

function _tableToggleStripe() {
  const table = _tableFromCell(_ctxCell());
  if (!table) return;
  table.classList.toggle('dm-striped');
  if (table.getAttribute('class') === '') table.removeAttribute('class');
  _afterTableOp();
}

function tableDeleteRow() {
  _pageEdit(_tableDeleteRow);
}

function _tableDeleteRow() {
  const cell = _ctxCell();
  if (!cell) return;
  const table = _tableFromCell(cell);
  if (table.rows.length <= 1) {
    tableDeleteTable();
    return;
  }
  cell.parentElement.remove();
  _afterTableOp();
}

function tableDeleteCol() {
  _pageEdit(_tableDeleteCol);
}

function _tableDeleteCol() {
  const cell = _ctxCell();
  if (!cell) return;
  const table = _tableFromCell(cell);
  const first = table.rows[0];
  if (!first || first.cells.length <= 1) {
    tableDeleteTable();
    return;
  }
  const idx = _colIndex(cell);
  if (idx < 0) return;
  for (const row of Array.from(table.rows)) {
    if (row.cells[idx]) row.cells[idx].remove();
  }
  _afterTableOp();
}

function tableDeleteTable() {
  _pageEdit(_tableDeleteTable);
}

function _tableDeleteTable() {
  const table = _tableFromCell(_ctxCell());
  if (!table) return;
  const p = document.createElement('p');
  p.appendChild(document.createElement('br'));
  table.parentNode.insertBefore(p, table.nextSibling);
  table.remove();
  editor.focus();
  try {
    const r = document.createRange();
    r.setStart(p, 0);
    r.collapse(true);
    const sel = window.getSelection();
    sel.removeAllRanges();
    sel.addRange(r);
  } catch (e) {
    // The caret is a convenience only.
  }
  _afterTableOp();
}

function _openTableCtxMenu(evt, cell) {
  evt.preventDefault();
  tableCtxCell = cell;
  const left = Math.max(0, Math.min(evt.clientX, window.innerWidth - 185));
  const top = Math.max(0, Math.min(evt.clientY, window.innerHeight - 280));
  tableMenu.style.left = left + 'px';
  tableMenu.style.top = top + 'px';
  tableMenu.classList.add('open');
}

const _TABLE_OPS = {
  rowAbove: () => tableInsertRow(true),
  rowBelow: () => tableInsertRow(false),
  colLeft: () => tableInsertCol(true),
  colRight: () => tableInsertCol(false),
  stripe: tableToggleStripe,
  delRow: tableDeleteRow,
  delCol: tableDeleteCol,
  delTable: tableDeleteTable,
};

// ---------------------------------------------------------------------------------------------
// Source view
// ---------------------------------------------------------------------------------------------

// Elements after which and before which a line break never changes what is shown.
const _PRETTY_BREAK_TAGS = new Set([
  ..._BLOCK_TAGS, 'PRE', 'HR', 'DL', 'DT', 'DD', 'CAPTION', 'COLGROUP', 'FIGCAPTION', 'ADDRESS',
]);
// Elements whose content keeps every character as it is.
const _PRETTY_KEEP_TAGS = new Set(['PRE', 'TEXTAREA', 'LISTING', 'XMP', 'PLAINTEXT']);
const _RAW_TEXT_TAGS = new Set([
  'SCRIPT', 'STYLE', 'XMP', 'IFRAME', 'NOEMBED', 'NOFRAMES', 'NOSCRIPT', 'PLAINTEXT',
]);

// Line breaks between tags where one of them is a block tag, never inside preformatted text.
function prettyHTML(html) {
  const tagRe = /<!--[\s\S]*?-->|<(\/?)([A-Za-z][^\s/>]*)(?:[^>"']|"[^"]*"|'[^']*')*>/g;
  let out = '';
  let pos = 0;
  let keepDepth = 0;
  let prevTag = null; // name of the tag just written, while only white space follows it
  let m;
  while ((m = tagRe.exec(html)) !== null) {
    const between = html.slice(pos, m.index);
    const name = m[2] ? m[2].toUpperCase() : null;
    const closing = m[1] === '/';
    if (
      prevTag !== null && name !== null && keepDepth === 0 && /^\s*$/.test(between) &&
      (_PRETTY_BREAK_TAGS.has(prevTag) || _PRETTY_BREAK_TAGS.has(name))
    ) {
      out += '\n';
    } else {
      out += between;
    }
    out += m[0];
    pos = tagRe.lastIndex;
    if (name === null) {
      prevTag = null;
      continue;
    }
    if (_PRETTY_KEEP_TAGS.has(name)) keepDepth += closing ? (keepDepth > 0 ? -1 : 0) : 1;
    prevTag = name;
    if (!closing && _RAW_TEXT_TAGS.has(name)) {
      // Raw text runs to the matching end tag, whatever it holds.
      const endRe = new RegExp('</' + name + '(?=[\\s/>])', 'ig');
      endRe.lastIndex = pos;
      const em = endRe.exec(html);
      const stop = em ? em.index : html.length;
      out += html.slice(pos, stop);
      pos = stop;
      tagRe.lastIndex = stop;
      prevTag = null;
    }
  }
  out += html.slice(pos);
  return out.trim();
}

function _displayHTML() {
  return _contentCopy().innerHTML;
}

function toggleSourceView(evt) {
  if (evt) evt.preventDefault();
  if (sourceMode) exitSourceView(true);
  else enterSourceView();
}

function enterSourceView() {
  closeColorPickers();
  _hideTableCtxMenu();
  sourceView.value = prettyHTML(_displayHTML());
  sourceShownText = sourceView.value;
  document.body.classList.add('source-mode');
  pageEl['btn-source'].classList.add('active');
  sourceView.focus();
  sourceMode = true;
}

// While the view is open its text is reported as the body, so a switch or a close keeps it;
// the editor itself changes only when the view is left applying the text.
function _sourceNeedsReport() {
  return sourceMode && (sourceReported || sourceView.value !== sourceShownText);
}

// The source view's text as the store would keep it once applied, parsed where it cannot act.
function _sourceCleanHTML() {
  const box = _inertDoc.createElement('div');
  box.innerHTML = sourceView.value.trim();
  _takeDisplayState(box);
  return box.innerHTML;
}

function _reportSourceText() {
  editorEditPending = false;
  sourceReported = true;
  sourceReportedText = sourceView.value;
  postToHost(_withLoad({ type: 'contentChanged', html: _sourceCleanHTML() }));
}

function _leaveSourceMode() {
  document.body.classList.remove('source-mode');
  pageEl['btn-source'].classList.remove('active');
  sourceMode = false;
  sourceReported = false;
  sourceReportedText = null;
}

// Leaving without applying restores the document from before the view opened (the editor never
// took the text); when the host was given the text meanwhile, it is given that document again.
function exitSourceView(saveEdits) {
  const text = sourceView.value;
  const apply = saveEdits && text !== sourceShownText;
  let report = sourceReported;
  if (apply) report = sourceReportedText !== text || changeTimer !== null;
  // Dropped source edits leave nothing to report unless the editor itself was changed.
  if (!apply && !editorEditPending) _clearChangeTimer();
  if (apply) {
    _setEditorContent(text.trim());
    if (!report) _clearChangeTimer();
    _historyBarrier();
  }
  _leaveSourceMode();
  editor.focus();
  if (report) _reportNow();
}

// ---------------------------------------------------------------------------------------------
// Embedded tags
// ---------------------------------------------------------------------------------------------

const tagNameInput = pageEl['inp-tagname'];

function _buildTagSwatches() {
  const box = pageEl['tag-swatches'];
  for (const [name, title, hex] of TAG_COLOURS) {
    const sw = document.createElement('div');
    sw.className = 'tag-swatch';
    sw.dataset.colour = name;
    sw.title = title;
    sw.style.background = hex;
    sw.addEventListener('click', () => selectTagColour(name));
    box.appendChild(sw);
  }
}

function openTagModal() {
  if (!_usable(savedRange)) {
    savedRange = _usable(lastEditorRange) ? lastEditorRange.cloneRange() : null;
  }
  if (!savedRange) {
    window.alert('Please select some text in the note before inserting a tag.');
    return;
  }
  tagNameInput.value = '';
  tagNameInput.style.borderColor = '';
  selectTagColour('yellow');
  pageEl['chk-apply'].checked = false;
  _openOverlay('modal-tag');
  setTimeout(() => tagNameInput.focus(), 250);
}

function selectTagColour(colour) {
  tagSelectedColour = colour;
  pageEl['tag-swatches'].querySelectorAll('.tag-swatch').forEach((sw) => {
    sw.classList.toggle('selected', sw.dataset.colour === colour);
  });
}

function cancelTagModal() {
  _closeOverlay('modal-tag');
  savedRange = null;
  editor.focus();
}

function confirmTagInsert() {
  const name = tagNameInput.value.trim();
  if (!name) {
    tagNameInput.focus();
    tagNameInput.style.borderColor = '#cc0000';
    return;
  }
  tagNameInput.style.borderColor = '';
  if (!_usable(savedRange)) {
    cancelTagModal();
    return;
  }
  const range = savedRange;
  const applyNow = pageEl['chk-apply'].checked;
  _pageEdit(() => _createTag(range, name, tagSelectedColour, applyNow), { tags: true });
  _closeOverlay('modal-tag');
  savedRange = null;
  editor.focus();
  notifyTagsUpdated();
  _reportSoon();
}

function showTag(id, colour) {
  const spans = _tagSpans(id);
  if (spans.length === 0) return;
  const cls = _colourName(colour);
  spans.forEach((el) => { el.className = cls; });
  spans[0].scrollIntoView({ behavior: 'smooth', block: 'center' });
}

function fadeTag(id, colour) {
  const spans = _tagSpans(id);
  if (spans.length === 0) return;
  const cls = _colourName(colour) + '-fade';
  spans.forEach((el) => {
    el.removeAttribute('class');
    void el.offsetWidth; // restarts the animation when the span was fading already
    el.className = cls;
  });
  spans[0].scrollIntoView({ behavior: 'smooth', block: 'center' });
}

function hideTag(id) {
  _tagSpans(id).forEach((el) => el.removeAttribute('class'));
}

function showAllTags() {
  editor.querySelectorAll('[data-hash]').forEach((el) => {
    el.className = _colourName(el.getAttribute('data-colour') || 'yellow');
  });
}

function hideAllTags() {
  editor.querySelectorAll('[data-hash]').forEach((el) => el.removeAttribute('class'));
}

function _byColour(colour) {
  return Array.from(editor.querySelectorAll('[data-colour]')).filter(
    (el) => el.getAttribute('data-colour') === colour);
}

function showColour(colour) {
  const cls = _colourName(colour);
  _byColour(colour).forEach((el) => { el.className = cls; });
}

function hideColour(colour) {
  _byColour(colour).forEach((el) => el.removeAttribute('class'));
}

function removeTag(id) {
  _pageEdit(() => _tagSpans(id).forEach(_unwrap), { tags: true });
  notifyTagsUpdated();
  _reportSoon();
}

function renameTag(id, newName) {
  const el = _inEditorById(id);
  if (!el || !newName) return;
  _pageEdit(() => el.setAttribute('data-tag', newName), { tags: true });
  notifyTagsUpdated();
  _reportSoon();
}

function recolourTag(id, colour) {
  const spans = _tagSpans(id);
  if (spans.length === 0) return;
  const oldCls = _colourName(spans[0].getAttribute('data-colour') || 'yellow');
  const newCls = _colourName(colour);
  _pageEdit(() => spans.forEach((el) => {
    el.setAttribute('data-colour', colour);
    const cls = el.getAttribute('class');
    if (cls === oldCls) el.className = newCls;
    else if (cls === oldCls + '-fade') el.className = newCls + '-fade';
  }), { tags: true });
  notifyTagsUpdated();
  _reportSoon();
}

// ---------------------------------------------------------------------------------------------
// Annotations
// ---------------------------------------------------------------------------------------------

const annotBodyInput = pageEl['inp-annot-body'];

function openAnnotModal() {
  if (!_usable(annotSavedRange)) {
    annotSavedRange = _usable(lastEditorRange) ? lastEditorRange.cloneRange() : null;
  }
  if (!annotSavedRange) {
    window.alert('Please select some text in the note before adding an annotation.');
    return;
  }
  const notice = _spanWrapNotice(annotSavedRange);
  if (notice) {
    annotSavedRange = null;
    window.alert(notice);
    return;
  }
  const text = annotSavedRange.toString().trim();
  const shown = text.length > 80 ? text.substring(0, 80) + '\u2026' : text;
  pageEl['annot-snippet'].textContent = text ? '\u201c' + shown + '\u201d' : '';
  annotBodyInput.value = '';
  _openOverlay('modal-annot');
  setTimeout(() => annotBodyInput.focus(), 250);
}

function cancelAnnotModal() {
  _closeOverlay('modal-annot');
  annotSavedRange = null;
  editor.focus();
}

function confirmAnnotInsert() {
  if (!_usable(annotSavedRange)) {
    cancelAnnotModal();
    return;
  }
  const body = annotBodyInput.value.trim();
  const snippet = annotSavedRange.toString().trim().substring(0, 200);
  const span = document.createElement('span');
  span.setAttribute('id', _makeAnnotId());
  span.setAttribute('class', 'dm-annot');
  const range = annotSavedRange;
  _closeOverlay('modal-annot');
  annotSavedRange = null;
  const created = () => postToHost(
    _withLoad({ type: 'annotationCreated', spanId: span.id, snippet: snippet, body: body }));
  // Undone, the span is gone from the body the host is given at once (and with it the record);
  // redone, the record is made again.
  const hooks = {
    after: (redone) => {
      _reportNow();
      if (redone) created();
    },
  };
  editor.focus();
  if (!_pageEdit(() => {
    const wrapped = _wrapInSpan(range, span);
    if (wrapped) _selectContents(span);
    return wrapped;
  }, hooks)) {
    window.alert(_spanWrapNotice(range) || BLOCK_NOTICE);
    return;
  }
  // The body holding the new span goes first, so a save in between keeps the annotation.
  _reportNow();
  created();
}

function scrollToAnnotation(spanId) {
  const el = _inEditorById(spanId);
  if (!el) return;
  el.scrollIntoView({ behavior: 'smooth', block: 'center' });
  el.classList.remove('dm-annot-flash');
  void el.offsetWidth; // restarts the flash
  el.classList.add('dm-annot-flash');
}

function removeAnnotSpan(spanId) {
  const el = _inEditorById(spanId);
  if (!el) return;
  _unwrap(el);
  // Its record is gone: undo never brings back the span alone.
  _historyBarrier();
  _reportSoon();
}

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
// item that is all one bold run wraps the new list in the run).
function _settleAfterEdit(names, holders = null) {
  const fixes = _markIdentityFixes(names);
  const lift =
    holders !== null && Array.from(_inlineBlockHolders()).some((el) => !holders.has(el));
  const loose = _looseRootLines();
  if (fixes.length === 0 && loose.length === 0 && !lift) return;
  const hooks = { chain: true, chainHtml: getCleanHTML(), tags: true };
  const settle = () => {
    if (lift) _liftPastedBlocks(holders);
    _wrapLooseLines(lift ? _looseRootLines() : loose);
    return fixes.length > 0 && _settleMarkIdentity(names, fixes);
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
  for (let n = editor.firstChild; n; n = n.nextSibling) {
    const line = _looseLine(n);
    if (!line) continue;
    n = line.nodes[line.nodes.length - 1];
    const shown = line.nodes.some((m) => m.nodeType === Node.ELEMENT_NODE ||
      (m.nodeType === Node.TEXT_NODE && !/^\s*$/.test(m.data)));
    if (shown) lines.push(line);
  }
  return lines;
}

// Puts each loose line into a paragraph of its own; the line break that ended it goes.
function _wrapLooseLines(lines) {
  // Moving the nodes would put a caret inside them at the paragraph's edge: it stays in them.
  const sel = window.getSelection();
  const r = sel.rangeCount > 0 ? sel.getRangeAt(0) : null;
  const kept = r && r.startContainer !== editor && r.endContainer !== editor &&
    editor.contains(r.startContainer) && editor.contains(r.endContainer)
    ? [r.startContainer, r.startOffset, r.endContainer, r.endOffset] : null;
  for (const line of lines) {
    const p = document.createElement('p');
    editor.insertBefore(p, line.nodes[0]);
    for (const n of line.nodes) p.appendChild(n);
    if (line.br) line.br.remove();
  }
  if (!kept || lines.length === 0) return;
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
// still there. Where either block holds a mark the page joins the blocks itself.
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

// The range when deleting it joins two blocks of which one holds a mark; null otherwise. With
// loose, either side may also be a line of text loose in the editor's root.
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
  if (!first.querySelector(_MARK_SELECTOR) && !second.querySelector(_MARK_SELECTOR)) return null;
  return range;
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
// loose too): the range when either side holds a mark, with the sides for _joinLines.
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
  if (!sides[0] || !sides[1] || !(sides[0].marked || sides[1].marked)) return null;
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
  };
  _pageEdit(() => _deleteApart(join), hooks);
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
// the end of what is left of the first.
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
}

// The browser's paste after the page's deletion has come: the block it ends in is joined with
// the second block of the deletion, when nothing but a line break stands between them.
function _joinAfterPaste() {
  const hooks = pasteJoin;
  pasteJoin = null;
  const last = pageDone[pageDone.length - 1];
  if (!hooks || !last || last.hooks !== hooks || editor.innerHTML === hooks.deletedHtml) return;
  hooks.pasted = true;
  const second = hooks.second;
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
    if (start < 0) continue;
    const from = _textPlace(block, start, false);
    const to = _textPlace(block, start + note.text.length, true);
    if (!from || !to) continue;
    const range = document.createRange();
    try {
      range.setStart(from.node, from.offset);
      range.setEnd(to.node, to.offset);
    } catch (err) {
      continue;
    }
    if (range.toString() !== note.text) continue;
    const copy = note.el.cloneNode(false);
    const moved = range.extractContents();
    range.insertNode(copy);
    copy.appendChild(moved);
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
  const moved = Array.from(second.childNodes);
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
// Start-up
// ---------------------------------------------------------------------------------------------

function _onMouseDown(id, handler) {
  pageEl[id].addEventListener('mousedown', handler);
}

function _attachListeners() {
  // Toolbar: buttons act on press so the editor keeps its selection.
  _onMouseDown('btn-bold', (e) => fmtCmd(e, 'bold'));
  _onMouseDown('btn-italic', (e) => fmtCmd(e, 'italic'));
  _onMouseDown('btn-underline', (e) => fmtCmd(e, 'underline'));
  _onMouseDown('btn-left', (e) => fmtCmd(e, 'justifyLeft'));
  _onMouseDown('btn-center', (e) => fmtCmd(e, 'justifyCenter'));
  _onMouseDown('btn-right', (e) => fmtCmd(e, 'justifyRight'));
  _onMouseDown('btn-ul', (e) => fmtCmd(e, 'insertUnorderedList'));
  _onMouseDown('btn-ol', (e) => fmtCmd(e, 'insertOrderedList'));
  _onMouseDown('btn-forecolor', (e) => colorBtnDown(e, 'fore'));
  _onMouseDown('btn-backcolor', (e) => colorBtnDown(e, 'back'));
  _onMouseDown('btn-table', openTableModal);
  _onMouseDown('btn-link', openLinkModal);
  _onMouseDown('btn-source', toggleSourceView);
  blockSelect.addEventListener('change', () => applyBlockFormat(blockSelect.value));
  sizeSelect.addEventListener('change', () => applyFontSize(sizeSelect.value));

  // Selection preservation.
  document.addEventListener('selectionchange', () => {
    saveEditorRange();
    updateToolbarState();
  });
  editor.addEventListener('blur', () => {
    if (historyBusy) return;
    try {
      const sel = window.getSelection();
      if (sel.rangeCount > 0 && !sel.isCollapsed && editor.contains(sel.anchorNode)) {
        const r = sel.getRangeAt(0);
        savedRange = r.cloneRange();
        annotSavedRange = r.cloneRange();
      }
    } catch (e) {
      // Ignored: the earlier ranges stay.
    }
  });

  // Editing and reporting.
  // Before the join, which leaves a collapsed caret of its own.
  editor.addEventListener('paste', () => {
    tagsAtPaste = _tagNames();
  });
  editor.addEventListener('paste', _noteMarksForPaste);
  editor.addEventListener('paste', _joinForPaste);
  editor.addEventListener('beforeinput', (e) => {
    if (e.inputType !== 'insertFromPaste') {
      pasteJoin = null;
      pasteMarks = null;
    }
    const pasting = _PASTE_INPUTS.has(e.inputType);
    marksBeforePaste = pasting ? new Set(editor.querySelectorAll(_MARKED_SELECTOR)) : null;
    // A paste inside a mark splits it as a new paragraph does.
    marksBeforePasteSplit = pasting && _caretInMark() ? _marksWithIds() : null;
    inlineHoldersBeforePaste = pasting ? _inlineBlockHolders() : null;
    marksBeforeSplit = e.inputType === 'insertParagraph' && _caretInMark() ? _marksWithIds() : null;
    // Text typed at a caret only adds characters to a text node, so no mark can change: the
    // whole-note scans before and after it would cost a large note its typing speed.
    const typedAtCaret = e.inputType === 'insertText' && window.getSelection().isCollapsed;
    tagsBeforeEdit = { type: e.inputType, names: typedAtCaret ? null : _tagNames() };
    if (e.inputType === 'insertFromPaste' && tagsAtPaste) {
      for (const [hash, name] of tagsAtPaste) {
        if (!tagsBeforeEdit.names.has(hash)) tagsBeforeEdit.names.set(hash, name);
      }
    }
    tagsAtPaste = null;
    const join = _markedJoinRange(e);
    if (join) {
      marksBeforeSplit = null;
      const names = tagsBeforeEdit.names;
      tagsBeforeEdit = null;
      e.preventDefault();
      const joined = () => {
        _joinLines(join, e.inputType, e.inputType === 'insertText' ? e.data : '');
        return _settleMarkIdentity(names);
      };
      if (_pageEdit(joined, { tags: true })) notifyTagsUpdated();
      editorEditPending = true;
      _restartChangeTimer();
    }
  });
  editor.addEventListener('input', (e) => {
    // Only an input the page saw coming is the browser's own edit (the page's commands fire none).
    const edit = tagsBeforeEdit && tagsBeforeEdit.type === e.inputType ? tagsBeforeEdit : null;
    tagsBeforeEdit = null;
    const names = edit && edit.names ? edit.names : new Map();
    if (_PASTE_INPUTS.has(e.inputType) && marksBeforePaste) {
      const before = marksBeforePaste;
      const splitMarks = marksBeforePasteSplit;
      const holders = inlineHoldersBeforePaste;
      marksBeforePaste = null;
      marksBeforePasteSplit = null;
      inlineHoldersBeforePaste = null;
      // Undone and redone together with the paste it completes.
      // Compared without display state, which showing tags changes in between.
      const hooks = { chain: true, chainHtml: getCleanHTML(), tags: true };
      const settle = () => {
        if (e.inputType === 'insertFromPaste') {
          _joinAfterPaste();
          _restorePastedOverMarks();
        }
        let tags = _settlePastedMarks(before);
        if (splitMarks && _settleSplitMarks(splitMarks)) tags = true;
        if (holders) _liftPastedBlocks(holders);
        return _settleMarkIdentity(names) || tags;
      };
      if (_pageEdit(settle, hooks)) notifyTagsUpdated();
    } else if (e.inputType === 'insertParagraph' && marksBeforeSplit) {
      const before = marksBeforeSplit;
      marksBeforeSplit = null;
      // Undone and redone together with the new paragraph it completes.
      const hooks = { chain: true, chainHtml: getCleanHTML(), tags: true };
      const settle = () => {
        const split = _settleSplitMarks(before);
        return _settleMarkIdentity(names) || split;
      };
      if (_pageEdit(settle, hooks)) notifyTagsUpdated();
    } else if (edit && (edit.names || _typedLoose()) && e.inputType !== 'historyUndo' &&
      e.inputType !== 'historyRedo') {
      _settleAfterEdit(names);
    } else if (historySkipping && !historyBusy && e.inputType.startsWith('history')) {
      historySkipReached = editor;
    } else if (e.inputType === 'historyRedo' && !historyBusy) {
      _redoChained();
    } else if (e.inputType === 'historyUndo' && !historyBusy) {
      _undoChained();
    }
    editorEditPending = true;
    _restartChangeTimer();
  });
  editor.addEventListener('keydown', (e) => {
    if (!(e.ctrlKey || e.metaKey) || e.shiftKey || e.altKey) return;
    const cmds = { b: 'bold', i: 'italic', u: 'underline', l: 'justifyLeft', e: 'justifyCenter',
      r: 'justifyRight' };
    const k = String(e.key).toLowerCase();
    if (cmds[k]) {
      e.preventDefault();
      document.execCommand(cmds[k], false, null);
      updateToolbarState();
    } else if (k === 'k') {
      e.preventDefault();
      openLinkModal();
    }
  });
  editor.addEventListener('click', (e) => {
    // Links inside a note (image map areas too) are never followed inside the editor's own
    // window.
    const target = e.target.nodeType === Node.ELEMENT_NODE ? e.target : e.target.parentElement;
    const link = target ? target.closest('a, area') : null;
    if (link) {
      e.preventDefault();
      // In view mode a web link opens in the user's browser, never in place of the page.
      if (!editor.isContentEditable && /^https?:$/i.test(link.protocol || '')) {
        postToHost({ type: 'openLink', url: link.href });
      }
    }
    for (let n = e.target; n && n !== editor; n = n.parentNode) {
      if (n.nodeType === Node.ELEMENT_NODE && n.classList.contains('dm-annot') && n.id) {
        postToHost(_withLoad({ type: 'annotationSpanClicked', spanId: n.id }));
        break;
      }
    }
  });
  editor.addEventListener('auxclick', (e) => {
    const target = e.target.nodeType === Node.ELEMENT_NODE ? e.target : e.target.parentElement;
    if (target && target.closest('a, area')) e.preventDefault();
  });
  editor.addEventListener('animationend', (e) => {
    const el = e.target;
    if (el.hasAttribute('data-hash') && /-fade$/.test(el.getAttribute('class') || '')) {
      el.removeAttribute('class');
    } else if (el.classList.contains('dm-annot-flash')) {
      el.classList.remove('dm-annot-flash');
      if (el.getAttribute('class') === '') el.removeAttribute('class');
    }
  });
  editor.addEventListener('contextmenu', (e) => {
    const el = e.target.nodeType === Node.ELEMENT_NODE ? e.target : e.target.parentElement;
    const cell = el ? el.closest('td, th') : null;
    if (cell && editor.contains(cell) && editor.isContentEditable) _openTableCtxMenu(e, cell);
  });

  // The editing history: the mark's edits stand for the page's own changes.
  document.addEventListener('beforeinput', (e) => {
    if (e.inputType === 'historyUndo' || e.inputType === 'historyRedo') {
      if (historyBroken) {
        e.preventDefault();
        return;
      }
      historyFocus = document.activeElement;
      historyRange = _rangeCopy();
    }
  }, true);
  document.addEventListener('input', (e) => {
    // A step of the browser's own ends what could be redone.
    if (!historyBusy && e.inputType !== 'historyUndo' && e.inputType !== 'historyRedo') {
      pageUndone.length = 0;
    }
    if ((e.inputType === 'historyUndo' || e.inputType === 'historyRedo') && _outOfSight(e.target)) {
      // An undo or a redo that changes nothing the user sees goes on to the next step. The
      // browser runs no command inside another's, so the steps are taken one after the other.
      if (historySkipping) {
        historySkipAgain = true;
        return;
      }
      historySkipping = true;
      try {
        do {
          historySkipAgain = false;
          historySkipReached = null;
          document.execCommand(e.inputType === 'historyUndo' ? 'undo' : 'redo', false, null);
          // What the step reached does its own part here, where it may run commands itself.
          const reached = historySkipReached;
          historySkipReached = null;
          if (reached === undoMark) {
            if (e.inputType === 'historyUndo') _undoPageEdit();
            else _redoPageEdit();
          } else if (reached === editor) {
            if (e.inputType === 'historyUndo') _undoChained();
            else _redoChained();
          }
        } while (historySkipAgain);
      } finally {
        historySkipping = false;
      }
      if (_outOfSight(document.activeElement)) _restoreFocus(historyFocus, historyRange);
    }
  }, true);
  undoMark.addEventListener('input', (e) => {
    if (historyBusy) return;
    if (historySkipping) historySkipReached = undoMark;
    else if (e.inputType === 'historyUndo') _undoPageEdit();
    else if (e.inputType === 'historyRedo') _redoPageEdit();
  });

  // Presses elsewhere close the pickers and the table menu; Escape closes the pickers.
  document.addEventListener('mousedown', (e) => {
    closeColorPickers();
    if (tableMenu.classList.contains('open') && !tableMenu.contains(e.target)) {
      _hideTableCtxMenu();
    }
  });
  document.addEventListener('keydown', (e) => {
    if (e.key === 'Escape') closeColorPickers();
  });

  // Table context menu.
  tableMenu.addEventListener('mousedown', (e) => e.preventDefault());
  tableMenu.querySelectorAll('.ctx-item').forEach((item) => {
    item.addEventListener('click', () => _TABLE_OPS[item.dataset.op]());
  });

  // Dialog overlays: a press on the darkened area cancels.
  const overlayCancel = {
    'modal-table': cancelTableModal,
    'modal-link': cancelLinkModal,
    'modal-tag': cancelTagModal,
    'modal-annot': cancelAnnotModal,
  };
  for (const [id, cancel] of Object.entries(overlayCancel)) {
    const overlay = pageEl[id];
    overlay.addEventListener('mousedown', (e) => {
      if (e.target === overlay) cancel();
    });
  }

  // Table dialog.
  pageEl['btn-table-cancel'].addEventListener('click', cancelTableModal);
  pageEl['btn-table-insert'].addEventListener('click', confirmTableInsert);

  // Link dialog.
  pageEl['btn-link-cancel'].addEventListener('click', cancelLinkModal);
  pageEl['btn-link-ok'].addEventListener('click', confirmLinkInsert);
  pageEl['btn-link-remove'].addEventListener('click', removeLink);
  linkUrlInput.addEventListener('keydown', (e) => {
    if (e.key === 'Enter') {
      e.preventDefault();
      linkTextInput.focus();
    } else if (e.key === 'Escape') {
      e.preventDefault();
      cancelLinkModal();
    }
  });
  linkTextInput.addEventListener('keydown', (e) => {
    if (e.key === 'Enter') {
      e.preventDefault();
      confirmLinkInsert();
    } else if (e.key === 'Escape') {
      e.preventDefault();
      cancelLinkModal();
    }
  });

  // Tag dialog.
  pageEl['btn-tag-cancel'].addEventListener('click', cancelTagModal);
  pageEl['btn-tag-ok'].addEventListener('click', confirmTagInsert);
  tagNameInput.addEventListener('keydown', (e) => {
    if (e.key === 'Enter') {
      e.preventDefault();
      confirmTagInsert();
    } else if (e.key === 'Escape') {
      e.preventDefault();
      cancelTagModal();
    }
  });

  // Annotation dialog.
  pageEl['btn-annot-cancel'].addEventListener('click', cancelAnnotModal);
  pageEl['btn-annot-ok'].addEventListener('click', confirmAnnotInsert);
  annotBodyInput.addEventListener('keydown', (e) => {
    if (e.key === 'Escape') {
      e.preventDefault();
      cancelAnnotModal();
    }
  });

  // Nothing dropped, submitted or chosen from the browser's own menu replaces the page: files
  // dropped on it are refused, forms never submit, and the browser's menu (with its reload)
  // appears only over text that can be edited.
  const refuseFiles = (e) => {
    const types = e.dataTransfer ? Array.from(e.dataTransfer.types || []) : [];
    if (types.includes('Files')) {
      e.preventDefault();
      if (e.type === 'dragover') e.dataTransfer.dropEffect = 'none';
    }
  };
  document.addEventListener('dragover', refuseFiles, true);
  document.addEventListener('drop', refuseFiles, true);
  document.addEventListener('submit', (e) => e.preventDefault(), true);
  document.addEventListener('contextmenu', (e) => {
    const el = e.target.nodeType === Node.ELEMENT_NODE ? e.target : e.target.parentElement;
    const editable = el && (el.isContentEditable || el === sourceView || el.closest('input, textarea'));
    if (!editable) e.preventDefault();
  });
  // A page that goes away (a reload) reports what it still holds first.
  window.addEventListener('pagehide', flushPendingReport);

  // The host's marker key (F13 with Ctrl, Alt and Shift) after input it delivered late: it
  // comes after every key sent before it, so its answer tells the host that those keys are in
  // the editor.
  const isInputMark = (e) => e.key === 'F13' && e.ctrlKey && e.altKey && e.shiftKey;
  window.addEventListener('keydown', (e) => {
    if (!isInputMark(e)) return;
    e.preventDefault();
    e.stopImmediatePropagation();
    postToHost({ type: 'inputRead' });
  }, true);
  window.addEventListener('keyup', (e) => {
    if (!isInputMark(e)) return;
    e.preventDefault();
    e.stopImmediatePropagation();
  }, true);

  // Source view: its edits are reported like the editor's.
  sourceView.addEventListener('input', _restartChangeTimer);

  // Source view keys.
  sourceView.addEventListener('keydown', (e) => {
    if (e.key === 'Escape') {
      e.preventDefault();
      exitSourceView(false);
    } else if (e.key === 'Enter' && (e.ctrlKey || e.metaKey)) {
      e.preventDefault();
      exitSourceView(true);
    }
  });

  // Messages from the host.
  const wv = window.chrome && window.chrome.webview;
  if (wv && typeof wv.addEventListener === 'function') {
    wv.addEventListener('message', (e) => {
      try {
        handleFromHost(JSON.parse(e.data));
      } catch (err) {
        console.error('WebView2 message parse error:', err);
      }
    });
  }

  // The web font never holds up the page: its style sheet applies once it has arrived.
  const webfont = pageEl['webfont'];
  if (webfont.sheet) webfont.media = 'all';
  else webfont.addEventListener('load', () => { webfont.media = 'all'; });
}

_buildTableGrid();
_buildTagSwatches();
_attachListeners();
postToHost({ type: 'ready' });
buildColorPickers();
updateToolbarState();
