#include "../dmdialogs/testsupport.h"
#include "notetagstrip.h"

#include <QComboBox>

class TestNoteTagStrip : public QObject
{
    Q_OBJECT

    TTestStore* FStore = nullptr;
    int64_t FNote = 0, FOther = 0;
    int FChanged = 0;

    TNoteTagStrip* NewStrip()
    {
        auto* strip = new TNoteTagStrip;
        strip->resize(600, 48);
        strip->show();
        strip->OnChanged = [this](QObject*) { ++FChanged; };
        return strip;
    }

    static QStringList Names(TNoteTagStrip* AStrip)
    {
        QStringList names;
        for (TTagChip* c : AStrip->Chips())
            names << c->TagName();
        return names;
    }

private Q_SLOTS:
    void init()
    {
        StartScriptedDialogs();
        SetScreenPPI(96);
        FStore = new TTestStore;
        const int64_t nb = AppDB->CreateNotebook("nb", 0);
        FNote = AppDB->CreateNote(nb, "n");
        FOther = AppDB->CreateNote(nb, "o");
        AppDB->AddTagToNote(FOther, "Evidence");
        FChanged = 0;
    }
    void cleanup()
    {
        delete FStore;
        VerifyAllDialogsAnswered();
    }

    void addByEnterAndButton()
    {
        std::unique_ptr<TNoteTagStrip> strip(NewStrip());
        // Without a note nothing is added.
        strip->AddEdit()->setEditText("orphan");
        QTest::keyClick(strip->AddEdit(), Qt::Key_Return);
        QCOMPARE(FChanged, 0);
        strip->LoadForNote(FNote);
        strip->AddEdit()->setEditText("  urgent  ");
        QTest::keyClick(strip->AddEdit()->lineEdit(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(FChanged, 1);
        QCOMPARE(Names(strip.get()), QStringList{"urgent"});
        QCOMPARE(strip->AddEdit()->currentText(), QString());
        strip->AddEdit()->setEditText("evidence"); // an existing tag, other case
        QTest::mouseClick(strip->AddButton(), Qt::LeftButton);
        strip->AddEdit()->setEditText("urgent"); // already there
        QTest::mouseClick(strip->AddButton(), Qt::LeftButton);
        QCOMPARE(FChanged, 3);
        QCOMPARE(Names(strip.get()), (QStringList{"Evidence", "urgent"}));
        QCOMPARE(AppDB->GetAllNoteTags().size(), size_t(2));
        // Chips follow one another 4 pixels apart; the cross keeps 3 pixels to the edge.
        const QList<TTagChip*> chips = strip->Chips();
        QCOMPARE(chips[0]->pos(), QPoint(4, 4));
        QCOMPARE(chips[1]->x(), chips[0]->x() + chips[0]->width() + 4);
        QCOMPARE(chips[0]->RemoveButton()->geometry().right() + 1, chips[0]->width() - 3);
    }

    void removeRebuildsAfterTheClick()
    {
        AppDB->AddTagToNote(FNote, "solo");
        AppDB->AddTagToNote(FNote, "Evidence");
        std::unique_ptr<TNoteTagStrip> strip(NewStrip());
        strip->LoadForNote(FNote);
        QCOMPARE(strip->AddEdit()->count(), 2);
        TTagChip* solo = strip->Chips().at(1);
        QCOMPARE(solo->TagName(), QString("solo"));
        dlgseam::PushAnswer(No());
        QTest::mouseClick(solo->RemoveButton(), Qt::LeftButton);
        QCOMPARE(dlgseam::Shown().last(),
                 QString("Remove Tag|Remove tag \"solo\" from this note?"));
        QCOMPARE(FChanged, 0);
        dlgseam::PushAnswer([&](QDialog& ADialog) {
            strip->Refresh(); // a rebuild while the question is open
            QTest::qWait(5);
            static_cast<QMessageBox&>(ADialog).button(QMessageBox::Yes)->click();
        });
        QTest::mouseClick(solo->RemoveButton(), Qt::LeftButton);
        QCOMPARE(FChanged, 1);
        QTRY_COMPARE(Names(strip.get()), QStringList{"Evidence"});
        // The tag no note carries any more has left the box's list.
        QCOMPARE(strip->AddEdit()->count(), 1);
        QCOMPARE(strip->AddEdit()->itemText(0), QString("Evidence"));
    }
};

QTEST_MAIN(TestNoteTagStrip)
#include "test_notetagstrip.moc"
