// A thin binding over the SQLite library, which is loaded at run time: the executable's folder
// first, then the system's libsqlite3.so.0. Every library error is raised as ESQLiteError
// carrying SQLite's own message.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

class ESQLiteError : public std::runtime_error
{
public:
    explicit ESQLiteError(const QString& AMessage, int ACode = 1);
    int Code() const { return FCode; }
    QString Message() const { return QString::fromUtf8(what()); }

private:
    int FCode;
};

namespace sqlitelib {

inline constexpr const char* LibraryName = "libsqlite3.so.0";

// Replaces the library search with one file (tests point it at a file that does not exist);
// an empty path restores the normal search. Takes effect for connections opened afterwards.
void SetLibraryPath(const QString& APath);
// The file the library was loaded from, or empty before the first load.
QString LoadedLibraryPath();
// Loads the library if needed; raises ESQLiteError when it cannot be loaded.
void EnsureLoaded();
// The version text of the loaded library ("3.40.1").
QString LibraryVersion();
// An entry point of the loaded library by name (loading it first), or null; for test seams
// that need more of the library than the binding offers.
void* EntryPoint(const char* AName);

// Test seams: every statement text SQLite starts on a connection opened afterwards, and
// whether new connections drop their virtual-table modules (a library without FTS5).
void SetTraceHook(std::function<void(const QString&)> AHook);
void SetDropModulesOnOpen(bool ADrop);

} // namespace sqlitelib

class TSQLTransaction;

// One connection to a database file, opened read-write and created when missing.
class TSQLConnection
{
public:
    explicit TSQLConnection(const QString& ADatabaseName);
    ~TSQLConnection();
    TSQLConnection(const TSQLConnection&) = delete;
    TSQLConnection& operator=(const TSQLConnection&) = delete;

    void Open();
    void Close();
    bool Connected() const { return FHandle != nullptr; }
    void SetTransaction(TSQLTransaction* ATrans) { FTrans = ATrans; }
    TSQLTransaction* Transaction() const { return FTrans; }
    // Runs one statement without parameters, starting the transaction first if none is open.
    void ExecuteDirect(const QString& ASQL);
    int64_t LastInsertRowId() const;
    // Whether SQLite has a transaction open on the connection; SQLite may end one by itself
    // (a full disk, an I/O error, out of memory).
    bool InTransaction() const;
    // Whether the file was opened for reading only (it is write-protected).
    bool ReadOnly() const;
    sqlite3* Handle() const { return FHandle; }
    [[noreturn]] void RaiseError(int ACode) const;

private:
    friend class TSQLTransaction;
    void RunPlain(const char* ASQL);

    QString FDatabaseName;
    sqlite3* FHandle = nullptr;
    TSQLTransaction* FTrans = nullptr;
};

// The transaction bound to a connection: "BEGIN" when started, "COMMIT" when committed. Its
// state is the connection's own, so a transaction that SQLite ended is seen as ended.
class TSQLTransaction
{
public:
    void SetConnection(TSQLConnection* AConn) { FConn = AConn; }
    bool Active() const;
    void StartTransaction();
    void Commit();
    // "COMMIT" followed at once by "BEGIN".
    void CommitRetaining();

private:
    TSQLConnection* FConn = nullptr;
};

// A prepared statement with named parameters (":name"); freed on every path by its owner.
class TSQLQuery
{
public:
    TSQLQuery(TSQLConnection* AConn, TSQLTransaction* ATrans);
    ~TSQLQuery();
    TSQLQuery(const TSQLQuery&) = delete;
    TSQLQuery& operator=(const TSQLQuery&) = delete;

    void SetSQL(const QString& ASQL);
    void BindInt(const char* AName, int64_t AValue);
    void BindText(const char* AName, const QString& AValue);
    // Text that is UTF-8 already; the bytes are not copied before SQLite takes them.
    void BindUtf8(const char* AName, const QByteArray& AValue);
    // Prepares, binds and steps to the first row.
    void Open();
    // Prepares, binds and runs a statement that returns no rows.
    void ExecSQL();
    void Close();
    bool Eof() const { return FEof; }
    void Next();

    int64_t AsInt64(const char* AColumn) const;
    int32_t AsInt32(const char* AColumn) const;
    QString AsText(const char* AColumn) const;
    int64_t AsInt64(int AIndex) const;
    int32_t AsInt32(int AIndex) const;
    QString AsText(int AIndex) const;

private:
    void Prepare();
    void Step();
    int ColumnIndex(const char* AColumn) const;

    TSQLConnection* FConn;
    TSQLTransaction* FTrans;
    QByteArray FSQL;
    sqlite3_stmt* FStmt = nullptr;
    bool FEof = true;
    struct TParam
    {
        QByteArray Name;
        bool IsText;
        int64_t Int;
        QByteArray Text;
    };
    std::vector<TParam> FParams;
    QHash<QByteArray, int> FColumns;
};
