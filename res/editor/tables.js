// ---------------------------------------------------------------------------------------------
// Tables
// ---------------------------------------------------------------------------------------------

const rowsInput = pageEl['inp-rows'];
const colsInput = pageEl['inp-cols'];
const tableMenu = pageEl['table-ctx-menu'];

function _buildTableGrid() {
  const grid = pageEl['table-grid'];
  for (let r = 0; r < TABLE_GRID_ROWS; r++) {
    for (let c = 0; c < TABLE_GRID_COLS; c++) {
      const cell = document.createElement('div');
      cell.className = 'grid-cell';
      cell.dataset.row = String(r);
      cell.dataset.col = String(c);
      grid.appendChild(cell);
    }
  }
  grid.addEventListener('mousemove', (evt) => {
    const cell = evt.target.closest('.grid-cell');
    if (!cell) {
      highlightGrid(0, 0);
      return;
    }
    const r = Number(cell.dataset.row) + 1;
    const c = Number(cell.dataset.col) + 1;
    highlightGrid(r, c);
    rowsInput.value = String(r);
    colsInput.value = String(c);
  });
  grid.addEventListener('mouseleave', () => highlightGrid(0, 0));
  grid.addEventListener('click', (evt) => {
    if (evt.target.closest('.grid-cell')) confirmTableInsert();
  });
}

function highlightGrid(rows, cols) {
  pageEl['table-grid'].querySelectorAll('.grid-cell').forEach((cell) => {
    const on = Number(cell.dataset.row) < rows && Number(cell.dataset.col) < cols;
    cell.classList.toggle('marked', on);
  });
  pageEl['grid-label'].textContent =
    rows > 0 && cols > 0 ? rows + ' \u00d7 ' + cols : 'Hover to select size';
}

function openTableModal(evt) {
  if (evt) evt.preventDefault();
  saveEditorRange();
  rowsInput.value = '3';
  colsInput.value = '3';
  highlightGrid(0, 0);
  _openOverlay('modal-table');
}

function cancelTableModal() {
  _closeOverlay('modal-table');
  editor.focus();
}

function _clampInt(text, lo, hi) {
  let n = parseInt(text, 10);
  if (!n) n = 3;
  return Math.min(hi, Math.max(lo, n));
}

function confirmTableInsert() {
  const rows = _clampInt(rowsInput.value, 1, 20);
  const cols = _clampInt(colsInput.value, 1, 10);
  const striped = pageEl['chk-stripe'].checked;
  _closeOverlay('modal-table');
  restoreEditorRange();
  let html = striped ? '<table class="dm-striped"><thead><tr>' : '<table><thead><tr>';
  for (let c = 1; c <= cols; c++) html += '<th>Column ' + c + '</th>';
  html += '</tr></thead><tbody>';
  for (let r = 1; r < rows; r++) {
    html += '<tr>' + '<td><br></td>'.repeat(cols) + '</tr>';
  }
  html += '</tbody></table><p><br></p>';
  const range = _rangeCopy();
  const top = _inEditor(range) ? _inlineTop(range.endContainer) || _inlineTop(range.startContainer)
    : null;
  if (top) {
    // The browser would put the table inside the inline element that holds the caret.
    _pageEdit(() => _insertBlocksAfterInline(top, html));
  } else {
    document.execCommand('insertHTML', false, html);
  }
  _reportNow();
}

// The outermost inline element that holds the node below its block (or the editor's root).
function _inlineTop(node) {
  let top = null;
  for (let n = node; n && n !== editor && !_isBlock(n); n = n.parentNode) {
    if (n.nodeType === Node.ELEMENT_NODE) top = n;
  }
  return top && editor.contains(top) ? top : null;
}

// Blocks that the parser closes before a table or another block: they are split instead.
const _SPLIT_BLOCKS = new Set(['P', 'H1', 'H2', 'H3', 'H4', 'H5', 'H6']);

// Puts the markup's blocks right after the inline element, never inside it: a paragraph or
// heading is split there (what follows goes to a block of its own after them), any other block
// takes them as they are. An empty paragraph that ends the markup only stays when nothing
// follows. The caret goes to the start of what follows.
function _insertBlocksAfterInline(top, html) {
  const tpl = document.createElement('template');
  tpl.innerHTML = html;
  const frag = tpl.content;
  const block = top.parentNode;
  const rest = Array.from(frag.childNodes);
  let parent = block;
  let ref = top.nextSibling;
  let follows = null;
  if (block !== editor && _SPLIT_BLOCKS.has(block.tagName)) {
    parent = block.parentNode;
    ref = block.nextSibling;
    if (top.nextSibling) {
      follows = block.cloneNode(false);
      follows.removeAttribute('id');
      while (top.nextSibling) follows.appendChild(top.nextSibling);
      if (follows.textContent.trim() === '' && !follows.querySelector('*')) follows = null;
    }
  } else if (ref && (ref.nodeType !== Node.TEXT_NODE || ref.data.trim() !== '')) {
    follows = ref;
  }
  const last = rest[rest.length - 1];
  if (follows && last && last.nodeName === 'P' && last.textContent === '') frag.removeChild(last);
  if (follows && !follows.parentNode) frag.appendChild(follows);
  const caretAt = follows || frag.lastChild;
  parent.insertBefore(frag, ref);
  const r = document.createRange();
  if (_isBlock(caretAt) && caretAt.nodeName !== 'TABLE') {
    r.setStart(caretAt, 0);
  } else {
    r.setStartBefore(caretAt);
  }
  r.collapse(true);
  _setRange(r);
}

function _tableFromCell(cell) {
  const t = cell ? cell.closest('table') : null;
  return t && editor.contains(t) ? t : null;
}

function _colIndex(cell) {
  const row = cell.parentElement;
  if (!row || row.tagName !== 'TR') return -1;
  return Array.prototype.indexOf.call(row.cells, cell);
}

function _hideTableCtxMenu() {
  tableMenu.classList.remove('open');
  tableCtxCell = null;
}

function _ctxCell() {
  return tableCtxCell && tableCtxCell.isConnected && _tableFromCell(tableCtxCell)
    ? tableCtxCell : null;
}

function _afterTableOp() {
  _hideTableCtxMenu();
  _reportSoon();
}

function tableInsertRow(above) {
  _pageEdit(() => _tableInsertRow(above));
}

function _tableInsertRow(above) {
  const cell = _ctxCell();
  if (!cell) return;
  const row = cell.parentElement;
  const tr = document.createElement('tr');
  for (let i = 0; i < row.cells.length; i++) {
    const td = document.createElement('td');
    td.appendChild(document.createElement('br'));
    tr.appendChild(td);
  }
  row.parentNode.insertBefore(tr, above ? row : row.nextSibling);
  _afterTableOp();
}

function tableInsertCol(left) {
  _pageEdit(() => _tableInsertCol(left));
}

function _tableInsertCol(left) {
  const cell = _ctxCell();
  if (!cell) return;
  const idx = _colIndex(cell);
  const table = _tableFromCell(cell);
  if (idx < 0) return;
  for (const row of Array.from(table.rows)) {
    const ref = row.cells[idx];
    if (!ref) continue;
    let fresh;
    if (row.parentElement && row.parentElement.tagName === 'THEAD') {
      fresh = document.createElement('th');
      fresh.textContent = 'Column';
    } else {
      fresh = document.createElement('td');
      fresh.appendChild(document.createElement('br'));
    }
    row.insertBefore(fresh, left ? ref : ref.nextSibling);
  }
  _afterTableOp();
}

function tableToggleStripe() {
  _pageEdit(_tableToggleStripe);
}

function _tableToggleStripe() {
  const table = _tableFromCell(_ctxCell());
  if (!table) return;
  table.classList.toggle('dm-striped');
  if (table.getAttribute('class') === '') table.removeAttribute('class');
  _afterTableOp();
}

// A deletion in a table may take a tag's first span and leave its other passages: the first of
// those becomes the tag's first span (see _markIdentityFixes), in the same step.
function _deleteInTable(fn) {
  const names = _tagNames();
  const settled = () => {
    fn();
    return _settleMarkIdentity(names);
  };
  _editWithTags(settled);
}

function tableDeleteRow() {
  _deleteInTable(_tableDeleteRow);
}

function _tableDeleteRow() {
  const cell = _ctxCell();
  if (!cell) return;
  const table = _tableFromCell(cell);
  if (table.rows.length <= 1) {
    _tableDeleteTable();
    return;
  }
  cell.parentElement.remove();
  _afterTableOp();
}

function tableDeleteCol() {
  _deleteInTable(_tableDeleteCol);
}

function _tableDeleteCol() {
  const cell = _ctxCell();
  if (!cell) return;
  const table = _tableFromCell(cell);
  const first = table.rows[0];
  if (!first || first.cells.length <= 1) {
    _tableDeleteTable();
    return;
  }
  const idx = _colIndex(cell);
  if (idx < 0) return;
  for (const row of Array.from(table.rows)) {
    if (row.cells[idx]) row.cells[idx].remove();
  }
  _afterTableOp();
}

function tableDeleteTable() {
  _deleteInTable(_tableDeleteTable);
}

function _tableDeleteTable() {
  const table = _tableFromCell(_ctxCell());
  if (!table) return;
  const p = document.createElement('p');
  p.appendChild(document.createElement('br'));
  table.parentNode.insertBefore(p, table.nextSibling);
  table.remove();
  editor.focus();
  try {
    const r = document.createRange();
    r.setStart(p, 0);
    r.collapse(true);
    const sel = window.getSelection();
    sel.removeAllRanges();
    sel.addRange(r);
  } catch (e) {
    // The caret is a convenience only.
  }
  _afterTableOp();
}

function _openTableCtxMenu(evt, cell) {
  evt.preventDefault();
  tableCtxCell = cell;
  const left = Math.max(0, Math.min(evt.clientX, window.innerWidth - 185));
  const top = Math.max(0, Math.min(evt.clientY, window.innerHeight - 280));
  tableMenu.style.left = left + 'px';
  tableMenu.style.top = top + 'px';
  tableMenu.classList.add('open');
}

const _TABLE_OPS = {
  rowAbove: () => tableInsertRow(true),
  rowBelow: () => tableInsertRow(false),
  colLeft: () => tableInsertCol(true),
  colRight: () => tableInsertCol(false),
  stripe: tableToggleStripe,
  delRow: tableDeleteRow,
  delCol: tableDeleteCol,
  delTable: tableDeleteTable,
};

