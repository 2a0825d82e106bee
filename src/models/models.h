// Plain records in which stored data crosses from the note store to the panes and the editor.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

struct TNotebook
{
    int64_t Id = 0;
    int64_t ParentId = 0; // 0 for a top-level notebook
    QString Name;
    int32_t SortOrder = 0;
    int32_t NoteCount = 0; // notes directly in this notebook
};

struct TNote
{
    int64_t Id = 0;
    int64_t NotebookId = 0;
    QString NotebookName;
    QString Title;
    QString Summary;
    QString Body; // HTML fragment
    int64_t CreatedAt = 0;
    int64_t UpdatedAt = 0;
    int32_t SortOrder = 0;
    int32_t TagCount = 0;
};

struct TNoteTag
{
    int64_t Id = 0;
    QString Name;
    int32_t NoteCount = 0;
};

struct TNoteAttachment
{
    int64_t Id = 0;
    int64_t NoteId = 0;
    QString FileName;
    QString MimeType;
    int64_t FileSize = 0;
    QString FilePath; // relative to the program folder, "/" separators; empty without a copy
    int64_t CreatedAt = 0;
};

struct TNoteLink
{
    int64_t Id = 0;
    int64_t NoteId = 0;
    QString Url;
    QString LinkLabel;
    int64_t CreatedAt = 0;
};

struct TAnnotation
{
    int64_t Id = 0;
    int64_t NoteId = 0;
    QString SpanId;
    QString Snippet;
    QString Body;
    int64_t CreatedAt = 0;
};

struct TSearchResult
{
    int64_t NoteId = 0;
    QString NoteTitle;
    int64_t NotebookId = 0;
    QString NotebookName;
    QString Snippet; // may hold "<b>" and "</b>" marks
    QString Tags;    // tag names joined by ", "
};

// An embedded highlight tag as the editor page reports it; exists only inside note bodies.
struct TEditorTag
{
    QString Id;
    QString Tag;
    QString Colour;
};

using TNotebookArray = std::vector<TNotebook>;
using TNoteArray = std::vector<TNote>;
using TNoteTagArray = std::vector<TNoteTag>;
using TNoteAttachmentArray = std::vector<TNoteAttachment>;
using TNoteLinkArray = std::vector<TNoteLink>;
using TAnnotationArray = std::vector<TAnnotation>;
using TSearchResultArray = std::vector<TSearchResult>;
using TEditorTagArray = std::vector<TEditorTag>;
using TStringArray = std::vector<QString>;

// The ordinals are stored in the settings "note_sort" and "note_sort_dir".
enum TNoteSort : int
{
    nsByModified = 0,
    nsByTitle = 1,
    nsByCreated = 2
};
enum TNoteSortDir : int
{
    nsdDesc = 0,
    nsdAsc = 1
};
enum TPaneMode : int
{
    pmNotebook = 0,
    pmTag = 1,
    pmSearch = 2
};
