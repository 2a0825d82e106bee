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

function loadContent(html, seq, place) {
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
  if (place) _restorePlace(place);
}

