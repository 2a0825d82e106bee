#include "sqlitelib.h"

#include "programfolder.h"

#include <QFileInfo>
#include <climits>
#include <dlfcn.h>
#include <mutex>
#include <sqlite3.h>

ESQLiteError::ESQLiteError(const QString& AMessage, int ACode)
    : std::runtime_error(AMessage.toStdString()), FCode(ACode)
{}

namespace {

// The entry points the binding uses, resolved from the loaded library.
struct TApi
{
    decltype(&sqlite3_libversion) libversion = nullptr;
    decltype(&sqlite3_open_v2) open_v2 = nullptr;
    decltype(&sqlite3_close_v2) close_v2 = nullptr;
    decltype(&sqlite3_errmsg) errmsg = nullptr;
    decltype(&sqlite3_errstr) errstr = nullptr;
    decltype(&sqlite3_extended_result_codes) extended_result_codes = nullptr;
    decltype(&sqlite3_prepare_v2) prepare_v2 = nullptr;
    decltype(&sqlite3_step) step = nullptr;
    decltype(&sqlite3_finalize) finalize = nullptr;
    decltype(&sqlite3_bind_int64) bind_int64 = nullptr;
    decltype(&sqlite3_bind_text64) bind_text64 = nullptr;
    decltype(&sqlite3_bind_parameter_count) bind_parameter_count = nullptr;
    decltype(&sqlite3_bind_parameter_name) bind_parameter_name = nullptr;
    decltype(&sqlite3_column_count) column_count = nullptr;
    decltype(&sqlite3_column_name) column_name = nullptr;
    decltype(&sqlite3_column_int64) column_int64 = nullptr;
    decltype(&sqlite3_column_text) column_text = nullptr;
    decltype(&sqlite3_column_bytes) column_bytes = nullptr;
    decltype(&sqlite3_last_insert_rowid) last_insert_rowid = nullptr;
    decltype(&sqlite3_get_autocommit) get_autocommit = nullptr;
    decltype(&sqlite3_db_readonly) db_readonly = nullptr;
    decltype(&sqlite3_trace_v2) trace_v2 = nullptr;
    decltype(&sqlite3_drop_modules) drop_modules = nullptr;
};

std::mutex GLock;
TApi GApi;
void* GHandle = nullptr;
bool GLoaded = false;
QString GLoadedPath;
QString GOverridePath;
std::function<void(const QString&)> GTraceHook;
bool GDropModules = false;

template <typename F> void Resolve(void* AHandle, const char* AName, F& AOut)
{
    AOut = reinterpret_cast<F>(dlsym(AHandle, AName));
    if (!AOut)
        throw ESQLiteError(QStringLiteral("The SQLite library has no entry point %1.")
                               .arg(QString::fromLatin1(AName)));
}

void* OpenLibrary(QString& ALoadedFrom)
{
    QStringList candidates;
    if (!GOverridePath.isEmpty()) {
        candidates << GOverridePath;
    } else {
        const QString beside = ProgramFolder() + "/" + sqlitelib::LibraryName;
        if (QFileInfo::exists(beside))
            candidates << beside;
        candidates << QString::fromLatin1(sqlitelib::LibraryName);
    }
    QString lastError;
    for (const QString& c : candidates) {
        if (void* h = dlopen(c.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL)) {
            ALoadedFrom = c;
            return h;
        }
        lastError = QString::fromLocal8Bit(dlerror());
    }
    throw ESQLiteError(
        QStringLiteral("Cannot load the SQLite library %1: %2").arg(candidates.last(), lastError));
}

const TApi& Api()
{
    std::lock_guard<std::mutex> lock(GLock);
    if (GLoaded)
        return GApi;
    QString from;
    void* h = OpenLibrary(from);
    TApi api;
    Resolve(h, "sqlite3_libversion", api.libversion);
    Resolve(h, "sqlite3_open_v2", api.open_v2);
    Resolve(h, "sqlite3_close_v2", api.close_v2);
    Resolve(h, "sqlite3_errmsg", api.errmsg);
    Resolve(h, "sqlite3_errstr", api.errstr);
    Resolve(h, "sqlite3_extended_result_codes", api.extended_result_codes);
    Resolve(h, "sqlite3_prepare_v2", api.prepare_v2);
    Resolve(h, "sqlite3_step", api.step);
    Resolve(h, "sqlite3_finalize", api.finalize);
    Resolve(h, "sqlite3_bind_int64", api.bind_int64);
    Resolve(h, "sqlite3_bind_text64", api.bind_text64);
    Resolve(h, "sqlite3_bind_parameter_count", api.bind_parameter_count);
    Resolve(h, "sqlite3_bind_parameter_name", api.bind_parameter_name);
    Resolve(h, "sqlite3_column_count", api.column_count);
    Resolve(h, "sqlite3_column_name", api.column_name);
    Resolve(h, "sqlite3_column_int64", api.column_int64);
    Resolve(h, "sqlite3_column_text", api.column_text);
    Resolve(h, "sqlite3_column_bytes", api.column_bytes);
    Resolve(h, "sqlite3_last_insert_rowid", api.last_insert_rowid);
    Resolve(h, "sqlite3_get_autocommit", api.get_autocommit);
    Resolve(h, "sqlite3_db_readonly", api.db_readonly);
    Resolve(h, "sqlite3_trace_v2", api.trace_v2);
    // Optional: only the test seam for a library without FTS5 needs it.
    api.drop_modules =
        reinterpret_cast<decltype(api.drop_modules)>(dlsym(h, "sqlite3_drop_modules"));
    GApi = api;
    GHandle = h;
    GLoaded = true;
    GLoadedPath = from;
    return GApi;
}

// For a statement, X is its text; for a trigger program, a comment naming the trigger.
int TraceCallback(unsigned, void*, void*, void* AText)
{
    if (GTraceHook)
        GTraceHook(QString::fromUtf8(static_cast<const char*>(AText)));
    return 0;
}

} // namespace

namespace sqlitelib {

void SetLibraryPath(const QString& APath)
{
    std::lock_guard<std::mutex> lock(GLock);
    GOverridePath = APath;
    // The next connection searches again; a library already loaded stays mapped, since
    // connections opened through it may still be live.
    GLoaded = false;
}

QString LoadedLibraryPath()
{
    std::lock_guard<std::mutex> lock(GLock);
    return GLoadedPath;
}

void EnsureLoaded()
{
    Api();
}

QString LibraryVersion()
{
    return QString::fromLatin1(Api().libversion());
}

void* EntryPoint(const char* AName)
{
    Api();
    std::lock_guard<std::mutex> lock(GLock);
    return dlsym(GHandle, AName);
}

void SetTraceHook(std::function<void(const QString&)> AHook)
{
    GTraceHook = std::move(AHook);
}

void SetDropModulesOnOpen(bool ADrop)
{
    GDropModules = ADrop;
}

} // namespace sqlitelib

// ---- connection

TSQLConnection::TSQLConnection(const QString& ADatabaseName) : FDatabaseName(ADatabaseName) {}

TSQLConnection::~TSQLConnection()
{
    Close();
}

void TSQLConnection::Open()
{
    if (FHandle)
        return;
    const TApi& api = Api();
    sqlite3* h = nullptr;
    const int rc = api.open_v2(FDatabaseName.toUtf8().constData(), &h,
                               SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg =
            h ? QString::fromUtf8(api.errmsg(h)) : QString::fromUtf8(api.errstr(rc));
        if (h)
            api.close_v2(h);
        throw ESQLiteError(msg, rc);
    }
    api.extended_result_codes(h, 1);
    if (GTraceHook)
        api.trace_v2(h, SQLITE_TRACE_STMT, &TraceCallback, nullptr);
    if (GDropModules && api.drop_modules)
        api.drop_modules(h, nullptr);
    FHandle = h;
}

void TSQLConnection::Close()
{
    if (!FHandle)
        return;
    Api().close_v2(FHandle);
    FHandle = nullptr;
}

void TSQLConnection::RaiseError(int ACode) const
{
    const TApi& api = Api();
    throw ESQLiteError(FHandle ? QString::fromUtf8(api.errmsg(FHandle))
                               : QString::fromUtf8(api.errstr(ACode)),
                       ACode);
}

void TSQLConnection::RunPlain(const char* ASQL)
{
    // Every statement of the text runs, in order, until one fails.
    const TApi& api = Api();
    const char* next = ASQL;
    while (next && *next) {
        sqlite3_stmt* st = nullptr;
        const char* tail = nullptr;
        int rc = api.prepare_v2(FHandle, next, -1, &st, &tail);
        if (rc != SQLITE_OK)
            RaiseError(rc);
        if (!st)
            break; // only blanks or comments are left
        next = tail;
        do {
            rc = api.step(st);
        } while (rc == SQLITE_ROW);
        if (rc != SQLITE_DONE) {
            const ESQLiteError err(QString::fromUtf8(api.errmsg(FHandle)), rc);
            api.finalize(st);
            throw err;
        }
        api.finalize(st);
    }
}

void TSQLConnection::ExecuteDirect(const QString& ASQL)
{
    if (!FHandle)
        throw ESQLiteError(QStringLiteral("The database is not open."));
    if (FTrans && !FTrans->Active())
        FTrans->StartTransaction();
    RunPlain(ASQL.toUtf8().constData());
}

int64_t TSQLConnection::LastInsertRowId() const
{
    return FHandle ? Api().last_insert_rowid(FHandle) : 0;
}

bool TSQLConnection::InTransaction() const
{
    return FHandle && Api().get_autocommit(FHandle) == 0;
}

bool TSQLConnection::ReadOnly() const
{
    return FHandle && Api().db_readonly(FHandle, "main") == 1;
}

// ---- transaction

bool TSQLTransaction::Active() const
{
    return FConn && FConn->InTransaction();
}

void TSQLTransaction::StartTransaction()
{
    if (Active())
        return;
    FConn->RunPlain("BEGIN");
}

void TSQLTransaction::Commit()
{
    if (!Active())
        return;
    FConn->RunPlain("COMMIT");
}

void TSQLTransaction::CommitRetaining()
{
    Commit();
    StartTransaction();
}

// ---- query

TSQLQuery::TSQLQuery(TSQLConnection* AConn, TSQLTransaction* ATrans) : FConn(AConn), FTrans(ATrans)
{}

TSQLQuery::~TSQLQuery()
{
    Close();
}

void TSQLQuery::SetSQL(const QString& ASQL)
{
    Close();
    FSQL = ASQL.toUtf8();
    FParams.clear();
}

void TSQLQuery::BindInt(const char* AName, int64_t AValue)
{
    FParams.push_back({QByteArray(":") + AName, false, AValue, {}});
}

void TSQLQuery::BindText(const char* AName, const QString& AValue)
{
    BindUtf8(AName, AValue.toUtf8());
}

void TSQLQuery::BindUtf8(const char* AName, const QByteArray& AValue)
{
    FParams.push_back({QByteArray(":") + AName, true, 0, AValue});
}

void TSQLQuery::Prepare()
{
    Close();
    if (!FConn->Connected())
        throw ESQLiteError(QStringLiteral("The database is not open."));
    if (FTrans && !FTrans->Active())
        FTrans->StartTransaction();
    const TApi& api = Api();
    // The length with the closing NUL; text too long for SQLite's int length is read up to
    // that NUL instead, and SQLite checks it against its own limit.
    const int length = FSQL.size() < INT_MAX ? int(FSQL.size()) + 1 : -1;
    int rc = api.prepare_v2(FConn->Handle(), FSQL.constData(), length, &FStmt, nullptr);
    if (rc != SQLITE_OK) {
        FStmt = nullptr;
        FConn->RaiseError(rc);
    }
    // A name may stand at several places; SQLite gives all of them one index.
    const int count = api.bind_parameter_count(FStmt);
    for (int i = 1; i <= count; ++i) {
        const char* name = api.bind_parameter_name(FStmt, i);
        const TParam* found = nullptr;
        for (const TParam& p : FParams)
            if (name && p.Name == name)
                found = &p;
        if (!found)
            throw ESQLiteError(
                QStringLiteral("Parameter \"%1\" has no value.").arg(QString::fromUtf8(name)));
        // The full 64-bit length, so SQLite itself refuses text over its limit.
        rc = found->IsText ? api.bind_text64(FStmt, i, found->Text.constData(),
                                             sqlite3_uint64(found->Text.size()), SQLITE_TRANSIENT,
                                             SQLITE_UTF8)
                           : api.bind_int64(FStmt, i, found->Int);
        if (rc != SQLITE_OK)
            throw ESQLiteError(QString::fromUtf8(api.errstr(rc)), rc);
    }
    FColumns.clear();
    const int cols = api.column_count(FStmt);
    for (int i = 0; i < cols; ++i)
        FColumns.insert(QByteArray(api.column_name(FStmt, i)).toLower(), i);
}

void TSQLQuery::Step()
{
    const int rc = Api().step(FStmt);
    if (rc == SQLITE_ROW) {
        FEof = false;
    } else if (rc == SQLITE_DONE) {
        FEof = true;
    } else {
        FEof = true;
        FConn->RaiseError(rc);
    }
}

void TSQLQuery::Open()
{
    Prepare();
    Step();
}

void TSQLQuery::ExecSQL()
{
    Prepare();
    do {
        Step();
    } while (!FEof);
    Close();
}

void TSQLQuery::Next()
{
    if (FStmt && !FEof)
        Step();
}

void TSQLQuery::Close()
{
    if (FStmt) {
        Api().finalize(FStmt);
        FStmt = nullptr;
    }
    FEof = true;
}

int TSQLQuery::ColumnIndex(const char* AColumn) const
{
    const auto it = FColumns.constFind(QByteArray(AColumn).toLower());
    if (it == FColumns.constEnd())
        throw ESQLiteError(
            QStringLiteral("Field not found: \"%1\"").arg(QString::fromUtf8(AColumn)));
    return it.value();
}

int64_t TSQLQuery::AsInt64(int AIndex) const
{
    return (FStmt && !FEof) ? Api().column_int64(FStmt, AIndex) : 0;
}

int32_t TSQLQuery::AsInt32(int AIndex) const
{
    return int32_t(AsInt64(AIndex));
}

QString TSQLQuery::AsText(int AIndex) const
{
    if (!FStmt || FEof)
        return {};
    const TApi& api = Api();
    const auto* p = reinterpret_cast<const char*>(api.column_text(FStmt, AIndex));
    return p ? QString::fromUtf8(p, api.column_bytes(FStmt, AIndex)) : QString();
}

int64_t TSQLQuery::AsInt64(const char* AColumn) const
{
    return AsInt64(ColumnIndex(AColumn));
}

int32_t TSQLQuery::AsInt32(const char* AColumn) const
{
    return AsInt32(ColumnIndex(AColumn));
}

QString TSQLQuery::AsText(const char* AColumn) const
{
    return AsText(ColumnIndex(AColumn));
}
