// The two import commands of the File menu, run through the real menu with their dialogs
// answered by script.
#include "../dmdialogs/testsupport.h"
#include "../store/storetest.h"
#include "importer.h"
#include "mainform.h"
#include "notebookpane.h"
#include "notelistpane.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QListWidget>
#include <QMenuBar>

namespace {

void WriteFile(const QString& APath, const QByteArray& AData)
{
    QFile f(APath);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(AData);
}

void Trigger(TMainForm& AForm, const QString& AText)
{
    for (QAction* a : AForm.menuBar()->findChildren<QAction*>())
        if (a->text() == AText) {
            a->trigger();
            return;
        }
    QFAIL(qPrintable("no menu command " + AText));
}

QString LastMessage()
{
    const QString shown = dlgseam::Shown().value(dlgseam::Shown().size() - 1);
    return shown.section(u'|', 1);
}

} // namespace

class TestImportCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        StartScriptedDialogs();
        SetScreenPPI(96);
    }
    void cleanup() { VerifyAllDialogsAnswered(); }

    void folderImport()
    {
        TTestStore store(false);
        store.Open();
        TMainForm form;
        const QString folder = store.Path("Case files");
        QVERIFY(QDir().mkpath(folder + "/sub"));
        // A PDF without text is a note with the notice; files named .pdf that are no PDFs
        // are skipped.
        WriteFile(folder + "/c.PDF",
                  "%PDF-1.4\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n"
                  "2 0 obj\n<< /Type /Pages /Kids [3 0 R] /Count 1 >>\nendobj\n"
                  "3 0 obj\n<< /Type /Page /Parent 2 0 R >>\nendobj\n"
                  "trailer\n<< /Root 1 0 R >>\n%%EOF\n");
        WriteFile(folder + "/empty.pdf", "");
        WriteFile(folder + "/program.pdf",
                  QByteArray::fromHex("7f454c460201010000000000000000000300") + "BT (x) Tj ET");
        WriteFile(folder + "/header only.pdf", "%PDF-1.4\nno text here\n%%EOF\n");
        WriteFile(folder + "/B.txt", "Beta *text*\n");
        WriteFile(folder + "/a.md", "Alpha text\n");
        WriteFile(folder + "/empty.txt", "");
        WriteFile(folder + "/notes.doc", "not supported");
        WriteFile(folder + "/sub/d.md", "inside a sub-folder\n");
        // Files of other kinds under the names of text, pages and RTF are skipped.
        WriteFile(folder + "/photo.txt",
                  QByteArray::fromHex("89504e470d0a1a0a0000000d4948445200000010") + "IHDR text");
        WriteFile(folder + "/archive.html",
                  QByteArray::fromHex("1f8b0808a31c8e650003") + "notes.md" + '\0' + "\xcbH\xcd");
        WriteFile(folder + "/letter.rtf",
                  QByteArray::fromHex("504b0304140006000800") + "word/document.xml");

        dlgseam::PushAnswer(dlgseam::ChooseFile(folder));
        dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
        Trigger(form, "Import &Notebook from Folder...");

        QCOMPARE(dlgseam::Shown().value(0), QString("Select folder to import as a notebook"));
        QCOMPARE(LastMessage(), QString("Notebook \"Case files\" created with 3 note(s).\r\n"
                                        "7 file(s) skipped (no readable content)."));
        const TNotebookArray notebooks = AppDB->GetNotebooks();
        QCOMPARE(notebooks.size(), size_t(1));
        QCOMPARE(notebooks[0].Name, QString("Case files"));
        QCOMPARE(notebooks[0].ParentId, 0);
        QCOMPARE(form.NotebookPane()->SelectedNotebookId(), notebooks[0].Id);
        // Created in the order a, B, c: ids ascend with it.
        TNoteArray notes = AppDB->GetNotesByNotebook(notebooks[0].Id, nsByTitle, nsdAsc);
        std::sort(notes.begin(), notes.end(),
                  [](const TNote& A, const TNote& B) { return A.Id < B.Id; });
        QStringList titles;
        for (const TNote& n : notes)
            titles << n.Title;
        QCOMPARE(titles, QStringList({"a", "B", "c"}));
        QVERIFY(AppDB->GetNote(notes[1].Id).Body.contains("<em>text</em>"));
        QCOMPARE(AppDB->GetNote(notes[2].Id).Body,
                 QString("<p><em>(No extractable text found in this PDF.)</em></p>"));
        // The new notebook's notes are listed at once.
        QCOMPARE(form.NoteListPane()->List()->count(), 3);
        // The bodies are in the full-text index.
        QCOMPARE(AppDB->SearchNotes("Alpha", nsByModified, nsdDesc).size(), size_t(1));
    }

    // Files that cannot be read are counted and named; the files after them are imported.
    void folderImportGoesOnAfterUnreadableFiles()
    {
        TTestStore store;
        TMainForm form;
        const QString folder = store.Path("Mixed");
        QVERIFY(QDir().mkpath(folder));
        WriteFile(folder + "/a.md", "Alpha\n");
        WriteFile(folder + "/d.md", "Delta\n");
        WriteFile(folder + "/e.txt", "");
        // Reading these fails (as for a file locked by another program), also for root.
        for (const QString name : {"b.md", "c.pdf"}) {
            QVERIFY(QFile::link("/proc/self/mem", folder + "/" + name));
            QString title;
            QVERIFY_THROWS_EXCEPTION(EImportFileError,
                                     ImportFileToHTML(folder + "/" + name, title));
        }
        dlgseam::PushAnswer(dlgseam::ChooseFile(folder));
        dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
        Trigger(form, "Import &Notebook from Folder...");
        QCOMPARE(LastMessage(), QString("Notebook \"Mixed\" created with 2 note(s).\r\n"
                                        "1 file(s) skipped (no readable content).\r\n"
                                        "2 file(s) could not be read: b.md, c.pdf"));
        const int64_t nb = form.NotebookPane()->SelectedNotebookId();
        QStringList titles;
        for (const TNote& n : AppDB->GetNotesByNotebook(nb, nsByTitle, nsdAsc))
            titles << n.Title;
        QCOMPARE(titles, QStringList({"a", "d"}));
        QCOMPARE(form.NoteListPane()->List()->count(), 2);
    }

    // A store that fills up during a folder import: the notes stored before stay, and the
    // file being stored leaves no note behind, not even an empty one.
    void folderImportLeavesNoEmptyNote()
    {
        TTestStore store;
        TMainForm form;
        const QString folder = store.Path("Full");
        QVERIFY(QDir().mkpath(folder));
        WriteFile(folder + "/a.md", "Alpha text\n");
        QByteArray big;
        for (int k = 0; big.size() < 400000; ++k)
            big += "word" + QByteArray::number(k) + ' ';
        WriteFile(folder + "/b.md", big);
        TSQLConnection& conn = TDatabaseTestAccess::Conn(*AppDB);
        const int64_t pages = storetest::ScalarInt(conn, "PRAGMA page_count");
        storetest::Column(conn, QStringLiteral("PRAGMA max_page_count=%1").arg(pages + 40));

        dlgseam::PushAnswer(dlgseam::ChooseFile(folder));
        const QString error = storetest::ErrorOf([&] { form.MenuImportNotebook(); });
        QVERIFY2(error.contains("full"), qPrintable(error));
        const TNotebookArray notebooks = AppDB->GetNotebooks();
        QCOMPARE(notebooks.size(), size_t(1));
        QStringList titles;
        for (const TNote& n : AppDB->GetNotesByNotebook(notebooks[0].Id, nsByTitle, nsdAsc))
            titles << n.Title + ": " + AppDB->GetNote(n.Id).Body;
        QCOMPARE(titles, QStringList({"a: <p>Alpha text</p>\r\n"}));
    }

    // The folder's name reaches the message as it stands, also with "%" in it; a file named
    // only by its extension gives an empty title here, and "Untitled" in the single import.
    void folderNameAndEmptyTitles()
    {
        TTestStore store;
        TMainForm form;
        const QString folder = store.Path("Costs %1 at 50%2");
        QVERIFY(QDir().mkpath(folder));
        WriteFile(folder + "/.md", "Only an extension\n");
        WriteFile(folder + "/x.md", "Named\n");
        dlgseam::PushAnswer(dlgseam::ChooseFile(folder + "/"));
        dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
        Trigger(form, "Import &Notebook from Folder...");
        QCOMPARE(LastMessage(), QString("Notebook \"Costs %1 at 50%2\" created with 2 note(s)."));
        const int64_t nb = form.NotebookPane()->SelectedNotebookId();
        QCOMPARE(AppDB->GetNotebooks().at(0).Name, QString("Costs %1 at 50%2"));
        TNoteArray notes = AppDB->GetNotesByNotebook(nb, nsByTitle, nsdAsc);
        QCOMPARE(notes.size(), size_t(2));
        QCOMPARE(notes[0].Title, QString());
        QCOMPARE(notes[1].Title, QString("x"));

        dlgseam::PushAnswer(dlgseam::ChooseFile(folder + "/.md"));
        Trigger(form, "&Import Note...");
        notes = AppDB->GetNotesByNotebook(nb, nsByTitle, nsdAsc);
        QCOMPARE(notes.size(), size_t(3));
        QCOMPARE(notes[1].Title, QString("Untitled"));
    }

    void folderWithoutSupportedFiles()
    {
        TTestStore store;
        TMainForm form;
        const QString folder = store.Path("empty");
        QVERIFY(QDir().mkpath(folder + "/sub"));
        WriteFile(folder + "/sub/a.md", "x");
        WriteFile(folder + "/b.docx", "x");
        dlgseam::PushAnswer(dlgseam::ChooseFile(folder));
        dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
        Trigger(form, "Import &Notebook from Folder...");
        QCOMPARE(LastMessage(), QString("No supported files found in that folder.\r\n"
                                        "Supported types: HTML, HTM, MD, TXT, RTF, PDF"));
        QVERIFY(AppDB->GetNotebooks().empty());
    }

    void singleImport()
    {
        TTestStore store;
        const int64_t nb = AppDB->CreateNotebook("Work", 0);
        TMainForm form;
        WriteFile(store.Path("memo.md"), "# Memo\n\nSee **the** file.\n");
        WriteFile(store.Path("photo.jpg"), "\xff\xd8\xff\xe0 not text");

        // Without a selected notebook: the message, and no file dialog.
        dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
        Trigger(form, "&Import Note...");
        QCOMPARE(dlgseam::Shown().size(), 1);
        QCOMPARE(LastMessage(), QString("Please select a notebook before importing a note."));

        form.NotebookPane()->SelectNotebook(nb);
        // A file of another type, chosen under "All files" (which lists every file, also one
        // without a dot in its name): nothing is created.
        QStringList filters;
        QString preselected;
        dlgseam::PushAnswer([&](QDialog& ADialog) {
            auto* dialog = qobject_cast<QFileDialog*>(&ADialog);
            QVERIFY(dialog);
            filters = dialog->nameFilters();
            preselected = dialog->selectedNameFilter();
            dlgseam::ChooseFile(store.Path("photo.jpg"))(ADialog);
        });
        dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
        Trigger(form, "&Import Note...");
        QCOMPARE(LastMessage(),
                 QString("The file could not be imported or contains no readable content."));
        QVERIFY(AppDB->GetNotesByNotebook(nb, nsByTitle, nsdAsc).empty());
        QCOMPARE(filters, QStringList({"Supported files (*.html *.htm *.md *.txt *.rtf *.pdf)",
                                       "HTML files (*.html *.htm)", "Markdown files (*.md *.txt)",
                                       "RTF files (*.rtf)", "PDF files (*.pdf)", "All files (*)"}));
        QCOMPARE(preselected, filters.first());

        dlgseam::PushAnswer(dlgseam::ChooseFile(store.Path("memo.md")));
        Trigger(form, "&Import Note...");
        QCOMPARE(dlgseam::Shown().last(), QString("Import Note"));
        const TNoteArray notes = AppDB->GetNotesByNotebook(nb, nsByTitle, nsdAsc);
        QCOMPARE(notes.size(), size_t(1));
        QCOMPARE(notes[0].Title, QString("Memo"));
        QVERIFY(AppDB->GetNote(notes[0].Id).Body.contains("<strong>the</strong>"));
        QCOMPARE(form.NoteListPane()->List()->selectedItems().size(), 1);
    }
};

QTEST_MAIN(TestImportCommands)
#include "test_importcommands.moc"
