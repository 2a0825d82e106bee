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
    case 'load': loadContent(_str(msg.html), _str(msg.seq), _placeFrom(msg)); break;
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
  _tellEditState(false);
}

// Tells the host whether the editor holds a change that no report has carried yet (as soon as
// one begins, and after each report), and where the user is in the editor then: should the
// page's process end, the host knows whether typing went with it, and where to show the note.
function _tellEditState(pending) {
  pendingNoticeSent = pending;
  postToHost(_withLoad(_withPlace({ type: 'editState', pending: pending })));
}

function _noticePending() {
  if (!pendingNoticeSent) _tellEditState(true);
}

// Adds how far the editor is scrolled and where the caret is: the block of the editor's that
// holds it (its number among the editor's elements) and its offset in that block's text. A page
// started again shows the note there. Measured within the block, as a large note's typing
// cannot wait for its whole text.
function _withPlace(obj) {
  obj.scroll = Math.round(editor.scrollTop);
  const sel = window.getSelection();
  let block = sel.rangeCount > 0 ? sel.focusNode : null;
  // A caret between the editor's own children is at the end of the one before it.
  if (block === editor) block = editor.childNodes[sel.focusOffset - 1] || editor.firstChild;
  while (block && block.parentNode !== editor) block = block.parentNode;
  if (block && block.nodeType === Node.ELEMENT_NODE) {
    const r = document.createRange();
    r.setStart(block, 0);
    r.setEnd(sel.focusNode, sel.focusOffset);
    obj.block = Array.prototype.indexOf.call(editor.children, block);
    obj.caret = r.toString().length;
  }
  return obj;
}

// The place a "load" asks for (see _withPlace), with whether the editor takes the focus; null
// when it asks for none.
function _placeFrom(msg) {
  if (msg.scroll === undefined && msg.caret === undefined && msg.focus === undefined) return null;
  const number = (v) => {
    const n = _str(v) === '' ? NaN : Number(v);
    return Number.isInteger(n) && n >= 0 ? n : null;
  };
  const block = number(msg.block);
  const caret = number(msg.caret);
  return {
    scroll: Number(msg.scroll) || 0,
    block: block !== null && caret !== null ? block : null,
    caret: caret,
    focus: _str(msg.focus) === 'true',
  };
}

function _restorePlace(place) {
  if (place.focus) editor.focus();
  // The block, or the last one when there are fewer; in it the text node the offset falls in,
  // or the end of the last one.
  const blocks = editor.children;
  const block = place.block === null || blocks.length === 0 ? null
    : blocks[Math.min(place.block, blocks.length - 1)];
  if (block) {
    const walker = document.createTreeWalker(block, NodeFilter.SHOW_TEXT);
    let node = block;
    let at = 0;
    let left = place.block < blocks.length ? place.caret : Infinity;
    for (let n = walker.nextNode(); n; n = walker.nextNode()) {
      node = n;
      at = Math.min(left, n.data.length);
      if (left <= n.data.length) break;
      left -= n.data.length;
    }
    const r = document.createRange();
    r.setStart(node, at);
    r.collapse(true);
    const sel = window.getSelection();
    sel.removeAllRanges();
    sel.addRange(r);
  }
  editor.scrollTop = place.scroll;
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
  _noticePending();
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
  _noticePending();
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

