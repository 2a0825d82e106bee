'use strict';

// ---------------------------------------------------------------------------------------------
// Constants
// ---------------------------------------------------------------------------------------------

const TABLE_GRID_ROWS = 8;
const TABLE_GRID_COLS = 8;

// Highlight colours of embedded tags: name, swatch title, colour.
const TAG_COLOURS = [
  ['yellow', 'Yellow', '#f5ffa2'],
  ['orange', 'Orange', '#ffd080'],
  ['green', 'Green', '#aaffa2'],
  ['teal', 'Teal', '#a0f0e8'],
  ['blue', 'Blue', '#9fd1ff'],
  ['purple', 'Purple', '#c8a0ff'],
  ['red', 'Red', '#ff8b8b'],
  ['pink', 'Pink', '#ffb0d0'],
];
const TAG_COLOUR_NAMES = TAG_COLOURS.map((c) => c[0]);

const FC_COLORS = [
  '#000000', '#333333', '#666666', '#999999', '#cccccc', '#ffffff',
  '#7a0000', '#7a3500', '#7a6200', '#2a4a00', '#002060', '#38006b',
  '#cc0000', '#e55c00', '#cc9900', '#3a7a00', '#0044aa', '#6600aa',
  '#ff3333', '#ff9933', '#ffcc33', '#55bb33', '#3388ff', '#9944ff',
];
const BC_REMOVE = 'remove';
const BC_COLORS = [
  BC_REMOVE, '#ffffff', '#f2f2f2', '#d9d9d9', '#bfbfbf', '#808080',
  '#ffff99', '#ffe599', '#ffc7c7', '#ffd6b3', '#d9f2d9', '#dae8fc',
  '#ffff00', '#ffcc00', '#ff9900', '#00b050', '#4472c4', '#9966ff',
  '#ffffcc', '#fff3cd', '#fce4d6', '#e2efda', '#dde8f0', '#ede7f6',
];

const _BLOCK_TAGS = new Set([
  'DIV', 'P', 'H1', 'H2', 'H3', 'H4', 'H5', 'H6', 'BLOCKQUOTE', 'LI', 'UL', 'OL', 'TABLE', 'TR',
  'TD', 'TH', 'THEAD', 'TBODY', 'TFOOT', 'ARTICLE', 'SECTION', 'HEADER', 'FOOTER', 'MAIN', 'NAV',
  'ASIDE', 'FIGURE',
]);
const _BLOCK_SELECTOR = Array.from(_BLOCK_TAGS).join(',');

// Elements whose children the HTML parser does not keep as they are: a span is never put there.
const _NO_SPAN_PARENTS = new Set(['TABLE', 'THEAD', 'TBODY', 'TFOOT', 'TR', 'COLGROUP', 'UL', 'OL']);

const BLOCK_NOTICE = 'Please select text within one block (a paragraph, list item or table cell).';
const OVERLAP_NOTICE = 'Please select text within one annotation or around the whole of it.';
const CHANGE_DELAY_MS = 1500;
// Typing that goes on without that pause is still reported this often.
const CHANGE_MAX_DELAY_MS = 5000;
const STRUCTURAL_DELAY_MS = 100;

// While a body is shown, attributes that would make the browser act on markup by itself (a
// refresh or other header given by a meta element, the document of an inline frame) are kept
// under an inert name; the stored and the displayed source carry the original names.
const _INERT_ATTRS = [
  ['meta', 'http-equiv', 'data-dm-inert-http-equiv'],
  ['iframe', 'srcdoc', 'data-dm-inert-srcdoc'],
];
// A style element of a body would style the page itself: while shown it carries a type that no
// style sheet has (its own type, if any, under an inert name), so the browser never applies it.
const _INERT_STYLE_TYPE = 'text/x-dm-inert';
const _INERT_STYLE_TYPE_ATTR = 'data-dm-inert-type';
const _INERT_STYLE_SELECTOR = 'style[type="' + _INERT_STYLE_TYPE + '"]';

// ---------------------------------------------------------------------------------------------
// Elements and state
// ---------------------------------------------------------------------------------------------

// The page's own elements, looked up once before any note is shown: a note body may carry ids
// that equal them.
const pageEl = {};
for (const el of document.querySelectorAll('[id]')) {
  if (!(el.id in pageEl)) pageEl[el.id] = el;
}
const editor = pageEl['editor'];
const sourceView = pageEl['source-view'];
const blockSelect = pageEl['sel-block'];
const sizeSelect = pageEl['sel-size'];

let changeTimer = null;
// Runs from the first input after a report: continuous typing is reported when it ends.
let changeDeadline = null;
let changeDeadlineAt = 0;
// The 100 ms reports of structural changes that have not gone out yet.
const structuralTimers = new Set();
// The number the host gave the load whose content the editor shows; every report names it, so
// the host saves a report into the note it was typed in.
let loadSeq = '';
// Typing in the editor that no report has carried yet (the change timer may also run for the
// source view).
let editorEditPending = false;
// Whether the host has been told, since the last report, that the editor holds a change no report
// has carried yet (see _tellEditState).
let pendingNoticeSent = false;
let lastEditorRange = null;
let savedRange = null;
let annotSavedRange = null;
let linkSavedRange = null;
let linkEditAnchor = null;
let linkShownHref = '';
let linkShownText = '';
let sourceMode = false;
let sourceShownText = '';
// Whether the source view's text was reported since the view opened, and the text whose report
// is the host's latest (null when a later report carried the editor's body).
let sourceReported = false;
let sourceReportedText = null;
let tagSelectedColour = 'yellow';
let tableCtxCell = null;

// A document without a window: markup parsed or copied here never loads, runs or navigates.
const _inertDoc = document.implementation.createHTMLDocument('');
const _tagCollator = new Intl.Collator(undefined, { sensitivity: 'base' });

