// Times the store's operations on a large generated database, beside the plain queries they
// replace. Prints medians in milliseconds.
#include "../benchutil.h"
#include "baseline_queries.h"
#include "benchdb.h"
#include "database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

int GRuns = 7;

double Median(const std::function<void()>& AWork)
{
    return benchutil::MedianMs(GRuns, AWork);
}

void Row(const char* AWhat, double AOurs, double ABaseline, const char* ATarget)
{
    if (ABaseline >= 0)
        std::printf("%-48s %10.2f ms   plain %10.2f ms   target %s\n", AWhat, AOurs, ABaseline,
                    ATarget);
    else
        std::printf("%-48s %10.2f ms   %21s   target %s\n", AWhat, AOurs, "", ATarget);
    std::fflush(stdout);
}

// Runs a statement on a connection without a transaction and reads every row.
int RunPlain(TSQLConnection& AConn, const QString& ASQL, const char* AParam, int64_t AInt,
             const QString* AText)
{
    TSQLQuery q(&AConn, nullptr);
    q.SetSQL(ASQL);
    if (AParam) {
        if (AText)
            q.BindText(AParam, *AText);
        else
            q.BindInt(AParam, AInt);
    }
    q.Open();
    int rows = 0;
    while (!q.Eof()) {
        for (int c = 0; c < 6; ++c)
            (void)q.AsText(c);
        ++rows;
        q.Next();
    }
    return rows;
}

// The plain search: the full-text query, its substring fallback, one tag query per hit.
void PlainSearch(TSQLConnection& AConn, const QString& ATerm, const QString& AOrder)
{
    std::vector<int64_t> ids;
    TSQLQuery q(&AConn, nullptr);
    try {
        q.SetSQL(QString::fromUtf8(baseline::kSearchFts) + AOrder);
        q.BindText("term", ATerm);
        q.Open();
    } catch (const ESQLiteError&) {
        q.Close();
        q.SetSQL(QString::fromUtf8(baseline::kSearchLike) + AOrder);
        q.BindText("term", u'%' + ATerm + u'%');
        q.Open();
    }
    while (!q.Eof()) {
        ids.push_back(q.AsInt64("id"));
        (void)q.AsText("snip");
        q.Next();
    }
    q.Close();
    for (int64_t id : ids)
        RunPlain(AConn, QString::fromUtf8(baseline::kHitTags), "nid", id, nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int notes = 100000;
    QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/benchdata");
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--notes"))
            notes = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--runs"))
            GRuns = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--dir"))
            folder = args[i + 1];
    }
    QElapsedTimer gen;
    gen.start();
    const QString path = CachedBenchDatabase(folder, notes);
    std::printf("database: %s (%d notes, ready in %.1f s), SQLite %s, median of %d runs\n",
                qPrintable(path), notes, gen.elapsed() / 1000.0,
                qPrintable(sqlitelib::LibraryVersion()), GRuns);

    const double openMs = Median([&] { TDatabase db(path); });
    TDatabase db(path);
    TSQLConnection plain(path);
    plain.Open();

    const QString common = QString::fromUtf8(kBenchCommonTerm);
    const QString rare = QString::fromUtf8(kBenchRareTerm);
    const QString fallback = QString::fromUtf8(kBenchFallbackTerm);
    const QString byModified = QStringLiteral(" ORDER BY n.updated_at DESC LIMIT 200");
    const bool full = notes <= 100000;

    Row("SearchNotes common term (modified desc)",
        Median([&] { db.SearchNotes(common, nsByModified, nsdDesc); }),
        full ? Median([&] { PlainSearch(plain, common, byModified); }) : -1, "< 100 ms");
    Row("SearchNotes common term (title asc)",
        Median([&] { db.SearchNotes(common, nsByTitle, nsdAsc); }), Median([&] {
            PlainSearch(plain, common, QStringLiteral(" ORDER BY n.title ASC LIMIT 200"));
        }),
        "< 100 ms");
    Row("SearchNotes rare word", Median([&] { db.SearchNotes(rare, nsByModified, nsdDesc); }),
        Median([&] { PlainSearch(plain, rare, byModified); }), "< 30 ms");
    Row("SearchNotes substring fallback",
        Median([&] { db.SearchNotes(fallback, nsByModified, nsdDesc); }),
        Median([&] { PlainSearch(plain, fallback, byModified); }), "(none)");
    const QString floorSQL = QStringLiteral("SELECT rowid FROM notes_fts WHERE notes_fts MATCH :t");
    Row("  floor: bare MATCH, common term (rowids only)",
        Median([&] { RunPlain(plain, floorSQL, "t", 0, &common); }), -1, "");
    Row("  floor: bare MATCH, rare word (rowids only)",
        Median([&] { RunPlain(plain, floorSQL, "t", 0, &rare); }), -1, "");
    Row("GetNotebooks", Median([&] { db.GetNotebooks(); }), Median([&] {
            RunPlain(plain, QString::fromUtf8(baseline::kGetNotebooks), nullptr, 0, nullptr);
        }),
        "< 10 ms");
    Row("GetAllNoteTags", Median([&] { db.GetAllNoteTags(); }), Median([&] {
            RunPlain(plain, QString::fromUtf8(baseline::kGetAllNoteTags), nullptr, 0, nullptr);
        }),
        "< 10 ms");

    struct TOrder
    {
        const char* Name;
        TNoteSort Sort;
        TNoteSortDir Dir;
        const char* Term;
    };
    const TOrder orders[] = {{"modified desc", nsByModified, nsdDesc, "n.updated_at DESC"},
                             {"title asc", nsByTitle, nsdAsc, "n.title COLLATE NOCASE ASC"},
                             {"created desc", nsByCreated, nsdDesc, "n.created_at DESC"}};
    const int64_t notebook = 1, tag = 1;
    for (const TOrder& o : orders) {
        Row(qPrintable(QStringLiteral("GetNotesByNotebook %1 notes, %2")
                           .arg(db.GetNotesByNotebook(notebook, o.Sort, o.Dir).size())
                           .arg(QString::fromLatin1(o.Name))),
            Median([&] { db.GetNotesByNotebook(notebook, o.Sort, o.Dir); }), Median([&] {
                RunPlain(plain,
                         QString::fromUtf8(baseline::kNotesByNotebook) +
                             QString::fromLatin1(o.Term),
                         "nbid", notebook, nullptr);
            }),
            "< 40 ms");
        Row(qPrintable(QStringLiteral("GetNotesByTag %1 notes, %2")
                           .arg(db.GetNotesByTag(tag, o.Sort, o.Dir).size())
                           .arg(QString::fromLatin1(o.Name))),
            Median([&] { db.GetNotesByTag(tag, o.Sort, o.Dir); }), Median([&] {
                RunPlain(plain,
                         QString::fromUtf8(baseline::kNotesByTag) + QString::fromLatin1(o.Term),
                         "tagid", tag, nullptr);
            }),
            "< 40 ms");
    }

    QString body;
    while (body.size() < 10 * 1024)
        body += QStringLiteral("<p>The client filed a motion on the case; the hearing is set.</p>");
    int round = 0;
    Row("SaveNote 10 KB body", Median([&] {
            db.SaveNote(42, QStringLiteral("Saved note"), QStringLiteral("s"),
                        body + QString::number(++round));
        }),
        -1, "< 5 ms");
    Row("TDatabase open of the existing file", openMs, -1, "< 50 ms");
    return 0;
}
