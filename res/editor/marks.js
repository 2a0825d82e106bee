// ---------------------------------------------------------------------------------------------
// Embedded tags
// ---------------------------------------------------------------------------------------------

const tagNameInput = pageEl['inp-tagname'];

function _buildTagSwatches() {
  const box = pageEl['tag-swatches'];
  for (const [name, title, hex] of TAG_COLOURS) {
    const sw = document.createElement('div');
    sw.className = 'tag-swatch';
    sw.dataset.colour = name;
    sw.title = title;
    sw.style.background = hex;
    sw.addEventListener('click', () => selectTagColour(name));
    box.appendChild(sw);
  }
}

function openTagModal() {
  if (!_usable(savedRange)) {
    savedRange = _usable(lastEditorRange) ? lastEditorRange.cloneRange() : null;
  }
  if (!savedRange) {
    window.alert('Please select some text in the note before inserting a tag.');
    return;
  }
  tagNameInput.value = '';
  tagNameInput.style.borderColor = '';
  selectTagColour('yellow');
  pageEl['chk-apply'].checked = false;
  _openOverlay('modal-tag');
  setTimeout(() => tagNameInput.focus(), 250);
}

function selectTagColour(colour) {
  tagSelectedColour = colour;
  pageEl['tag-swatches'].querySelectorAll('.tag-swatch').forEach((sw) => {
    sw.classList.toggle('selected', sw.dataset.colour === colour);
  });
}

function cancelTagModal() {
  _closeOverlay('modal-tag');
  savedRange = null;
  editor.focus();
}

function confirmTagInsert() {
  const name = tagNameInput.value.trim();
  if (!name) {
    tagNameInput.focus();
    tagNameInput.style.borderColor = '#cc0000';
    return;
  }
  tagNameInput.style.borderColor = '';
  if (!_usable(savedRange)) {
    cancelTagModal();
    return;
  }
  const range = savedRange;
  const applyNow = pageEl['chk-apply'].checked;
  _pageEdit(() => _createTag(range, name, tagSelectedColour, applyNow), { tags: true });
  _closeOverlay('modal-tag');
  savedRange = null;
  editor.focus();
  notifyTagsUpdated();
  _reportSoon();
}

function showTag(id, colour) {
  const spans = _tagSpans(id);
  if (spans.length === 0) return;
  const cls = _colourName(colour);
  spans.forEach((el) => { el.className = cls; });
  spans[0].scrollIntoView({ behavior: 'smooth', block: 'center' });
}

function fadeTag(id, colour) {
  const spans = _tagSpans(id);
  if (spans.length === 0) return;
  const cls = _colourName(colour) + '-fade';
  spans.forEach((el) => {
    el.removeAttribute('class');
    void el.offsetWidth; // restarts the animation when the span was fading already
    el.className = cls;
  });
  spans[0].scrollIntoView({ behavior: 'smooth', block: 'center' });
}

function hideTag(id) {
  _tagSpans(id).forEach((el) => el.removeAttribute('class'));
}

function showAllTags() {
  editor.querySelectorAll('[data-hash]').forEach((el) => {
    el.className = _colourName(el.getAttribute('data-colour') || 'yellow');
  });
}

function hideAllTags() {
  editor.querySelectorAll('[data-hash]').forEach((el) => el.removeAttribute('class'));
}

function _byColour(colour) {
  return Array.from(editor.querySelectorAll('[data-colour]')).filter(
    (el) => el.getAttribute('data-colour') === colour);
}

function showColour(colour) {
  const cls = _colourName(colour);
  _byColour(colour).forEach((el) => { el.className = cls; });
}

function hideColour(colour) {
  _byColour(colour).forEach((el) => el.removeAttribute('class'));
}

function removeTag(id) {
  _pageEdit(() => _tagSpans(id).forEach(_unwrap), { tags: true });
  notifyTagsUpdated();
  _reportSoon();
}

function renameTag(id, newName) {
  const el = _inEditorById(id);
  if (!el || !newName) return;
  _pageEdit(() => el.setAttribute('data-tag', newName), { tags: true });
  notifyTagsUpdated();
  _reportSoon();
}

function recolourTag(id, colour) {
  const spans = _tagSpans(id);
  if (spans.length === 0) return;
  const oldCls = _colourName(spans[0].getAttribute('data-colour') || 'yellow');
  const newCls = _colourName(colour);
  _pageEdit(() => spans.forEach((el) => {
    el.setAttribute('data-colour', colour);
    const cls = el.getAttribute('class');
    if (cls === oldCls) el.className = newCls;
    else if (cls === oldCls + '-fade') el.className = newCls + '-fade';
  }), { tags: true });
  notifyTagsUpdated();
  _reportSoon();
}

// ---------------------------------------------------------------------------------------------
// Annotations
// ---------------------------------------------------------------------------------------------

const annotBodyInput = pageEl['inp-annot-body'];

function openAnnotModal() {
  if (!_usable(annotSavedRange)) {
    annotSavedRange = _usable(lastEditorRange) ? lastEditorRange.cloneRange() : null;
  }
  if (!annotSavedRange) {
    window.alert('Please select some text in the note before adding an annotation.');
    return;
  }
  const notice = _spanWrapNotice(annotSavedRange);
  if (notice) {
    annotSavedRange = null;
    window.alert(notice);
    return;
  }
  const text = annotSavedRange.toString().trim();
  const shown = text.length > 80 ? text.substring(0, 80) + '\u2026' : text;
  pageEl['annot-snippet'].textContent = text ? '\u201c' + shown + '\u201d' : '';
  annotBodyInput.value = '';
  _openOverlay('modal-annot');
  setTimeout(() => annotBodyInput.focus(), 250);
}

function cancelAnnotModal() {
  _closeOverlay('modal-annot');
  annotSavedRange = null;
  editor.focus();
}

function confirmAnnotInsert() {
  if (!_usable(annotSavedRange)) {
    cancelAnnotModal();
    return;
  }
  const body = annotBodyInput.value.trim();
  const snippet = annotSavedRange.toString().trim().substring(0, 200);
  const span = document.createElement('span');
  span.setAttribute('id', _makeAnnotId());
  span.setAttribute('class', 'dm-annot');
  const range = annotSavedRange;
  _closeOverlay('modal-annot');
  annotSavedRange = null;
  const created = () => postToHost(
    _withLoad({ type: 'annotationCreated', spanId: span.id, snippet: snippet, body: body }));
  // Undone, the span is gone from the body the host is given at once (and with it the record);
  // redone, the record is made again.
  const hooks = {
    after: (redone) => {
      _reportNow();
      if (redone) created();
    },
  };
  editor.focus();
  if (!_pageEdit(() => {
    const wrapped = _wrapInSpan(range, span);
    if (wrapped) _selectContents(span);
    return wrapped;
  }, hooks)) {
    window.alert(_spanWrapNotice(range) || BLOCK_NOTICE);
    return;
  }
  // The body holding the new span goes first, so a save in between keeps the annotation.
  _reportNow();
  created();
}

function scrollToAnnotation(spanId) {
  const el = _inEditorById(spanId);
  if (!el) return;
  el.scrollIntoView({ behavior: 'smooth', block: 'center' });
  el.classList.remove('dm-annot-flash');
  void el.offsetWidth; // restarts the flash
  el.classList.add('dm-annot-flash');
}

function removeAnnotSpan(spanId) {
  const el = _inEditorById(spanId);
  if (!el) return;
  _unwrap(el);
  // Its record is gone: undo never brings back the span alone.
  _historyBarrier();
  _reportSoon();
}

