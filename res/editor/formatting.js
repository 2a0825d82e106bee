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
