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
  const names = _tagNames();
  tagsBeforeEdit = null;
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
  _settleAfterEdit(names);
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
    // New text may take a tag's first span and leave its other passages.
    const names = _tagNames();
    const hooks = {};
    hooks.tags = _pageEdit(() => {
      if (!keepHref) a.setAttribute('href', url);
      // The link's content (its marks and formatting) is replaced only when its text was changed.
      if (!text || text === linkShownText.trim()) return false;
      a.textContent = text;
      return _settleMarkIdentity(names);
    }, hooks);
    // The tag list is given again, also when the edit is undone or redone, only if it changed.
    if (hooks.tags) notifyTagsUpdated();
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
        // A link put at a caret loose in the editor's root (an empty note) goes into a paragraph.
        if (!_blockOf(a)) _wrapLooseLines(_looseRootLines());
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

