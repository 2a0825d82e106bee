#include "database.h"

#include "clock.h"

TDatabase* AppDB = nullptr;

QString TrimControls(const QString& AText)
{
    qsizetype b = 0, e = AText.size();
    while (b < e && AText.at(b).unicode() <= 32)
        ++b;
    while (e > b && AText.at(e - 1).unicode() <= 32)
        --e;
    return AText.mid(b, e - b);
}

TDatabase::TDatabase(const QString& APath)
{
    try {
        FConn = std::make_unique<TSQLConnection>(APath);
        FTrans = std::make_unique<TSQLTransaction>();
        FTrans->SetConnection(FConn.get());
        FConn->SetTransaction(FTrans.get());
        FConn->Open();
        // Running the pragma first opens the transaction, so SQLite ignores it: foreign-key
        // enforcement stays off on this connection, which the deletes and migrations rely on.
        FConn->ExecuteDirect(QStringLiteral("PRAGMA foreign_keys=ON"));
        if (FTrans->Active())
            FTrans->Commit();
        FTrans->StartTransaction();
        CreateSchema();
        CreateIndexes(RunMigrations());
        Commit();
    } catch (...) {
        Close();
        throw;
    }
}

TDatabase::~TDatabase()
{
    Close();
}

void TDatabase::Close()
{
    if (FTrans && FTrans->Active()) {
        try {
            FTrans->Commit();
        } catch (const ESQLiteError&) {
            // Whatever could not be committed is discarded with the connection.
        }
    }
    if (FConn)
        FConn->Close();
    FTrans.reset();
    FConn.reset();
}

std::unique_ptr<TSQLQuery> TDatabase::NewQ()
{
    return std::make_unique<TSQLQuery>(FConn.get(), FTrans.get());
}

void TDatabase::Commit()
{
    FTrans->CommitRetaining();
}

void TDatabase::RunSQL(const QString& ASQL)
{
    auto q = NewQ();
    q->SetSQL(ASQL);
    q->ExecSQL();
    Commit();
}

int64_t TDatabase::NowTS()
{
    // Local wall-clock time taken as if it were UTC, whole seconds.
    const QDateTime now = ClockNow();
    const QTime t = now.time();
    return QDateTime(now.date(), QTime(t.hour(), t.minute(), t.second()), Qt::UTC)
        .toSecsSinceEpoch();
}

namespace {

bool IsBlockTag(QStringView AName)
{
    static const char* const blocks[] = {"p",     "div", "br", "li", "ul", "ol",         "h1",
                                         "h2",    "h3",  "h4", "h5", "h6", "blockquote", "pre",
                                         "table", "tr",  "td", "th", "hr"};
    for (const char* b : blocks)
        if (AName.compare(QLatin1String(b), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

QString TDatabase::StripHTML(const QString& AHTML)
{
    // Markup is dropped; a tag that starts or ends a block or a line leaves one blank, so the
    // words on both sides of it stay apart. Inline tags join their text without a blank.
    QString result;
    result.reserve(AHTML.size());
    bool inTag = false;
    qsizetype tagStart = 0;
    const qsizetype n = AHTML.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = AHTML.at(i);
        if (c == u'<') {
            inTag = true;
            tagStart = i + 1;
        } else if (c == u'>') {
            if (inTag) {
                qsizetype s = tagStart;
                if (s < i && AHTML.at(s) == u'/')
                    ++s;
                qsizetype e = s;
                while (e < i && AHTML.at(e).isLetterOrNumber() && AHTML.at(e).unicode() < 128)
                    ++e;
                if (e > s && IsBlockTag(QStringView(AHTML).mid(s, e - s)) && !result.isEmpty() &&
                    !result.endsWith(u' '))
                    result.append(u' ');
            }
            inTag = false;
        } else if (!inTag) {
            result.append(c);
        }
    }
    return result;
}
