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

