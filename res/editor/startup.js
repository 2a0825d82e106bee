// ---------------------------------------------------------------------------------------------
// Start-up
// ---------------------------------------------------------------------------------------------

function _onMouseDown(id, handler) {
  pageEl[id].addEventListener('mousedown', handler);
}

function _attachListeners() {
  // Toolbar: buttons act on press so the editor keeps its selection.
  _onMouseDown('btn-bold', (e) => fmtCmd(e, 'bold'));
  _onMouseDown('btn-italic', (e) => fmtCmd(e, 'italic'));
  _onMouseDown('btn-underline', (e) => fmtCmd(e, 'underline'));
  _onMouseDown('btn-left', (e) => fmtCmd(e, 'justifyLeft'));
  _onMouseDown('btn-center', (e) => fmtCmd(e, 'justifyCenter'));
  _onMouseDown('btn-right', (e) => fmtCmd(e, 'justifyRight'));
  _onMouseDown('btn-ul', (e) => fmtCmd(e, 'insertUnorderedList'));
  _onMouseDown('btn-ol', (e) => fmtCmd(e, 'insertOrderedList'));
  _onMouseDown('btn-forecolor', (e) => colorBtnDown(e, 'fore'));
  _onMouseDown('btn-backcolor', (e) => colorBtnDown(e, 'back'));
  _onMouseDown('btn-table', openTableModal);
  _onMouseDown('btn-link', openLinkModal);
  _onMouseDown('btn-source', toggleSourceView);
  blockSelect.addEventListener('change', () => applyBlockFormat(blockSelect.value));
  sizeSelect.addEventListener('change', () => applyFontSize(sizeSelect.value));

  // Selection preservation.
  document.addEventListener('selectionchange', () => {
    saveEditorRange();
    updateToolbarState();
  });
  editor.addEventListener('blur', () => {
    if (historyBusy) return;
    try {
      const sel = window.getSelection();
      if (sel.rangeCount > 0 && !sel.isCollapsed && editor.contains(sel.anchorNode)) {
        const r = sel.getRangeAt(0);
        savedRange = r.cloneRange();
        annotSavedRange = r.cloneRange();
      }
    } catch (e) {
      // Ignored: the earlier ranges stay.
    }
  });

  // Editing and reporting.
  // Before the join, which leaves a collapsed caret of its own.
  editor.addEventListener('paste', () => {
    tagsAtPaste = _tagNames();
  });
  editor.addEventListener('paste', _noteMarksForPaste);
  editor.addEventListener('paste', _joinForPaste);
  editor.addEventListener('beforeinput', (e) => {
    if (e.inputType !== 'insertFromPaste') {
      pasteJoin = null;
      pasteMarks = null;
    }
    const pasting = _PASTE_INPUTS.has(e.inputType);
    marksBeforePaste = pasting ? new Set(editor.querySelectorAll(_MARKED_SELECTOR)) : null;
    // A paste inside a mark splits it as a new paragraph does.
    marksBeforePasteSplit = pasting && _caretInMark() ? _marksWithIds() : null;
    inlineHoldersBeforePaste = pasting ? _inlineBlockHolders() : null;
    marksBeforeSplit = e.inputType === 'insertParagraph' && _caretInMark() ? _marksWithIds() : null;
    // Text typed at a caret only adds characters to a text node, so no mark can change: the
    // whole-note scans before and after it would cost a large note its typing speed.
    const typedAtCaret = e.inputType === 'insertText' && window.getSelection().isCollapsed;
    tagsBeforeEdit = { type: e.inputType, names: typedAtCaret ? null : _tagNames() };
    if (e.inputType === 'insertFromPaste' && tagsAtPaste) {
      for (const [hash, name] of tagsAtPaste) {
        if (!tagsBeforeEdit.names.has(hash)) tagsBeforeEdit.names.set(hash, name);
      }
    }
    tagsAtPaste = null;
    if (_joinsNothing(e)) {
      e.preventDefault();
      return;
    }
    const join = _markedJoinRange(e);
    if (join) {
      marksBeforeSplit = null;
      const names = tagsBeforeEdit.names;
      tagsBeforeEdit = null;
      e.preventDefault();
      const joined = () => {
        _joinLines(join, e.inputType, e.inputType === 'insertText' ? e.data : '');
        return _settleMarkIdentity(names);
      };
      if (_pageEdit(joined, { tags: true })) notifyTagsUpdated();
      editorEditPending = true;
      _restartChangeTimer();
    }
  });
  editor.addEventListener('input', (e) => {
    // Only an input the page saw coming is the browser's own edit (the page's commands fire none).
    const edit = tagsBeforeEdit && tagsBeforeEdit.type === e.inputType ? tagsBeforeEdit : null;
    tagsBeforeEdit = null;
    const names = edit && edit.names ? edit.names : new Map();
    if (_PASTE_INPUTS.has(e.inputType) && marksBeforePaste) {
      const before = marksBeforePaste;
      const splitMarks = marksBeforePasteSplit;
      const holders = inlineHoldersBeforePaste;
      marksBeforePaste = null;
      marksBeforePasteSplit = null;
      inlineHoldersBeforePaste = null;
      // Undone and redone together with the paste it completes.
      // Compared without display state, which showing tags changes in between.
      const hooks = { chain: true, chainHtml: getCleanHTML(), tags: true };
      const settle = () => {
        if (e.inputType === 'insertFromPaste') {
          _joinAfterPaste();
          _restorePastedOverMarks();
        }
        let tags = _settlePastedMarks(before);
        if (splitMarks && _settleSplitMarks(splitMarks)) tags = true;
        if (holders) _liftPastedBlocks(holders);
        // A paste over a selection that reaches into a table leaves its text loose in the root.
        _wrapLooseLines(_looseRootLines());
        return _settleMarkIdentity(names) || tags;
      };
      if (_pageEdit(settle, hooks)) notifyTagsUpdated();
    } else if (e.inputType === 'insertParagraph' && marksBeforeSplit) {
      const before = marksBeforeSplit;
      marksBeforeSplit = null;
      // Undone and redone together with the new paragraph it completes.
      const hooks = { chain: true, chainHtml: getCleanHTML(), tags: true };
      const settle = () => {
        const split = _settleSplitMarks(before);
        return _settleMarkIdentity(names) || split;
      };
      if (_pageEdit(settle, hooks)) notifyTagsUpdated();
    } else if (edit && (edit.names || _typedLoose()) && e.inputType !== 'historyUndo' &&
      e.inputType !== 'historyRedo') {
      _settleAfterEdit(names);
    } else if (historySkipping && !historyBusy && e.inputType.startsWith('history')) {
      historySkipReached = editor;
    } else if (e.inputType === 'historyRedo' && !historyBusy) {
      _redoChained();
    } else if (e.inputType === 'historyUndo' && !historyBusy) {
      _undoChained();
    }
    editorEditPending = true;
    _restartChangeTimer();
  });
  editor.addEventListener('keydown', (e) => {
    if (!(e.ctrlKey || e.metaKey) || e.shiftKey || e.altKey) return;
    const cmds = { b: 'bold', i: 'italic', u: 'underline', l: 'justifyLeft', e: 'justifyCenter',
      r: 'justifyRight' };
    const k = String(e.key).toLowerCase();
    if (cmds[k]) {
      e.preventDefault();
      const names = _tagNames();
      tagsBeforeEdit = null;
      document.execCommand(cmds[k], false, null);
      _settleAfterEdit(names);
      updateToolbarState();
    } else if (k === 'k') {
      e.preventDefault();
      openLinkModal();
    }
  });
  editor.addEventListener('click', (e) => {
    // Links inside a note (image map areas too) are never followed inside the editor's own
    // window.
    const target = e.target.nodeType === Node.ELEMENT_NODE ? e.target : e.target.parentElement;
    const link = target ? target.closest('a, area') : null;
    if (link) {
      e.preventDefault();
      // In view mode a web link opens in the user's browser, never in place of the page.
      if (!editor.isContentEditable && /^https?:$/i.test(link.protocol || '')) {
        postToHost({ type: 'openLink', url: link.href });
      }
    }
    for (let n = e.target; n && n !== editor; n = n.parentNode) {
      if (n.nodeType === Node.ELEMENT_NODE && n.classList.contains('dm-annot') && n.id) {
        postToHost(_withLoad({ type: 'annotationSpanClicked', spanId: n.id }));
        break;
      }
    }
  });
  editor.addEventListener('auxclick', (e) => {
    const target = e.target.nodeType === Node.ELEMENT_NODE ? e.target : e.target.parentElement;
    if (target && target.closest('a, area')) e.preventDefault();
  });
  editor.addEventListener('animationend', (e) => {
    const el = e.target;
    if (el.hasAttribute('data-hash') && /-fade$/.test(el.getAttribute('class') || '')) {
      el.removeAttribute('class');
    } else if (el.classList.contains('dm-annot-flash')) {
      el.classList.remove('dm-annot-flash');
      if (el.getAttribute('class') === '') el.removeAttribute('class');
    }
  });
  editor.addEventListener('contextmenu', (e) => {
    const el = e.target.nodeType === Node.ELEMENT_NODE ? e.target : e.target.parentElement;
    const cell = el ? el.closest('td, th') : null;
    if (cell && editor.contains(cell) && editor.isContentEditable) _openTableCtxMenu(e, cell);
  });

  // The marks' attribute orders, noted before and after each step of the editor's and put back
  // after each undo and redo; text typed at a caret changes no attribute.
  document.addEventListener('beforeinput', (e) => {
    if (e.target !== editor) return;
    if (e.inputType !== 'insertText' || !window.getSelection().isCollapsed) _noteAttributeOrders();
  }, true);
  document.addEventListener('input', (e) => {
    if (e.target !== editor || e.inputType === 'insertText') return;
    if (e.inputType === 'historyUndo' || e.inputType === 'historyRedo') _putAttributeOrders();
    _noteAttributeOrders();
  }, true);

  // The editing history: the mark's edits stand for the page's own changes.
  document.addEventListener('beforeinput', (e) => {
    if (e.inputType === 'historyUndo' || e.inputType === 'historyRedo') {
      if (historyBroken) {
        e.preventDefault();
        return;
      }
      historyFocus = document.activeElement;
      historyRange = _rangeCopy();
    }
  }, true);
  document.addEventListener('input', (e) => {
    // A step of the browser's own ends what could be redone.
    if (!historyBusy && e.inputType !== 'historyUndo' && e.inputType !== 'historyRedo') {
      pageUndone.length = 0;
    }
    if ((e.inputType === 'historyUndo' || e.inputType === 'historyRedo') && _outOfSight(e.target)) {
      // An undo or a redo that changes nothing the user sees goes on to the next step. The
      // browser runs no command inside another's, so the steps are taken one after the other.
      if (historySkipping) {
        historySkipAgain = true;
        return;
      }
      historySkipping = true;
      try {
        do {
          historySkipAgain = false;
          historySkipReached = null;
          document.execCommand(e.inputType === 'historyUndo' ? 'undo' : 'redo', false, null);
          // What the step reached does its own part here, where it may run commands itself.
          const reached = historySkipReached;
          historySkipReached = null;
          if (reached === undoMark) {
            if (e.inputType === 'historyUndo') _undoPageEdit();
            else _redoPageEdit();
          } else if (reached === editor) {
            if (e.inputType === 'historyUndo') _undoChained();
            else _redoChained();
          }
        } while (historySkipAgain);
      } finally {
        historySkipping = false;
      }
      if (_outOfSight(document.activeElement)) _restoreFocus(historyFocus, historyRange);
    }
  }, true);
  undoMark.addEventListener('input', (e) => {
    if (historyBusy) return;
    if (historySkipping) historySkipReached = undoMark;
    else if (e.inputType === 'historyUndo') _undoPageEdit();
    else if (e.inputType === 'historyRedo') _redoPageEdit();
  });

  // Presses elsewhere close the pickers and the table menu; Escape closes the pickers.
  document.addEventListener('mousedown', (e) => {
    closeColorPickers();
    if (tableMenu.classList.contains('open') && !tableMenu.contains(e.target)) {
      _hideTableCtxMenu();
    }
  });
  document.addEventListener('keydown', (e) => {
    if (e.key === 'Escape') closeColorPickers();
  });

  // Table context menu.
  tableMenu.addEventListener('mousedown', (e) => e.preventDefault());
  tableMenu.querySelectorAll('.ctx-item').forEach((item) => {
    item.addEventListener('click', () => _TABLE_OPS[item.dataset.op]());
  });

  // Dialog overlays: a press on the darkened area cancels.
  const overlayCancel = {
    'modal-table': cancelTableModal,
    'modal-link': cancelLinkModal,
    'modal-tag': cancelTagModal,
    'modal-annot': cancelAnnotModal,
  };
  for (const [id, cancel] of Object.entries(overlayCancel)) {
    const overlay = pageEl[id];
    overlay.addEventListener('mousedown', (e) => {
      if (e.target === overlay) cancel();
    });
  }

  // Table dialog.
  pageEl['btn-table-cancel'].addEventListener('click', cancelTableModal);
  pageEl['btn-table-insert'].addEventListener('click', confirmTableInsert);

  // Link dialog.
  pageEl['btn-link-cancel'].addEventListener('click', cancelLinkModal);
  pageEl['btn-link-ok'].addEventListener('click', confirmLinkInsert);
  pageEl['btn-link-remove'].addEventListener('click', removeLink);
  linkUrlInput.addEventListener('keydown', (e) => {
    if (e.key === 'Enter') {
      e.preventDefault();
      linkTextInput.focus();
    } else if (e.key === 'Escape') {
      e.preventDefault();
      cancelLinkModal();
    }
  });
  linkTextInput.addEventListener('keydown', (e) => {
    if (e.key === 'Enter') {
      e.preventDefault();
      confirmLinkInsert();
    } else if (e.key === 'Escape') {
      e.preventDefault();
      cancelLinkModal();
    }
  });

  // Tag dialog.
  pageEl['btn-tag-cancel'].addEventListener('click', cancelTagModal);
  pageEl['btn-tag-ok'].addEventListener('click', confirmTagInsert);
  tagNameInput.addEventListener('keydown', (e) => {
    if (e.key === 'Enter') {
      e.preventDefault();
      confirmTagInsert();
    } else if (e.key === 'Escape') {
      e.preventDefault();
      cancelTagModal();
    }
  });

  // Annotation dialog.
  pageEl['btn-annot-cancel'].addEventListener('click', cancelAnnotModal);
  pageEl['btn-annot-ok'].addEventListener('click', confirmAnnotInsert);
  annotBodyInput.addEventListener('keydown', (e) => {
    if (e.key === 'Escape') {
      e.preventDefault();
      cancelAnnotModal();
    }
  });

  // Nothing dropped, submitted or chosen from the browser's own menu replaces the page: files
  // dropped on it are refused, forms never submit, and the browser's menu (with its reload)
  // appears only over text that can be edited.
  const refuseFiles = (e) => {
    const types = e.dataTransfer ? Array.from(e.dataTransfer.types || []) : [];
    if (types.includes('Files')) {
      e.preventDefault();
      if (e.type === 'dragover') e.dataTransfer.dropEffect = 'none';
    }
  };
  document.addEventListener('dragover', refuseFiles, true);
  document.addEventListener('drop', refuseFiles, true);
  document.addEventListener('submit', (e) => e.preventDefault(), true);
  document.addEventListener('contextmenu', (e) => {
    const el = e.target.nodeType === Node.ELEMENT_NODE ? e.target : e.target.parentElement;
    const editable = el && (el.isContentEditable || el === sourceView || el.closest('input, textarea'));
    if (!editable) e.preventDefault();
  });
  // A page that goes away (a reload) reports what it still holds first.
  window.addEventListener('pagehide', flushPendingReport);

  // The host's marker key (F13 with Ctrl, Alt and Shift) after input it delivered late: it
  // comes after every key sent before it, so its answer tells the host that those keys are in
  // the editor.
  const isInputMark = (e) => e.key === 'F13' && e.ctrlKey && e.altKey && e.shiftKey;
  window.addEventListener('keydown', (e) => {
    if (!isInputMark(e)) return;
    e.preventDefault();
    e.stopImmediatePropagation();
    postToHost({ type: 'inputRead' });
  }, true);
  window.addEventListener('keyup', (e) => {
    if (!isInputMark(e)) return;
    e.preventDefault();
    e.stopImmediatePropagation();
  }, true);

  // Source view: its edits are reported like the editor's.
  sourceView.addEventListener('input', _restartChangeTimer);

  // Source view keys.
  sourceView.addEventListener('keydown', (e) => {
    if (e.key === 'Escape') {
      e.preventDefault();
      exitSourceView(false);
    } else if (e.key === 'Enter' && (e.ctrlKey || e.metaKey)) {
      e.preventDefault();
      exitSourceView(true);
    }
  });

  // Messages from the host.
  const wv = window.chrome && window.chrome.webview;
  if (wv && typeof wv.addEventListener === 'function') {
    wv.addEventListener('message', (e) => {
      try {
        handleFromHost(JSON.parse(e.data));
      } catch (err) {
        console.error('WebView2 message parse error:', err);
      }
    });
  }

  // The web font never holds up the page: its style sheet applies once it has arrived.
  const webfont = pageEl['webfont'];
  if (webfont.sheet) webfont.media = 'all';
  else webfont.addEventListener('load', () => { webfont.media = 'all'; });
}

_buildTableGrid();
_buildTagSwatches();
_attachListeners();
postToHost({ type: 'ready' });
buildColorPickers();
updateToolbarState();
