#include "database.h"

#include <QStringList>
#include <QtGlobal>
#include <iterator>

#include "schema_sql.inc"

namespace {

// The full-text table and its triggers: without FTS5 in the library the first statement fails,
// and the rest of the group is skipped; the program then searches by substring.
constexpr int kFtsFirstInBase = 7;
constexpr int kFtsFirstInStep5 = 29;

} // namespace

void TDatabase::CreateSchema()
{
    for (int i = 0; i < kFtsFirstInBase; ++i)
        RunSQL(QString::fromUtf8(kBaseSchema[i]));
    auto q = NewQ();
    q->SetSQL(QStringLiteral(
        "SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND name='notes_fts'"));
    q->Open();
    const bool hadIndex = q->AsInt64(0) > 0;
    q.reset();
    try {
        for (int i = kFtsFirstInBase; i < int(std::size(kBaseSchema)); ++i)
            RunSQL(QString::fromUtf8(kBaseSchema[i]));
        // A file written without full-text search may already hold notes: the new index
        // starts with all of them.
        if (!hadIndex)
            RunSQL(QStringLiteral("INSERT INTO notes_fts(notes_fts) VALUES('rebuild')"));
    } catch (const ESQLiteError&) {
    }
}

int32_t TDatabase::RunMigrations()
{
    const int32_t v = GetSettingInt(QStringLiteral("schema_version"), 0);
    if (v < 1)
        SetSettingInt(QStringLiteral("schema_version"), 1);
    if (v < 2) {
        if (ColumnExists(QStringLiteral("attachments"), QStringLiteral("data")))
            for (const char* s : kAttachmentsV2)
                RunSQL(QString::fromUtf8(s));
        SetSettingInt(QStringLiteral("schema_version"), 2);
    }
    if (v < 3) {
        RunSQL(QString::fromUtf8(kAnnotations));
        SetSettingInt(QStringLiteral("schema_version"), 3);
    }
    if (v < 4) {
        RunSQL(QStringLiteral("DROP TABLE IF EXISTS embedded_tags"));
        SetSettingInt(QStringLiteral("schema_version"), 4);
    }
    if (v < 5) {
        for (int i = 0; i < kFtsFirstInStep5; ++i)
            RunSQL(QString::fromUtf8(kStep5[i]));
        try {
            for (int i = kFtsFirstInStep5; i < int(std::size(kStep5)); ++i)
                RunSQL(QString::fromUtf8(kStep5[i]));
        } catch (const ESQLiteError&) {
        }
        SetSettingInt(QStringLiteral("schema_version"), 5);
    }
    return v;
}

void TDatabase::CreateIndexes(int32_t AVersion)
{
    // Indexes for the note lists, the tag counts and the ordered search. They are made after
    // the migrations, since rebuilding a table drops its indexes, and cost one look on every
    // later open. The two list indexes hold every column a note list shows: the dates and the
    // sort order stand after the body in a row, so reading them from the table walks each
    // body's overflow pages.
    // They only speed things up, so they never keep a file from opening: a write-protected file
    // and a file of a newer version (which this program must not change) get none, and a
    // failure is logged once and leaves the file open without that index.
    if (AVersion > kCurrentSchemaVersion || FConn->ReadOnly())
        return;
    static const char* const indexes[] = {
        "CREATE INDEX IF NOT EXISTS notes_notebook_keys ON notes(notebook_id, updated_at, "
        "created_at)",
        "CREATE INDEX IF NOT EXISTS notes_notebook_list ON notes(notebook_id, updated_at, "
        "created_at, title, summary, sort_order)",
        "CREATE INDEX IF NOT EXISTS notes_list_columns ON notes(id, notebook_id, title, summary, "
        "created_at, updated_at, sort_order)",
        "CREATE INDEX IF NOT EXISTS notes_updated_keys ON notes(updated_at, notebook_id)",
        "CREATE INDEX IF NOT EXISTS notes_created_keys ON notes(created_at, notebook_id)",
        "CREATE INDEX IF NOT EXISTS notes_title_keys ON notes(title, notebook_id)",
        "CREATE INDEX IF NOT EXISTS note_note_tags_tag ON note_note_tags(tag_id, note_id)"};
    QStringList failures;
    for (const char* s : indexes) {
        try {
            RunSQL(QString::fromUtf8(s));
        } catch (const ESQLiteError& e) {
            failures << e.Message();
        }
    }
    failures.removeDuplicates();
    if (!failures.isEmpty())
        qWarning("The store works without %d of its list indexes: %s", int(failures.size()),
                 qPrintable(failures.join(QStringLiteral("; "))));
}

bool TDatabase::ColumnExists(const QString& ATable, const QString& AColumn)
{
    auto q = NewQ();
    q->SetSQL(QStringLiteral("PRAGMA table_info(") + ATable + QStringLiteral(")"));
    q->Open();
    const QByteArray wanted = AColumn.toUtf8().toLower();
    while (!q->Eof()) {
        if (q->AsText("name").toUtf8().toLower() == wanted)
            return true;
        q->Next();
    }
    return false;
}
