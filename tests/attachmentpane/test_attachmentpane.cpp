#include "../dmdialogs/testsupport.h"
#include "attachmentpane.h"
#include "attachstore.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QUrl>
#include <cstring>
#include <memory>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

void WriteFile(const QString& APath, const QByteArray& AData)
{
    QFile f(APath);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(AData);
}

QByteArray ReadFile(const QString& APath)
{
    QFile f(APath);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The pane as the editor holds it: filling a bottom bar of 83 pixels under a larger owner.
struct TPaneInBar
{
    std::unique_ptr<TPanel> Owner = std::make_unique<TPanel>();
    TPanel* Bar = new TPanel(Owner.get());
    TAttachmentPane* Pane = new TAttachmentPane(Bar);
    TPaneInBar()
    {
        Bar->AddAligned(new TPanel(Bar), alTop, 5);
        Bar->AddAligned(new TPanel(Bar), alBottom, 48);
        Bar->AddAligned(Pane, alClient);
        Owner->AddAligned(Bar, alBottom, 83);
        Owner->resize(500, 700);
        Owner->show();
    }
    QPushButton* RowButton(int ARow, const QString& ACaption) const
    {
        for (auto* b : Pane->ListScroll()->Rows().at(ARow)->findChildren<QPushButton*>())
            if (b->text() == ACaption)
                return b;
        return nullptr;
    }
};

} // namespace

class TestAttachmentPane : public QObject
{
    Q_OBJECT

    TTestStore* FStore = nullptr;
    int64_t FNote = 0;

    static void ExpectMessages(int ACount)
    {
        for (int i = 0; i < ACount; ++i)
            dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
    }

private Q_SLOTS:
    void initTestCase() { QGuiApplication::setApplicationDisplayName("Quorvel"); }
    void init()
    {
        StartScriptedDialogs();
        SetScreenPPI(96);
        FStore = new TTestStore;
        FNote = AppDB->CreateNote(AppDB->CreateNotebook("nb", 0), "n");
    }
    void cleanup()
    {
        delete FStore;
        QVERIFY2(dlgseam::Unanswered().isEmpty(), qPrintable(dlgseam::Unanswered().join(", ")));
        QCOMPARE(dlgseam::PendingAnswers(), 0);
    }

    void mimeTypes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("mime");
        QTest::addColumn<bool>("preview");
        QTest::newRow("upper pdf") << "Report.PDF"
                                   << "application/pdf" << true;
        QTest::newRow("htm") << "page.htm"
                             << "text/html" << true;
        QTest::newRow("txt") << "a.b.txt"
                             << "text/plain" << true;
        QTest::newRow("jpeg") << "x.JPEG"
                              << "image/jpeg" << true;
        QTest::newRow("svg") << "d.svg"
                             << "image/svg+xml" << true;
        QTest::newRow("webp") << "d.webp"
                              << "image/webp" << true;
        QTest::newRow("none") << "README"
                              << "application/octet-stream" << false;
        QTest::newRow("docx") << "letter.docx"
                              << "application/octet-stream" << false;
        QTest::newRow("dot in folder") << "dir.v2/README"
                                       << "application/octet-stream" << false;
    }
    void mimeTypes()
    {
        QFETCH(QString, name);
        QFETCH(QString, mime);
        QFETCH(bool, preview);
        QCOMPARE(MimeTypeForFile(name), mime);
        QCOMPARE(CanPreview(mime), preview);
    }

    void storedNamesAndAddresses()
    {
        static const QRegularExpression guid(
            "^attachments/[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}(\\..*)?$");
        const QString a = UniqueRelPath("Report.PDF");
        QVERIFY2(guid.match(a).hasMatch(), qPrintable(a));
        QVERIFY(a.endsWith(".pdf"));
        QVERIFY(UniqueRelPath("Report.PDF") != a);
        const QString bare = UniqueRelPath("README");
        QVERIFY(guid.match(bare).hasMatch());
        QCOMPARE(QFileInfo(bare).suffix(), QString());
        QCOMPARE(FullPath(a), FStore->Dir.path() + "/" + a);

        // Blanks, "#" and "%" in the folder are escaped, and the address names the file.
        const QString odd = "/tmp/case files #2/100% done/a b.pdf";
        const QString url = FileUrl(odd);
        QVERIFY2(url.startsWith("file:///tmp/case%20files%20%232/100%25%20done/"), qPrintable(url));
        QCOMPARE(QUrl(url).toLocalFile(), odd);
        QCOMPARE(FileUrl("C:\\x\\y.txt").contains('\\'), false);
    }

    void storedCopyPaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("safe");
        QTest::newRow("stored") << "attachments/1.pdf" << true;
        QTest::newRow("backslash") << "attachments\\1.pdf" << true;
        QTest::newRow("up") << "attachments/../quorvel.db" << false;
        QTest::newRow("absolute") << "/etc/passwd" << false;
        QTest::newRow("drive") << "C:/x" << false;
        QTest::newRow("empty") << "" << false;
    }
    void storedCopyPaths()
    {
        QFETCH(QString, path);
        QFETCH(bool, safe);
        QCOMPARE(IsStoredCopyPath(path), safe);
    }

    void attachCopiesAndLists()
    {
        const QString source = FStore->Path("Report.PDF");
        WriteFile(source, "%PDF-1.4 body");
        AppDB->AddAttachment(FNote, "old.txt", "text/plain", "", 3);
        TPaneInBar f;
        f.Pane->LoadForNote(FNote);
        QCOMPARE(f.Pane->ToggleButton()->text(), QString("\u25B6 Attachments (1)"));
        for (int i = 0; i < 2; ++i) {
            dlgseam::PushAnswer(dlgseam::ChooseFile(source));
            f.Pane->AttachButton()->click();
        }
        const TNoteAttachmentArray list = AppDB->GetAttachments(FNote);
        QCOMPARE(list.size(), size_t(3));
        for (size_t i = 1; i < 3; ++i) {
            QCOMPARE(list[i].FileName, QString("Report.PDF"));
            QCOMPARE(list[i].MimeType, QString("application/pdf"));
            QCOMPARE(list[i].FileSize, int64_t(13));
            QVERIFY(list[i].FilePath.startsWith("attachments/"));
            QVERIFY(list[i].FilePath.endsWith(".pdf"));
            QCOMPARE(ReadFile(FullPath(list[i].FilePath)), QByteArray("%PDF-1.4 body"));
        }
        QVERIFY(list[1].FilePath != list[2].FilePath);
        // Expanded by the first attach, S(200) taller than the header; the new rows last.
        QVERIFY(f.Pane->Expanded());
        QCOMPARE(f.Pane->height(), 30 + 200);
        QCOMPARE(f.Pane->ToggleButton()->text(), QString("\u25BC Attachments (3)"));
        QVERIFY(f.Pane->ListScroll()->isVisible());
        QCOMPARE(f.Pane->Attachments().back().Id, list[2].Id);
        QCOMPARE(dlgseam::Shown().first(), QString("Attach file"));
        // Collapsing leaves just the header.
        f.Pane->ToggleButton()->click();
        QCOMPARE(f.Pane->height(), 30);
        QVERIFY(!f.Pane->ListScroll()->isVisible());
    }

    // Only a regular file is attached; anything else is refused before it is opened (a pipe
    // without a writer would hold the window), and nothing is stored.
    void onlyRegularFilesAttached_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("pipe") << "pipe";
        QTest::newRow("socket") << "socket";
        QTest::newRow("folder") << "folder";
        QTest::newRow("device") << "device";
    }
    void onlyRegularFilesAttached()
    {
        QFETCH(QString, kind);
        QString path = FStore->Path(kind);
        int sock = -1;
        const auto closeSocket = qScopeGuard([&] {
            if (sock >= 0)
                ::close(sock);
        });
        if (kind == "pipe") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == "socket") {
            sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
            QVERIFY(sock >= 0);
            sockaddr_un addr = {};
            addr.sun_family = AF_UNIX;
            const QByteArray name = QFile::encodeName(path);
            QVERIFY(size_t(name.size()) < sizeof addr.sun_path);
            std::memcpy(addr.sun_path, name.constData(), name.size());
            QCOMPARE(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        } else if (kind == "folder") {
            QVERIFY(QDir().mkpath(path));
        } else {
            path = "/dev/null";
        }
        TPaneInBar f;
        f.Pane->LoadForNote(FNote);
        dlgseam::PushAnswer(dlgseam::ChooseFile(path));
        ExpectMessages(1);
        f.Pane->AttachButton()->click();
        QCOMPARE(dlgseam::Shown().last(),
                 "Quorvel|Only a regular file can be attached; this is a folder, a pipe, a "
                 "socket or a device: " +
                     path);
        QVERIFY(AppDB->GetAttachments(FNote).empty());
        QVERIFY(QDir(AttachDir()).isEmpty());
    }

    // The record holds the number of bytes copied, also for a file that reports no size; a
    // copy that fails part way leaves no file behind.
    void sizeIsWhatWasCopied()
    {
        TPaneInBar f;
        f.Pane->LoadForNote(FNote);
        const QString source = "/proc/self/status";
        QCOMPARE(QFileInfo(source).size(), qint64(0));
        dlgseam::PushAnswer(dlgseam::ChooseFile(source));
        f.Pane->AttachButton()->click();
        const TNoteAttachmentArray list = AppDB->GetAttachments(FNote);
        QCOMPARE(list.size(), size_t(1));
        const qint64 stored = QFileInfo(FullPath(list[0].FilePath)).size();
        QVERIFY(stored > 0);
        QCOMPARE(list[0].FileSize, stored);
    }
    void failedCopyLeavesNoFile()
    {
        TPaneInBar f;
        f.Pane->LoadForNote(FNote);
        // A regular file whose first read fails.
        dlgseam::PushAnswer(dlgseam::ChooseFile("/proc/self/mem"));
        bool raised = false;
        try {
            f.Pane->AttachBtnClick();
        } catch (const std::exception& AError) {
            raised = QString::fromUtf8(AError.what()).startsWith("Cannot read /proc/self/mem");
        }
        QVERIFY(raised);
        QVERIFY(AppDB->GetAttachments(FNote).empty());
        QVERIFY(QDir(AttachDir()).exists());
        QVERIFY(QDir(AttachDir()).isEmpty());
    }

    void messagesWithoutUsableCopy()
    {
        TPaneInBar f;
        f.Pane->LoadForNote(0);
        ExpectMessages(1);
        f.Pane->AttachButton()->click();
        QCOMPARE(dlgseam::Shown(),
                 QStringList{"Quorvel|Please open a note before attaching a file."});

        WriteFile(FStore->Path("quorvel-outside.txt"), "keep");
        AppDB->AddAttachment(FNote, "legacy.bin", "application/octet-stream", "", 9);
        AppDB->AddAttachment(FNote, "gone.txt", "text/plain", "attachments/missing.txt", 1);
        AppDB->AddAttachment(FNote, "escape.txt", "text/plain",
                             "attachments/../quorvel-outside.txt", 4);
        f.Pane->LoadForNote(FNote);
        dlgseam::Reset();
        ExpectMessages(3);
        f.Pane->OpenClick(0);
        f.Pane->ExportClick(1);
        f.Pane->OpenClick(2);
        f.Pane->OpenClick(7); // no such row
        QCOMPARE(dlgseam::Shown(),
                 (QStringList{"Quorvel|This attachment has no file on disk (legacy BLOB record).",
                              "Quorvel|File not found: " + FStore->Dir.path() +
                                  "/attachments/missing.txt",
                              "Quorvel|File not found: " + FStore->Dir.path() +
                                  "/attachments/../quorvel-outside.txt"}));
        QVERIFY(!f.Pane->ViewerOuter()->isVisibleTo(f.Pane));

        // Deleting removes the records; a path leaving the folder never deletes that file.
        dlgseam::Reset();
        dlgseam::PushAnswer(Yes());
        f.RowButton(2, "\u2715")->click();
        dlgseam::PushAnswer(Yes());
        f.RowButton(0, "\u2715")->click();
        QCOMPARE(dlgseam::Shown().first(),
                 QString("Delete Attachment|Delete \"escape.txt\" from this note?"));
        QCOMPARE(AppDB->GetAttachments(FNote).size(), size_t(1));
        QCOMPARE(AppDB->GetAttachments(FNote).front().FileName, QString("gone.txt"));
        QCOMPARE(ReadFile(FStore->Path("quorvel-outside.txt")), QByteArray("keep"));
    }

    void exportAndDelete()
    {
        QDir().mkpath(AttachDir());
        const QString rel = "attachments/0b7e.txt";
        WriteFile(FullPath(rel), "case notes");
        AppDB->AddAttachment(FNote, "notes.txt", "text/plain", rel, 10);
        TPaneInBar f;
        f.Pane->LoadForNote(FNote);
        const QString target = FStore->Path("exported.txt");
        WriteFile(target, "older content that is longer");
        dlgseam::PushAnswer(dlgseam::ChooseFile(target));
        f.RowButton(0, "Export")->click();
        QCOMPARE(ReadFile(target), QByteArray("case notes"));
        QCOMPARE(dlgseam::Shown().size(), 1); // no message on success

        // A cancelled question keeps everything; a confirmed one removes copy and record.
        dlgseam::PushAnswer(No());
        f.RowButton(0, "\u2715")->click();
        QVERIFY(QFile::exists(FullPath(rel)));
        dlgseam::PushAnswer(Yes());
        f.RowButton(0, "\u2715")->click();
        QVERIFY(!QFile::exists(FullPath(rel)));
        QVERIFY(AppDB->GetAttachments(FNote).empty());
        QCOMPARE(f.Pane->ToggleButton()->text(), QString("\u25B6 Attachments (0)"));
    }

    // Any name the file system allows is attached, and exported through the save dialog as
    // it stands under exactly that name; the stored copy keeps only a real extension.
    void namesKeptWhole_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("storedExtension");
        QTest::newRow("quotes") << "a \"quoted\" name.txt"
                                << ".txt";
        QTest::newRow("backslash after the last dot") << "report.\\..\\x"
                                                      << "";
        QTest::newRow("backslash before the last dot") << "q3\\draft.PDF"
                                                       << ".pdf";
        QTest::newRow("plain") << "minutes.2024.html"
                               << ".html";
    }
    void namesKeptWhole()
    {
        QFETCH(QString, name);
        QFETCH(QString, storedExtension);
        QVERIFY(QDir().mkpath(FStore->Path("in")));
        QVERIFY(QDir().mkpath(FStore->Path("out")));
        const QString source = FStore->Path("in/" + name);
        WriteFile(source, "body of " + name.toUtf8());
        TPaneInBar f;
        f.Pane->LoadForNote(FNote);
        dlgseam::PushAnswer(dlgseam::ChooseFile(source));
        f.Pane->AttachButton()->click();
        const TNoteAttachmentArray list = AppDB->GetAttachments(FNote);
        QCOMPARE(list.size(), size_t(1));
        QCOMPARE(list[0].FileName, name);
        QCOMPARE(list[0].FilePath.mid(QString("attachments/").size() + 36), storedExtension);
        QCOMPARE(ReadFile(FullPath(list[0].FilePath)), "body of " + name.toUtf8());

        // The dialog's own acceptance, as a user pressing Save on the suggested name.
        const QString out = FStore->Path("out");
        QString suggested;
        dlgseam::PushAnswer([&](QDialog& ADialog) {
            auto& dialog = static_cast<QFileDialog&>(ADialog);
            auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
            suggested = edit->text();
            dialog.setDirectory(out);
            edit->setText(suggested);
            ADialog.accept();
        });
        f.RowButton(0, "Export")->click();
        QCOMPARE(suggested, name);
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList{name});
        QCOMPARE(ReadFile(out + "/" + name), "body of " + name.toUtf8());
    }

    void heightFromTheEditorsGrip()
    {
        TPaneInBar f;
        f.Pane->LoadForNote(FNote);
        auto* owner = f.Owner.get();
        owner->SetExtent(f.Bar, 83 + 11);
        f.Pane->NotifyHeightChanged();
        QVERIFY(f.Pane->Expanded());
        QVERIFY(f.Pane->ListScroll()->isVisible());
        QCOMPARE(f.Pane->ToggleButton()->text(), QString("\u25BC Attachments (0)"));
        owner->SetExtent(f.Bar, 83 + 10);
        f.Pane->NotifyHeightChanged();
        QVERIFY(!f.Pane->Expanded());
        QVERIFY(!f.Pane->ListScroll()->isVisible());
        QVERIFY(!f.Pane->ViewerOuter()->isVisible());
    }
};

QTEST_MAIN(TestAttachmentPane)
#include "test_attachmentpane.moc"
