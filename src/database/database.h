// The note store: one connection to the SQLite file with one long transaction that is
// committed (and at once reopened) after every write, so a write is durable when its call
// returns. Every database error reaches the caller as ESQLiteError.
#pragma once

#include "models.h"
#include "sqlitelib.h"

#include <QString>
#include <memory>

// The schema version this program writes; a file of a higher one is opened but never changed
// at open.
inline constexpr int32_t kCurrentSchemaVersion = 5;

class TDatabase
{
public:
    // Opens or creates the file at APath and brings its schema up to date; raises on failure
    // and then leaves no connection open.
    explicit TDatabase(const QString& APath);
    // Commits what is pending and closes the file.
    ~TDatabase();
    TDatabase(const TDatabase&) = delete;
    TDatabase& operator=(const TDatabase&) = delete;

    // Notebooks and notes.
    TNotebookArray GetNotebooks();
    int64_t CreateNotebook(const QString& AName, int64_t AParentId);
    void RenameNotebook(int64_t AId, const QString& AName);
    void DeleteNotebook(int64_t AId, bool ADeleteNotes);
    TNoteArray GetNotesByNotebook(int64_t ANotebookId, TNoteSort ASort, TNoteSortDir ADir);
    TNoteArray GetNotesByTag(int64_t ATagId, TNoteSort ASort, TNoteSortDir ADir);
    TNote GetNote(int64_t AId);
    int64_t CreateNote(int64_t ANotebookId, const QString& ATitle);
    void SaveNote(int64_t AId, const QString& ATitle, const QString& ASummary,
                  const QString& ABody);
    // A new note with its title, summary and body in one write: the row, dates and full-text
    // entry that CreateNote followed by SaveNote give, but one commit, so no empty note is
    // ever stored on its own. Returns the new id.
    int64_t CreateNoteWithBody(int64_t ANotebookId, const QString& ATitle, const QString& ASummary,
                               const QString& ABody);
    void DeleteNote(int64_t AId);
    void MoveNote(int64_t ANoteId, int64_t ANotebookId);
    // The id of the copy, or 0 when the note does not exist.
    int64_t DuplicateNote(int64_t ANoteId);
    void GetNoteDates(int64_t ANoteId, int64_t& ACreated, int64_t& AModified);

    // Note tags.
    TNoteTagArray GetAllNoteTags();
    TNoteTagArray GetNoteTagsForNote(int64_t ANoteId);
    int64_t EnsureTag(const QString& AName);
    void AddTagToNote(int64_t ANoteId, const QString& ATagName);
    void RemoveTagFromNote(int64_t ANoteId, int64_t ATagId);
    void CleanupOrphanTags();

    // Attachment, link and annotation records.
    TNoteAttachmentArray GetAttachments(int64_t ANoteId);
    int64_t AddAttachment(int64_t ANoteId, const QString& AFileName, const QString& AMimeType,
                          const QString& AFilePath, int64_t AFileSize);
    TStringArray GetAttachmentFilePaths(int64_t ANoteId);
    void DeleteAttachment(int64_t AId);
    TNoteLinkArray GetLinks(int64_t ANoteId);
    int64_t AddLink(int64_t ANoteId, const QString& AUrl, const QString& ALabel);
    void DeleteLink(int64_t AId);
    TAnnotationArray GetAnnotationsByNote(int64_t ANoteId);
    // ACreatedAt 0 stamps the record now; a record stored again keeps the stamp it had.
    int64_t CreateAnnotation(int64_t ANoteId, const QString& ASpanId, const QString& ASnippet,
                             const QString& ABody, int64_t ACreatedAt = 0);
    void UpdateAnnotation(int64_t AId, const QString& ABody);
    void DeleteAnnotation(int64_t AId);
    // Deletes the note's annotations whose span is not in AKeepSpanIds; returns how many.
    int32_t SyncAnnotations(int64_t ANoteId, const TStringArray& AKeepSpanIds);

    // Full-text search, at most 200 hits in the note list's order.
    TSearchResultArray SearchNotes(const QString& ATerm, TNoteSort ASort, TNoteSortDir ADir);

    // Settings.
    QString GetSetting(const QString& AKey, const QString& ADefault);
    void SetSetting(const QString& AKey, const QString& AValue);
    int32_t GetSettingInt(const QString& AKey, int32_t ADefault);
    void SetSettingInt(const QString& AKey, int32_t AValue);

private:
    friend class TDatabaseTestAccess;

    std::unique_ptr<TSQLQuery> NewQ();
    void RunSQL(const QString& ASQL);
    void Commit();
    void CreateSchema();
    // Returns the version the file had when it was opened.
    int32_t RunMigrations();
    void CreateIndexes(int32_t AVersion);
    bool ColumnExists(const QString& ATable, const QString& AColumn);
    int64_t NowTS();
    static QString StripHTML(const QString& AHTML);
    void Close();
    TNoteArray ReadNoteList(const QString& ASQL, const char* AParam, int64_t AValue,
                            TNoteSort ASort, TNoteSortDir ADir);

    std::unique_ptr<TSQLConnection> FConn;
    std::unique_ptr<TSQLTransaction> FTrans;
};

// The one store of the process; set by the main window while it lives.
extern TDatabase* AppDB;

// AText without leading and trailing blanks and control characters (everything up to 32).
QString TrimControls(const QString& AText);
// A new relative path "attachments/<guid><.ext>" for a stored copy of a file named AFileName:
// the GUID in lower case, the original's extension (with its dot) lower-cased.
QString NewAttachmentPath(const QString& AFileName);
