// The file format: a new file, and files of every older version built here from that version's
// own statements, each brought up to the current version.
#include "storetest.h"

#include <QScopeGuard>
#include <QTest>

using namespace storetest;

namespace {

// Tables of the older versions, as their programs made them (ids without AUTOINCREMENT).
const char* const kOldNotebooks =
    "CREATE TABLE notebooks (id INTEGER PRIMARY KEY, parent_id INTEGER NOT NULL DEFAULT 0, name "
    "TEXT NOT NULL, sort_order INTEGER NOT NULL DEFAULT 0, created_at INTEGER NOT NULL, "
    "updated_at INTEGER NOT NULL)";
const char* const kOldNotes =
    "CREATE TABLE notes (id INTEGER PRIMARY KEY, notebook_id INTEGER NOT NULL REFERENCES "
    "notebooks(id), title TEXT NOT NULL DEFAULT 'Untitled', summary TEXT, body TEXT, body_text "
    "TEXT, created_at INTEGER NOT NULL, updated_at INTEGER NOT NULL, sort_order INTEGER NOT NULL "
    "DEFAULT 0)";
const char* const kOldNoteTags =
    "CREATE TABLE note_tags (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE COLLATE NOCASE)";
const char* const kOldNoteNoteTags =
    "CREATE TABLE note_note_tags (note_id INTEGER NOT NULL REFERENCES notes(id) ON DELETE "
    "CASCADE, tag_id INTEGER NOT NULL REFERENCES note_tags(id) ON DELETE CASCADE, PRIMARY KEY "
    "(note_id, tag_id))";
// Before version 2 the contents of an attached file were kept in the row.
const char* const kOldAttachmentsWithData =
    "CREATE TABLE attachments (id INTEGER PRIMARY KEY, note_id INTEGER NOT NULL REFERENCES "
    "notes(id) ON DELETE CASCADE, filename TEXT NOT NULL, mime_type TEXT, file_size INTEGER, data "
    "BLOB, created_at INTEGER NOT NULL)";
const char* const kOldAttachments =
    "CREATE TABLE attachments (id INTEGER PRIMARY KEY, note_id INTEGER NOT NULL REFERENCES "
    "notes(id) ON DELETE CASCADE, filename TEXT NOT NULL, mime_type TEXT, file_size INTEGER, "
    "file_path TEXT NOT NULL DEFAULT '', created_at INTEGER NOT NULL)";
const char* const kOldNoteLinks =
    "CREATE TABLE note_links (id INTEGER PRIMARY KEY, note_id INTEGER NOT NULL REFERENCES "
    "notes(id) ON DELETE CASCADE, url TEXT NOT NULL, link_label TEXT, created_at INTEGER NOT NULL)";
const char* const kOldSettings = "CREATE TABLE settings (key TEXT PRIMARY KEY, value TEXT)";
const char* const kOldAnnotations =
    "CREATE TABLE annotations (id INTEGER PRIMARY KEY, note_id INTEGER NOT NULL REFERENCES "
    "notes(id) ON DELETE CASCADE, span_id TEXT NOT NULL, snippet TEXT NOT NULL DEFAULT '', body "
    "TEXT NOT NULL DEFAULT '', created_at INTEGER NOT NULL)";
const char* const kOldEmbeddedTags =
    "CREATE TABLE embedded_tags (id INTEGER PRIMARY KEY, note_id INTEGER NOT NULL, span_id TEXT "
    "NOT NULL, tag TEXT NOT NULL, colour TEXT)";
const char* const kOldFts[] = {
    "CREATE VIRTUAL TABLE notes_fts USING fts5(title, summary, body_text, content=notes, "
    "content_rowid=id)",
    "CREATE TRIGGER notes_fts_ins AFTER INSERT ON notes BEGIN INSERT INTO "
    "notes_fts(rowid,title,summary,body_text) VALUES "
    "(new.id,new.title,new.summary,new.body_text); END",
    "CREATE TRIGGER notes_fts_del AFTER DELETE ON notes BEGIN INSERT INTO "
    "notes_fts(notes_fts,rowid,title,summary,body_text) VALUES "
    "('delete',old.id,old.title,old.summary,old.body_text); END",
    "CREATE TRIGGER notes_fts_upd AFTER UPDATE ON notes BEGIN INSERT INTO "
    "notes_fts(notes_fts,rowid,title,summary,body_text) VALUES "
    "('delete',old.id,old.title,old.summary,old.body_text); INSERT INTO "
    "notes_fts(rowid,title,summary,body_text) VALUES "
    "(new.id,new.title,new.summary,new.body_text); END"};

// The rows every fixture holds. Note 9 and tag 7 do not exist: the rows that name them are
// orphans. Tag 2 is carried by no note.
const QStringList kRows = {
    "INSERT INTO notebooks VALUES (1, 0, 'Inbox', 0, 100, 100), (2, 1, 'Sub', 0, 100, 100)",
    "INSERT INTO notes VALUES (1, 1, 'Crossing', 'sum one', '<p>zebra</p><p>stripes</p>', "
    "'zebra stripes', 100, 200, 3), (2, 2, 'Second', NULL, '<p>quiet</p>', 'quiet', 100, 300, 0), "
    "(5, 1, 'Fifth', 'five', '', '', 100, 400, 0)",
    "INSERT INTO note_tags VALUES (1, 'Evidence'), (2, 'unused'), (3, 'Travel')",
    "INSERT INTO note_note_tags VALUES (1, 1), (2, 1), (1, 3), (9, 1), (2, 7)",
    "INSERT INTO note_links VALUES (1, 1, 'https://a.example', 'A', 100), (2, 9, "
    "'https://orphan.example', NULL, 100)",
};

enum class TLayout
{
    NoVersion,
    V1,
    V2,
    V3,
    V4,
    Above
};

void BuildFixture(const QString& APath, TLayout ALayout)
{
    auto c = RawOpen(APath);
    const bool withData = ALayout == TLayout::NoVersion || ALayout == TLayout::V1;
    const bool withAnnotations = ALayout >= TLayout::V3;
    const bool withEmbeddedTags = ALayout < TLayout::V4;
    ExecAll(*c,
            {kOldNotebooks, kOldNotes, kOldNoteTags, kOldNoteNoteTags,
             withData ? kOldAttachmentsWithData : kOldAttachments, kOldNoteLinks, kOldSettings});
    ExecAll(*c, kRows);
    if (withData)
        Exec(*c, QStringLiteral("INSERT INTO attachments VALUES (1, 1, 'scan.pdf', "
                                "'application/pdf', 4, X'25504446', 100), (2, 9, 'lost.txt', "
                                "'text/plain', 1, X'41', 100)"));
    else
        Exec(*c, QStringLiteral("INSERT INTO attachments VALUES (1, 1, 'scan.pdf', "
                                "'application/pdf', 4, 'attachments/scan.pdf', 100), (2, 9, "
                                "'lost.txt', 'text/plain', 1, 'attachments/lost.txt', 100)"));
    if (withAnnotations)
        ExecAll(*c, {kOldAnnotations, "INSERT INTO annotations VALUES (1, 1, 's1', 'zebra', "
                                      "'check', 100), (2, 9, 's2', 'gone', 'gone', 100)"});
    if (withEmbeddedTags)
        ExecAll(*c,
                {kOldEmbeddedTags, "INSERT INTO embedded_tags VALUES (1, 1, 't1', 'who', 'red')"});
    // An index made after the notes were written: it knows none of them.
    if (ALayout >= TLayout::V4)
        for (const char* s : kOldFts)
            Exec(*c, QString::fromLatin1(s));
    static const char* const versions[] = {nullptr, "1", "2", "3", "4", "6"};
    if (const char* v = versions[int(ALayout)])
        Exec(*c, QStringLiteral("INSERT INTO settings VALUES ('schema_version', '%1')")
                     .arg(QLatin1String(v)));
}

QStringList TableColumns(TSQLConnection& AConn, const QString& ATable)
{
    TSQLQuery q(&AConn, nullptr);
    q.SetSQL(QStringLiteral("PRAGMA table_info(%1)").arg(ATable));
    q.Open();
    QStringList out;
    while (!q.Eof()) {
        out << q.AsText("name");
        q.Next();
    }
    return out;
}

QString TableSQL(TSQLConnection& AConn, const QString& AName)
{
    return Scalar(AConn,
                  QStringLiteral("SELECT sql FROM sqlite_master WHERE name='%1'").arg(AName));
}

// Tables of the current version, without the index's own tables.
QStringList UserTables(TSQLConnection& AConn)
{
    return Column(AConn, QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND "
                                        "name NOT LIKE 'sqlite_%' AND name NOT LIKE 'notes_fts_%' "
                                        "ORDER BY name"));
}

QStringList Triggers(TSQLConnection& AConn)
{
    return Column(
        AConn, QStringLiteral("SELECT name FROM sqlite_master WHERE type='trigger' ORDER BY name"));
}

const QStringList kCurrentTables = {"annotations",    "attachments", "note_links",
                                    "note_note_tags", "note_tags",   "notebooks",
                                    "notes",          "notes_fts",   "settings"};
const QStringList kFtsTriggers = {"notes_fts_del", "notes_fts_ins", "notes_fts_upd"};

// A table's rows as text, sorted.
QStringList Dump(TSQLConnection& AConn, const QString& ATable)
{
    const QStringList cols = TableColumns(AConn, ATable);
    QStringList parts;
    for (const QString& c : cols)
        parts << QStringLiteral("quote(%1)").arg(c);
    QStringList rows = Column(
        AConn,
        QStringLiteral("SELECT %1 FROM %2").arg(parts.join(QStringLiteral(" || '|' || ")), ATable));
    rows.sort();
    return rows;
}

} // namespace

class TestStoreMigrations : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir FDir;
    int FSerial = 0;

    QString NewPath() { return FDir.filePath(QStringLiteral("m%1.db").arg(++FSerial)); }

    // The end state that every migration from an older file reaches.
    void VerifyCurrent(TDatabase& ADb, bool AHadData)
    {
        TSQLConnection& c = TDatabaseTestAccess::Conn(ADb);
        QCOMPARE(ADb.GetSetting(QStringLiteral("schema_version"), QString()), QStringLiteral("5"));
        QCOMPARE(UserTables(c), kCurrentTables);
        QCOMPARE(Triggers(c), kFtsTriggers);
        QCOMPARE(
            TableColumns(c, QStringLiteral("notebooks")),
            (QStringList{"id", "parent_id", "name", "sort_order", "created_at", "updated_at"}));
        QCOMPARE(TableColumns(c, QStringLiteral("notes")),
                 (QStringList{"id", "notebook_id", "title", "summary", "body", "body_text",
                              "created_at", "updated_at", "sort_order"}));
        QCOMPARE(TableColumns(c, QStringLiteral("note_tags")), (QStringList{"id", "name"}));
        QCOMPARE(TableColumns(c, QStringLiteral("note_note_tags")),
                 (QStringList{"note_id", "tag_id"}));
        QCOMPARE(TableColumns(c, QStringLiteral("attachments")),
                 (QStringList{"id", "note_id", "filename", "mime_type", "file_size", "file_path",
                              "created_at"}));
        QCOMPARE(TableColumns(c, QStringLiteral("note_links")),
                 (QStringList{"id", "note_id", "url", "link_label", "created_at"}));
        QCOMPARE(TableColumns(c, QStringLiteral("annotations")),
                 (QStringList{"id", "note_id", "span_id", "snippet", "body", "created_at"}));
        QCOMPARE(TableColumns(c, QStringLiteral("settings")), (QStringList{"key", "value"}));
        for (const char* t : {"notebooks", "note_tags", "notes", "attachments", "note_links"})
            QVERIFY2(TableSQL(c, QLatin1String(t)).contains(QLatin1String("AUTOINCREMENT")), t);

        // Rows are kept with their ids; orphans are gone; a tag without notes stays.
        QCOMPARE(Dump(c, QStringLiteral("notebooks")),
                 (QStringList{"1|0|'Inbox'|0|100|100", "2|1|'Sub'|0|100|100"}));
        QCOMPARE(Dump(c, QStringLiteral("notes")),
                 (QStringList{"1|1|'Crossing'|'sum one'|'<p>zebra</p><p>stripes</p>'|'zebra "
                              "stripes'|100|200|3",
                              "2|2|'Second'|NULL|'<p>quiet</p>'|'quiet'|100|300|0",
                              "5|1|'Fifth'|'five'|''|''|100|400|0"}));
        QCOMPARE(Dump(c, QStringLiteral("note_tags")),
                 (QStringList{"1|'Evidence'", "2|'unused'", "3|'Travel'"}));
        QCOMPARE(Dump(c, QStringLiteral("note_note_tags")), (QStringList{"1|1", "1|3", "2|1"}));
        QCOMPARE(Dump(c, QStringLiteral("note_links")),
                 (QStringList{"1|1|'https://a.example'|'A'|100"}));
        QCOMPARE(Dump(c, QStringLiteral("attachments")),
                 (QStringList{
                     AHadData ? "1|1|'scan.pdf'|'application/pdf'|4|''|100"
                              : "1|1|'scan.pdf'|'application/pdf'|4|'attachments/scan.pdf'|100"}));

        // The index was rebuilt from the notes and is searched by the full-text query.
        const TSearchResultArray hits =
            ADb.SearchNotes(QStringLiteral("stripes"), nsByTitle, nsdAsc);
        QCOMPARE(hits.size(), size_t(1));
        QCOMPARE(hits[0].NoteId, 1);
        QCOMPARE(hits[0].Snippet, QStringLiteral("zebra <b>stripes</b>"));
        QCOMPARE(hits[0].Tags, QStringLiteral("Evidence, Travel"));
        QCOMPARE(ADb.SearchNotes(QStringLiteral("quiet"), nsByTitle, nsdAsc).size(), size_t(1));

        // Ids go on from the highest one ever used, also after the newest row is deleted.
        const int64_t next = ADb.CreateNote(1, QStringLiteral("New"));
        QCOMPARE(next, 6);
        ADb.DeleteNote(next);
        QCOMPARE(ADb.CreateNote(1, QStringLiteral("Newer")), 7);
        QCOMPARE(ADb.SearchNotes(QStringLiteral("Newer"), nsByTitle, nsdAsc).size(), size_t(1));
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(FDir.isValid()); }

    void newFile()
    {
        const QString path = NewPath();
        TDatabase db(path);
        TSQLConnection& c = TDatabaseTestAccess::Conn(db);
        QCOMPARE(UserTables(c), kCurrentTables);
        QCOMPARE(Triggers(c), kFtsTriggers);
        QCOMPARE(Dump(c, QStringLiteral("settings")), (QStringList{"'schema_version'|'5'"}));
        for (const QString& t : kCurrentTables)
            if (t != QLatin1String("settings"))
                QCOMPARE(ScalarInt(c, QStringLiteral("SELECT COUNT(*) FROM %1").arg(t)), 0);
        for (const char* t :
             {"notebooks", "note_tags", "notes", "attachments", "note_links", "annotations"})
            QVERIFY2(TableSQL(c, QLatin1String(t)).contains(QLatin1String("AUTOINCREMENT")), t);
    }

    void olderVersions_data()
    {
        QTest::addColumn<int>("layout");
        QTest::newRow("no version recorded") << int(TLayout::NoVersion);
        QTest::newRow("version 1") << int(TLayout::V1);
        QTest::newRow("version 2") << int(TLayout::V2);
        QTest::newRow("version 3") << int(TLayout::V3);
        QTest::newRow("version 4") << int(TLayout::V4);
    }

    void olderVersions()
    {
        QFETCH(int, layout);
        const QString path = NewPath();
        BuildFixture(path, TLayout(layout));
        {
            TDatabase db(path);
            VerifyCurrent(db, TLayout(layout) <= TLayout::V1);
            TSQLConnection& c = TDatabaseTestAccess::Conn(db);
            // Annotations made before the migration keep theirs, others start empty.
            QCOMPARE(Dump(c, QStringLiteral("annotations")),
                     TLayout(layout) >= TLayout::V3 ? QStringList{"1|1|'s1'|'zebra'|'check'|100"}
                                                    : QStringList{});
        }
        QCOMPARE(IntegrityCheck(path), QStringLiteral("ok"));
    }

    // A version that is not a number counts as none: every step runs again on a current file,
    // keeping everything but the orphans, and rebuilds the index.
    void nonIntegerVersion()
    {
        const QString path = NewPath();
        {
            TDatabase db(path);
        }
        {
            auto c = RawOpen(path);
            ExecAll(*c, kRows);
            ExecAll(*c, {"INSERT INTO attachments VALUES (1, 1, 'scan.pdf', 'application/pdf', "
                         "4, 'attachments/scan.pdf', 100), (2, 9, 'lost.txt', 'text/plain', 1, "
                         "'attachments/lost.txt', 100)",
                         "INSERT INTO annotations VALUES (1, 1, 's1', 'zebra', 'check', 100), "
                         "(2, 9, 's2', 'gone', 'gone', 100)",
                         // The index misses what was written while its triggers were away.
                         "DELETE FROM notes_fts",
                         "UPDATE settings SET value='five' WHERE key='schema_version'"});
        }
        TDatabase db(path);
        VerifyCurrent(db, false);
        QCOMPARE(Dump(TDatabaseTestAccess::Conn(db), QStringLiteral("annotations")),
                 (QStringList{"1|1|'s1'|'zebra'|'check'|100"}));
    }

    // A version above the current one runs no step: orphans and old tables stay.
    void versionAboveCurrent()
    {
        const QString path = NewPath();
        BuildFixture(path, TLayout::Above);
        TDatabase db(path);
        TSQLConnection& c = TDatabaseTestAccess::Conn(db);
        QCOMPARE(db.GetSetting(QStringLiteral("schema_version"), QString()), QStringLiteral("6"));
        QVERIFY(!TableSQL(c, QStringLiteral("notebooks")).contains(QLatin1String("AUTOINCREMENT")));
        QCOMPARE(ScalarInt(c, QStringLiteral("SELECT COUNT(*) FROM note_links WHERE note_id=9")),
                 1);
        QCOMPARE(ScalarInt(c, QStringLiteral("SELECT COUNT(*) FROM note_note_tags")), 5);
        // The stale index was not rebuilt.
        QCOMPARE(db.SearchNotes(QStringLiteral("stripes"), nsByTitle, nsdAsc).size(), size_t(0));
    }

    // A file of a newer version is never written at open, also when it lacks a column that
    // this program's list indexes would cover.
    void versionAboveCurrentIsNotWritten_data()
    {
        QTest::addColumn<bool>("withSummary");
        QTest::newRow("same columns") << true;
        QTest::newRow("notes without summary") << false;
    }

    void versionAboveCurrentIsNotWritten()
    {
        QFETCH(bool, withSummary);
        const QString path = NewPath();
        if (withSummary) {
            BuildFixture(path, TLayout::Above);
        } else {
            auto c = RawOpen(path);
            QString notes = QString::fromLatin1(kOldNotes);
            QVERIFY(notes.contains(QLatin1String(" summary TEXT,")));
            notes.remove(QLatin1String(" summary TEXT,"));
            ExecAll(*c, {kOldNotebooks, notes, kOldNoteTags, kOldNoteNoteTags, kOldAttachments,
                         kOldNoteLinks, kOldSettings, kOldAnnotations});
            for (const char* st : kOldFts)
                Exec(*c, QString::fromLatin1(st));
            ExecAll(*c, {"INSERT INTO notebooks VALUES (1, 0, 'Inbox', 0, 100, 100)",
                         "INSERT INTO settings VALUES ('schema_version', '6')"});
        }
        const QByteArray before = FileBytes(path);
        {
            TDatabase db(path);
            QCOMPARE(db.GetSettingInt(QStringLiteral("schema_version"), 0), 6);
            QCOMPARE(db.GetNotebooks().size(), size_t(withSummary ? 2 : 1));
        }
        QCOMPARE(FileBytes(path), before);
    }

    // Without FTS5 in the library the last group of step 5 fails: the version is still set,
    // the file has no index and no triggers, and notes can be written and found.
    void stepFiveWithoutFullText()
    {
        const QString path = NewPath();
        BuildFixture(path, TLayout::V3);
        sqlitelib::SetDropModulesOnOpen(true);
        auto restore = qScopeGuard([] { sqlitelib::SetDropModulesOnOpen(false); });
        {
            TDatabase db(path);
            TSQLConnection& c = TDatabaseTestAccess::Conn(db);
            QCOMPARE(db.GetSetting(QStringLiteral("schema_version"), QString()),
                     QStringLiteral("5"));
            QVERIFY(!UserTables(c).contains(QStringLiteral("notes_fts")));
            QCOMPARE(Triggers(c), QStringList());
            QCOMPARE(ScalarInt(c, QStringLiteral("SELECT COUNT(*) FROM notes")), 3);
            const int64_t n = db.CreateNote(1, QStringLiteral("Later"));
            db.SaveNote(n, QStringLiteral("Later"), QStringLiteral("s"),
                        QStringLiteral("<p>giraffe</p>"));
            const TSearchResultArray hits =
                db.SearchNotes(QStringLiteral("giraffe"), nsByTitle, nsdAsc);
            QCOMPARE(hits.size(), size_t(1));
            QCOMPARE(hits[0].Snippet, QStringLiteral("s"));
            db.DeleteNote(n);
            QCOMPARE(ScalarInt(c, QStringLiteral("SELECT COUNT(*) FROM notes")), 3);
        }
        restore.dismiss();
        sqlitelib::SetDropModulesOnOpen(false);
        QCOMPARE(IntegrityCheck(path), QStringLiteral("ok"));
    }

    void columnExists_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("column");
        QTest::addColumn<bool>("exists");
        QTest::newRow("present") << "attachments"
                                 << "data" << true;
        QTest::newRow("other letter case") << "attachments"
                                           << "DaTa" << true;
        QTest::newRow("table in other case") << "ATTACHMENTS"
                                             << "filename" << true;
        QTest::newRow("absent column") << "attachments"
                                       << "file_path" << false;
        QTest::newRow("absent table") << "nothing_here"
                                      << "data" << false;
        QTest::newRow("prefix only") << "attachments"
                                     << "dat" << false;
    }

    void columnExists()
    {
        QFETCH(QString, table);
        QFETCH(QString, column);
        QFETCH(bool, exists);
        const QString path = NewPath();
        BuildFixture(path, TLayout::Above);
        {
            auto c = RawOpen(path);
            Exec(*c, QStringLiteral("DROP TABLE attachments"));
            Exec(*c, QString::fromLatin1(kOldAttachmentsWithData));
        }
        TDatabase db(path);
        QCOMPARE(TDatabaseTestAccess::ColumnExists(db, table, column), exists);
    }
};

QTEST_GUILESS_MAIN(TestStoreMigrations)
#include "test_store_migrations.moc"
