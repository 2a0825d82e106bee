#include "database.h"

TNoteAttachmentArray TDatabase::GetAttachments(int64_t ANoteId)
{
    TNoteAttachmentArray result;
    auto q = NewQ();
    q->SetSQL(QStringLiteral("SELECT id, filename, mime_type, file_size, file_path, created_at "
                             "FROM attachments WHERE note_id=:nid ORDER BY created_at"));
    q->BindInt("nid", ANoteId);
    q->Open();
    while (!q->Eof()) {
        TNoteAttachment a;
        a.Id = q->AsInt64("id");
        a.NoteId = ANoteId;
        a.FileName = q->AsText("filename");
        a.MimeType = q->AsText("mime_type");
        a.FileSize = q->AsInt64("file_size");
        a.FilePath = q->AsText("file_path");
        a.CreatedAt = q->AsInt64("created_at");
        result.push_back(std::move(a));
        q->Next();
    }
    return result;
}

int64_t TDatabase::AddAttachment(int64_t ANoteId, const QString& AFileName,
                                 const QString& AMimeType, const QString& AFilePath,
                                 int64_t AFileSize)
{
    auto q = NewQ();
    q->SetSQL(QStringLiteral("INSERT INTO attachments (note_id, filename, mime_type, file_size, "
                             "file_path, created_at) VALUES (:nid, :fn, :mt, :sz, :fp, :ts)"));
    q->BindInt("nid", ANoteId);
    q->BindText("fn", AFileName);
    q->BindText("mt", AMimeType);
    q->BindInt("sz", AFileSize);
    q->BindText("fp", AFilePath);
    q->BindInt("ts", NowTS());
    q->ExecSQL();
    Commit();
    return FConn->LastInsertRowId();
}

TStringArray TDatabase::GetAttachmentFilePaths(int64_t ANoteId)
{
    TStringArray result;
    auto q = NewQ();
    q->SetSQL(
        QStringLiteral("SELECT file_path FROM attachments WHERE note_id=:nid AND file_path <> ''"));
    q->BindInt("nid", ANoteId);
    q->Open();
    while (!q->Eof()) {
        result.push_back(q->AsText("file_path"));
        q->Next();
    }
    return result;
}

void TDatabase::DeleteAttachment(int64_t AId)
{
    auto q = NewQ();
    q->SetSQL(QStringLiteral("DELETE FROM attachments WHERE id=:id"));
    q->BindInt("id", AId);
    q->ExecSQL();
    Commit();
}

TNoteLinkArray TDatabase::GetLinks(int64_t ANoteId)
{
    TNoteLinkArray result;
    auto q = NewQ();
    q->SetSQL(QStringLiteral("SELECT id, url, link_label, created_at FROM note_links WHERE "
                             "note_id=:nid ORDER BY created_at"));
    q->BindInt("nid", ANoteId);
    q->Open();
    while (!q->Eof()) {
        TNoteLink l;
        l.Id = q->AsInt64("id");
        l.NoteId = ANoteId;
        l.Url = q->AsText("url");
        l.LinkLabel = q->AsText("link_label");
        l.CreatedAt = q->AsInt64("created_at");
        result.push_back(std::move(l));
        q->Next();
    }
    return result;
}

int64_t TDatabase::AddLink(int64_t ANoteId, const QString& AUrl, const QString& ALabel)
{
    auto q = NewQ();
    q->SetSQL(QStringLiteral("INSERT INTO note_links (note_id, url, link_label, created_at) "
                             "VALUES (:nid,:url,:lbl,:ts)"));
    q->BindInt("nid", ANoteId);
    q->BindText("url", AUrl);
    q->BindText("lbl", ALabel);
    q->BindInt("ts", NowTS());
    q->ExecSQL();
    Commit();
    return FConn->LastInsertRowId();
}

void TDatabase::DeleteLink(int64_t AId)
{
    auto q = NewQ();
    q->SetSQL(QStringLiteral("DELETE FROM note_links WHERE id=:id"));
    q->BindInt("id", AId);
    q->ExecSQL();
    Commit();
}

TAnnotationArray TDatabase::GetAnnotationsByNote(int64_t ANoteId)
{
    TAnnotationArray result;
    auto q = NewQ();
    q->SetSQL(QStringLiteral("SELECT id, span_id, snippet, body, created_at FROM annotations "
                             "WHERE note_id=:nid ORDER BY created_at"));
    q->BindInt("nid", ANoteId);
    q->Open();
    while (!q->Eof()) {
        TAnnotation a;
        a.Id = q->AsInt64("id");
        a.NoteId = ANoteId;
        a.SpanId = q->AsText("span_id");
        a.Snippet = q->AsText("snippet");
        a.Body = q->AsText("body");
        a.CreatedAt = q->AsInt64("created_at");
        result.push_back(std::move(a));
        q->Next();
    }
    return result;
}

int64_t TDatabase::CreateAnnotation(int64_t ANoteId, const QString& ASpanId,
                                    const QString& ASnippet, const QString& ABody,
                                    int64_t ACreatedAt)
{
    auto q = NewQ();
    q->SetSQL(QStringLiteral("INSERT INTO annotations (note_id, span_id, snippet, body, "
                             "created_at) VALUES (:nid, :sid, :snip, :body, :ts)"));
    q->BindInt("nid", ANoteId);
    q->BindText("sid", ASpanId);
    q->BindText("snip", ASnippet);
    q->BindText("body", ABody);
    q->BindInt("ts", ACreatedAt != 0 ? ACreatedAt : NowTS());
    q->ExecSQL();
    Commit();
    return FConn->LastInsertRowId();
}

void TDatabase::UpdateAnnotation(int64_t AId, const QString& ABody)
{
    auto q = NewQ();
    q->SetSQL(QStringLiteral("UPDATE annotations SET body=:body WHERE id=:id"));
    q->BindText("body", ABody);
    q->BindInt("id", AId);
    q->ExecSQL();
    Commit();
}

void TDatabase::DeleteAnnotation(int64_t AId)
{
    auto q = NewQ();
    q->SetSQL(QStringLiteral("DELETE FROM annotations WHERE id=:id"));
    q->BindInt("id", AId);
    q->ExecSQL();
    Commit();
}

int32_t TDatabase::SyncAnnotations(int64_t ANoteId, const TStringArray& AKeepSpanIds)
{
    // The span ids go into the SQL text as quoted literals; only the note id is bound.
    QString tail;
    if (!AKeepSpanIds.empty()) {
        QStringList literals;
        for (const QString& id : AKeepSpanIds)
            literals << u'\'' + QString(id).replace(u'\'', QStringLiteral("''")) + u'\'';
        tail = QStringLiteral(" AND span_id NOT IN (") + literals.join(u',') + u')';
    }
    int32_t count = 0;
    {
        auto q = NewQ();
        q->SetSQL(QStringLiteral("SELECT COUNT(*) FROM annotations WHERE note_id=:nid") + tail);
        q->BindInt("nid", ANoteId);
        q->Open();
        count = q->AsInt32(0);
    }
    if (count > 0) {
        auto q = NewQ();
        q->SetSQL(QStringLiteral("DELETE FROM annotations WHERE note_id=:nid") + tail);
        q->BindInt("nid", ANoteId);
        q->ExecSQL();
        Commit();
    }
    return count;
}
