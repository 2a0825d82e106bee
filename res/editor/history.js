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
  _noteAttributeOrders();
  _keepInHistory({ barrier: true });
}

// Runs a change of the page's own to the editor's document and keeps it in the history as one
// operation. hooks.after(redone) runs after it has been undone or redone.
function _pageEdit(fn, hooks) {
  if (pageEditDepth > 0) return fn();
  const before = _selectionPlace();
  _noteAttributeOrders();
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
      _noteAttributeOrders();
    }
  }
}

// The orders of the attributes of each marked element, one for each time they changed, the
// latest last. An undo or a redo (the browser's too) gives an attribute that it puts back the
// last place, so that the body would differ from what it was in that order alone; afterwards
// each element takes the latest order it had with the attributes it has now. A tag's class is
// display state, which the body never holds: it is left out.
const attributeOrders = new WeakMap();
const ORDERS_KEPT = 20;

function _orderedNames(el) {
  const names = Array.from(el.attributes, (a) => a.name);
  return el.hasAttribute('data-hash') ? names.filter((n) => n !== 'class') : names;
}

function _sameOrder(a, b) {
  return a.length === b.length && a.every((n, i) => n === b[i]);
}

// Notes the orders as they are now, before a step or after one.
function _noteAttributeOrders() {
  for (const el of editor.querySelectorAll(_MARKED_SELECTOR)) {
    const names = _orderedNames(el);
    if (names.length < 2) continue;
    const list = attributeOrders.get(el);
    if (!list) {
      attributeOrders.set(el, [names]);
    } else if (!_sameOrder(list[list.length - 1], names)) {
      list.push(names);
      if (list.length > ORDERS_KEPT) list.shift();
    }
  }
}

// After an undo or a redo: each marked element's attributes in the latest order it had them in.
function _putAttributeOrders() {
  for (const el of editor.querySelectorAll(_MARKED_SELECTOR)) {
    const list = attributeOrders.get(el);
    if (!list) continue;
    const now = _orderedNames(el);
    if (now.length < 2) continue;
    let names = null;
    for (let k = list.length - 1; k >= 0 && !names; k--) {
      const held = list[k];
      if (held.length === now.length && held.every((n) => now.includes(n))) names = held;
    }
    if (!names || _sameOrder(names, now)) continue;
    const attrs = Array.from(el.attributes);
    const byName = new Map(attrs.map((a) => [a.name, a]));
    for (const a of attrs) el.removeAttributeNode(a);
    for (const n of names) el.setAttributeNode(byName.get(n));
    if (byName.has('class') && !el.hasAttribute('class')) el.setAttributeNode(byName.get('class'));
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
  _putAttributeOrders();
  _noteAttributeOrders();
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

