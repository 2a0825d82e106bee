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
  _tellEditState(false);
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
  else if (changeTimer === null && structuralTimers.size === 0 && pendingNoticeSent) {
    // The host was told of edits that are gone now.
    _tellEditState(false);
  }
}

