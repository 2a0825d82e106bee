// ---------------------------------------------------------------------------------------------
// Keys that arrive late
// ---------------------------------------------------------------------------------------------

// Keys can come faster than the page takes them in: a key held down, or a large note typed into
// on a busy machine, where each character is an edit of the whole editor. Left to the browser
// they would queue up for as long as they keep coming, the editor ever further behind what was
// typed and what its reports carry. So a character key that reaches the page more than
// LATE_KEY_MS after it was pressed is kept instead, with those that follow it, and they go into
// the editor together as one typing edit once the keys queued before them have been read, and
// at once before anything else reaches the page (another key, a press, a message from the host,
// a report). A held key's late repeats that give no character (deleting, moving the caret) are
// dropped: a held key repeats as often as the page can follow.
const LATE_KEY_MS = 100;
let lateText = '';
// The caret at which the kept characters were typed (a live range).
let lateTextPlace = null;
let lateTextTimer = null;

function _keyIsLate(e) {
  return performance.now() - e.timeStamp > LATE_KEY_MS;
}

// The character a key types at a caret in the editor, or null.
function _typedCharacter(e) {
  if (e.ctrlKey || e.altKey || e.metaKey || e.isComposing || e.keyCode === 229) return null;
  if (typeof e.key !== 'string' || Array.from(e.key).length !== 1) return null;
  if (sourceMode || !editor.isContentEditable || document.activeElement !== editor) return null;
  const sel = window.getSelection();
  if (sel.rangeCount === 0 || !sel.isCollapsed || !editor.contains(sel.anchorNode)) return null;
  return e.key;
}

function _lateKeyDown(e) {
  const ch = _typedCharacter(e);
  if (ch !== null && (lateText !== '' || _keyIsLate(e))) {
    e.preventDefault();
    if (lateText === '') {
      lateTextPlace = window.getSelection().getRangeAt(0).cloneRange();
      lateTextTimer = setTimeout(insertLateText, 0);
      // Kept typing is typing no report has carried yet.
      _noticePending();
    }
    lateText += ch;
    return;
  }
  insertLateText();
  if (ch === null && e.repeat && document.activeElement === editor && _keyIsLate(e)) {
    e.preventDefault();
  }
}

// Puts the characters kept so far into the editor, where they were typed, as the browser puts
// typed text.
function insertLateText() {
  clearTimeout(lateTextTimer);
  lateTextTimer = null;
  if (lateText === '') return;
  const text = lateText;
  const place = lateTextPlace;
  lateText = '';
  lateTextPlace = null;
  if (!editor.isContentEditable || !_inEditor(place)) return;
  if (document.activeElement !== editor) editor.focus();
  const sel = window.getSelection();
  const at = sel.rangeCount > 0 ? sel.getRangeAt(0) : null;
  if (!at || at.compareBoundaryPoints(Range.START_TO_START, place) !== 0 || !at.collapsed) {
    _setRange(place);
  }
  const typing = {
    inputType: 'insertText',
    data: text,
    defaultPrevented: false,
    preventDefault() {
      this.defaultPrevented = true;
    },
    getTargetRanges: () => [],
  };
  _beforeEditorInput(typing);
  if (!typing.defaultPrevented) document.execCommand('insertText', false, text);
}
