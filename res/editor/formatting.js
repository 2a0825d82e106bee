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
  try {
    document.execCommand(command, false, null);
  } finally {
    // The lines' split is undone and redone together with the list.
    if (lifted) lifted.pasted = true;
    _settleAfterEdit(names, holders, lifted && lifted.keptLines ? lifted.keptLines : null);
  }
  updateToolbarState();
}

// ---------------------------------------------------------------------------------------------
// Lines of text
// ---------------------------------------------------------------------------------------------

// The browser's list and block commands act on lines: the text between two line breaks, or
// between a line break and a block's edge. A line break inside an inline element makes a line
// end inside that element.

function _indexIn(node) {
  return Array.prototype.indexOf.call(node.parentNode.childNodes, node);
}

// Where the line that holds the place begins (forward: ends), as a place between nodes: reached
// going back (on) over inline content up to a line break, a block or a block's edge. br: the line
// break there, null at a block or an edge.
function _lineEdge(node, offset, forward) {
  let parent = node;
  let index = offset;
  if (node.nodeType !== Node.ELEMENT_NODE) {
    parent = node.parentNode;
    index = _indexIn(node) + (forward ? 1 : 0);
  }
  for (;;) {
    const kids = parent.childNodes;
    if (forward ? index < kids.length : index > 0) {
      const n = kids[forward ? index : index - 1];
      if (n.nodeName === 'BR') return { node: parent, offset: index, br: n };
      if (_isBlock(n)) return { node: parent, offset: index, br: null };
      if (n.nodeType === Node.ELEMENT_NODE && (n.querySelector('br') || _holdsBlock(n))) {
        parent = n;
        index = forward ? 0 : n.childNodes.length;
      } else {
        index += forward ? 1 : -1;
      }
      continue;
    }
    if (parent === editor || _isBlock(parent)) return { node: parent, offset: index, br: null };
    index = _indexIn(parent) + (forward ? 1 : 0);
    parent = parent.parentNode;
  }
}

// The line that holds the place: its extent, the line breaks before and after it (null at a
// block's edge), and the block (or the editor's root) it stands in.
function _lineAt(node, offset) {
  const start = _lineEdge(node, offset, false);
  const end = _lineEdge(node, offset, true);
  const range = document.createRange();
  range.setStart(start.node, start.offset);
  range.setEnd(end.node, end.offset);
  let block = start.node;
  while (block !== editor && !_isBlock(block)) block = block.parentNode;
  return { range, before: start.br, br: end.br, block };
}

const _SHOWN_ELEMENTS = 'img, hr, input, select, textarea, button, embed, object, video, audio, ' +
  'iframe, svg, canvas';

// Whether the range holds something that shows: text other than white space that collapses, or
// an element such as an image (or, with breaks, a line break).
function _rangeShows(range, breaks) {
  if (range.collapsed) return false;
  if (/[^ \t\n\r\f]/.test(range.toString())) return true;
  const frag = range.cloneContents();
  return frag.querySelector(breaks ? 'br, ' + _SHOWN_ELEMENTS : _SHOWN_ELEMENTS) !== null;
}

// A line that shows: one with content, or an empty one that its line break ends.
function _lineShows(line) {
  return line.br !== null || _rangeShows(line.range, false);
}

// The lines the selection reaches, in order, as the browser's commands take them: a selection
// that ends at the very start of a line leaves that line out.
function _selectedLines(range) {
  const first = _lineAt(range.startContainer, range.startOffset);
  const last = range.collapsed ? first : _lineAt(range.endContainer, range.endOffset);
  const span = document.createRange();
  span.setStart(first.range.startContainer, first.range.startOffset);
  span.setEnd(last.range.endContainer, last.range.endOffset);
  const reached = (line) => {
    const r = line.range;
    if (r.comparePoint(range.startContainer, range.startOffset) > 0) return false;
    if (range.collapsed) return r.comparePoint(range.startContainer, range.startOffset) === 0;
    if (r.comparePoint(range.endContainer, range.endOffset) < 0) return false;
    const head = document.createRange();
    head.setStart(r.startContainer, r.startOffset);
    head.setEnd(range.endContainer, range.endOffset);
    return _rangeShows(head, true);
  };
  let root = span.commonAncestorContainer;
  if (root.nodeType !== Node.ELEMENT_NODE) root = root.parentNode;
  const walker = document.createTreeWalker(root, NodeFilter.SHOW_ELEMENT | NodeFilter.SHOW_TEXT, {
    acceptNode: (n) =>
      (span.intersectsNode(n) ? NodeFilter.FILTER_ACCEPT : NodeFilter.FILTER_REJECT),
  });
  const lines = [];
  let current = null;
  for (let n = walker.nextNode(); n; n = walker.nextNode()) {
    if (n.firstChild) continue;
    const parent = n.parentNode;
    const at = _indexIn(n);
    if (current && current.range.isPointInRange(parent, at)) continue;
    current = _lineAt(parent, at);
    if (_lineShows(current) && reached(current)) lines.push(current);
  }
  if (lines.length === 0 && _lineShows(first) && reached(first)) lines.push(first);
  return lines;
}

// Whether the line break stands inside an annotation below its block.
function _breakInAnnotation(br, block) {
  for (let n = br.parentNode; n && n !== block; n = n.parentNode) {
    if (n.nodeType === Node.ELEMENT_NODE && _isAnnotation(n)) return true;
  }
  return false;
}

// The browser's list commands copy an inline element that holds a line break whole into the item
// of the line before the break, so the text after it would stand twice. Before a list is built,
// each line break at or between the selected lines stands directly in its block, the elements
// around it split in two; a split-off piece of a mark is no copy of its identity (a tag's is a
// further passage, an annotation's is no mark). Only a line break inside an annotation between
// two selected lines stays, so that the annotation keeps all of its text: while the list is
// built it is a word break of the page's own, which the browser takes as no end of a line (both
// lines go into one item), and afterwards a line break again. The hooks of the page's step when
// there was one; keptLines, the page's step after the list puts the line breaks back.
function _liftBreaksForList() {
  const range = _currentRange();
  if (!range) return null;
  const lines = _selectedLines(range);
  const candidates = [];
  const between = new Set();
  lines.forEach((line, i) => {
    const prev = i > 0 ? lines[i - 1] : null;
    if (line.before && !(prev && prev.br === line.before)) {
      candidates.push([line.before, line.block]);
    }
    if (line.br) {
      candidates.push([line.br, line.block]);
      const next = lines[i + 1];
      if (next && next.before === line.br) between.add(line.br);
    }
  });
  const nested = candidates.filter(([br, block]) => br.parentNode !== block);
  if (nested.length === 0) return null;
  const mark = 'l' + _base36Random(8);
  const hooks = {};
  _pageEdit(() => {
    const caret = _selectionPlace();
    // In their order: a split moves the line breaks after it into the pieces.
    for (const [br, block] of nested) {
      if (between.has(br) && _breakInAnnotation(br, block)) {
        const wbr = document.createElement('wbr');
        wbr.setAttribute('data-dm-line', mark);
        br.parentNode.replaceChild(wbr, br);
        hooks.keptLines = () => {
          for (const w of editor.querySelectorAll('wbr[data-dm-line="' + mark + '"]')) {
            w.parentNode.replaceChild(document.createElement('br'), w);
          }
        };
        continue;
      }
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

// ---------------------------------------------------------------------------------------------
// Paragraph styles
// ---------------------------------------------------------------------------------------------

const _BLOCK_STYLES = new Set(['p', 'h1', 'h2', 'h3', 'blockquote']);
// Blocks that are themselves a paragraph style: a line in one is restyled by splitting it.
const _STYLE_BLOCKS = new Set(['P', 'H1', 'H2', 'H3', 'H4', 'H5', 'H6', 'BLOCKQUOTE', 'DIV']);

// The paragraph-style menu. The browser's own command copies an inline element that holds a line
// break whole into the new block (its text and a mark's id twice), nests the new block in the
// paragraph, heading or list it came from, and joins several paragraphs into one; so the page
// restyles the lines itself, in one step of its own. Each run of selected lines in one block
// becomes a block of the style: a paragraph, heading or quote that holds only that run changes
// its kind (keeping its other attributes), one that holds more is split around it, a list item's
// run leaves the list at that place, and in a table cell (or any other block) the run is wrapped
// in place. A run already in a block of the style stays as it is.
function applyBlockFormat(tag) {
  restoreEditorRange();
  const range = _currentRange();
  if (range && _BLOCK_STYLES.has(tag) && editor.isContentEditable && !sourceMode) {
    let changed = false;
    _pageEdit(() => {
      changed = _restyleLines(range, tag);
    });
    if (changed) {
      editorEditPending = true;
      _restartChangeTimer();
    }
  }
  updateToolbarState();
}

// A place given by an element and an offset, moved into the text node there when there is one,
// so that it stays valid while the nodes around it move to other parents.
function _placeInText(node, offset) {
  if (node.nodeType !== Node.ELEMENT_NODE) return [node, offset];
  const next = node.childNodes[offset];
  if (next && next.nodeType === Node.TEXT_NODE) return [next, 0];
  const prev = offset > 0 ? node.childNodes[offset - 1] : null;
  if (prev && prev.nodeType === Node.TEXT_NODE) return [prev, prev.length];
  return [node, offset];
}

// The runs of selected lines, each in one block and one after the other there.
function _lineRuns(lines) {
  const runs = [];
  for (const line of lines) {
    const run = runs[runs.length - 1];
    if (run && run.block === line.block && line.before && run.last.br === line.before) {
      run.last = line;
    } else {
      runs.push({ block: line.block, first: line, last: line });
    }
  }
  return runs;
}

// The second piece of an inline element that a line's edge splits: a tag's is a further passage,
// an annotation's is no mark (null: its nodes stand without it), any other element's a copy
// without the id.
function _linePiece(el) {
  if (_isAnnotation(el)) return null;
  const piece = el.cloneNode(false);
  piece.removeAttribute('id');
  if (piece.hasAttribute('data-hash')) piece.removeAttribute('data-tag');
  return piece;
}

// Splits the inline elements between the place and the block at the place; gives the place's
// index among the block's children.
function _cutToBlock(block, node, offset) {
  while (node !== block) {
    const parent = node.parentNode;
    const at = _indexIn(node);
    if (offset > 0 && offset < node.childNodes.length) {
      const piece = _linePiece(node);
      const rest = Array.from(node.childNodes).slice(offset);
      if (piece) {
        parent.insertBefore(piece, node.nextSibling);
        for (const n of rest) piece.appendChild(n);
      } else {
        const ref = node.nextSibling;
        for (const n of rest) parent.insertBefore(n, ref);
      }
    }
    offset = offset === 0 ? at : at + 1;
    node = parent;
  }
  return offset;
}

function _nodesShow(nodes) {
  if (nodes.length === 0) return false;
  const r = document.createRange();
  r.setStartBefore(nodes[0]);
  r.setEndAfter(nodes[nodes.length - 1]);
  return _rangeShows(r, true);
}

// Removes the line break and the inline elements below the block that it leaves empty (a mark
// stays, so that its record does).
function _dropBreak(br, block) {
  let node = br;
  while (node !== block && node.parentNode) {
    const parent = node.parentNode;
    parent.removeChild(node);
    if (parent === block || parent.firstChild || parent.id || parent.hasAttribute('data-hash')) {
      break;
    }
    node = parent;
  }
}

function _copyAttributes(from, to, withId) {
  for (const a of Array.from(from.attributes)) {
    if (withId || a.name !== 'id') to.setAttribute(a.name, a.value);
  }
}

function _withoutId(el) {
  const copy = el.cloneNode(false);
  copy.removeAttribute('id');
  return copy;
}

// Restyles one run of lines; false when it already has the style.
function _restyleRun(run, tag) {
  const block = run.block;
  if (block !== editor && block.tagName === tag.toUpperCase() && _STYLE_BLOCKS.has(block.tagName)) {
    return false;
  }
  const lastShows = _rangeShows(run.last.range, false);
  const before = run.first.before;
  // The line break that ends the line before the run goes, unless that line is empty (the break
  // is all there is of it); the one that ends the run goes too, unless it ends an empty line.
  const dropBefore =
    before && _rangeShows(_lineAt(before.parentNode, _indexIn(before)).range, false);
  const after = run.last.br;
  const endRange = run.last.range;
  const startRange = run.first.range;
  let endNode = endRange.endContainer;
  let endOffset = endRange.endOffset;
  if (after && !lastShows) {
    endNode = after.parentNode;
    endOffset = _indexIn(after) + 1;
  }
  const endAt = _cutToBlock(block, endNode, endOffset);
  const next = block.childNodes[endAt] || null;
  const startAt = _cutToBlock(block, startRange.startContainer, startRange.startOffset);
  const kids = Array.from(block.childNodes);
  const stop = next ? kids.indexOf(next) : kids.length;
  const group = kids.slice(startAt, stop);
  if (dropBefore && block.contains(before)) _dropBreak(before, block);
  if (after && lastShows && block.contains(after)) _dropBreak(after, block);
  const all = Array.from(block.childNodes);
  const headNodes = group.length > 0 && group[0].parentNode === block
    ? all.slice(0, all.indexOf(group[0])) : [];
  const lastOfGroup = group.length > 0 ? group[group.length - 1] : null;
  const tailNodes = lastOfGroup && lastOfGroup.parentNode === block
    ? all.slice(all.indexOf(lastOfGroup) + 1) : [];
  const head = _nodesShow(headNodes);
  const tail = _nodesShow(tailNodes);
  const made = document.createElement(tag);
  const drop = (nodes) => {
    for (const n of nodes) block.removeChild(n);
  };
  if (block === editor || !(_STYLE_BLOCKS.has(block.tagName) || block.tagName === 'LI') ||
      (block.tagName === 'LI' && !['UL', 'OL'].includes(block.parentNode.nodeName))) {
    block.insertBefore(made, group[0] || next);
    for (const n of group) made.appendChild(n);
    return true;
  }
  if (block.tagName !== 'LI') {
    if (!head && !tail) {
      _copyAttributes(block, made, true);
      block.parentNode.replaceChild(made, block);
      for (const n of all) made.appendChild(n);
      return true;
    }
    _copyAttributes(block, made, false);
    if (!head) {
      drop(headNodes);
      block.parentNode.insertBefore(made, block);
    } else {
      block.parentNode.insertBefore(made, block.nextSibling);
      if (tail) {
        const rest = _withoutId(block);
        block.parentNode.insertBefore(rest, made.nextSibling);
        for (const n of tailNodes) rest.appendChild(n);
      } else {
        drop(tailNodes);
      }
    }
    for (const n of group) made.appendChild(n);
    return true;
  }
  // A list item's run leaves the list: the list is split there.
  const list = block.parentNode;
  const following = [];
  for (let n = block.nextSibling; n; n = n.nextSibling) following.push(n);
  let restItem = null;
  if (!head) {
    drop(headNodes);
    if (tail) restItem = block;
  } else if (tail) {
    restItem = _withoutId(block);
    for (const n of tailNodes) restItem.appendChild(n);
  } else {
    drop(tailNodes);
  }
  for (const n of group) made.appendChild(n);
  list.parentNode.insertBefore(made, list.nextSibling);
  if (restItem || following.some((n) => n.nodeType === Node.ELEMENT_NODE)) {
    const restList = _withoutId(list);
    list.parentNode.insertBefore(restList, made.nextSibling);
    if (restItem) restList.appendChild(restItem);
    for (const n of following) restList.appendChild(n);
  } else {
    for (const n of following) list.removeChild(n);
  }
  if (!head && block.parentNode === list) list.removeChild(block);
  if (!list.querySelector('li')) list.parentNode.removeChild(list);
  return true;
}

// A caret where nothing stands yet (an empty note, an empty block without a line break) gets an
// empty block of the style to type in; true when it did.
function _styleEmptyLine(range, tag) {
  const line = _lineAt(range.startContainer, range.startOffset);
  const block = line.block;
  if (_rangeShows(line.range, true)) return false;
  if (block !== editor && block.tagName === tag.toUpperCase() && _STYLE_BLOCKS.has(block.tagName)) {
    return false;
  }
  const made = document.createElement(tag);
  made.appendChild(document.createElement('br'));
  if (block !== editor && _STYLE_BLOCKS.has(block.tagName) && !block.querySelector('*')) {
    _copyAttributes(block, made, true);
    block.parentNode.replaceChild(made, block);
  } else {
    const at = _cutToBlock(block, line.range.startContainer, line.range.startOffset);
    block.insertBefore(made, block.childNodes[at] || null);
  }
  const r = document.createRange();
  r.setStart(made, 0);
  r.collapse(true);
  _setRange(r);
  return true;
}

// Restyles the selected lines; true when anything changed. The selection stays on the same text.
function _restyleLines(range, tag) {
  const lines = _selectedLines(range);
  if (lines.length === 0) return range.collapsed && _styleEmptyLine(range, tag);
  const [sc, so] = _placeInText(range.startContainer, range.startOffset);
  const [ec, eo] = _placeInText(range.endContainer, range.endOffset);
  let changed = false;
  // The last run first, so that the places of those before it stay as they are.
  for (const run of _lineRuns(lines).reverse()) {
    if (_restyleRun(run, tag)) changed = true;
  }
  if (!changed) return false;
  const back = _rangeAt({ sc, so, ec, eo });
  if (_inEditor(back)) _setRange(back);
  return true;
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
  const spans = _pageEdit(() => (_wrapInSpan(range, single)
    ? [single] : _unwrapBlankRuns(_wrapRangeRuns(_shrinkRange(range), make))));
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

// White space between blocks (the source view leaves a line break between every two) is never
// shown, so a size for it means nothing: such spans are taken away again, their white space
// stays. Gives the spans left.
function _unwrapBlankRuns(spans) {
  const beside = (n) => !n || _isBlock(n) || _holdsBlock(n);
  return spans.filter((span) => {
    const blank = Array.from(span.childNodes).every(_isBlank);
    if (!blank || !beside(span.previousSibling) || !beside(span.nextSibling)) return true;
    _unwrap(span);
    return false;
  });
}
