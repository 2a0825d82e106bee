#include "database.h"
#include "filename.h"

#include "filecopy.h"
#include "programfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

TNotebookArray TDatabase::GetNotebooks()
{
    TNotebookArray result;
    auto q = NewQ();
    q->SetSQL(QStringLiteral(
        "SELECT nb.id, nb.parent_id, nb.name, nb.sort_order,   (SELECT COUNT(*) FROM notes WHERE "
        "notebook_id=nb.id) AS note_count FROM notebooks nb ORDER BY nb.parent_id, nb.sort_order, "
        "nb.name"));
    q->Open();
    while (!q->Eof()) {
        TNotebook nb;
        nb.Id = q->AsInt64("id");
        nb.ParentId = q->AsInt64("parent_id");
        nb.Name = q->AsText("name");
        nb.SortOrder = q->AsInt32("sort_order");
        nb.NoteCount = q->AsInt32("note_count");
        result.push_back(std::move(nb));
        q->Next();
    }
    return result;
}

int64_t TDatabase::CreateNotebook(const QString& AName, int64_t AParentId)
{
    auto q = NewQ();
    q->SetSQL(QStringLiteral("INSERT INTO notebooks (parent_id, name, sort_order, created_at, "
                             "updated_at) VALUES (:pid, :name, 0, :ts, :ts)"));
    q->BindInt("pid", AParentId);
    q->BindText("name", AName);
    q->BindInt("ts", NowTS());
    q->ExecSQL();
    Commit();
    return FConn->LastInsertRowId();
}

void TDatabase::RenameNotebook(int64_t AId, const QString& AName)
{
    auto q = NewQ();
    q->SetSQL(QStringLiteral("UPDATE notebooks SET name=:name, updated_at=:ts WHERE id=:id"));
    q->BindText("name", AName);
    q->BindInt("ts", NowTS());
    q->BindInt("id", AId);
    q->ExecSQL();
    Commit();
}

void TDatabase::DeleteNotebook(int64_t AId, bool ADeleteNotes)
{
    static const char* const deps[] = {
        "DELETE FROM annotations WHERE note_id IN (SELECT id FROM notes WHERE notebook_id=:id)",
        "DELETE FROM note_links WHERE note_id IN (SELECT id FROM notes WHERE notebook_id=:id)",
        "DELETE FROM attachments WHERE note_id IN (SELECT id FROM notes WHERE notebook_id=:id)",
        "DELETE FROM note_note_tags WHERE note_id IN (SELECT id FROM notes WHERE notebook_id=:id)",
        "DELETE FROM notes WHERE notebook_id=:id"};
    auto q = NewQ();
    if (ADeleteNotes) {
        for (const char* s : deps) {
            q->SetSQL(QString::fromUtf8(s));
            q->BindInt("id", AId);
            q->ExecSQL();
        }
    }
    q->SetSQL(QStringLiteral("DELETE FROM notebooks WHERE id=:id"));
    q->BindInt("id", AId);
    q->ExecSQL();
    Commit();
}

TNoteArray TDatabase::ReadNoteList(const QString& ASQL, const char* AParam, int64_t AValue,
                                   TNoteSort ASort, TNoteSortDir ADir)
{
    QString sortTerm;
    switch (ASort) {
    case nsByModified:
        sortTerm = QStringLiteral("n.updated_at ");
        break;
    case nsByCreated:
        sortTerm = QStringLiteral("n.created_at ");
        break;
    default:
        sortTerm = QStringLiteral("n.title COLLATE NOCASE ");
        break;
    }
    const QString dir = ADir == nsdDesc ? QStringLiteral("DESC") : QStringLiteral("ASC");
    TNoteArray result;
    auto q = NewQ();
    q->SetSQL(ASQL + sortTerm + dir);
    q->BindInt(AParam, AValue);
    q->Open();
    while (!q->Eof()) {
        TNote n;
        n.Id = q->AsInt64("id");
        n.NotebookId = q->AsInt64("notebook_id");
        n.NotebookName = q->AsText("notebook_name");
        n.Title = q->AsText("title");
        n.Summary = q->AsText("summary");
        n.CreatedAt = q->AsInt64("created_at");
        n.UpdatedAt = q->AsInt64("updated_at");
        n.TagCount = q->AsInt32("tag_count");
        result.push_back(std::move(n));
        q->Next();
    }
    return result;
}

TNoteArray TDatabase::GetNotesByNotebook(int64_t ANotebookId, TNoteSort ASort, TNoteSortDir ADir)
{
    return ReadNoteList(
        QStringLiteral("SELECT n.id, n.notebook_id, nb.name as notebook_name, n.title,        "
                       "n.summary, n.created_at, n.updated_at, n.sort_order,        (SELECT "
                       "COUNT(*) FROM note_note_tags nt WHERE nt.note_id=n.id) as tag_count FROM "
                       "notes n JOIN notebooks nb ON nb.id=n.notebook_id WHERE n.notebook_id=:nbid "
                       "ORDER BY "),
        "nbid", ANotebookId, ASort, ADir);
}

TNoteArray TDatabase::GetNotesByTag(int64_t ATagId, TNoteSort ASort, TNoteSortDir ADir)
{
    // Each note is looked up by id; without the index named here the planner reads the table
    // row, and with it the whole body that stands before the dates.
    return ReadNoteList(
        QStringLiteral("SELECT n.id, n.notebook_id, nb.name as notebook_name, n.title,        "
                       "n.summary, n.created_at, n.updated_at, n.sort_order,        (SELECT "
                       "COUNT(*) FROM note_note_tags nt WHERE nt.note_id=n.id) as tag_count FROM "
                       "notes n INDEXED BY notes_list_columns JOIN notebooks nb ON "
                       "nb.id=n.notebook_id JOIN note_note_tags nnt ON nnt.note_id=n.id WHERE "
                       "nnt.tag_id=:tagid ORDER BY "),
        "tagid", ATagId, ASort, ADir);
}

TNote TDatabase::GetNote(int64_t AId)
{
    TNote n;
    auto q = NewQ();
    q->SetSQL(QStringLiteral(
        "SELECT n.id, n.notebook_id, nb.name as notebook_name,        n.title, n.summary, n.body, "
        "n.updated_at FROM notes n JOIN notebooks nb ON nb.id=n.notebook_id WHERE n.id=:id"));
    q->BindInt("id", AId);
    q->Open();
    if (!q->Eof()) {
        n.Id = q->AsInt64("id");
        n.NotebookId = q->AsInt64("notebook_id");
        n.NotebookName = q->AsText("notebook_name");
        n.Title = q->AsText("title");
        n.Summary = q->AsText("summary");
        n.Body = q->AsText("body");
        n.UpdatedAt = q->AsInt64("updated_at");
    }
    return n;
}

int64_t TDatabase::CreateNote(int64_t ANotebookId, const QString& ATitle)
{
    auto q = NewQ();
    q->SetSQL(QStringLiteral(
        "INSERT INTO notes (notebook_id, title, summary, body, body_text,                    "
        "created_at, updated_at, sort_order) VALUES (:nbid, :title, '', '', '', :ts, :ts, 0)"));
    q->BindInt("nbid", ANotebookId);
    q->BindText("title", ATitle);
    q->BindInt("ts", NowTS());
    q->ExecSQL();
    Commit();
    return FConn->LastInsertRowId();
}

void TDatabase::SaveNote(int64_t AId, const QString& ATitle, const QString& ASummary,
                         const QString& ABody)
{
    const QString bodyText = StripHTML(ABody);
    auto q = NewQ();
    q->SetSQL(QStringLiteral("UPDATE notes SET title=:title, summary=:summary, body=:body,   "
                             "body_text=:bodytext, updated_at=:ts WHERE id=:id"));
    q->BindText("title", ATitle);
    q->BindText("summary", ASummary);
    q->BindText("body", ABody);
    q->BindText("bodytext", bodyText);
    q->BindInt("ts", NowTS());
    q->BindInt("id", AId);
    q->ExecSQL();
    Commit();
}

int64_t TDatabase::CreateNoteWithBody(int64_t ANotebookId, const QString& ATitle,
                                      const QString& ASummary, const QString& ABody)
{
    // The row CreateNote and then SaveNote leave, written and committed at once: the clock is
    // read for the creation and again for the modification, as the two calls read it.
    const QString bodyText = StripHTML(ABody);
    const int64_t created = NowTS();
    const int64_t modified = NowTS();
    auto q = NewQ();
    q->SetSQL(QStringLiteral(
        "INSERT INTO notes (notebook_id, title, summary, body, body_text, created_at, updated_at, "
        "sort_order) VALUES (:nbid, :title, :summary, :body, :bodytext, :created, :modified, 0)"));
    q->BindInt("nbid", ANotebookId);
    q->BindText("title", ATitle);
    q->BindText("summary", ASummary);
    q->BindText("body", ABody);
    q->BindText("bodytext", bodyText);
    q->BindInt("created", created);
    q->BindInt("modified", modified);
    q->ExecSQL();
    Commit();
    return FConn->LastInsertRowId();
}

void TDatabase::DeleteNote(int64_t AId)
{
    static const char* const steps[] = {"DELETE FROM annotations    WHERE note_id=:id",
                                        "DELETE FROM note_links     WHERE note_id=:id",
                                        "DELETE FROM attachments    WHERE note_id=:id",
                                        "DELETE FROM note_note_tags WHERE note_id=:id",
                                        "DELETE FROM notes WHERE id=:id"};
    auto q = NewQ();
    for (const char* s : steps) {
        q->SetSQL(QString::fromUtf8(s));
        q->BindInt("id", AId);
        q->ExecSQL();
    }
    Commit();
    CleanupOrphanTags();
}

void TDatabase::MoveNote(int64_t ANoteId, int64_t ANotebookId)
{
    auto q = NewQ();
    q->SetSQL(QStringLiteral("UPDATE notes SET notebook_id=:nbid, updated_at=:ts WHERE id=:id"));
    q->BindInt("nbid", ANotebookId);
    q->BindInt("ts", NowTS());
    q->BindInt("id", ANoteId);
    q->ExecSQL();
    Commit();
}

QString FileNameExtension(const QString& AFileName)
{
    const QString name = QFileInfo(AFileName).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0)
        return QString();
    const QString ext = name.mid(dot);
    // Stored paths turn either separator into a folder step, so such a tail is no extension.
    if (ext.contains(u'/') || ext.contains(u'\\'))
        return QString();
    return ext;
}

QString NewAttachmentPath(const QString& AFileName)
{
    const QString guid = QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
    return QStringLiteral("attachments/") + guid + FileNameExtension(AFileName).toLower();
}

int64_t TDatabase::DuplicateNote(int64_t ANoteId)
{
    int64_t notebookId = 0, sortOrder = 0;
    QString title, summary, body, bodyText;
    {
        auto q = NewQ();
        q->SetSQL(QStringLiteral("SELECT notebook_id, title, summary, body, body_text, sort_order "
                                 "FROM notes WHERE id=:id"));
        q->BindInt("id", ANoteId);
        q->Open();
        if (q->Eof())
            return 0;
        notebookId = q->AsInt64("notebook_id");
        title = q->AsText("title");
        summary = q->AsText("summary");
        body = q->AsText("body");
        bodyText = q->AsText("body_text");
        sortOrder = q->AsInt64("sort_order");
    }
    const int64_t ts = NowTS();
    int64_t newId = 0;
    {
        auto q = NewQ();
        q->SetSQL(QStringLiteral(
            "INSERT INTO notes   (notebook_id, title, summary, body, body_text, created_at, "
            "updated_at, sort_order) VALUES (:nbid, :title, :summary, :body, :btext, :ts, :ts, "
            ":sort)"));
        q->BindInt("nbid", notebookId);
        q->BindText("title", title + QStringLiteral(" (copy)"));
        q->BindText("summary", summary);
        q->BindText("body", body);
        q->BindText("btext", bodyText);
        q->BindInt("ts", ts);
        q->BindInt("sort", sortOrder);
        q->ExecSQL();
        Commit();
        newId = FConn->LastInsertRowId();
    }
    if (newId == 0)
        return 0;

    const TNoteTagArray tags = GetNoteTagsForNote(ANoteId);
    const TNoteLinkArray links = GetLinks(ANoteId);
    const TAnnotationArray annotations = GetAnnotationsByNote(ANoteId);
    for (const TNoteTag& t : tags)
        AddTagToNote(newId, t.Name);
    for (const TNoteLink& l : links)
        AddLink(newId, l.Url, l.LinkLabel);
    for (const TAnnotation& a : annotations)
        CreateAnnotation(newId, a.SpanId, a.Snippet, a.Body);

    const TNoteAttachmentArray attachments = GetAttachments(ANoteId);
    if (!attachments.empty())
        QDir().mkpath(ProgramFolder() + QStringLiteral("/attachments"));
    for (const TNoteAttachment& a : attachments) {
        if (a.FilePath.isEmpty())
            continue;
        const QString source = ProgramFolder() + u'/' + a.FilePath;
        if (!QFileInfo::exists(source))
            continue;
        const QString relative = NewAttachmentPath(a.FileName);
        try {
            CopyWholeFile(source, ProgramFolder() + u'/' + relative);
            AddAttachment(newId, a.FileName, a.MimeType, relative, a.FileSize);
        } catch (const std::exception&) {
            // That attachment is left out of the copy.
        }
    }
    return newId;
}

void TDatabase::GetNoteDates(int64_t ANoteId, int64_t& ACreated, int64_t& AModified)
{
    ACreated = 0;
    AModified = 0;
    auto q = NewQ();
    q->SetSQL(QStringLiteral("SELECT created_at, updated_at FROM notes WHERE id=:id"));
    q->BindInt("id", ANoteId);
    q->Open();
    if (!q->Eof()) {
        ACreated = q->AsInt64("created_at");
        AModified = q->AsInt64("updated_at");
    }
}
