// The store's data operations: the plain text of a body, time stamps, notebooks and notes,
// note tags, attachment, link and annotation records, and settings.
#include "clock.h"
#include "programfolder.h"
#include "storetest.h"

#include <QRegularExpression>
#include <QTest>
#include <ctime>

using namespace storetest;

namespace {

// 2024-03-15 12:00:00 as seconds since 1970, counted as if local time were UTC.
constexpr int64_t kNoon = 1710504000;

QDateTime LocalTime(int ASecondsAfterNoon, int AMs = 0)
{
    return QDateTime(QDate(2024, 3, 15), QTime(12, 0, 0, AMs), Qt::LocalTime)
        .addSecs(ASecondsAfterNoon);
}

QStringList Titles(const TNoteArray& ANotes)
{
    QStringList out;
    for (const TNote& n : ANotes)
        out << n.Title;
    return out;
}

QStringList TagSummary(const TNoteTagArray& ATags)
{
    QStringList out;
    for (const TNoteTag& t : ATags)
        out << QStringLiteral("%1:%2").arg(t.Name).arg(t.NoteCount);
    return out;
}

QStringList Spans(const TAnnotationArray& AAnnotations)
{
    QStringList out;
    for (const TAnnotation& a : AAnnotations)
        out << a.SpanId;
    return out;
}

} // namespace

class TestStore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir FDir;
    int FSerial = 0;
    int FClockSeconds = 0;

    QString NewPath() { return FDir.filePath(QStringLiteral("s%1.db").arg(++FSerial)); }
    // A clock that the test moves on by hand.
    void UseManualClock(int AStart = 0)
    {
        FClockSeconds = AStart;
        SetClock([this] { return LocalTime(FClockSeconds); });
    }
    int64_t Count(TDatabase& ADb, const QString& ASQL)
    {
        return ScalarInt(TDatabaseTestAccess::Conn(ADb), ASQL);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(FDir.isValid());
        // A zone half an hour off a whole hour, so an offset applied anywhere shows.
        qputenv("TZ", "IST-5:30");
        tzset();
    }

    void cleanup()
    {
        SetClock(nullptr);
        SetProgramFolder(QString());
    }

    // ---- plain text of a body

    void stripHTML_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("plain text") << "just words"
                                    << "just words";
        QTest::newRow("adjacent paragraphs") << "x<p>one</p><p>two</p>y"
                                             << "x one two y";
        QTest::newRow("upper-case block tags") << "x<P>one</P><DIV>two</DIV>y"
                                               << "x one two y";
        QTest::newRow("line breaks") << "a<br>b<br/>c<br />d"
                                     << "a b c d";
        QTest::newRow("list items") << "x<ul><li>a</li><li>b</li></ul><ol><li>c</li></ol>y"
                                    << "x a b c y";
        QTest::newRow("headings")
            << "<h1>T</h1>a<h2>U</h2>b<h3>V</h3>c<h4>W</h4>d<h5>X</h5>e<h6>Y</h6>f"
            << "T a U b V c W d X e Y f";
        QTest::newRow("quote and pre") << "x<blockquote>q</blockquote><pre>c</pre>y"
                                       << "x q c y";
        QTest::newRow("table cells") << "x<table><tr><th>h</th><td>1</td><td>2</td></tr></table>y"
                                     << "x h 1 2 y";
        QTest::newRow("rule") << "a<hr>b"
                              << "a b";
        QTest::newRow("block tag with attributes") << "x<p class=\"c\" id='p1'>a</p>b"
                                                   << "x a b";
        QTest::newRow("blank before a block stays single") << "one <p>two"
                                                           << "one two";
        QTest::newRow("inline tags join") << "<b>on</b>e <i>t</i><u>w</u>o"
                                          << "one two";
        QTest::newRow("span, anchor and font join")
            << "<span>sp</span><a href=\"x\">li</a><font color=red>t</font>"
            << "split";
        QTest::newRow("tags that only start like block tags join")
            << "<param>a</param><pa>b</pa><tbody>c</tbody>"
            << "abc";
        QTest::newRow("character references stay encoded") << "fish &amp; chips &lt;3 &#8364;"
                                                           << "fish &amp; chips &lt;3 &#8364;";
        QTest::newRow("stray greater-than sign dropped") << "a > b"
                                                         << "a  b";
        QTest::newRow("greater-than without blanks") << "a>b"
                                                     << "ab";
        QTest::newRow("unclosed tag drops the rest") << "text <b unclosed and more"
                                                     << "text ";
        QTest::newRow("unclosed block tag adds nothing") << "text<p"
                                                         << "text";
        QTest::newRow("UTF-8 passes unchanged") << "x<p>Größe</p><p>日本</p>y"
                                                << "x Größe 日本 y";
        QTest::newRow("comment") << "a<!-- note -->b"
                                 << "ab";
    }

    void stripHTML()
    {
        QFETCH(QString, html);
        QFETCH(QString, text);
        QCOMPARE(TDatabaseTestAccess::StripHTML(html), text);
    }

    void searchFindsWordsAtBlockBoundaries()
    {
        TDatabase db(NewPath());
        const int64_t nb = db.CreateNotebook(QStringLiteral("N"), 0);
        const int64_t note = db.CreateNote(nb, QStringLiteral("Body"));
        db.SaveNote(note, QStringLiteral("Body"), QString(),
                    QStringLiteral("<p>alpha</p><p>bravo</p><ul><li>charlie</li></ul>delta<br>echo "
                                   "<b>fox</b>trot"));
        for (const char* word : {"alpha", "bravo", "charlie", "delta", "echo", "foxtrot"}) {
            const TSearchResultArray hits =
                db.SearchNotes(QString::fromLatin1(word), nsByTitle, nsdAsc);
            QVERIFY2(hits.size() == 1, word);
            QVERIFY2(hits[0].Snippet.contains(QStringLiteral("<b>%1</b>").arg(word)), word);
        }
        QCOMPARE(db.SearchNotes(QStringLiteral("alphabravo"), nsByTitle, nsdAsc).size(), size_t(0));
        QCOMPARE(db.SearchNotes(QStringLiteral("fox"), nsByTitle, nsdAsc).size(), size_t(0));
    }

    // ---- time stamps

    void nowTSIsLocalWallClockAsUTC()
    {
        QCOMPARE(QDateTime::currentDateTime().offsetFromUtc(), 5 * 3600 + 1800);
        TDatabase db(NewPath());
        SetClock([] { return LocalTime(0, 750); });
        QCOMPARE(TDatabaseTestAccess::NowTS(db), kNoon);
        // The system clock: local time read as if it were UTC.
        SetClock(nullptr);
        const int64_t offset = TDatabaseTestAccess::NowTS(db) - QDateTime::currentSecsSinceEpoch();
        QVERIFY2(qAbs(offset - (5 * 3600 + 1800)) <= 1, qPrintable(QString::number(offset)));
    }

    void writesInOneSecondShareATimeStamp()
    {
        TDatabase db(NewPath());
        int ms = 100;
        int seconds = 0;
        SetClock([&] { return LocalTime(seconds, ms); });
        const int64_t nb = db.CreateNotebook(QStringLiteral("N"), 0);
        const int64_t note = db.CreateNote(nb, QStringLiteral("T"));
        ms = 900;
        db.SaveNote(note, QStringLiteral("T"), QString(), QString());
        int64_t created = 0, modified = 0;
        db.GetNoteDates(note, created, modified);
        QCOMPARE(created, kNoon);
        QCOMPARE(modified, kNoon);
        seconds = 1;
        ms = 0;
        db.MoveNote(note, nb);
        db.GetNoteDates(note, created, modified);
        QCOMPARE(created, kNoon);
        QCOMPARE(modified, kNoon + 1);
        QCOMPARE(Count(db, QStringLiteral("SELECT created_at FROM notebooks")), kNoon);
        QCOMPARE(Count(db, QStringLiteral("SELECT updated_at FROM notebooks")), kNoon);
    }

    // ---- notebooks and notes

    void notebookListSortsNamesByBytes()
    {
        TDatabase db(NewPath());
        const int64_t alpha = db.CreateNotebook(QStringLiteral("alpha"), 0);
        db.CreateNotebook(QStringLiteral("Zeta"), 0);
        const int64_t child = db.CreateNotebook(QStringLiteral("beta"), alpha);
        db.CreateNotebook(QStringLiteral("Ärger"), 0);
        db.CreateNotebook(QStringLiteral("Mid"), 0);
        db.CreateNotebook(QStringLiteral("Orphan"), 999);
        db.CreateNote(alpha, QStringLiteral("a1"));
        db.CreateNote(alpha, QStringLiteral("a2"));
        db.CreateNote(child, QStringLiteral("b1"));
        const TNotebookArray list = db.GetNotebooks();
        QStringList got;
        for (const TNotebook& nb : list)
            got << QStringLiteral("%1/%2:%3:%4")
                       .arg(nb.ParentId)
                       .arg(nb.Name)
                       .arg(nb.NoteCount)
                       .arg(nb.SortOrder);
        QCOMPARE(got, (QStringList{"0/Mid:0:0", "0/Zeta:0:0", "0/alpha:2:0", "0/Ärger:0:0",
                                   QStringLiteral("%1/beta:1:0").arg(alpha), "999/Orphan:0:0"}));
        db.RenameNotebook(child, QStringLiteral("Aardvark"));
        QCOMPARE(db.GetNotebooks().at(4).Name, QStringLiteral("Aardvark"));
    }

    void noteLists_data()
    {
        QTest::addColumn<int>("sort");
        QTest::addColumn<int>("dir");
        QTest::addColumn<QStringList>("titles");
        // apple: created first, changed last; Banana: created second; cherry: created last.
        QTest::newRow("title ascending, letter case ignored")
            << int(nsByTitle) << int(nsdAsc) << QStringList{"apple", "Banana", "cherry"};
        QTest::newRow("title descending")
            << int(nsByTitle) << int(nsdDesc) << QStringList{"cherry", "Banana", "apple"};
        QTest::newRow("modified descending")
            << int(nsByModified) << int(nsdDesc) << QStringList{"apple", "cherry", "Banana"};
        QTest::newRow("modified ascending")
            << int(nsByModified) << int(nsdAsc) << QStringList{"Banana", "cherry", "apple"};
        QTest::newRow("created descending")
            << int(nsByCreated) << int(nsdDesc) << QStringList{"cherry", "Banana", "apple"};
        QTest::newRow("created ascending")
            << int(nsByCreated) << int(nsdAsc) << QStringList{"apple", "Banana", "cherry"};
    }

    void noteLists()
    {
        QFETCH(int, sort);
        QFETCH(int, dir);
        QFETCH(QStringList, titles);
        UseManualClock();
        TDatabase db(NewPath());
        const int64_t nb = db.CreateNotebook(QStringLiteral("Fruit"), 0);
        const int64_t other = db.CreateNotebook(QStringLiteral("Other"), 0);
        const int64_t apple = db.CreateNote(other, QStringLiteral("apple"));
        FClockSeconds = 10;
        const int64_t banana = db.CreateNote(nb, QStringLiteral("Banana"));
        FClockSeconds = 15;
        db.SaveNote(banana, QStringLiteral("Banana"), QStringLiteral("yellow"),
                    QStringLiteral("<p>body</p>"));
        FClockSeconds = 20;
        const int64_t cherry = db.CreateNote(nb, QStringLiteral("cherry"));
        db.AddTagToNote(banana, QStringLiteral("fruit"));
        db.AddTagToNote(banana, QStringLiteral("sweet"));
        db.AddTagToNote(apple, QStringLiteral("fruit"));
        db.AddTagToNote(cherry, QStringLiteral("fruit"));
        FClockSeconds = 30;
        // A move counts as a change.
        db.MoveNote(apple, nb);
        TSQLConnection& c = TDatabaseTestAccess::Conn(db);
        Exec(c,
             QStringLiteral("UPDATE notes SET sort_order=7, summary=NULL WHERE id=%1").arg(cherry));
        // A note whose notebook row is gone is in no list.
        Exec(c, QStringLiteral("INSERT INTO notes (notebook_id, title, created_at, updated_at) "
                               "VALUES (%1, 'lost', 1, 1)")
                    .arg(nb + 100));
        db.AddTagToNote(c.LastInsertRowId(), QStringLiteral("fruit"));

        const int64_t fruit = db.EnsureTag(QStringLiteral("fruit"));
        const TNoteArray byNotebook = db.GetNotesByNotebook(nb, TNoteSort(sort), TNoteSortDir(dir));
        const TNoteArray byTag = db.GetNotesByTag(fruit, TNoteSort(sort), TNoteSortDir(dir));
        QCOMPARE(Titles(byNotebook), titles);
        QCOMPARE(Titles(byTag), titles);
        for (const TNote& n : byNotebook) {
            QCOMPARE(n.NotebookId, nb);
            QCOMPARE(n.NotebookName, QStringLiteral("Fruit"));
            QVERIFY(n.Body.isEmpty());
            QCOMPARE(n.SortOrder, 0);
            if (n.Id == banana) {
                QCOMPARE(n.Summary, QStringLiteral("yellow"));
                QCOMPARE(n.TagCount, 2);
                QCOMPARE(n.CreatedAt, kNoon + 10);
                QCOMPARE(n.UpdatedAt, kNoon + 15);
            } else if (n.Id == cherry) {
                QCOMPARE(n.Summary, QString());
                QCOMPARE(n.TagCount, 1);
            } else {
                QCOMPARE(n.Id, apple);
                QCOMPARE(n.CreatedAt, kNoon);
                QCOMPARE(n.UpdatedAt, kNoon + 30);
            }
        }
        QCOMPARE(db.GetNotesByNotebook(other, TNoteSort(sort), TNoteSortDir(dir)).size(),
                 size_t(0));
    }

    void getNote()
    {
        UseManualClock();
        TDatabase db(NewPath());
        const int64_t nb = db.CreateNotebook(QStringLiteral("Cases"), 0);
        const int64_t id = db.CreateNote(nb, QStringLiteral("Title"));
        FClockSeconds = 60;
        db.SaveNote(id, QStringLiteral("New title"), QStringLiteral("Sum"),
                    QStringLiteral("<p>Body &amp; more</p>"));
        db.AddTagToNote(id, QStringLiteral("t"));
        TNote n = db.GetNote(id);
        QCOMPARE(n.Id, id);
        QCOMPARE(n.NotebookId, nb);
        QCOMPARE(n.NotebookName, QStringLiteral("Cases"));
        QCOMPARE(n.Title, QStringLiteral("New title"));
        QCOMPARE(n.Summary, QStringLiteral("Sum"));
        QCOMPARE(n.Body, QStringLiteral("<p>Body &amp; more</p>"));
        QCOMPARE(n.UpdatedAt, kNoon + 60);
        QCOMPARE(n.CreatedAt, 0);
        QCOMPARE(n.TagCount, 0);
        QCOMPARE(n.SortOrder, 0);
        QCOMPARE(Scalar(TDatabaseTestAccess::Conn(db),
                        QStringLiteral("SELECT body_text FROM notes WHERE id=%1").arg(id)),
                 QStringLiteral("Body &amp; more "));

        // A missing note, and a note whose notebook row is gone.
        int64_t created = -1, modified = -1;
        for (int64_t missing : {int64_t(0), int64_t(999)}) {
            n = db.GetNote(missing);
            QCOMPARE(n.Id, 0);
            QVERIFY(n.Title.isEmpty() && n.Body.isEmpty() && n.NotebookName.isEmpty());
            db.GetNoteDates(missing, created, modified);
            QCOMPARE(created, 0);
            QCOMPARE(modified, 0);
        }
        db.MoveNote(id, nb + 50);
        QCOMPARE(db.GetNote(id).Id, 0);
        db.GetNoteDates(id, created, modified);
        QCOMPARE(created, kNoon);
        QCOMPARE(modified, kNoon + 60);
    }

    // A note written in one go is the note CreateNote and SaveNote leave: the same row, the
    // clock read for each of the two dates, and the same words at the same places in the
    // full-text index (read through the index's own vocabulary, not through the store).
    void createNoteWithBodyIsCreateThenSave()
    {
        const QString title = QStringLiteral("Minutes of March");
        const QString body = QStringLiteral("<h1>Budget</h1><p>walrus <b>tusk</b>&amp; ivory</p>");
        QStringList rows[2], entries[2];
        for (int way = 0; way < 2; ++way) {
            int reads = 0;
            SetClock([&reads] { return LocalTime(reads++); });
            TDatabase db(NewPath());
            const int64_t nb = db.CreateNotebook(QStringLiteral("N"), 0);
            int64_t id;
            if (way == 0) {
                id = db.CreateNote(nb, title);
                db.SaveNote(id, title, QStringLiteral("sum"), body);
            } else {
                id = db.CreateNoteWithBody(nb, title, QStringLiteral("sum"), body);
            }
            QCOMPARE(id, 1);
            TSQLConnection& c = TDatabaseTestAccess::Conn(db);
            rows[way] = Column(
                c, QStringLiteral("SELECT id || '|' || notebook_id || '|' || title || '|' || "
                                  "summary || '|' || body || '|' || body_text || '|' || "
                                  "created_at || '|' || updated_at || '|' || sort_order "
                                  "FROM notes"));
            Exec(c, QStringLiteral("CREATE VIRTUAL TABLE temp.words USING "
                                   "fts5vocab(main, notes_fts, instance)"));
            entries[way] = Column(c, QStringLiteral("SELECT term || '@' || doc || ':' || col || "
                                                    "':' || offset FROM temp.words"));
            Exec(c, QStringLiteral("INSERT INTO notes_fts(notes_fts, rank) "
                                   "VALUES('integrity-check', 1)"));
            QCOMPARE(db.SearchNotes(QStringLiteral("tusk"), nsByTitle, nsdAsc).size(), size_t(1));
        }
        QCOMPARE(rows[0].size(), 1);
        QCOMPARE(rows[1], rows[0]);
        QVERIFY(rows[0].first().endsWith(QStringLiteral("|%1|%2|0").arg(kNoon + 1).arg(kNoon + 2)));
        QVERIFY(entries[0].contains(QStringLiteral("walrus@1:body_text:1")));
        QCOMPARE(entries[1], entries[0]);
    }

    // Deleting a notebook removes its notes with their rows but leaves their tags, counted 0,
    // until the next removal of orphan tags.
    void deleteNotebook()
    {
        TDatabase db(NewPath());
        const int64_t a = db.CreateNotebook(QStringLiteral("A"), 0);
        const int64_t sub = db.CreateNotebook(QStringLiteral("Sub"), a);
        const int64_t b = db.CreateNotebook(QStringLiteral("B"), 0);
        const int64_t n1 = db.CreateNote(a, QStringLiteral("n1"));
        const int64_t n2 = db.CreateNote(b, QStringLiteral("n2"));
        const int64_t n3 = db.CreateNote(sub, QStringLiteral("n3"));
        db.SaveNote(n1, QStringLiteral("n1"), QString(), QStringLiteral("<p>walrus</p>"));
        for (int64_t n : {n1, n2}) {
            db.AddTagToNote(n, QStringLiteral("shared"));
            db.CreateAnnotation(n, QStringLiteral("s"), QString(), QString());
            db.AddLink(n, QStringLiteral("u"), QString());
            db.AddAttachment(n, QStringLiteral("f"), QString(), QStringLiteral("attachments/f"), 1);
        }
        db.AddTagToNote(n1, QStringLiteral("onlyA"));
        db.AddTagToNote(n3, QStringLiteral("sub"));
        db.DeleteNotebook(a, true);

        QStringList names;
        for (const TNotebook& nb : db.GetNotebooks())
            names << nb.Name;
        QCOMPARE(names, (QStringList{"B", "Sub"}));
        QCOMPARE(Count(db, QStringLiteral("SELECT COUNT(*) FROM notes WHERE id=%1").arg(n1)), 0);
        for (const char* t : {"annotations", "note_links", "attachments", "note_note_tags"}) {
            QCOMPARE(Count(db, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE note_id=%2")
                                   .arg(QLatin1String(t))
                                   .arg(n1)),
                     0);
            QCOMPARE(Count(db, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE note_id=%2")
                                   .arg(QLatin1String(t))
                                   .arg(n2)),
                     1);
        }
        QCOMPARE(Count(db, QStringLiteral("SELECT COUNT(*) FROM notes_fts WHERE notes_fts MATCH "
                                          "'walrus'")),
                 0);
        QCOMPARE(db.GetNotesByNotebook(sub, nsByTitle, nsdAsc).size(), size_t(1));
        QCOMPARE(TagSummary(db.GetAllNoteTags()), (QStringList{"onlyA:0", "shared:1", "sub:1"}));
        // The next note deletion anywhere removes the orphan.
        db.DeleteNote(n3);
        QCOMPARE(TagSummary(db.GetAllNoteTags()), (QStringList{"shared:1"}));

        // Without its notes only the notebook row goes.
        db.DeleteNotebook(b, false);
        QCOMPARE(Count(db, QStringLiteral("SELECT COUNT(*) FROM notes WHERE id=%1").arg(n2)), 1);
        QCOMPARE(db.GetNotesByNotebook(b, nsByTitle, nsdAsc).size(), size_t(0));
    }

    void deleteNote()
    {
        TDatabase db(NewPath());
        const int64_t nb = db.CreateNotebook(QStringLiteral("N"), 0);
        const int64_t doomed = db.CreateNote(nb, QStringLiteral("doomed"));
        const int64_t kept = db.CreateNote(nb, QStringLiteral("kept"));
        db.SaveNote(doomed, QStringLiteral("doomed"), QString(), QStringLiteral("<p>narwhal</p>"));
        for (int64_t n : {doomed, kept}) {
            db.AddTagToNote(n, QStringLiteral("shared"));
            db.CreateAnnotation(n, QStringLiteral("s"), QString(), QString());
            db.AddLink(n, QStringLiteral("u"), QString());
            db.AddAttachment(n, QStringLiteral("f"), QString(), QStringLiteral("attachments/f"), 1);
        }
        db.AddTagToNote(doomed, QStringLiteral("mine"));
        db.DeleteNote(doomed);
        QCOMPARE(db.GetNote(doomed).Id, 0);
        for (const char* t : {"annotations", "note_links", "attachments", "note_note_tags"}) {
            QCOMPARE(Count(db, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE note_id=%2")
                                   .arg(QLatin1String(t))
                                   .arg(doomed)),
                     0);
            QCOMPARE(Count(db, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE note_id=%2")
                                   .arg(QLatin1String(t))
                                   .arg(kept)),
                     1);
        }
        QCOMPARE(Count(db, QStringLiteral("SELECT COUNT(*) FROM notes_fts WHERE notes_fts MATCH "
                                          "'narwhal'")),
                 0);
        QCOMPARE(TagSummary(db.GetAllNoteTags()), (QStringList{"shared:1"}));
        // A deleted id is never handed out again.
        QVERIFY(db.CreateNote(nb, QStringLiteral("next")) > kept);
    }

    void duplicateNote()
    {
        QTemporaryDir program;
        SetProgramFolder(program.path());
        const QString store = program.filePath(QStringLiteral("attachments"));
        QVERIFY(QDir().mkpath(store));
        WriteFile(store + QStringLiteral("/0001.pdf"), "%PDF-1");
        WriteFile(store + QStringLiteral("/0002"), "readme");
        // A folder where a file is expected cannot be copied: that attachment is left out.
        QVERIFY(QDir().mkpath(store + QStringLiteral("/0004.bin")));

        UseManualClock();
        TDatabase db(program.filePath(QStringLiteral("quorvel.db")));
        const int64_t nb = db.CreateNotebook(QStringLiteral("N"), 0);
        const int64_t src = db.CreateNote(nb, QStringLiteral("Memo"));
        db.SaveNote(src, QStringLiteral("Memo"), QStringLiteral("sum"),
                    QStringLiteral("<p>a <span id=\"an1\">marked</span> word</p>"));
        Exec(TDatabaseTestAccess::Conn(db),
             QStringLiteral("UPDATE notes SET sort_order=7 WHERE id=%1").arg(src));
        db.AddTagToNote(src, QStringLiteral("beta"));
        db.AddTagToNote(src, QStringLiteral("Alpha"));
        db.AddLink(src, QStringLiteral("https://a.example"), QStringLiteral("A"));
        db.AddLink(src, QStringLiteral("https://b.example"), QString());
        db.CreateAnnotation(src, QStringLiteral("an1"), QStringLiteral("marked"),
                            QStringLiteral("why"));
        db.AddAttachment(src, QStringLiteral("Report.PDF"), QStringLiteral("application/pdf"),
                         QStringLiteral("attachments/0001.pdf"), 999);
        db.AddAttachment(src, QStringLiteral("README"), QStringLiteral("text/plain"),
                         QStringLiteral("attachments/0002"), 6);
        db.AddAttachment(src, QStringLiteral("gone.txt"), QStringLiteral("text/plain"),
                         QStringLiteral("attachments/0003.txt"), 1);
        db.AddAttachment(src, QStringLiteral("old.doc"), QStringLiteral("application/msword"),
                         QString(), 5);
        db.AddAttachment(src, QStringLiteral("dir.bin"), QString(),
                         QStringLiteral("attachments/0004.bin"), 1);

        FClockSeconds = 100;
        const int64_t copy = db.DuplicateNote(src);
        QVERIFY(copy > src);
        const TNote n = db.GetNote(copy);
        QCOMPARE(n.Title, QStringLiteral("Memo (copy)"));
        QCOMPARE(n.NotebookId, nb);
        QCOMPARE(n.Summary, QStringLiteral("sum"));
        QCOMPARE(n.Body, db.GetNote(src).Body);
        TSQLConnection& c = TDatabaseTestAccess::Conn(db);
        QCOMPARE(Scalar(c, QStringLiteral("SELECT sort_order || '|' || created_at || '|' || "
                                          "updated_at || '|' || body_text FROM notes WHERE id=%1")
                               .arg(copy)),
                 QStringLiteral("7|%1|%1|a marked word ").arg(kNoon + 100));
        QCOMPARE(TagSummary(db.GetNoteTagsForNote(copy)), (QStringList{"Alpha:0", "beta:0"}));
        const TNoteLinkArray links = db.GetLinks(copy);
        QCOMPARE(links.size(), size_t(2));
        QCOMPARE(links[0].Url, QStringLiteral("https://a.example"));
        QCOMPARE(links[0].LinkLabel, QStringLiteral("A"));
        QCOMPARE(links[1].LinkLabel, QString());
        QCOMPARE(links[0].CreatedAt, kNoon + 100);
        const TAnnotationArray notes = db.GetAnnotationsByNote(copy);
        QCOMPARE(notes.size(), size_t(1));
        QCOMPARE(notes[0].SpanId, QStringLiteral("an1"));
        QCOMPARE(notes[0].Snippet, QStringLiteral("marked"));
        QCOMPARE(notes[0].Body, QStringLiteral("why"));

        // Only the two stored files that exist are copied, under new names.
        TNoteAttachmentArray files = db.GetAttachments(copy);
        QCOMPARE(files.size(), size_t(2));
        // Made in the same second, so either may come first.
        if (files[0].FileName != QLatin1String("Report.PDF"))
            std::swap(files[0], files[1]);
        const QString guid = QStringLiteral("[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-"
                                            "[0-9a-f]{12}");
        QCOMPARE(files[0].FileName, QStringLiteral("Report.PDF"));
        QCOMPARE(files[0].MimeType, QStringLiteral("application/pdf"));
        QCOMPARE(files[0].FileSize, 999);
        QCOMPARE(files[0].CreatedAt, kNoon + 100);
        QVERIFY2(QRegularExpression(QStringLiteral("^attachments/%1\\.pdf$").arg(guid))
                     .match(files[0].FilePath)
                     .hasMatch(),
                 qPrintable(files[0].FilePath));
        QCOMPARE(files[1].FileName, QStringLiteral("README"));
        QVERIFY2(QRegularExpression(QStringLiteral("^attachments/%1$").arg(guid))
                     .match(files[1].FilePath)
                     .hasMatch(),
                 qPrintable(files[1].FilePath));
        QCOMPARE(FileBytes(program.filePath(files[0].FilePath)), QByteArray("%PDF-1"));
        QCOMPARE(FileBytes(program.filePath(files[1].FilePath)), QByteArray("readme"));
        // Nothing else was written into the attachment folder.
        QCOMPARE(QDir(store).entryList(QDir::Files).size(), 4);
        // The source keeps its own records and files.
        QCOMPARE(db.GetAttachments(src).size(), size_t(5));
        QCOMPARE(FileBytes(store + QStringLiteral("/0001.pdf")), QByteArray("%PDF-1"));

        // A copy of the copy.
        const int64_t second = db.DuplicateNote(copy);
        QCOMPARE(db.GetNote(second).Title, QStringLiteral("Memo (copy) (copy)"));
        QVERIFY(db.GetAttachments(second).at(0).FilePath != files[0].FilePath);
        QCOMPARE(TagSummary(db.GetAllNoteTags()), (QStringList{"Alpha:3", "beta:3"}));

        // A missing note gives 0 and writes nothing.
        const int64_t before = Count(db, QStringLiteral("SELECT COUNT(*) FROM notes"));
        QCOMPARE(db.DuplicateNote(12345), 0);
        QCOMPARE(Count(db, QStringLiteral("SELECT COUNT(*) FROM notes")), before);
    }

    // ---- note tags

    void tagNamesFoldASCIICaseOnly()
    {
        TDatabase db(NewPath());
        const int64_t nb = db.CreateNotebook(QStringLiteral("N"), 0);
        const int64_t n1 = db.CreateNote(nb, QStringLiteral("1"));
        const int64_t n2 = db.CreateNote(nb, QStringLiteral("2"));
        db.AddTagToNote(n1, QStringLiteral("Tax"));
        db.AddTagToNote(n2, QStringLiteral("tax"));
        db.AddTagToNote(n1, QStringLiteral("Äpfel"));
        db.AddTagToNote(n2, QStringLiteral("äpfel"));
        db.AddTagToNote(n1, QStringLiteral("beta"));
        db.AddTagToNote(n1, QStringLiteral("Alpha"));
        QCOMPARE(TagSummary(db.GetAllNoteTags()),
                 (QStringList{"Alpha:1", "beta:1", "Tax:2", "Äpfel:1", "äpfel:1"}));
        QCOMPARE(TagSummary(db.GetNoteTagsForNote(n1)),
                 (QStringList{"Alpha:0", "beta:0", "Tax:0", "Äpfel:0"}));
        QCOMPARE(db.EnsureTag(QStringLiteral("TAX")), db.GetAllNoteTags().at(2).Id);
        QCOMPARE(Titles(db.GetNotesByTag(db.EnsureTag(QStringLiteral("tax")), nsByTitle, nsdAsc)),
                 (QStringList{"1", "2"}));
    }

    void addTagTrimsAndIgnoresRepeats_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("stored");
        QTest::newRow("plain") << "work"
                               << "work";
        QTest::newRow("blanks around") << "  work  "
                                       << "work";
        QTest::newRow("control characters around") << "\t\r\nwork\x01\x1f"
                                                   << "work";
        QTest::newRow("inner blank kept") << " two words "
                                          << "two words";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("only blanks") << "   "
                                     << "";
        QTest::newRow("only control characters") << "\t\n\x7"
                                                 << "";
    }

    void addTagTrimsAndIgnoresRepeats()
    {
        QFETCH(QString, name);
        QFETCH(QString, stored);
        TTrace trace;
        TDatabase db(NewPath());
        const int64_t note = db.CreateNote(db.CreateNotebook(QStringLiteral("N"), 0), {});
        trace.Clear();
        db.AddTagToNote(note, name);
        if (stored.isEmpty()) {
            QVERIFY(trace.Statements().isEmpty());
            QCOMPARE(db.GetAllNoteTags().size(), size_t(0));
            return;
        }
        db.AddTagToNote(note, name);
        db.AddTagToNote(note, stored);
        QCOMPARE(TagSummary(db.GetAllNoteTags()), QStringList{stored + QStringLiteral(":1")});
    }

    void ensureTagDoesNotTrim()
    {
        TDatabase db(NewPath());
        const int64_t plain = db.EnsureTag(QStringLiteral("x"));
        const int64_t padded = db.EnsureTag(QStringLiteral(" x"));
        QVERIFY(plain != padded);
        QCOMPARE(db.EnsureTag(QStringLiteral("X")), plain);
        QCOMPARE(TagSummary(db.GetAllNoteTags()), (QStringList{" x:0", "x:0"}));
    }

    void removeTag()
    {
        TDatabase db(NewPath());
        const int64_t nb = db.CreateNotebook(QStringLiteral("N"), 0);
        const int64_t n1 = db.CreateNote(nb, QStringLiteral("1"));
        const int64_t n2 = db.CreateNote(nb, QStringLiteral("2"));
        db.AddTagToNote(n1, QStringLiteral("both"));
        db.AddTagToNote(n2, QStringLiteral("both"));
        db.AddTagToNote(n1, QStringLiteral("one"));
        const int64_t both = db.EnsureTag(QStringLiteral("both"));
        db.RemoveTagFromNote(n1, both);
        QCOMPARE(TagSummary(db.GetAllNoteTags()), (QStringList{"both:1", "one:1"}));
        db.RemoveTagFromNote(n1, db.EnsureTag(QStringLiteral("one")));
        QCOMPARE(TagSummary(db.GetAllNoteTags()), (QStringList{"both:1"}));
        db.RemoveTagFromNote(n2, both);
        QCOMPARE(db.GetAllNoteTags().size(), size_t(0));

        // Removing a tag the note does not carry, or one that does not exist, changes nothing.
        db.AddTagToNote(n1, QStringLiteral("first"));
        db.AddTagToNote(n2, QStringLiteral("second"));
        db.RemoveTagFromNote(n2, db.EnsureTag(QStringLiteral("first")));
        db.RemoveTagFromNote(n2, 4242);
        db.RemoveTagFromNote(4242, db.EnsureTag(QStringLiteral("second")));
        QCOMPARE(TagSummary(db.GetAllNoteTags()), (QStringList{"first:1", "second:1"}));
        QCOMPARE(TagSummary(db.GetNoteTagsForNote(n1)), QStringList{"first:0"});
        QCOMPARE(TagSummary(db.GetNoteTagsForNote(n2)), QStringList{"second:0"});
    }

    // ---- attachment, link and annotation records

    void attachments()
    {
        UseManualClock(50);
        TDatabase db(NewPath());
        const int64_t note = 77; // no such note: the records are stored all the same
        const int64_t later =
            db.AddAttachment(note, QStringLiteral("b.png"), QStringLiteral("image/png"),
                             QStringLiteral("attachments/b.png"), 2048);
        FClockSeconds = 10;
        const int64_t earlier =
            db.AddAttachment(note, QStringLiteral("a.txt"), QString(), QString(), 3);
        db.AddAttachment(note + 1, QStringLiteral("c"), QString(), QStringLiteral("attachments/c"),
                         1);
        const TNoteAttachmentArray list = db.GetAttachments(note);
        QCOMPARE(list.size(), size_t(2));
        QCOMPARE(list[0].Id, earlier);
        QCOMPARE(list[1].Id, later);
        QCOMPARE(list[1].NoteId, note);
        QCOMPARE(list[1].FileName, QStringLiteral("b.png"));
        QCOMPARE(list[1].MimeType, QStringLiteral("image/png"));
        QCOMPARE(list[1].FilePath, QStringLiteral("attachments/b.png"));
        QCOMPARE(list[1].FileSize, 2048);
        QCOMPARE(list[1].CreatedAt, kNoon + 50);
        QCOMPARE(db.GetAttachmentFilePaths(note), TStringArray{"attachments/b.png"});
        db.DeleteAttachment(later);
        QCOMPARE(db.GetAttachments(note).size(), size_t(1));
        QCOMPARE(db.GetAttachmentFilePaths(note), TStringArray{});
        QCOMPARE(db.GetAttachments(note + 1).size(), size_t(1));
    }

    void links()
    {
        UseManualClock(20);
        TDatabase db(NewPath());
        const int64_t newer =
            db.AddLink(5, QStringLiteral("https://b.example/?q=1&r='2'"), QString());
        FClockSeconds = 0;
        const int64_t older =
            db.AddLink(5, QStringLiteral("https://a.example"), QStringLiteral("Label"));
        const TNoteLinkArray list = db.GetLinks(5);
        QCOMPARE(list.size(), size_t(2));
        QCOMPARE(list[0].Id, older);
        QCOMPARE(list[0].LinkLabel, QStringLiteral("Label"));
        QCOMPARE(list[0].NoteId, 5);
        QCOMPARE(list[1].Url, QStringLiteral("https://b.example/?q=1&r='2'"));
        QCOMPARE(list[1].LinkLabel, QString());
        QCOMPARE(list[1].CreatedAt, kNoon + 20);
        db.DeleteLink(newer);
        QCOMPARE(db.GetLinks(5).size(), size_t(1));
        QCOMPARE(db.GetLinks(6).size(), size_t(0));
    }

    void annotations()
    {
        UseManualClock();
        TDatabase db(NewPath());
        const int64_t a = db.CreateAnnotation(3, QStringLiteral("sp1"), QStringLiteral("text"),
                                              QStringLiteral("first"));
        FClockSeconds = 40;
        db.UpdateAnnotation(a, QString());
        TAnnotationArray list = db.GetAnnotationsByNote(3);
        QCOMPARE(list.size(), size_t(1));
        QCOMPARE(list[0].Id, a);
        QCOMPARE(list[0].NoteId, 3);
        QCOMPARE(list[0].SpanId, QStringLiteral("sp1"));
        QCOMPARE(list[0].Snippet, QStringLiteral("text"));
        QCOMPARE(list[0].Body, QString());
        QCOMPARE(list[0].CreatedAt, kNoon);
        db.DeleteAnnotation(a);
        QCOMPARE(db.GetAnnotationsByNote(3).size(), size_t(0));
    }

    void syncAnnotations_data()
    {
        QTest::addColumn<QStringList>("keep");
        QTest::addColumn<QStringList>("left");
        const QString hostile = QStringLiteral("x') OR ('1'='1");
        const QStringList all{"a", "it's", hostile, "b"};
        QTest::newRow("empty keep list") << QStringList{} << QStringList{};
        QTest::newRow("keep all") << all << all;
        QTest::newRow("span id with a quote") << QStringList{"it's"} << QStringList{"it's"};
        QTest::newRow("span id that reads as SQL") << QStringList{hostile} << QStringList{hostile};
        QTest::newRow("unknown ids") << QStringList{"zz", "a", "'"} << QStringList{"a"};
        QTest::newRow("ids of another note only") << QStringList{"z"} << QStringList{};
        QTest::newRow("repeated ids") << QStringList{"b", "b", "a"} << QStringList{"a", "b"};
    }

    void syncAnnotations()
    {
        QFETCH(QStringList, keep);
        QFETCH(QStringList, left);
        TTrace trace;
        TDatabase db(NewPath());
        const QString hostile = QStringLiteral("x') OR ('1'='1");
        for (const QString& s :
             {QStringLiteral("a"), QStringLiteral("it's"), hostile, QStringLiteral("b")})
            db.CreateAnnotation(1, s, QString(), QString());
        db.CreateAnnotation(2, QStringLiteral("a"), QString(), QString());
        db.CreateAnnotation(2, QStringLiteral("z"), QString(), QString());
        trace.Clear();
        const TStringArray keepIds(keep.begin(), keep.end());
        const int32_t deleted = db.SyncAnnotations(1, keepIds);
        QStringList got = Spans(db.GetAnnotationsByNote(1));
        got.sort();
        left.sort();
        QCOMPARE(got, left);
        QCOMPARE(deleted, 4 - int(left.size()));
        QCOMPARE(trace.Count(QStringLiteral("COMMIT")), deleted > 0 ? 1 : 0);
        QCOMPARE(Spans(db.GetAnnotationsByNote(2)), (QStringList{"a", "z"}));
        // A note without annotations.
        trace.Clear();
        QCOMPARE(db.SyncAnnotations(3, keepIds), 0);
        QCOMPARE(trace.Count(QStringLiteral("COMMIT")), 0);
    }

    // ---- settings

    void settingInt_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("value");
        QTest::newRow("missing") << "missing"
                                 << "" << 42;
        QTest::newRow("NULL") << "null"
                              << "" << 42;
        QTest::newRow("empty") << "text"
                               << "" << 42;
        QTest::newRow("number") << "text"
                                << "7" << 7;
        QTest::newRow("negative") << "text"
                                  << "-5" << -5;
        QTest::newRow("largest") << "text"
                                 << "2147483647" << 2147483647;
        QTest::newRow("smallest") << "text"
                                  << "-2147483648" << int(-2147483648LL);
        QTest::newRow("one above the largest") << "text"
                                               << "2147483648" << 42;
        QTest::newRow("one below the smallest") << "text"
                                                << "-2147483649" << 42;
        QTest::newRow("letters") << "text"
                                 << "abc" << 42;
        QTest::newRow("trailing letters") << "text"
                                          << "12abc" << 42;
        QTest::newRow("fraction") << "text"
                                  << "3.5" << 42;
        // Only an optional minus sign and decimal digits, as SetSettingInt writes them.
        QTest::newRow("leading blank") << "text"
                                       << " 5" << 42;
        QTest::newRow("trailing blank") << "text"
                                        << "5 " << 42;
        QTest::newRow("plus sign") << "text"
                                   << "+5" << 42;
        QTest::newRow("tab and line end") << "text"
                                          << "\t7\n"
                                          << 42;
        QTest::newRow("minus sign alone") << "text"
                                          << "-" << 42;
        QTest::newRow("two minus signs") << "text"
                                         << "--5" << 42;
        QTest::newRow("minus zero") << "text"
                                    << "-0" << 0;
        QTest::newRow("leading zeros") << "text"
                                       << "007" << 7;
        QTest::newRow("many digits") << "text"
                                     << "000000000000000000002147483647" << 2147483647;
        QTest::newRow("beyond 64 bits") << "text"
                                        << "99999999999999999999999" << 42;
        QTest::newRow("other digits") << "text" << QString::fromUtf8("\u0663") << 42;
        QTest::newRow("hexadecimal") << "text"
                                     << "0x10" << 42;
    }

    void settingInt()
    {
        QFETCH(QString, kind);
        QFETCH(QString, stored);
        QFETCH(int, value);
        TDatabase db(NewPath());
        TSQLConnection& c = TDatabaseTestAccess::Conn(db);
        if (kind == QLatin1String("null")) {
            Exec(c, QStringLiteral("INSERT INTO settings VALUES ('k', NULL)"));
        } else if (kind == QLatin1String("text")) {
            TSQLQuery q(&c, nullptr);
            q.SetSQL(QStringLiteral("INSERT INTO settings VALUES ('k', :v)"));
            q.BindText("v", stored);
            q.ExecSQL();
        }
        QCOMPARE(db.GetSettingInt(QStringLiteral("k"), 42), value);
    }

    void settingText()
    {
        const QString path = NewPath();
        {
            TDatabase db(path);
            QCOMPARE(db.GetSetting(QStringLiteral("k"), QStringLiteral("dflt")),
                     QStringLiteral("dflt"));
            db.SetSetting(QStringLiteral("k"), QStringLiteral("one"));
            db.SetSetting(QStringLiteral("k"), QStringLiteral("two"));
            db.SetSettingInt(QStringLiteral("neg"), -17);
            db.SetSettingInt(QStringLiteral("last_note_id"), 2147483647);
            Exec(TDatabaseTestAccess::Conn(db),
                 QStringLiteral("INSERT INTO settings VALUES ('nothing', NULL)"));
            db.SetSetting(QStringLiteral("empty"), QString());
        }
        TDatabase db(path);
        QCOMPARE(db.GetSetting(QStringLiteral("k"), QString()), QStringLiteral("two"));
        QCOMPARE(Count(db, QStringLiteral("SELECT COUNT(*) FROM settings WHERE key='k'")), 1);
        QCOMPARE(Scalar(TDatabaseTestAccess::Conn(db),
                        QStringLiteral("SELECT value FROM settings WHERE key='neg'")),
                 QStringLiteral("-17"));
        QCOMPARE(db.GetSettingInt(QStringLiteral("neg"), 0), -17);
        QCOMPARE(db.GetSettingInt(QStringLiteral("last_note_id"), 0), 2147483647);
        QCOMPARE(db.GetSetting(QStringLiteral("nothing"), QStringLiteral("dflt")), QString());
        QCOMPARE(db.GetSetting(QStringLiteral("empty"), QStringLiteral("dflt")), QString());
        QCOMPARE(db.GetSettingInt(QStringLiteral("empty"), 9), 9);
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "test_store.moc"
