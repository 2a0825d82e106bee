// The document importer: turns one HTML, Markdown, plain-text, RTF or PDF file into an HTML
// note body and a title. Free functions without state, no widgets; file errors are raised as
// EImportFileError.
#pragma once

#include <QString>
#include <stdexcept>

// A file that exists but cannot be opened or read.
class EImportFileError : public std::runtime_error
{
public:
    explicit EImportFileError(const QString& AMessage);
};

// Converts the file by its lower-cased extension (.html .htm .md .txt .rtf .pdf). Returns the
// body, or "" when the file is missing, of another type or without readable content (also an
// HTML, Markdown or text file with a NUL byte in its first 8 KB and no UTF-16 byte-order mark,
// an RTF file that does not begin with "{\rtf", and a PDF file that is not a PDF); ATitle always
// receives a title (at least the file name without folder and last extension).
QString ImportFileToHTML(const QString& AFilePath, QString& ATitle);

// The whole text file: a UTF-8 or UTF-16 byte-order mark selects that encoding; otherwise
// each well-formed UTF-8 sequence is read as UTF-8 and every other byte in code page 1252 (so
// a file without any multi-byte UTF-8 sequence is wholly code page 1252). Every line ends with
// carriage return + line feed.
QString ReadFileAsText(const QString& APath);

// Replaces & < > and the double quote by their entities; the apostrophe stays.
QString EscapeHTML(const QString& S);

// The raw content of the first element whose tag starts with ATag (ASCII case-insensitive),
// up to its end tag ("</" + ATag in any case, then a blank, a line break, "/" or ">") or the
// end of the text; "" when there is no such element.
QString ExtractTagContent(const QString& AHtml, const QString& ATag);

// AHtml without any element named ATag (ASCII case-insensitive; the name must end after ATag,
// so "styled-box" is not a "style"), each from its start up to and including its end tag (or
// to the end of the text when it is never closed).
QString RemoveTagBlocks(const QString& AHtml, const QString& ATag);

// The markup without event-handler attributes (every on<letter>... attribute inside a tag,
// wherever the tag's lines break). A "<" that is not markup is written as "&lt;", so that no
// reading of the result finds a tag this pass did not see. Lines end with CR + LF.
QString StripEventAttrs(const QString& AHtml);

// What StripEventAttrs does, and also removes the elements that load or run other content
// (script, style and iframe with their content; frame, frameset, object, embed, applet, base,
// meta, link and form, keeping what they enclose) and javascript:, vbscript: and data:
// addresses from href, src, action, formaction and xlink:href (and from the values an SVG
// animation assigns). An image keeps an embedded raster image (data:image/..., not SVG) in
// its src and srcset; a srcset holding any other script or data: address goes.
QString StripActiveContent(const QString& AHtml);

// HTML file: title from the title element of its head (character references decoded, blanks
// and line breaks made one blank), body as a browser shows it: all that follows the body's
// start tag (or the whole text), without the end tags of the body and the page; scripts,
// styles and active content removed. Both tags are found as a browser finds them, never
// inside comments or the text of scripts and other raw-text elements.
QString ImportHTML(const QString& APath, QString& ATitle);

// Markdown (and plain text) file; the first level-1 heading becomes the title.
QString ImportMarkdown(const QString& APath, QString& ATitle);

// Inline Markdown of one line: code spans, strong and emphasis, links; the rest escaped.
QString MDInline(const QString& S);

// The text of an RTF file as paragraphs, characters decoded through the document's code page;
// footnotes follow the paragraph of their mark, automatic marks numbered in order.
QString ImportRTF(const QString& APath, QString& ATitle);

// The text that a PDF file's pages show (content streams written plainly or compressed with the
// Flate filter), its lines in paragraphs; a notice paragraph for a PDF without text that can be
// read (encrypted, image-only, other filters), "" for a file that is not a PDF. Reads at most
// 10 MiB.
QString ImportPDF(const QString& APath, QString& ATitle);
