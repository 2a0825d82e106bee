// Helpers shared by the store's test programs: access to the store's private members, a
// statement trace, raw connections for fixtures, and file checks.
#pragma once

#include "database.h"
#include "sqlitelib.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

class TDatabaseTestAccess
{
public:
    static QString StripHTML(const QString& AHTML) { return TDatabase::StripHTML(AHTML); }
    static int64_t NowTS(TDatabase& ADb) { return ADb.NowTS(); }
    static bool ColumnExists(TDatabase& ADb, const QString& ATable, const QString& AColumn)
    {
        return ADb.ColumnExists(ATable, AColumn);
    }
    static TSQLConnection& Conn(TDatabase& ADb) { return *ADb.FConn; }
};

namespace storetest {

// Records every statement SQLite starts on connections opened while it is installed.
class TTrace
{
public:
    TTrace()
    {
        sqlitelib::SetTraceHook([this](const QString& AText) { FLines << AText; });
    }
    ~TTrace() { sqlitelib::SetTraceHook(nullptr); }
    TTrace(const TTrace&) = delete;
    TTrace& operator=(const TTrace&) = delete;

    // The statements seen so far, without the comments that name trigger programs.
    QStringList Statements() const
    {
        QStringList out;
        for (const QString& l : FLines)
            if (!l.startsWith(QLatin1String("--")))
                out << l;
        return out;
    }
    void Clear() { FLines.clear(); }
    int Count(const QString& AText) const { return int(Statements().count(AText)); }

private:
    QStringList FLines;
};

// A connection of its own to a database file, outside any store (autocommit).
inline std::unique_ptr<TSQLConnection> RawOpen(const QString& APath)
{
    auto c = std::make_unique<TSQLConnection>(APath);
    c->Open();
    return c;
}

inline void Exec(TSQLConnection& AConn, const QString& ASQL)
{
    TSQLQuery q(&AConn, nullptr);
    q.SetSQL(ASQL);
    q.ExecSQL();
}

inline void ExecAll(TSQLConnection& AConn, const QStringList& AStatements)
{
    for (const QString& s : AStatements)
        Exec(AConn, s);
}

// The first column of every row.
inline QStringList Column(TSQLConnection& AConn, const QString& ASQL)
{
    TSQLQuery q(&AConn, nullptr);
    q.SetSQL(ASQL);
    q.Open();
    QStringList out;
    while (!q.Eof()) {
        out << q.AsText(0);
        q.Next();
    }
    return out;
}

// The first column of the first row ("" when there is none).
inline QString Scalar(TSQLConnection& AConn, const QString& ASQL)
{
    const QStringList rows = Column(AConn, ASQL);
    return rows.isEmpty() ? QString() : rows.first();
}

inline int64_t ScalarInt(TSQLConnection& AConn, const QString& ASQL)
{
    TSQLQuery q(&AConn, nullptr);
    q.SetSQL(ASQL);
    q.Open();
    return q.AsInt64(0);
}

// Runs the check on a connection of its own, so it sees only what is committed to the file.
inline QString IntegrityCheck(const QString& APath)
{
    auto c = RawOpen(APath);
    return Column(*c, QStringLiteral("PRAGMA integrity_check")).join(u'\n');
}

inline QByteArray FileBytes(const QString& APath)
{
    QFile f(APath);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

inline void WriteFile(const QString& APath, const QByteArray& AData)
{
    QFile f(APath);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(AData), AData.size());
}

// How many descriptors of this process refer to the file (a half-open connection keeps one).
inline int OpenDescriptorsTo(const QString& APath)
{
    const QString target = QFileInfo(APath).absoluteFilePath();
    int n = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System))
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == target)
            ++n;
    return n;
}

// The message of the ESQLiteError that AAction raises, or "(no error)".
inline QString ErrorOf(const std::function<void()>& AAction)
{
    try {
        AAction();
    } catch (const ESQLiteError& e) {
        return e.Message();
    }
    return QStringLiteral("(no error)");
}

} // namespace storetest
