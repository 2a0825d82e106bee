#include "e2efixture.h"

#include "notebookpane.h"
#include "notelistpane.h"
#include "sqlitelib.h"
#include "wvwindowparent.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QWebEnginePage>

namespace {

QString JsString(const QString& AText)
{
    const QByteArray json = QJsonDocument(QJsonArray{AText}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}

} // namespace

bool WaitFor(const std::function<bool()>& ACond, int ATimeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!ACond()) {
        if (timer.elapsed() > ATimeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

QList<QStringList> QueryStoreFile(const QString& APath, const QString& ASql, int AColumns)
{
    TSQLConnection conn(APath);
    TSQLTransaction trans;
    conn.SetTransaction(&trans);
    trans.SetConnection(&conn);
    conn.Open();
    QList<QStringList> rows;
    {
        TSQLQuery q(&conn, &trans);
        q.SetSQL(ASql);
        q.Open();
        for (; !q.Eof(); q.Next()) {
            QStringList row;
            for (int i = 0; i < AColumns; ++i)
                row << q.AsText(i);
            rows << row;
        }
        q.Close();
    }
    conn.Close();
    return rows;
}

TProgramFixture::TProgramFixture() = default;

TProgramFixture::~TProgramFixture()
{
    Close();
    SetProgramFolder(QString());
}

bool TProgramFixture::Start(const QString& AFolder, int AReadyTimeoutMs)
{
    if (AFolder.isEmpty()) {
        FDir = std::make_unique<QTemporaryDir>();
        FFolder = FDir->path();
    } else {
        FFolder = AFolder;
    }
    SetProgramFolder(FFolder);
    FForm = std::make_unique<TMainForm>();
    if (FForm->StoreFailed())
        return false;
    FForm->setWindowState(Qt::WindowNoState);
    FForm->resize(1280, 860);
    FForm->show();
    return WaitFor([this] { return Editor()->Ready() && View(); }, AReadyTimeoutMs);
}

bool TProgramFixture::Restart()
{
    Close();
    return Start(FFolder);
}

void TProgramFixture::Close()
{
    if (!FForm)
        return;
    // The window closes once the page's pending edit is saved.
    FForm->close();
    WaitFor([this] { return !FForm->isVisible(); }, 3000);
    FForm.reset();
}

QWebEngineView* TProgramFixture::View() const
{
    return FForm ? Editor()->BrowserHost()->findChild<QWebEngineView*>() : nullptr;
}

QWidget* TProgramFixture::Input() const
{
    QWebEngineView* view = View();
    return view && view->focusProxy() ? view->focusProxy() : view;
}

QVariant TProgramFixture::Js(const QString& AScript, QWebEngineView* AView)
{
    QWebEngineView* view = AView ? AView : View();
    if (!view)
        return QVariant();
    // The answer may come after the wait has given up: it then goes to a result nobody reads.
    struct TAnswer
    {
        QVariant Value;
        bool Done = false;
    };
    const auto answer = std::make_shared<TAnswer>();
    view->page()->runJavaScript(AScript, [answer](const QVariant& AValue) {
        answer->Value = AValue;
        answer->Done = true;
    });
    WaitFor([&] { return answer->Done; }, 5000);
    return answer->Value;
}

bool TProgramFixture::WaitJs(const QString& ACondition, int ATimeoutMs)
{
    return WaitFor([&] { return Js(ACondition).toBool(); }, ATimeoutMs);
}

bool TProgramFixture::OpenNote(int64_t ANotebookId, int64_t ANoteId)
{
    FForm->NotebookPane()->RefreshNotebooks();
    FForm->NotebookPane()->SelectNotebook(ANotebookId);
    FForm->NoteListPane()->SelectNote(ANoteId);
    if (Editor()->NoteId() != ANoteId)
        return false;
    const QString body = AppDB->GetNote(ANoteId).Body;
    return WaitJs(QStringLiteral("getCleanHTML() === %1").arg(JsString(body)));
}

void TProgramFixture::ClickAt(const QPoint& APos)
{
    QTest::mouseMove(Input(), APos);
    QTest::qWait(20);
    QTest::mousePress(Input(), Qt::LeftButton, Qt::NoModifier, APos);
    QTest::qWait(10);
    QTest::mouseRelease(Input(), Qt::LeftButton, Qt::NoModifier, APos);
    QTest::qWait(30);
}

void TProgramFixture::ClickIntoEditor()
{
    FForm->activateWindow();
    View()->setFocus();
    const QVariantList xy =
        Js(QStringLiteral("(function(){ const e = editor.getBoundingClientRect();"
                          " const last = editor.lastElementChild || editor;"
                          " const r = last.getBoundingClientRect();"
                          " return [Math.min(e.right - 30, r.right + 20), r.top + "
                          "Math.min(r.height, 24) / 2]; })()"))
            .toList();
    ClickAt(QPoint(qRound(xy.value(0).toDouble()), qRound(xy.value(1).toDouble())));
}

void TProgramFixture::Type(const QString& AText)
{
    QTest::keyClicks(Input(), AText);
    QTest::qWait(20);
}

void TProgramFixture::Key(Qt::Key AKey, Qt::KeyboardModifiers AMods)
{
    QTest::keyClick(Input(), AKey, AMods);
    QTest::qWait(20);
}

void TProgramFixture::SelectAll()
{
    Key(Qt::Key_Home, Qt::ControlModifier);
    Key(Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    // On a busy machine the page may read the keys later than the short wait: what comes next
    // (a shortcut that needs a selection) waits until it has.
    WaitJs(QStringLiteral("!getSelection().isCollapsed || !editor.textContent"));
}

QPoint TProgramFixture::CentreOf(const QString& ASelector)
{
    const QVariantList xy =
        Js(QStringLiteral(
               "(function(){ const r = document.querySelector(%1).getBoundingClientRect();"
               " return [r.left + r.width / 2, r.top + r.height / 2]; })()")
               .arg(JsString(ASelector)))
            .toList();
    return QPoint(qRound(xy.value(0).toDouble()), qRound(xy.value(1).toDouble()));
}
