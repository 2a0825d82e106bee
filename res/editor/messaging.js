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
  // Late typing goes first: it was given before the message.
  insertLateText();
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
  insertLateText();
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
  insertLateText();
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

