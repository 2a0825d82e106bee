// Opening and closing the store, its transaction and commit model, and what happens on bad
// input and on failing operations.
#include "storetest.h"

#include <QScopeGuard>
#include <QTest>
#include <csignal>
#include <map>
#include <sqlite3.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace storetest;

namespace {

bool IsWrite(const QString& AStatement)
{
    static const char* const heads[] = {"INSERT", "UPDATE", "DELETE", "DROP", "ALTER", "REPLACE"};
    for (const char* h : heads)
        if (AStatement.startsWith(QLatin1String(h)))
            return true;
    return AStatement.startsWith(QLatin1String("CREATE")) &&
           !AStatement.contains(QLatin1String("IF NOT EXISTS"));
}

// Every "COMMIT" is followed at once by "BEGIN", and nothing is ever rolled back.
void VerifyCommitsRetained(const QStringList& AStatements)
{
    QVERIFY2(!AStatements.contains(QStringLiteral("ROLLBACK")),
             qPrintable(AStatements.join(u'\n')));
    for (qsizetype i = 0; i < AStatements.size(); ++i)
        if (AStatements[i] == QLatin1String("COMMIT"))
            QVERIFY2(i + 1 < AStatements.size() && AStatements[i + 1] == QLatin1String("BEGIN"),
                     qPrintable(AStatements.join(u'\n')));
}

// A child process that holds an exclusive lock on a file until it is killed.
class TLockingChild
{
public:
    explicit TLockingChild(const QString& APath)
    {
        int ready[2];
        if (pipe(ready) != 0)
            return;
        FPid = fork();
        if (FPid == 0) {
            close(ready[0]);
            char ok = 'n';
            // The connection lives until the child is killed.
            auto* c = new TSQLConnection(APath);
            try {
                c->Open();
                c->ExecuteDirect(QStringLiteral("BEGIN EXCLUSIVE"));
                ok = 'y';
            } catch (...) {
            }
            if (write(ready[1], &ok, 1) != 1)
                _exit(1);
            for (;;)
                pause();
        }
        close(ready[1]);
        char got = 0;
        FLocked = read(ready[0], &got, 1) == 1 && got == 'y';
        close(ready[0]);
    }
    ~TLockingChild()
    {
        if (FPid > 0) {
            kill(FPid, SIGKILL);
            waitpid(FPid, nullptr, 0);
        }
    }
    bool Locked() const { return FLocked; }

private:
    pid_t FPid = -1;
    bool FLocked = false;
};

// A file system layer over SQLite's default one, made the default for connections opened while
// it lives. It can open database files for reading only, as SQLite does for a write-protected
// file (permissions do not stop the superuser), and it can make writes fail as on a full disk.
// Each opened file keeps the default layer's own layout and methods; only its writes pass here.
class TFaultVfs
{
public:
    // Open database files for reading only.
    static inline bool ReadOnlyDatabases = false;
    // The next this many writes to files whose open flags meet FailMask return SQLITE_FULL.
    static inline int FailWrites = 0;
    static inline int FailMask = SQLITE_OPEN_MAIN_DB;

    TFaultVfs()
    {
        const auto find = reinterpret_cast<decltype(&sqlite3_vfs_find)>(
            sqlitelib::EntryPoint("sqlite3_vfs_find"));
        const auto doRegister = reinterpret_cast<decltype(&sqlite3_vfs_register)>(
            sqlitelib::EntryPoint("sqlite3_vfs_register"));
        FUnregister = reinterpret_cast<decltype(&sqlite3_vfs_unregister)>(
            sqlitelib::EntryPoint("sqlite3_vfs_unregister"));
        if (!find || !doRegister || !FUnregister)
            return;
        GReal = find(nullptr);
        if (!GReal)
            return;
        FVfs = *GReal;
        FVfs.pNext = nullptr;
        FVfs.zName = "quorvel-test-faults";
        FVfs.xOpen = &Open;
        FReady = doRegister(&FVfs, 1) == SQLITE_OK;
    }
    ~TFaultVfs()
    {
        if (FReady)
            FUnregister(&FVfs);
        ReadOnlyDatabases = false;
        FailWrites = 0;
        FailMask = SQLITE_OPEN_MAIN_DB;
    }
    TFaultVfs(const TFaultVfs&) = delete;
    TFaultVfs& operator=(const TFaultVfs&) = delete;
    bool Ready() const { return FReady; }

private:
    struct TFile
    {
        int Flags;
        const sqlite3_io_methods* Real;
    };
    static inline sqlite3_vfs* GReal = nullptr;
    // The default layer's method tables (database files and journals have their own), each
    // with its wrapped copy; and the open files with their flags and real methods.
    static inline std::map<const sqlite3_io_methods*, sqlite3_io_methods> GWrapped;
    static inline std::map<sqlite3_file*, TFile> GFiles;

    static int Open(sqlite3_vfs*, sqlite3_filename AName, sqlite3_file* AFile, int AFlags,
                    int* AOutFlags)
    {
        if (ReadOnlyDatabases && (AFlags & SQLITE_OPEN_MAIN_DB))
            AFlags =
                (AFlags & ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) | SQLITE_OPEN_READONLY;
        const int rc = GReal->xOpen(GReal, AName, AFile, AFlags, AOutFlags);
        if (rc != SQLITE_OK || !AFile->pMethods)
            return rc;
        const sqlite3_io_methods* real = AFile->pMethods;
        auto it = GWrapped.find(real);
        if (it == GWrapped.end()) {
            sqlite3_io_methods wrapped = *real;
            wrapped.xWrite = &Write;
            wrapped.xClose = &Close;
            it = GWrapped.emplace(real, wrapped).first;
        }
        AFile->pMethods = &it->second;
        GFiles[AFile] = {AFlags, real};
        return rc;
    }
    static int Close(sqlite3_file* AFile)
    {
        const TFile f = GFiles.at(AFile);
        GFiles.erase(AFile);
        AFile->pMethods = f.Real;
        return f.Real->xClose(AFile);
    }
    static int Write(sqlite3_file* AFile, const void* AData, int ASize, sqlite3_int64 AOffset)
    {
        const TFile& f = GFiles.at(AFile);
        if (FailWrites > 0 && (f.Flags & FailMask)) {
            --FailWrites;
            return SQLITE_FULL;
        }
        return f.Real->xWrite(AFile, AData, ASize, AOffset);
    }

    sqlite3_vfs FVfs{};
    decltype(&sqlite3_vfs_unregister) FUnregister = nullptr;
    bool FReady = false;
};

// Whether SQLite has a transaction open on the connection, asked of the library itself.
bool InTransaction(TSQLConnection& AConn)
{
    const auto autocommit = reinterpret_cast<decltype(&sqlite3_get_autocommit)>(
        sqlitelib::EntryPoint("sqlite3_get_autocommit"));
    return autocommit && autocommit(AConn.Handle()) == 0;
}

// Removes every index that was made by a statement (SQLite's own ones have none), leaving the
// file as a program that follows the plain schema makes it.
void DropStatementIndexes(const QString& APath)
{
    auto c = RawOpen(APath);
    const QStringList names = Column(
        *c,
        QStringLiteral("SELECT name FROM sqlite_master WHERE type='index' AND sql IS NOT NULL"));
    QVERIFY(!names.isEmpty());
    for (const QString& n : names)
        Exec(*c, QStringLiteral("DROP INDEX \"%1\"").arg(n));
}

int StatementIndexCount(const QString& APath)
{
    auto c = RawOpen(APath);
    return int(ScalarInt(*c, QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE "
                                            "type='index' AND sql IS NOT NULL")));
}

// Counts the warnings logged while it lives.
class TWarningCounter
{
public:
    TWarningCounter()
    {
        GMessages.clear();
        FPrevious = qInstallMessageHandler(&Handler);
    }
    ~TWarningCounter() { qInstallMessageHandler(FPrevious); }
    TWarningCounter(const TWarningCounter&) = delete;
    TWarningCounter& operator=(const TWarningCounter&) = delete;
    QStringList Messages() const { return GMessages; }

private:
    static inline QStringList GMessages;
    static void Handler(QtMsgType AType, const QMessageLogContext&, const QString& AText)
    {
        if (AType == QtWarningMsg)
            GMessages << AText;
    }
    QtMessageHandler FPrevious = nullptr;
};

} // namespace

class TestStoreOpen : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir FDir;
    int FSerial = 0;

    QString NewPath() { return FDir.filePath(QStringLiteral("db%1.db").arg(++FSerial)); }

    // A current file with one note carrying a tag, an annotation, a link and an attachment.
    QString MakeStoreFile(int64_t* ANoteId = nullptr)
    {
        const QString path = NewPath();
        TDatabase db(path);
        const int64_t nb = db.CreateNotebook(QStringLiteral("Cases"), 0);
        const int64_t note = db.CreateNote(nb, QStringLiteral("Brief"));
        db.SaveNote(note, QStringLiteral("Brief"), QStringLiteral("sum"),
                    QStringLiteral("<p>witness statement</p>"));
        db.AddTagToNote(note, QStringLiteral("court"));
        db.CreateAnnotation(note, QStringLiteral("a1"), QStringLiteral("witness"),
                            QStringLiteral("check"));
        db.AddLink(note, QStringLiteral("https://example.org"), QStringLiteral("ex"));
        db.AddAttachment(note, QStringLiteral("a.txt"), QStringLiteral("text/plain"),
                         QStringLiteral("attachments/a.txt"), 3);
        if (ANoteId)
            *ANoteId = note;
        return path;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(FDir.isValid()); }

    void openSequenceOfANewFile()
    {
        const QString path = NewPath();
        TTrace trace;
        {
            TDatabase db(path);
            const QStringList s = trace.Statements();
            QVERIFY(s.size() > 8);
            QCOMPARE(s.mid(0, 4),
                     (QStringList{"BEGIN", "PRAGMA foreign_keys=ON", "COMMIT", "BEGIN"}));
            QCOMPARE(s.mid(s.size() - 2), (QStringList{"COMMIT", "BEGIN"}));
            VerifyCommitsRetained(s);
            // All five steps ran: each writes the version once.
            QCOMPARE(s.count(QStringLiteral("INSERT INTO settings (key, value) VALUES (:k, :v) "
                                            "ON CONFLICT(key) DO UPDATE SET value=excluded.value")),
                     5);
            QVERIFY(s.contains(QStringLiteral("DROP TABLE IF EXISTS embedded_tags")));
            QVERIFY(
                s.contains(QStringLiteral("INSERT INTO notes_fts(notes_fts) VALUES('rebuild')")));
            // Each statement of the schema and of the steps is committed on its own.
            for (qsizetype i = 4; i < s.size(); ++i) {
                const QString& st = s[i];
                if (st == QLatin1String("BEGIN") || st == QLatin1String("COMMIT") ||
                    st.startsWith(QLatin1String("SELECT")) ||
                    st.startsWith(QLatin1String("PRAGMA")))
                    continue;
                QVERIFY2(i + 1 < s.size() && s[i + 1] == QLatin1String("COMMIT"), qPrintable(st));
            }
        }
        // Closing commits what is pending.
        QCOMPARE(trace.Statements().last(), QStringLiteral("COMMIT"));
    }

    void secondOpenRunsNoStepAndChangesNothing()
    {
        const QString path = MakeStoreFile();
        const QByteArray before = FileBytes(path);
        TTrace trace;
        {
            TDatabase db(path);
            QCOMPARE(db.GetSetting(QStringLiteral("schema_version"), QString()),
                     QStringLiteral("5"));
        }
        const QStringList s = trace.Statements();
        for (const QString& st : s)
            QVERIFY2(!IsWrite(st), qPrintable(st));
        QCOMPARE(s.mid(0, 4), (QStringList{"BEGIN", "PRAGMA foreign_keys=ON", "COMMIT", "BEGIN"}));
        QVERIFY(!s.contains(QStringLiteral("ROLLBACK")));
        QCOMPARE(FileBytes(path), before);
    }

    void foreignKeysAreNotEnforced()
    {
        int64_t note = 0;
        const QString path = MakeStoreFile(&note);
        TDatabase db(path);
        TSQLConnection& conn = TDatabaseTestAccess::Conn(db);
        QCOMPARE(ScalarInt(conn, QStringLiteral("PRAGMA foreign_keys")), 0);
        Exec(conn, QStringLiteral("DELETE FROM notes WHERE id=%1").arg(note));
        for (const char* table : {"annotations", "note_links", "attachments", "note_note_tags"})
            QCOMPARE(ScalarInt(conn, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE note_id=%2")
                                         .arg(QLatin1String(table))
                                         .arg(note)),
                     1);
        // A note in a notebook that does not exist can be created.
        QVERIFY(db.CreateNote(9999, QStringLiteral("stray")) > 0);
    }

    void readsNeverCommit()
    {
        int64_t note = 0;
        const QString path = MakeStoreFile(&note);
        TTrace trace;
        TDatabase db(path);
        const int64_t tag = db.GetAllNoteTags().at(0).Id;
        const std::vector<std::pair<const char*, std::function<void()>>> reads = {
            {"GetNotebooks", [&] { db.GetNotebooks(); }},
            {"GetNotesByNotebook", [&] { db.GetNotesByNotebook(1, nsByTitle, nsdAsc); }},
            {"GetNotesByTag", [&] { db.GetNotesByTag(tag, nsByModified, nsdDesc); }},
            {"GetNote", [&] { db.GetNote(note); }},
            {"GetNoteDates",
             [&] {
                 int64_t c = 0, m = 0;
                 db.GetNoteDates(note, c, m);
             }},
            {"GetAllNoteTags", [&] { db.GetAllNoteTags(); }},
            {"GetNoteTagsForNote", [&] { db.GetNoteTagsForNote(note); }},
            {"EnsureTag of a known tag", [&] { db.EnsureTag(QStringLiteral("COURT")); }},
            {"GetAttachments", [&] { db.GetAttachments(note); }},
            {"GetAttachmentFilePaths", [&] { db.GetAttachmentFilePaths(note); }},
            {"GetLinks", [&] { db.GetLinks(note); }},
            {"GetAnnotationsByNote", [&] { db.GetAnnotationsByNote(note); }},
            {"SyncAnnotations keeping all", [&] { db.SyncAnnotations(note, {"a1"}); }},
            {"SearchNotes", [&] { db.SearchNotes(QStringLiteral("witness"), nsByTitle, nsdAsc); }},
            {"SearchNotes falling back",
             [&] { db.SearchNotes(QStringLiteral("wit\"ness"), nsByTitle, nsdAsc); }},
            {"GetSetting", [&] { db.GetSetting(QStringLiteral("x"), QStringLiteral("d")); }},
            {"GetSettingInt", [&] { db.GetSettingInt(QStringLiteral("note_sort"), 0); }},
            {"DuplicateNote of a missing note", [&] { QCOMPARE(db.DuplicateNote(424242), 0); }},
        };
        for (const auto& [name, read] : reads) {
            trace.Clear();
            read();
            const QStringList s = trace.Statements();
            QVERIFY2(!s.isEmpty(), name);
            QVERIFY2(!s.contains(QStringLiteral("COMMIT")) && !s.contains(QStringLiteral("BEGIN")),
                     qPrintable(QString::fromLatin1(name) + ": " + s.join(u'\n')));
            for (const QString& st : s)
                QVERIFY2(!IsWrite(st), qPrintable(QString::fromLatin1(name) + ": " + st));
        }
    }

    void eachWriteCommitsOnce()
    {
        int64_t note = 0;
        const QString path = MakeStoreFile(&note);
        TTrace trace;
        TDatabase db(path);
        const int64_t nb = db.GetNotebooks().at(0).Id;
        int64_t other = 0, link = 0, annotation = 0, attachment = 0;
        // Writes that call other writes commit once per inner write.
        const std::vector<std::tuple<const char*, std::function<void()>, int>> writes = {
            {"CreateNotebook", [&] { db.CreateNotebook(QStringLiteral("B"), 0); }, 1},
            {"RenameNotebook", [&] { db.RenameNotebook(nb, QStringLiteral("C")); }, 1},
            {"CreateNote", [&] { other = db.CreateNote(nb, QStringLiteral("t")); }, 1},
            {"SaveNote",
             [&] { db.SaveNote(other, QStringLiteral("t"), {}, QStringLiteral("<p>x</p>")); }, 1},
            {"MoveNote", [&] { db.MoveNote(other, nb); }, 1},
            {"AddTagToNote with a new tag",
             [&] { db.AddTagToNote(other, QStringLiteral("fresh")); }, 2},
            {"AddTagToNote with a known tag",
             [&] { db.AddTagToNote(other, QStringLiteral("court")); }, 1},
            {"EnsureTag of a new tag", [&] { db.EnsureTag(QStringLiteral("lonely")); }, 1},
            {"CleanupOrphanTags", [&] { db.CleanupOrphanTags(); }, 1},
            {"RemoveTagFromNote",
             [&] { db.RemoveTagFromNote(other, db.EnsureTag(QStringLiteral("fresh"))); }, 2},
            {"AddLink", [&] { link = db.AddLink(other, QStringLiteral("u"), {}); }, 1},
            {"DeleteLink", [&] { db.DeleteLink(link); }, 1},
            {"CreateAnnotation",
             [&] { annotation = db.CreateAnnotation(other, QStringLiteral("s"), {}, {}); }, 1},
            {"UpdateAnnotation", [&] { db.UpdateAnnotation(annotation, QStringLiteral("b")); }, 1},
            {"DeleteAnnotation", [&] { db.DeleteAnnotation(annotation); }, 1},
            {"SyncAnnotations deleting",
             [&] {
                 db.CreateAnnotation(other, QStringLiteral("s1"), {}, {});
                 trace.Clear();
                 QCOMPARE(db.SyncAnnotations(other, {}), 1);
             },
             1},
            {"AddAttachment",
             [&] { attachment = db.AddAttachment(other, QStringLiteral("f"), {}, {}, 0); }, 1},
            {"DeleteAttachment", [&] { db.DeleteAttachment(attachment); }, 1},
            {"SetSetting", [&] { db.SetSetting(QStringLiteral("k"), QStringLiteral("v")); }, 1},
            {"SetSettingInt", [&] { db.SetSettingInt(QStringLiteral("k"), 3); }, 1},
            // The copy, its one tag, link and annotation; its attachment file does not exist.
            {"DuplicateNote", [&] { db.DuplicateNote(note); }, 4},
            {"DeleteNote", [&] { db.DeleteNote(other); }, 2},
            {"DeleteNotebook with its notes", [&] { db.DeleteNotebook(nb, true); }, 1},
        };
        for (const auto& [name, write, commits] : writes) {
            trace.Clear();
            write();
            const QStringList s = trace.Statements();
            QVERIFY2(s.count(QStringLiteral("COMMIT")) == commits,
                     qPrintable(QString::fromLatin1(name) + ": " + s.join(u'\n')));
            VerifyCommitsRetained(s);
            // Nothing is written after the last commit: the write is durable on return.
            for (const QString& st : s.mid(s.lastIndexOf(QStringLiteral("COMMIT"))))
                QVERIFY2(!IsWrite(st), qPrintable(QString::fromLatin1(name) + ": " + st));
        }
    }

    void aWriteIsDurableWhenItReturns()
    {
        const QString path = NewPath();
        TDatabase db(path);
        const int64_t nb = db.CreateNotebook(QStringLiteral("Durable"), 0);
        auto other = RawOpen(path);
        QCOMPARE(Scalar(*other, QStringLiteral("SELECT name FROM notebooks WHERE id=%1").arg(nb)),
                 QStringLiteral("Durable"));
    }

    // Files that cannot be opened: the constructor raises with SQLite's message, keeps no
    // descriptor of the file and leaves it as it was.
    void badFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("not a database") << "text"
                                        << "file is not a database";
        QTest::newRow("truncated database") << "truncated"
                                            << "database disk image is malformed";
        QTest::newRow("parent is a regular file") << "parent-file"
                                                  << "unable to open database file";
        QTest::newRow("path is a folder") << "folder"
                                          << "unable to open database file";
        QTest::newRow("read-only folder") << "read-only"
                                          << "unable to open database file";
    }

    void badFiles()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QString path = NewPath();
        if (kind == QLatin1String("text")) {
            WriteFile(path, QByteArray("These are my notes, kept in plain text.\n").repeated(200));
        } else if (kind == QLatin1String("truncated")) {
            const QString full = MakeStoreFile();
            QByteArray bytes = FileBytes(full);
            QVERIFY(bytes.size() > 8 * 4096);
            WriteFile(path, bytes.left(bytes.size() / 2));
        } else if (kind == QLatin1String("parent-file")) {
            const QString parent = NewPath() + QStringLiteral(".txt");
            WriteFile(parent, "not a folder");
            path = parent + QStringLiteral("/quorvel.db");
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path));
        } else {
            if (geteuid() == 0)
                QSKIP("Permissions do not stop the superuser from writing.");
            const QString folder = FDir.filePath(QStringLiteral("readonly%1").arg(FSerial));
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
            path = folder + QStringLiteral("/quorvel.db");
        }
        const bool existed = QFileInfo::exists(path);
        const QByteArray before = FileBytes(path);
        TTrace trace;
        const QString error = ErrorOf([&] { TDatabase db(path); });
        QVERIFY2(error.contains(message), qPrintable(error));
        QCOMPARE(QFileInfo::exists(path), existed);
        QCOMPARE(FileBytes(path), before);
        QCOMPARE(OpenDescriptorsTo(path), 0);
        QVERIFY(!trace.Statements().contains(QStringLiteral("ROLLBACK")));
    }

    void lockedDatabase_data()
    {
        QTest::addColumn<bool>("byChild");
        QTest::newRow("second connection") << false;
        QTest::newRow("another process") << true;
    }

    void lockedDatabase()
    {
        QFETCH(bool, byChild);
        const QString path = MakeStoreFile();
        const QByteArray before = FileBytes(path);
        std::unique_ptr<TSQLConnection> holder;
        std::unique_ptr<TLockingChild> child;
        if (byChild) {
            child = std::make_unique<TLockingChild>(path);
            QVERIFY(child->Locked());

        } else {
            holder = RawOpen(path);
            Exec(*holder, QStringLiteral("BEGIN EXCLUSIVE"));
        }
        const QString error = ErrorOf([&] { TDatabase db(path); });
        QVERIFY2(error.contains(QLatin1String("database is locked")), qPrintable(error));
        holder.reset();
        child.reset();
        // SQLite defers closing a descriptor while another connection of the process holds a
        // lock on the file; once that one is gone, none may remain.
        QCOMPARE(OpenDescriptorsTo(path), 0);
        QCOMPARE(FileBytes(path), before);
        // Once the lock is gone the file opens as before.
        TDatabase db(path);
        QCOMPARE(db.GetNotebooks().size(), size_t(1));
    }

    void missingLibrary()
    {
        const QString existing = MakeStoreFile();
        const QByteArray before = FileBytes(existing);
        const QString missing = NewPath();
        const QString library = FDir.filePath(QStringLiteral("nowhere/libsqlite3.so.0"));
        sqlitelib::SetLibraryPath(library);
        const QString errorExisting = ErrorOf([&] { TDatabase db(existing); });
        const QString errorMissing = ErrorOf([&] { TDatabase db(missing); });
        sqlitelib::SetLibraryPath(QString());
        for (const QString& error : {errorExisting, errorMissing}) {
            QVERIFY2(error.contains(library), qPrintable(error));
            QVERIFY2(error.contains(QLatin1String("No such file or directory")), qPrintable(error));
        }
        QCOMPARE(FileBytes(existing), before);
        QVERIFY(!QFileInfo::exists(missing));
        QCOMPARE(OpenDescriptorsTo(existing), 0);
        // With the normal search restored the store opens again.
        TDatabase db(existing);
        QCOMPARE(db.GetNotebooks().size(), size_t(1));
    }

    // A write while another connection holds the lock raises; the store goes on working once
    // the lock is released.
    void writeWhileLocked()
    {
        const QString path = MakeStoreFile();
        TTrace trace;
        TDatabase db(path);
        auto holder = RawOpen(path);
        Exec(*holder, QStringLiteral("BEGIN EXCLUSIVE"));
        const QString error = ErrorOf([&] { db.CreateNotebook(QStringLiteral("Blocked"), 0); });
        QVERIFY2(error.contains(QLatin1String("database is locked")), qPrintable(error));
        Exec(*holder, QStringLiteral("COMMIT"));
        holder.reset();
        QCOMPARE(IntegrityCheck(path), QStringLiteral("ok"));
        db.CreateNotebook(QStringLiteral("Later"), 0);
        QStringList names;
        for (const TNotebook& nb : db.GetNotebooks())
            names << nb.Name;
        QCOMPARE(names, (QStringList{"Cases", "Later"}));
        QCOMPARE(IntegrityCheck(path), QStringLiteral("ok"));
        QVERIFY(!trace.Statements().contains(QStringLiteral("ROLLBACK")));
    }

    // A statement that fails part-way through DeleteNote: the statements before it stay
    // pending, the failing one is undone, and the next commit makes the pending ones durable.
    void failingStatementLeavesEarlierOnesPending_data()
    {
        QTest::addColumn<bool>("closeInstead");
        QTest::newRow("next write commits") << false;
        QTest::newRow("closing commits") << true;
    }

    void failingStatementLeavesEarlierOnesPending()
    {
        QFETCH(bool, closeInstead);
        int64_t note = 0;
        const QString path = MakeStoreFile(&note);
        {
            auto raw = RawOpen(path);
            Exec(*raw, QStringLiteral("CREATE TRIGGER keep_tag_links BEFORE DELETE ON "
                                      "note_note_tags BEGIN SELECT RAISE(ABORT, 'tag links are "
                                      "kept'); END"));
        }
        TTrace trace;
        auto db = std::make_unique<TDatabase>(path);
        const QString error = ErrorOf([&] { db->DeleteNote(note); });
        QCOMPARE(error, QStringLiteral("tag links are kept"));
        auto reader = RawOpen(path);
        const auto count = [&](const char* ATable, const char* AColumn) {
            return ScalarInt(*reader, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2=%3")
                                          .arg(QLatin1String(ATable), QLatin1String(AColumn))
                                          .arg(note));
        };
        // Nothing of the failed call is in the file yet.
        QCOMPARE(count("annotations", "note_id"), 1);
        QCOMPARE(count("note_links", "note_id"), 1);
        QCOMPARE(count("attachments", "note_id"), 1);
        QCOMPARE(IntegrityCheck(path), QStringLiteral("ok"));
        if (closeInstead)
            db.reset();
        else
            db->SetSettingInt(QStringLiteral("last_note_id"), 0);
        QCOMPARE(count("annotations", "note_id"), 0);
        QCOMPARE(count("note_links", "note_id"), 0);
        QCOMPARE(count("attachments", "note_id"), 0);
        QCOMPARE(count("note_note_tags", "note_id"), 1);
        QCOMPARE(count("notes", "id"), 1);
        QCOMPARE(IntegrityCheck(path), QStringLiteral("ok"));
        QVERIFY(!trace.Statements().contains(QStringLiteral("ROLLBACK")));
    }

    // A text of several statements given to the connection runs each of them, in order, and
    // a failing one stops the rest with its error.
    void everyStatementOfADirectTextRuns()
    {
        const QString path = NewPath();
        auto raw = RawOpen(path);
        raw->ExecuteDirect(QStringLiteral("CREATE TABLE t(x); INSERT INTO t VALUES(1);\n"
                                          "INSERT INTO t VALUES(2); -- a closing comment\n"));
        QCOMPARE(ScalarInt(*raw, QStringLiteral("SELECT COUNT(*) FROM t")), 2);
        QCOMPARE(ErrorOf([&] {
                     raw->ExecuteDirect(QStringLiteral("INSERT INTO t VALUES(3); INSERT INTO "
                                                       "missing VALUES(4); INSERT INTO t "
                                                       "VALUES(5)"));
                 }),
                 QStringLiteral("no such table: missing"));
        QCOMPARE(ScalarInt(*raw, QStringLiteral("SELECT SUM(x) FROM t")), 6);
    }

    // A migration step that fails part-way keeps its earlier statements and the old version.
    void failingMigrationStep()
    {
        const QString path = NewPath();
        {
            auto raw = RawOpen(path);
            ExecAll(*raw,
                    {"CREATE TABLE notebooks (id INTEGER PRIMARY KEY, parent_id INTEGER NOT NULL "
                     "DEFAULT 0, name TEXT NOT NULL, sort_order INTEGER NOT NULL DEFAULT 0, "
                     "created_at INTEGER NOT NULL, updated_at INTEGER NOT NULL, colour TEXT)",
                     "CREATE TABLE settings (key TEXT PRIMARY KEY, value TEXT)",
                     "CREATE TABLE annotations (id INTEGER PRIMARY KEY, note_id INTEGER NOT NULL, "
                     "span_id TEXT NOT NULL, snippet TEXT NOT NULL DEFAULT '', body TEXT NOT NULL "
                     "DEFAULT '', created_at INTEGER NOT NULL)",
                     "INSERT INTO settings VALUES ('schema_version', '4')",
                     "INSERT INTO notebooks VALUES (1, 0, 'Old', 0, 1, 1, 'red')"});
        }
        const QString error = ErrorOf([&] { TDatabase db(path); });
        QVERIFY2(error.contains(QLatin1String("7 values")), qPrintable(error));
        QCOMPARE(OpenDescriptorsTo(path), 0);
        auto raw = RawOpen(path);
        QCOMPARE(
            Scalar(*raw, QStringLiteral("SELECT value FROM settings WHERE key='schema_version'")),
            QStringLiteral("4"));
        QCOMPARE(Scalar(*raw, QStringLiteral("SELECT name FROM notebooks")), QStringLiteral("Old"));
        QCOMPARE(ScalarInt(*raw, QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE "
                                                "name='notebooks_new'")),
                 1);
        QCOMPARE(IntegrityCheck(path), QStringLiteral("ok"));
    }

    // A write-protected file without the list indexes (made by an earlier build, or by another
    // program) opens and reads as before; only writes fail, and the file is left as it was.
    void writeProtectedFileWithoutListIndexes()
    {
        const QString path = MakeStoreFile();
        DropStatementIndexes(path);
        const QByteArray before = FileBytes(path);
        TFaultVfs vfs;
        QVERIFY(vfs.Ready());
        TFaultVfs::ReadOnlyDatabases = true;
        {
            TWarningCounter warnings;
            TDatabase db(path);
            QVERIFY(TDatabaseTestAccess::Conn(db).ReadOnly());
            QCOMPARE(db.GetNotebooks().size(), size_t(1));
            const TNoteArray notes =
                db.GetNotesByNotebook(db.GetNotebooks().at(0).Id, nsByModified, nsdDesc);
            QCOMPARE(notes.size(), size_t(1));
            QCOMPARE(db.GetNote(notes.at(0).Id).Summary, QStringLiteral("sum"));
            QCOMPARE(db.SearchNotes(QStringLiteral("witness"), nsByTitle, nsdAsc).size(),
                     size_t(1));
            const QString error = ErrorOf([&] { db.CreateNotebook(QStringLiteral("New"), 0); });
            QVERIFY2(error.contains(QLatin1String("readonly database")), qPrintable(error));
            QCOMPARE(warnings.Messages(), QStringList());
        }
        TFaultVfs::ReadOnlyDatabases = false;
        QCOMPARE(FileBytes(path), before);
        QCOMPARE(StatementIndexCount(path), 0);
    }

    // The disk is full while the list indexes are made at open: the file opens without them,
    // the failure is logged once, and the store works once there is room again.
    void listIndexesFailingAtOpen()
    {
        const QString path = MakeStoreFile();
        DropStatementIndexes(path);
        const QByteArray before = FileBytes(path);
        TFaultVfs vfs;
        QVERIFY(vfs.Ready());
        TFaultVfs::FailMask = SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_MAIN_JOURNAL;
        TFaultVfs::FailWrites = 1000000;
        TWarningCounter warnings;
        auto db = std::make_unique<TDatabase>(path);
        QVERIFY(TFaultVfs::FailWrites < 1000000);
        TFaultVfs::FailWrites = 0;
        QCOMPARE(warnings.Messages().size(), 1);
        QVERIFY2(warnings.Messages().at(0).contains(QLatin1String("database or disk is full")),
                 qPrintable(warnings.Messages().at(0)));
        QCOMPARE(FileBytes(path), before);
        QCOMPARE(db->GetNotebooks().size(), size_t(1));
        db->CreateNotebook(QStringLiteral("Room again"), 0);
        auto reader = RawOpen(path);
        QCOMPARE(Column(*reader, QStringLiteral("SELECT name FROM notebooks ORDER BY id")),
                 (QStringList{"Cases", "Room again"}));
        QCOMPARE(IntegrityCheck(path), QStringLiteral("ok"));
    }

    // SQLite ends the open transaction by itself when the disk is full. The write that met it
    // reports the error; later writes are stored, reported as done, and keep the commit model.
    void transactionEndedBySQLite_data()
    {
        QTest::addColumn<int>("mask");
        QTest::newRow("full while committing") << int(SQLITE_OPEN_MAIN_DB);
        QTest::newRow("full while writing") << int(SQLITE_OPEN_MAIN_JOURNAL);
    }

    void transactionEndedBySQLite()
    {
        QFETCH(int, mask);
        TFaultVfs vfs;
        QVERIFY(vfs.Ready());
        const QString path = NewPath();
        TDatabase db(path);
        TSQLConnection& conn = TDatabaseTestAccess::Conn(db);
        db.CreateNotebook(QStringLiteral("Before"), 0);
        TFaultVfs::FailMask = mask;
        TFaultVfs::FailWrites = 1;
        const QString error = ErrorOf([&] { db.CreateNotebook(QStringLiteral("Lost"), 0); });
        QVERIFY2(error.contains(QLatin1String("database or disk is full")), qPrintable(error));
        QCOMPARE(TFaultVfs::FailWrites, 0);
        QVERIFY(!InTransaction(conn));
        QCOMPARE(ErrorOf([&] { db.CreateNotebook(QStringLiteral("After"), 0); }),
                 QStringLiteral("(no error)"));
        QVERIFY(InTransaction(conn));
        db.SetSettingInt(QStringLiteral("last_note_id"), 3);
        QVERIFY(InTransaction(conn));
        auto reader = RawOpen(path);
        QCOMPARE(Column(*reader, QStringLiteral("SELECT name FROM notebooks ORDER BY id")),
                 (QStringList{"Before", "After"}));
        QCOMPARE(Scalar(*reader, QStringLiteral("SELECT value FROM settings WHERE "
                                                "key='last_note_id'")),
                 QStringLiteral("3"));
        QCOMPARE(IntegrityCheck(path), QStringLiteral("ok"));
    }

    // Text of 4 GiB or more is refused by SQLite with its own message and nothing is stored;
    // its length must reach SQLite whole. The bytes are never read, so they are never mapped.
    void textOverFourGiBIsRefused()
    {
        const size_t size = (size_t(1) << 32) + 16;
        void* bytes =
            mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        QVERIFY(bytes != MAP_FAILED);
        const auto unmap = qScopeGuard([&] { munmap(bytes, size); });
        const QString path = NewPath();
        auto conn = RawOpen(path);
        Exec(*conn, QStringLiteral("CREATE TABLE t (v TEXT)"));
        TSQLQuery q(conn.get(), nullptr);
        q.SetSQL(QStringLiteral("INSERT INTO t (v) VALUES (:v)"));
        q.BindUtf8("v", QByteArray::fromRawData(static_cast<const char*>(bytes), qsizetype(size)));
        const QString error = ErrorOf([&] { q.ExecSQL(); });
        QVERIFY2(error.contains(QLatin1String("string or blob too big")), qPrintable(error));
        QCOMPARE(ScalarInt(*conn, QStringLiteral("SELECT COUNT(*) FROM t")), 0);
    }
};

QTEST_GUILESS_MAIN(TestStoreOpen)
#include "test_store_open.moc"
