// The store's faster statements must return what the plain statements return: the same rows
// with the same values in the same order, where rows with equal sort keys may come in any
// order (and, at the 200-hit limit, any of the tied rows may be the ones kept).
#include "baseline_queries.h"
#include "clock.h"
#include "database.h"

#include <QTemporaryDir>
#include <QTest>
#include <map>

namespace {

struct TKeys
{
    int64_t Updated = 0;
    int64_t Created = 0;
    QString Title;
};

QString KeyOf(const TKeys& AKeys, TNoteSort ASort)
{
    switch (ASort) {
    case nsByTitle:
        return AKeys.Title;
    case nsByCreated:
        return QString::number(AKeys.Created);
    default:
        return QString::number(AKeys.Updated);
    }
}

QString Describe(const TSearchResult& R)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6")
        .arg(R.NoteId)
        .arg(R.NoteTitle)
        .arg(R.NotebookId)
        .arg(R.NotebookName, R.Snippet, R.Tags);
}

QString DescribeNote(const TNote& N)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8")
        .arg(N.Id)
        .arg(N.NotebookId)
        .arg(N.NotebookName, N.Title, N.Summary)
        .arg(N.CreatedAt)
        .arg(N.UpdatedAt)
        .arg(N.TagCount);
}

} // namespace

class TestStoreQueries : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir FDir;
    QString FPath;
    std::map<int64_t, TKeys> FKeys;

    // The plain search on a connection of its own; ALimit false drops the LIMIT so that the
    // rows tied at the limit can be checked.
    TSearchResultArray PlainSearch(const QString& ATerm, TNoteSort ASort, TNoteSortDir ADir,
                                   bool ALimit)
    {
        const QString col = ASort == nsByTitle     ? QStringLiteral("n.title")
                            : ASort == nsByCreated ? QStringLiteral("n.created_at")
                                                   : QStringLiteral("n.updated_at");
        const QString order = QStringLiteral(" ORDER BY ") + col +
                              (ADir == nsdAsc ? QStringLiteral(" ASC") : QStringLiteral(" DESC")) +
                              (ALimit ? QStringLiteral(" LIMIT 200") : QString());
        TSQLConnection conn(FPath);
        conn.Open();
        TSQLQuery q(&conn, nullptr);
        try {
            q.SetSQL(QString::fromUtf8(baseline::kSearchFts) + order);
            q.BindText("term", ATerm);
            q.Open();
        } catch (const ESQLiteError&) {
            q.Close();
            q.SetSQL(QString::fromUtf8(baseline::kSearchLike) + order);
            q.BindText("term", u'%' + ATerm + u'%');
            q.Open();
        }
        TSearchResultArray result;
        while (!q.Eof()) {
            TSearchResult r;
            r.NoteId = q.AsInt64("id");
            r.NoteTitle = q.AsText("title");
            r.NotebookId = q.AsInt64("notebook_id");
            r.NotebookName = q.AsText("nb_name");
            r.Snippet = q.AsText("snip");
            TSQLQuery tq(&conn, nullptr);
            tq.SetSQL(QString::fromUtf8(baseline::kHitTags));
            tq.BindInt("nid", r.NoteId);
            tq.Open();
            QStringList names;
            for (; !tq.Eof(); tq.Next())
                names << tq.AsText(0);
            r.Tags = names.join(QStringLiteral(", "));
            result.push_back(r);
            q.Next();
        }
        return result;
    }

    void CompareSearch(const TSearchResultArray& AOurs, const TSearchResultArray& APlain,
                       const TSearchResultArray& AAll, TNoteSort ASort)
    {
        QCOMPARE(AOurs.size(), APlain.size());
        // The sort keys come in the same sequence.
        for (size_t i = 0; i < AOurs.size(); ++i)
            QCOMPARE(KeyOf(FKeys[AOurs[i].NoteId], ASort), KeyOf(FKeys[APlain[i].NoteId], ASort));
        // Within each run of equal keys the same records, except that the last run may be cut
        // by the limit: there every record must be one of the tied records of the full result.
        size_t i = 0;
        while (i < AOurs.size()) {
            const QString key = KeyOf(FKeys[AOurs[i].NoteId], ASort);
            size_t j = i;
            QStringList ours, plain;
            while (j < AOurs.size() && KeyOf(FKeys[AOurs[j].NoteId], ASort) == key) {
                ours << Describe(AOurs[j]);
                plain << Describe(APlain[j]);
                ++j;
            }
            ours.sort();
            plain.sort();
            if (j < AOurs.size() || AOurs.size() < 200) {
                QCOMPARE(ours, plain);
            } else {
                QStringList tied;
                for (const TSearchResult& r : AAll)
                    if (KeyOf(FKeys[r.NoteId], ASort) == key)
                        tied << Describe(r);
                for (const QString& r : ours)
                    QVERIFY2(tied.contains(r), qPrintable(r));
                QCOMPARE(ours.removeDuplicates(), 0);
            }
            i = j;
        }
    }

    // A note's key in a note list's order; titles compare as NOCASE does, ASCII letters only.
    QString ListKey(int64_t AId, TNoteSort ASort)
    {
        if (ASort != nsByTitle)
            return KeyOf(FKeys[AId], ASort);
        QString key = FKeys[AId].Title;
        for (QChar& c : key)
            if (c >= u'A' && c <= u'Z')
                c = QChar(c.unicode() + 32);
        return key;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(FDir.isValid());
        FPath = FDir.filePath(QStringLiteral("fixture.db"));
        int64_t clock = 1700000000;
        SetClock([&clock] { return QDateTime::fromSecsSinceEpoch(clock, Qt::UTC); });
        TDatabase db(FPath);
        const int64_t nbA = db.CreateNotebook(QStringLiteral("Äkten"), 0);
        const int64_t nbB = db.CreateNotebook(QStringLiteral("archive"), 0);
        const int64_t nbGone = db.CreateNotebook(QStringLiteral("gone"), 0);
        const QString titles[] = {QStringLiteral("apple"),  QStringLiteral("Banana"),
                                  QStringLiteral("Äpfel"),  QStringLiteral("banana"),
                                  QStringLiteral("éclair"), QStringLiteral("Zeta"),
                                  QStringLiteral("zeta"),   QStringLiteral("Apple pie")};
        const QString words[] = {QStringLiteral("motion"), QStringLiteral("hearing"),
                                 QStringLiteral("witness"), QStringLiteral("café")};
        for (int i = 0; i < 460; ++i) {
            // Time stamps repeat in runs of seven: many ties in every order.
            clock = 1700000000 + (i / 7) * 60;
            const int64_t nb = i % 23 == 0 ? nbGone : (i % 2 ? nbA : nbB);
            const int64_t id = db.CreateNote(nb, titles[i % 8]);
            clock = 1700500000 + ((i * 37) % 50) * 10;
            QString body =
                QStringLiteral("<p>client case %1 %2</p><p>%3</p>")
                    .arg(words[i % 4], i % 10 == 0 ? QStringLiteral("zymurgy") : QString())
                    .arg(i % 3 ? QStringLiteral("case") : QStringLiteral("notes"));
            db.SaveNote(id, titles[i % 8] + (i % 5 == 0 ? QStringLiteral(" client") : QString()),
                        i % 4 ? QStringLiteral("Summary %1").arg(i) : QString(), body);
            if (i % 3 == 0)
                db.AddTagToNote(id, QStringLiteral("Beta"));
            if (i % 4 == 0)
                db.AddTagToNote(id, QStringLiteral("alpha"));
            if (i % 9 == 0)
                db.AddTagToNote(id, QStringLiteral("Ölzweig"));
        }
        db.AddTagToNote(3, QStringLiteral("solo")); // a note of "archive", deleted below
        db.DeleteNotebook(nbGone, false);           // its notes stay, without a notebook row
        SetClock({});

        TSQLConnection conn(FPath);
        conn.Open();
        TSQLQuery q(&conn, nullptr);
        q.SetSQL(QStringLiteral("SELECT id, updated_at, created_at, title FROM notes"));
        for (q.Open(); !q.Eof(); q.Next())
            FKeys[q.AsInt64(0)] = {q.AsInt64(1), q.AsInt64(2), q.AsText(3)};
    }

    void search_data()
    {
        QTest::addColumn<QString>("term");
        QTest::newRow("common, over the limit") << QStringLiteral("client case");
        QTest::newRow("one word") << QStringLiteral("motion");
        QTest::newRow("rare") << QStringLiteral("zymurgy");
        QTest::newRow("non-ASCII word") << QStringLiteral("café");
        QTest::newRow("phrase") << QStringLiteral("\"client case\"");
        QTest::newRow("prefix") << QStringLiteral("wit*");
        QTest::newRow("or") << QStringLiteral("zymurgy OR hearing");
        QTest::newRow("not") << QStringLiteral("case NOT motion");
        QTest::newRow("column") << QStringLiteral("title:client");
        QTest::newRow("no match") << QStringLiteral("absent");
        QTest::newRow("syntax error falls back") << QStringLiteral("client-case");
        QTest::newRow("lone quote falls back") << QStringLiteral("Summary 1\"");
    }

    void search()
    {
        QFETCH(QString, term);
        TDatabase db(FPath);
        for (TNoteSort sort : {nsByModified, nsByTitle, nsByCreated})
            for (TNoteSortDir dir : {nsdDesc, nsdAsc}) {
                const TSearchResultArray ours = db.SearchNotes(term, sort, dir);
                const TSearchResultArray plain = PlainSearch(term, sort, dir, true);
                const TSearchResultArray all = PlainSearch(term, sort, dir, false);
                CompareSearch(ours, plain, all, sort);
                if (QTest::currentTestFailed()) {
                    qWarning("sort %d, direction %d", int(sort), int(dir));
                    return;
                }
            }
    }

    // The note lists read their columns from covering indexes; the plain statements read the
    // table rows. Same rows with the same values, in the same order of sort keys.
    void noteLists()
    {
        TDatabase db(FPath);
        TSQLConnection conn(FPath);
        conn.Open();
        const int64_t tag = db.EnsureTag(QStringLiteral("Beta"));
        const struct
        {
            const char* Plain;
            const char* Param;
            int64_t Value;
        } lists[] = {{baseline::kNotesByNotebook, "nbid", 2},
                     {baseline::kNotesByTag, "tagid", tag}};
        for (const auto& list : lists)
            for (TNoteSort sort : {nsByModified, nsByTitle, nsByCreated})
                for (TNoteSortDir dir : {nsdDesc, nsdAsc}) {
                    const QString term =
                        (sort == nsByTitle     ? QStringLiteral("n.title COLLATE NOCASE ")
                         : sort == nsByCreated ? QStringLiteral("n.created_at ")
                                               : QStringLiteral("n.updated_at ")) +
                        (dir == nsdDesc ? QStringLiteral("DESC") : QStringLiteral("ASC"));
                    TSQLQuery q(&conn, nullptr);
                    q.SetSQL(QString::fromUtf8(list.Plain) + term);
                    q.BindInt(list.Param, list.Value);
                    QList<QPair<QString, QString>> plain, ours;
                    for (q.Open(); !q.Eof(); q.Next()) {
                        TNote n;
                        n.Id = q.AsInt64("id");
                        n.NotebookId = q.AsInt64("notebook_id");
                        n.NotebookName = q.AsText("notebook_name");
                        n.Title = q.AsText("title");
                        n.Summary = q.AsText("summary");
                        n.CreatedAt = q.AsInt64("created_at");
                        n.UpdatedAt = q.AsInt64("updated_at");
                        n.TagCount = q.AsInt32("tag_count");
                        plain.append({ListKey(n.Id, sort), DescribeNote(n)});
                    }
                    const TNoteArray notes = list.Param == QByteArray("nbid")
                                                 ? db.GetNotesByNotebook(list.Value, sort, dir)
                                                 : db.GetNotesByTag(list.Value, sort, dir);
                    for (const TNote& n : notes)
                        ours.append({ListKey(n.Id, sort), DescribeNote(n)});
                    QVERIFY(plain.size() > 50);
                    QCOMPARE(ours.size(), plain.size());
                    // Rows with equal keys may come in any order: compare each run as a set.
                    for (qsizetype i = 0; i < plain.size();) {
                        qsizetype j = i;
                        QStringList runOurs, runPlain;
                        for (; j < plain.size() && plain[j].first == plain[i].first; ++j) {
                            QCOMPARE(ours[j].first, plain[j].first);
                            runOurs << ours[j].second;
                            runPlain << plain[j].second;
                        }
                        runOurs.sort();
                        runPlain.sort();
                        QCOMPARE(runOurs, runPlain);
                        i = j;
                    }
                }
    }

    void tagCounts()
    {
        TDatabase db(FPath);
        TSQLConnection conn(FPath);
        conn.Open();
        TSQLQuery q(&conn, nullptr);
        q.SetSQL(QString::fromUtf8(baseline::kGetAllNoteTags));
        TNoteTagArray plain;
        for (q.Open(); !q.Eof(); q.Next())
            plain.push_back({q.AsInt64("id"), q.AsText("name"), q.AsInt32("cnt")});
        db.DeleteNotebook(2, true); // leaves tags with fewer notes, some with none
        const TNoteTagArray before = db.GetAllNoteTags();
        QCOMPARE(before.size(), plain.size());
        for (size_t i = 0; i < plain.size(); ++i) {
            QCOMPARE(before[i].Id, plain[i].Id);
            QCOMPARE(before[i].Name, plain[i].Name);
        }
        plain.clear();
        q.Close();
        q.SetSQL(QString::fromUtf8(baseline::kGetAllNoteTags));
        for (q.Open(); !q.Eof(); q.Next())
            plain.push_back({q.AsInt64("id"), q.AsText("name"), q.AsInt32("cnt")});
        const TNoteTagArray ours = db.GetAllNoteTags();
        QCOMPARE(ours.size(), plain.size());
        bool someEmpty = false;
        for (size_t i = 0; i < plain.size(); ++i) {
            QCOMPARE(ours[i].Id, plain[i].Id);
            QCOMPARE(ours[i].Name, plain[i].Name);
            QCOMPARE(ours[i].NoteCount, plain[i].NoteCount);
            someEmpty = someEmpty || ours[i].NoteCount == 0;
        }
        QVERIFY(someEmpty);
    }
};

QTEST_GUILESS_MAIN(TestStoreQueries)
#include "test_storequeries.moc"
