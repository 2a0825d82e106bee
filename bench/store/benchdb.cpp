#include "benchdb.h"

#include "database.h"
#include "sqlitelib.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cmath>
#include <random>
#include <vector>

class TDatabaseTestAccess
{
public:
    static QString StripHTML(const QString& AHTML) { return TDatabase::StripHTML(AHTML); }
};

namespace {

constexpr int kGeneratorVersion = 1;

QStringList Vocabulary()
{
    // Frequent words first; the tail is made of synthetic words so the frequency curve is long.
    QStringList words = {"the",      "case",    "client",   "of",       "and",     "to",
                         "court",    "in",      "a",        "filed",    "hearing", "motion",
                         "evidence", "witness", "counsel",  "date",     "order",   "review",
                         "claim",    "notes",   "deadline", "contract", "party",   "judge",
                         "appeal",   "record",  "exhibit",  "report",   "meeting", "draft",
                         "café",     "Müller",  "straße",   "über",     "naïve",   "résumé"};
    static const char* syll[] = {"ka", "lo", "mi", "ne", "ru", "sa", "ti", "vo", "ze", "qu"};
    for (int i = 0; words.size() < 6000; ++i) {
        QString w;
        int v = i;
        do {
            w += QString::fromLatin1(syll[v % 10]);
            v /= 10;
        } while (v > 0);
        words << w + QStringLiteral("x");
    }
    return words;
}

} // namespace

void GenerateBenchDatabase(const QString& APath, int ANoteCount)
{
    QFile::remove(APath);
    {
        TDatabase db(APath); // the schema exactly as the program makes it
        for (int i = 0; i < 20; ++i)
            db.CreateNotebook(QStringLiteral("Notebook %1").arg(i + 1, 2, 10, QChar(u'0')), 0);
    }
    TSQLConnection conn(APath);
    TSQLTransaction trans;
    trans.SetConnection(&conn);
    conn.SetTransaction(&trans);
    conn.Open();
    trans.StartTransaction();

    const QStringList words = Vocabulary();
    std::mt19937 rng(12345);
    // Zipf-like: word rank r has weight 1 / (r + 1).
    std::vector<double> weights;
    for (int r = 0; r < words.size(); ++r)
        weights.push_back(1.0 / (r + 1));
    std::discrete_distribution<int> pickWord(weights.begin(), weights.end());
    std::uniform_int_distribution<int> bodyLen(1000, 10000);
    std::uniform_int_distribution<int> paraLen(20, 80);
    std::uniform_int_distribution<int> tagCount(0, 5);
    std::uniform_int_distribution<int> tagPick(0, 49);
    std::uniform_int_distribution<int64_t> created(1600000000, 1700000000);
    std::uniform_int_distribution<int64_t> age(0, 30000000);
    std::uniform_int_distribution<int> rareEvery(0, 19999);

    TSQLQuery tq(&conn, &trans);
    for (int t = 0; t < 50; ++t) {
        tq.SetSQL(QStringLiteral("INSERT INTO note_tags (name) VALUES (:name)"));
        tq.BindText("name", (t % 7 == 0 ? QStringLiteral("Tag %1") : QStringLiteral("tag %1"))
                                .arg(t + 1, 2, 10, QChar(u'0')));
        tq.ExecSQL();
    }

    TSQLQuery q(&conn, &trans);
    for (int i = 0; i < ANoteCount; ++i) {
        QString body;
        const int target = bodyLen(rng);
        while (body.size() < target) {
            body += QStringLiteral("<p>");
            const int n = paraLen(rng);
            for (int w = 0; w < n; ++w) {
                if (w)
                    body += u' ';
                const QString& word = words.at(pickWord(rng));
                if (w % 17 == 5)
                    body += QStringLiteral("<b>") + word + QStringLiteral("</b>");
                else
                    body += word;
            }
            if (rareEvery(rng) == 0)
                body += QStringLiteral(" zymurgy");
            body += QStringLiteral("</p>");
        }
        // Titles repeat (ties in a title sort) and some start with a non-ASCII letter.
        const QString title = (i % 11 == 0  ? QStringLiteral("Überblick %1")
                               : i % 5 == 0 ? QStringLiteral("appeal %1")
                                            : QStringLiteral("Case %1"))
                                  .arg(i % 997);
        const int64_t c = created(rng);
        // Created and updated times repeat too, every so often.
        const int64_t cAt = (i % 13 == 0) ? 1650000000 : c;
        const int64_t uAt = (i % 17 == 0) ? 1690000000 : cAt + age(rng);
        q.SetSQL(QStringLiteral(
            "INSERT INTO notes (notebook_id, title, summary, body, body_text, created_at, "
            "updated_at, sort_order) VALUES (:nb, :title, :summary, :body, :btext, :c, :u, 0)"));
        q.BindInt("nb", 1 + i % 20);
        q.BindText("title", title);
        q.BindText("summary", i % 3 == 0 ? QString() : QStringLiteral("Summary of %1").arg(title));
        q.BindText("body", body);
        q.BindText("btext", TDatabaseTestAccess::StripHTML(body));
        q.BindInt("c", cAt);
        q.BindInt("u", uAt);
        q.ExecSQL();
        const int64_t noteId = conn.LastInsertRowId();
        const int tags = tagCount(rng);
        for (int k = 0; k < tags; ++k) {
            tq.SetSQL(QStringLiteral(
                "INSERT OR IGNORE INTO note_note_tags (note_id, tag_id) VALUES (:n, :t)"));
            tq.BindInt("n", noteId);
            tq.BindInt("t", 1 + tagPick(rng));
            tq.ExecSQL();
        }
    }
    trans.Commit();
    conn.Close();
}

QString CachedBenchDatabase(const QString& AFolder, int ANoteCount)
{
    QDir().mkpath(AFolder);
    const QString path =
        AFolder + QStringLiteral("/bench-%1-v%2.db").arg(ANoteCount).arg(kGeneratorVersion);
    if (!QFileInfo::exists(path)) {
        const QString tmp = path + QStringLiteral(".part");
        GenerateBenchDatabase(tmp, ANoteCount);
        QFile::rename(tmp, path);
    }
    return path;
}
