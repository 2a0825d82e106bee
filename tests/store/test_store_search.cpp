// Searching notes: the full-text query, its substring fallback, the hit limit and order, and a
// library without FTS5.
#include "storetest.h"

#include <QScopeGuard>
#include <QTest>

using namespace storetest;

namespace {

QStringList HitTitles(const TSearchResultArray& AHits)
{
    QStringList out;
    for (const TSearchResult& h : AHits)
        out << h.NoteTitle;
    return out;
}

} // namespace

class TestStoreSearch : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir FDir;
    std::unique_ptr<TDatabase> FDb;
    int64_t FNotebook = 0;

    // title, summary, body
    int64_t AddNote(TDatabase& ADb, int64_t ANotebook, const QString& ATitle,
                    const QString& ASummary, const QString& ABody)
    {
        const int64_t id = ADb.CreateNote(ANotebook, ATitle);
        ADb.SaveNote(id, ATitle, ASummary, ABody);
        return id;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(FDir.isValid());
        FDb = std::make_unique<TDatabase>(FDir.filePath(QStringLiteral("search.db")));
        TDatabase& db = *FDb;
        FNotebook = db.CreateNotebook(QStringLiteral("Cases"), 0);
        const int64_t memo =
            AddNote(db, FNotebook, QStringLiteral("Alpha memo"), QStringLiteral("first"),
                    QStringLiteral("<p>alpha</p><p>bravo charlie</p>"));
        AddNote(db, FNotebook, QStringLiteral("Bravo only"), QStringLiteral("second"),
                QStringLiteral("<p>bravo</p>"));
        AddNote(db, FNotebook, QStringLiteral("Quarterly"), QString(),
                QStringLiteral("<p>plain words here</p>"));
        AddNote(db, FNotebook, QStringLiteral("Dash"), QStringLiteral("third"),
                QStringLiteral("<p>see foo-bar now</p>"));
        const int64_t link = AddNote(db, FNotebook, QStringLiteral("Link"), QString(),
                                     QStringLiteral("<a href=\"foo-bar\">anchor</a>"));
        Exec(TDatabaseTestAccess::Conn(db),
             QStringLiteral("UPDATE notes SET summary=NULL WHERE id=%1").arg(link));
        AddNote(db, FNotebook, QStringLiteral("Boundary"), QStringLiteral("b"),
                QStringLiteral("<p>one</p><p>two</p>"));
        AddNote(db, FNotebook, QStringLiteral("Summary hit"),
                QStringLiteral("mentions foo-bar and \"quoted"), QStringLiteral("<p>nothing</p>"));
        db.AddTagToNote(memo, QStringLiteral("Beta"));
        db.AddTagToNote(memo, QStringLiteral("alpha"));
        // A note whose notebook row is gone is never found.
        const int64_t lost = AddNote(db, FNotebook + 100, QStringLiteral("Lost"), QString(),
                                     QStringLiteral("<p>alpha bravo foo-bar</p>"));
        QVERIFY(lost > 0);
    }

    void cleanupTestCase() { FDb.reset(); }

    void terms_data()
    {
        QTest::addColumn<QString>("term");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<bool>("substring");
        QTest::newRow("one word") << "bravo" << QStringList{"Alpha memo", "Bravo only"} << false;
        QTest::newRow("two words, both needed")
            << "alpha bravo" << QStringList{"Alpha memo"} << false;
        QTest::newRow("word in the title only") << "quarterly" << QStringList{"Quarterly"} << false;
        QTest::newRow("word in the summary") << "second" << QStringList{"Bravo only"} << false;
        QTest::newRow("OR") << "alpha OR quarterly" << QStringList{"Alpha memo", "Quarterly"}
                            << false;
        QTest::newRow("NOT") << "bravo NOT alpha" << QStringList{"Bravo only"} << false;
        QTest::newRow("prefix") << "char*" << QStringList{"Alpha memo"} << false;
        QTest::newRow("column filter") << "title:bravo" << QStringList{"Bravo only"} << false;
        QTest::newRow("phrase") << "\"bravo charlie\"" << QStringList{"Alpha memo"} << false;
        QTest::newRow("word after a block boundary") << "two" << QStringList{"Boundary"} << false;
        QTest::newRow("words of two blocks are not joined") << "onetwo" << QStringList{} << false;
        QTest::newRow("a valid term finding nothing does not fall back")
            << "Das" << QStringList{} << false;
        QTest::newRow("blanks around the term")
            << "  bravo\t" << QStringList{"Alpha memo", "Bravo only"} << false;
        // Terms FTS5 cannot parse: a substring of the title, body text or summary, ASCII
        // letters in any case; markup is not searched.
        QTest::newRow("hyphen") << "foo-bar" << QStringList{"Dash", "Summary hit"} << true;
        QTest::newRow("hyphen, other case")
            << "FOO-Bar" << QStringList{"Dash", "Summary hit"} << true;
        QTest::newRow("several words as one phrase")
            << "see foo-bar now" << QStringList{"Dash"} << true;
        QTest::newRow("words not adjacent") << "see now-" << QStringList{} << true;
        QTest::newRow("lone double quote") << "\"quoted" << QStringList{"Summary hit"} << true;
        QTest::newRow("markup is not searched") << "href=\"foo" << QStringList{} << true;
        QTest::newRow("term used as passed, blank included")
            << " foo-bar" << QStringList{"Dash", "Summary hit"} << true;
        QTest::newRow("percent sign is a wildcard")
            << "f%-b%r" << QStringList{"Dash", "Summary hit"} << true;
        QTest::newRow("underscore is a wildcard")
            << "fo_-bar" << QStringList{"Dash", "Summary hit"} << true;
    }

    void terms()
    {
        QFETCH(QString, term);
        QFETCH(QStringList, titles);
        QFETCH(bool, substring);
        const TSearchResultArray hits = FDb->SearchNotes(term, nsByTitle, nsdAsc);
        QCOMPARE(HitTitles(hits), titles);
        for (const TSearchResult& h : hits) {
            QCOMPARE(h.NotebookId, FNotebook);
            QCOMPARE(h.NotebookName, QStringLiteral("Cases"));
            const TNote n = FDb->GetNote(h.NoteId);
            QCOMPARE(n.Title, h.NoteTitle);
            if (substring)
                QCOMPARE(h.Snippet, n.Summary);
            else if (h.NoteTitle != QLatin1String("Quarterly") &&
                     h.NoteTitle != QLatin1String("Bravo only") &&
                     !term.startsWith(QLatin1String("title:")))
                QVERIFY2(h.Snippet.contains(QLatin1String("<b>")), qPrintable(h.Snippet));
        }
    }

    void snippets()
    {
        TSearchResultArray hits =
            FDb->SearchNotes(QStringLiteral("alpha bravo"), nsByTitle, nsdAsc);
        QCOMPARE(hits.size(), size_t(1));
        QCOMPARE(hits[0].Snippet, QStringLiteral("<b>alpha</b> <b>bravo</b> charlie "));
        // "ORDER BY t.name" takes the column's own collation, NOCASE, so letter case does not
        // decide the order of a hit's tags.
        QCOMPARE(hits[0].Tags, QStringLiteral("alpha, Beta"));
        // A match in the title only still gives an extract of the body, unmarked.
        hits = FDb->SearchNotes(QStringLiteral("quarterly"), nsByTitle, nsdAsc);
        QCOMPARE(hits.size(), size_t(1));
        QCOMPARE(hits[0].Snippet, QStringLiteral("plain words here "));
        QCOMPARE(hits[0].Tags, QString());
        // A long body is cut to twenty words around the match.
        QStringList words;
        for (int i = 0; i < 60; ++i)
            words << QStringLiteral("w%1").arg(i);
        words[30] = QStringLiteral("needle");
        const int64_t id = FDb->CreateNote(FNotebook, QStringLiteral("Long"));
        FDb->SaveNote(id, QStringLiteral("Long"), QString(),
                      QStringLiteral("<p>%1</p>").arg(words.join(u' ')));
        hits = FDb->SearchNotes(QStringLiteral("needle"), nsByTitle, nsdAsc);
        QCOMPARE(hits.size(), size_t(1));
        QVERIFY2(hits[0].Snippet.startsWith(QLatin1String("...")) &&
                     hits[0].Snippet.endsWith(QLatin1String("...")) &&
                     hits[0].Snippet.contains(QLatin1String("<b>needle</b>")),
                 qPrintable(hits[0].Snippet));
        QCOMPARE(hits[0].Snippet.split(u' ').size(), 20);
        FDb->DeleteNote(id);
    }

    void emptyTermRunsNoQuery_data()
    {
        QTest::addColumn<QString>("term");
        QTest::newRow("empty") << "";
        QTest::newRow("blanks") << "   ";
        QTest::newRow("control characters") << "\t\r\n";
    }

    void emptyTermRunsNoQuery()
    {
        QFETCH(QString, term);
        TTrace trace;
        TDatabase db(FDir.filePath(QStringLiteral("empty.db")));
        trace.Clear();
        QCOMPARE(db.SearchNotes(term, nsByModified, nsdDesc).size(), size_t(0));
        QCOMPARE(trace.Statements(), QStringList());
    }

    // More than 200 hits give the first 200 in the chosen order, with either query.
    void hitLimitAndOrder_data()
    {
        QTest::addColumn<QString>("term");
        QTest::addColumn<int>("sort");
        QTest::addColumn<int>("dir");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("step");
        for (const char* term : {"common", "x-y"}) {
            const QString t = QString::fromLatin1(term);
            const char* kind = t == QLatin1String("common") ? "full text" : "substring";
            // Note i has title "n<i>", created at i and modified at 1000 - i.
            QTest::addRow("%s, title ascending", kind)
                << t << int(nsByTitle) << int(nsdAsc) << 0 << 1;
            QTest::addRow("%s, title descending", kind)
                << t << int(nsByTitle) << int(nsdDesc) << 204 << -1;
            QTest::addRow("%s, created ascending", kind)
                << t << int(nsByCreated) << int(nsdAsc) << 0 << 1;
            QTest::addRow("%s, created descending", kind)
                << t << int(nsByCreated) << int(nsdDesc) << 204 << -1;
            QTest::addRow("%s, modified descending", kind)
                << t << int(nsByModified) << int(nsdDesc) << 0 << 1;
            QTest::addRow("%s, modified ascending", kind)
                << t << int(nsByModified) << int(nsdAsc) << 204 << -1;
        }
    }

    void hitLimitAndOrder()
    {
        QFETCH(QString, term);
        QFETCH(int, sort);
        QFETCH(int, dir);
        QFETCH(int, first);
        QFETCH(int, step);
        static QTemporaryDir dir205;
        const QString path = dir205.filePath(QStringLiteral("many.db"));
        if (!QFileInfo::exists(path)) {
            TDatabase db(path);
            const int64_t nb = db.CreateNotebook(QStringLiteral("Many"), 0);
            TSQLConnection& c = TDatabaseTestAccess::Conn(db);
            for (int i = 0; i < 205; ++i)
                Exec(c, QStringLiteral("INSERT INTO notes (notebook_id, title, summary, body, "
                                       "body_text, created_at, updated_at) VALUES (%1, "
                                       "'n%2', 's%2', '', 'common words x-y', %3, %4)")
                            .arg(nb)
                            .arg(i, 3, 10, QLatin1Char('0'))
                            .arg(i)
                            .arg(1000 - i));
            db.SetSettingInt(QStringLiteral("filled"), 1);
        }
        TDatabase db(path);
        const TSearchResultArray hits = db.SearchNotes(term, TNoteSort(sort), TNoteSortDir(dir));
        QCOMPARE(hits.size(), size_t(200));
        for (int k = 0; k < 200; ++k) {
            const QString expected =
                QStringLiteral("n%1").arg(first + k * step, 3, 10, QLatin1Char('0'));
            QCOMPARE(hits[size_t(k)].NoteTitle, expected);
        }
        const bool substring = term == QLatin1String("x-y");
        QCOMPARE(hits[0].Snippet, substring
                                      ? QStringLiteral("s%1").arg(first, 3, 10, QLatin1Char('0'))
                                      : QStringLiteral("<b>common</b> words x-y"));
    }

    // Titles are compared by bytes here, unlike the note lists.
    void titleOrderIsByBytes()
    {
        QTemporaryDir dir;
        TDatabase db(dir.filePath(QStringLiteral("t.db")));
        const int64_t nb = db.CreateNotebook(QStringLiteral("N"), 0);
        for (const char* t : {"apple", "Banana", "cherry", "Ähre"})
            AddNote(db, nb, QString::fromUtf8(t), QString(), QStringLiteral("<p>fruit</p>"));
        QCOMPARE(HitTitles(db.SearchNotes(QStringLiteral("fruit"), nsByTitle, nsdAsc)),
                 (QStringList{"Banana", "apple", "cherry", "Ähre"}));
        QCOMPARE(HitTitles(db.SearchNotes(QStringLiteral("fruit-"), nsByTitle, nsdDesc)),
                 QStringList());
        QCOMPARE(HitTitles(db.SearchNotes(QStringLiteral("<p>"), nsByTitle, nsdDesc)),
                 QStringList());
        QCOMPARE(HitTitles(db.SearchNotes(QStringLiteral("ANAN%"), nsByTitle, nsdDesc)),
                 (QStringList{"Banana"}));
    }

    // Without FTS5 the file has no index, every search is a substring search, and notes are
    // written as usual.
    void withoutFullText()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("plain.db"));
        sqlitelib::SetDropModulesOnOpen(true);
        const auto restore = qScopeGuard([] { sqlitelib::SetDropModulesOnOpen(false); });
        for (int open = 0; open < 2; ++open) {
            TDatabase db(path);
            TSQLConnection& c = TDatabaseTestAccess::Conn(db);
            QCOMPARE(db.GetSetting(QStringLiteral("schema_version"), QString()),
                     QStringLiteral("5"));
            QCOMPARE(ScalarInt(c, QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE name "
                                                 "LIKE 'notes_fts%'")),
                     0);
            if (open == 1)
                continue;
            const int64_t nb = db.CreateNotebook(QStringLiteral("N"), 0);
            const int64_t a = AddNote(db, nb, QStringLiteral("Alpha"), QStringLiteral("sa"),
                                      QStringLiteral("<p>alpha</p><p>and bravo</p>"));
            const int64_t b = AddNote(db, nb, QStringLiteral("Both"), QString(),
                                      QStringLiteral("<p>alpha bravo</p>"));
            db.AddTagToNote(b, QStringLiteral("t"));
            db.CreateAnnotation(b, QStringLiteral("s"), QString(), QString());
            // Two words are one phrase; the snippet is the summary.
            TSearchResultArray hits =
                db.SearchNotes(QStringLiteral("alpha bravo"), nsByTitle, nsdAsc);
            QCOMPARE(HitTitles(hits), QStringList{"Both"});
            QCOMPARE(hits[0].Snippet, QString());
            QCOMPARE(hits[0].Tags, QStringLiteral("t"));
            hits = db.SearchNotes(QStringLiteral("ALPHA"), nsByTitle, nsdAsc);
            QCOMPARE(HitTitles(hits), (QStringList{"Alpha", "Both"}));
            QCOMPARE(hits[0].Snippet, QStringLiteral("sa"));
            const int64_t copy = db.DuplicateNote(b);
            QCOMPARE(db.GetNote(copy).Title, QStringLiteral("Both (copy)"));
            db.DeleteNote(b);
            db.DeleteNotebook(nb, true);
            QCOMPARE(db.SearchNotes(QStringLiteral("alpha"), nsByTitle, nsdAsc).size(), size_t(0));
            QCOMPARE(ScalarInt(c, QStringLiteral("SELECT COUNT(*) FROM notes")), 0);
            QVERIFY(a > 0);
        }
        QCOMPARE(IntegrityCheck(path), QStringLiteral("ok"));
    }

    // A file written without FTS5, opened by a library that has it: the index made then holds
    // the notes written before, and later changes as usual.
    void indexMadeLaterHoldsOlderNotes()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("later.db"));
        int64_t nb = 0, old = 0;
        {
            sqlitelib::SetDropModulesOnOpen(true);
            const auto restore = qScopeGuard([] { sqlitelib::SetDropModulesOnOpen(false); });
            TDatabase db(path);
            nb = db.CreateNotebook(QStringLiteral("N"), 0);
            old = AddNote(db, nb, QStringLiteral("Older"), QStringLiteral("s"),
                          QStringLiteral("<p>written without an index</p>"));
            AddNote(db, nb, QStringLiteral("Other"), QString(), QStringLiteral("<p>else</p>"));
        }
        TDatabase db(path);
        TSQLConnection& c = TDatabaseTestAccess::Conn(db);
        // SQLite's own check of the index against the notes.
        Exec(c, QStringLiteral("INSERT INTO notes_fts(notes_fts) VALUES('integrity-check')"));
        QCOMPARE(ScalarInt(c, QStringLiteral("SELECT COUNT(*) FROM notes_fts WHERE notes_fts "
                                             "MATCH 'index'")),
                 1);
        const TSearchResultArray hits =
            db.SearchNotes(QStringLiteral("without"), nsByTitle, nsdAsc);
        QCOMPARE(HitTitles(hits), QStringList{"Older"});
        QVERIFY(hits[0].Snippet.contains(QStringLiteral("<b>without</b>")));
        db.SaveNote(old, QStringLiteral("Older"), QStringLiteral("s"),
                    QStringLiteral("<p>changed</p>"));
        QCOMPARE(db.SearchNotes(QStringLiteral("without"), nsByTitle, nsdAsc).size(), size_t(0));
        QCOMPARE(HitTitles(db.SearchNotes(QStringLiteral("changed"), nsByTitle, nsdAsc)),
                 QStringList{"Older"});
        QCOMPARE(ScalarInt(c, QStringLiteral("SELECT COUNT(*) FROM notes_fts WHERE notes_fts "
                                             "MATCH 'else'")),
                 1);
    }
};

QTEST_GUILESS_MAIN(TestStoreSearch)
#include "test_store_search.moc"
