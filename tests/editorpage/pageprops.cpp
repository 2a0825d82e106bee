#include "pageprops.h"

#include "pagefixture.h"
#include "pagepropsjs.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMimeData>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <iterator>

namespace {

struct TBody
{
    const char* Name;
    const char* Html;
};

// Every body holds the ids the pasted markup below collides with (tg1, ann_a1).
const TBody Bodies[] = {
    {"mixed",
     "<h1>Meeting notes</h1>"
     "<p><span id=\"ann_a1\" class=\"dm-annot\">Opening</span> words of the <b>first <i>deeply "
     "<u>nested</u></i> paragraph</b> with <a href=\"https://example.org/\">a <i>link</i> "
     "here</a> and <span style=\"font-size: 14pt;\">large</span> text.</p>"
     "<p>The <span data-hash=\"tg1\" data-colour=\"red\" id=\"tg1\" data-tag=\"Witness\">witness "
     "said</span></p>"
     "<p><span data-hash=\"tg1\" data-colour=\"red\">it rained</span> all day, as the record "
     "<span id=\"ann_a2\" class=\"dm-annot\">ends here</span></p>"
     "<ul><li>first item <b>bold</b></li><li><span id=\"ann_a3\" "
     "class=\"dm-annot\">annotated</span> item</li><li>third <span data-hash=\"tg2\" "
     "data-colour=\"blue\" id=\"tg2\" data-tag=\"Place\">tagged</span></li></ul>"
     "<h2>Figures</h2>"
     "<table class=\"dm-striped\"><thead><tr><th>Name</th><th>Value</th></tr></thead><tbody>"
     "<tr><td>one <span data-hash=\"tg2\" data-colour=\"blue\">two</span></td><td><span "
     "id=\"ann_a4\" class=\"dm-annot\">three</span> four</td></tr><tr><td>five</td><td>six "
     "<i>seven</i></td></tr></tbody></table>"
     "<p>Last paragraph with <span data-hash=\"tg3\" data-colour=\"green\" id=\"tg3\" "
     "data-tag=\"Final\">a tag at the end</span></p>"},
    {"marks",
     "<p>one <a href=\"https://x/\">two <i>three</i> five</a> four</p>"
     "<p><b>bold <i>deep</i> text</b> and <span id=\"ann_a1\" class=\"dm-annot\">said "
     "today</span></p>"
     "<p>see <span data-hash=\"tg1\" data-colour=\"red\" id=\"tg1\" data-tag=\"T\">tagged "
     "words</span> and more</p>"
     "<h3>List</h3>"
     "<ol><li>first item</li><li><span id=\"ann_b\" class=\"dm-annot\">annotated</span> "
     "item</li><li><span data-hash=\"tg1\" data-colour=\"red\">tag in a list</span></li></ol>"
     "<p><span id=\"ann_c\" class=\"dm-annot\">starts</span> the block and ends <span "
     "id=\"ann_d\" class=\"dm-annot\">the block</span></p>"},
    {"table",
     "<h2>Plan</h2>"
     "<p>Intro with <span data-hash=\"tg1\" data-colour=\"yellow\" id=\"tg1\" "
     "data-tag=\"Plan\">a tag over</span></p>"
     "<p><span data-hash=\"tg1\" data-colour=\"yellow\">two blocks</span> <span id=\"ann_a1\" "
     "class=\"dm-annot\">and a note</span></p>"
     "<table><thead><tr><th>When</th><th>What</th><th>Who</th></tr></thead><tbody>"
     "<tr><td>Monday</td><td><b>build</b> it</td><td><span id=\"ann_t1\" "
     "class=\"dm-annot\">Ann</span></td></tr>"
     "<tr><td>Tuesday</td><td>test <span data-hash=\"tg4\" data-colour=\"purple\" id=\"tg4\" "
     "data-tag=\"Check\">it</span></td><td>Bob</td></tr></tbody></table>"
     "<ul><li>a</li><li>b <i>c</i></li></ul><p>end</p>"},
    // Bodies as real case notes look: headings, nested lists, tables with marks in their cells,
    // a tag over several passages, annotations, links, line breaks inside bold.
    {"case",
     "<h1>Case 2291: Harlow</h1>"
     "<p><b>Client:</b> <span data-hash=\"tg1\" data-colour=\"blue\" id=\"tg1\" "
     "data-tag=\"Client\">M. Harlow</span>, seen at the <a "
     "href=\"https://example.org/clinic\">Eastside clinic</a>.</p>"
     "<h2>Background</h2>"
     "<ul><li>Referred by <span data-hash=\"tg1\" data-colour=\"blue\">her doctor</span> in "
     "March<ul><li>first visit <span id=\"ann_a1\" class=\"dm-annot\">missed</span></li>"
     "<li>second visit kept</li></ul></li><li>Lives alone</li></ul>"
     "<p><b>Concerns raised:<br>housing and <span id=\"ann_c2\" "
     "class=\"dm-annot\">benefits</span></b></p>"
     "<blockquote>She said the landlord <span data-hash=\"tgw\" data-colour=\"red\" "
     "id=\"tgw\" data-tag=\"Witness\">would not repair</span> the heating.</blockquote>"
     "<table><thead><tr><th>Date</th><th>Action</th></tr></thead><tbody>"
     "<tr><td>3 May</td><td><span data-hash=\"tg1\" data-colour=\"blue\">Called</span> the "
     "office</td></tr>"
     "<tr><td><span id=\"ann_c3\" class=\"dm-annot\">9 May</span></td><td>Letter "
     "<b>sent</b></td></tr></tbody></table>"
     "<p>Next review in <span data-hash=\"tgw\" data-colour=\"red\">June</span>.</p>"},
    {"interview",
     "<h2>Interview notes</h2>"
     "<p>Present: <a href=\"mailto:j@example.org\">J. Park</a>, <span data-hash=\"tg1\" "
     "data-colour=\"green\" id=\"tg1\" data-tag=\"Witness\">R. Osei</span></p>"
     "<ol><li>Timeline<ol><li><b>Monday<br>late evening</b></li><li><span data-hash=\"tg1\" "
     "data-colour=\"green\">Osei</span> arrives</li></ol></li><li><span id=\"ann_a1\" "
     "class=\"dm-annot\">Statement taken</span> at <i>the station</i></li></ol>"
     "<p><span id=\"ann_i2\" class=\"dm-annot\">Disputed:</span> the <span "
     "data-hash=\"tgp\" data-colour=\"purple\" id=\"tgp\" data-tag=\"Place\">car "
     "park</span> lights were <b>off<br>or dim</b>.</p>"
     "<table class=\"dm-striped\"><thead><tr><th>Who</th><th>Said</th></tr></thead><tbody>"
     "<tr><td><span data-hash=\"tg1\" data-colour=\"green\">Osei</span></td><td><i>\"I saw "
     "<span data-hash=\"tgp\" data-colour=\"purple\">the car</span>\"</i></td></tr>"
     "<tr><td>Park</td><td><span id=\"ann_i3\" class=\"dm-annot\">nothing</span></td></tr>"
     "</tbody></table>"
     "<h3>Follow-up</h3>"
     "<p>Check <a href=\"https://example.org/cctv\">the camera</a> with <span "
     "data-hash=\"tg1\" data-colour=\"green\">the witness</span>.</p>"},
    {"reading",
     "<h1>Reading notes</h1>"
     "<p>From <a href=\"https://example.org/paper\"><i>Smith 2019</i></a>, chapter "
     "<b>3</b>:</p>"
     "<blockquote><p>The <span data-hash=\"tg1\" data-colour=\"yellow\" id=\"tg1\" "
     "data-tag=\"Key idea\">tenancy model</span> fails when <span id=\"ann_a1\" "
     "class=\"dm-annot\">rents rise</span>.</p><p>A second quoted paragraph.</p></blockquote>"
     "<ul><li><b>Claim:<br></b>rents drive <span data-hash=\"tg1\" "
     "data-colour=\"yellow\">moves</span></li><li>Evidence<ul><li>a survey of <span "
     "id=\"ann_r2\" class=\"dm-annot\">400 homes</span></li><li><span data-hash=\"tgq\" "
     "data-colour=\"orange\" id=\"tgq\" data-tag=\"Question\">sample "
     "bias?</span></li></ul></li></ul>"
     "<h2>Summary</h2>"
     "<p><span data-hash=\"tg1\" data-colour=\"yellow\">Tenancy</span> and <span "
     "data-hash=\"tgq\" data-colour=\"orange\">bias</span> both matter; see <a "
     "href=\"https://example.org/b\">the review</a>.</p>"
     "<table><tbody><tr><td><b>Term</b></td><td><span id=\"ann_r3\" "
     "class=\"dm-annot\">Meaning</span></td></tr><tr><td><span data-hash=\"tg1\" "
     "data-colour=\"yellow\">tenancy</span></td><td>the right to "
     "<i>occupy</i></td></tr></tbody></table>"},
};

struct TClip
{
    const char* Name;
    const char* Text;
    const char* Html; // nullptr: text only
};

const TClip Clips[] = {
    {"text", "pasted words", nullptr},
    {"two lines of text", "line one\nline two", nullptr},
    {"formatted markup", "bold and italic paste", "<b>bold</b> and <i>italic</i> paste"},
    {"two paragraphs", "first pasted\nsecond pasted", "<p>first pasted</p><p>second pasted</p>"},
    {"a copy of a tag", "copied tag text",
     "<span data-hash=\"tg1\" data-colour=\"red\" id=\"tg1\" data-tag=\"Witness\">copied tag"
     "</span> text"},
    {"a copy of an annotation", "copied note tail",
     "<span id=\"ann_a1\" class=\"dm-annot\">copied note</span> tail"},
    {"two copies of one tag", "one and two",
     "<span data-hash=\"tg1\" data-colour=\"red\" id=\"tg1\" data-tag=\"Witness\">one</span> and "
     "<span data-hash=\"tg1\" data-colour=\"red\" id=\"tg1\" data-tag=\"Witness\">two</span>"},
    {"a list", "pasted item", "<ul><li>pasted item</li></ul>"},
};

// Plain text pasted over a selection that joins two blocks holding marks.
const char* const PlainClips[] = {"pasted words", " spaced ", "line one\nline two"};

const char* const Words[] = {"x", "ab", "new", "Q7", "zz top", "w"};
const char* const BlockStyles[] = {"p", "h1", "h2", "h3", "blockquote"};
const char* const TagNames[] = {"Alpha", "Beta", "Witness", "Gamma"};
const char* const TagColours[] = {"yellow", "red", "blue", "green", "purple"};
const char* const Sizes[] = {"9pt", "12pt", "14pt", "24pt"};
const char* const ForeColours[] = {"#cc0000", "#0044aa", "#000000"};
const char* const BackColours[] = {"#ffff00", "#00b050", "remove"};
const char* const TableOps[] = {"rowAbove", "rowBelow", "colLeft", "colRight",
                                "stripe",   "delRow",   "delCol",  "delTable"};
const char* const CaretKinds[] = {"any", "blockStart", "blockEnd", "inMark"};

// What one gesture did, and what the checks after it may allow.
struct TOutcome
{
    TOutcome() = default;
    TOutcome(const QString& AText, const QStringList& AMayRemove = {})
        : Text(AText), MayRemove(AMayRemove)
    {}
    QString Text;
    QStringList MayRemove; // annotation span ids the gesture itself may remove
    bool History = false;  // undo or redo: the result must be a state seen before
    bool Barrier = false;  // the editing history restarts here
};

QString Shown(const QString& AText)
{
    return AText.size() > 160 ? AText.left(77) + QStringLiteral("…") + AText.right(77) : AText;
}

// Where two bodies first differ, with some markup around it.
QString Difference(const QString& AWas, const QString& AIs)
{
    int i = 0;
    while (i < AWas.size() && i < AIs.size() && AWas[i] == AIs[i]) {
        ++i;
    }
    const int from = qMax(0, i - 50);
    return QStringLiteral("expected …%1… but got …%2…")
        .arg(AWas.mid(from, 110), AIs.mid(from, 110));
}

class TGestureRun
{
public:
    TGestureRun(TEditorPageFixture& AFixture, quint32 ASeed) : F(AFixture), FRng(ASeed)
    {
        FRun.Seed = ASeed;
    }

    TPropsRun Run(int ASteps);

private:
    using TGestureFn = TOutcome (TGestureRun::*)();
    struct TGesture
    {
        int Weight;
        TGestureFn Do;
    };

    TEditorPageFixture& F;
    QRandomGenerator FRng;
    TPropsRun FRun;
    QSet<QString> FSeen;  // every body the user saw since the history's start
    QString FBaseline;    // the body the history starts from
    QString FClean;       // the body after the latest step
    QStringList FAnnots;  // the annotation spans after the latest step
    bool FCopied = false; // the clipboard holds the page's own copy
    int FStep = 0;

    double R() { return FRng.generateDouble(); }
    int Between(int ALo, int AHi) { return ALo + int(FRng.bounded(quint32(AHi - ALo + 1))); }
    template <typename T, size_t N> const T& Pick(const T (&AList)[N])
    {
        return AList[FRng.bounded(quint32(N))];
    }
    static QString Num(double AValue) { return QString::number(AValue, 'g', 6); }

    QJsonValue JsJson(const QString& AScript)
    {
        return QJsonDocument::fromJson(QStringLiteral("[%1]").arg(F.JsText(AScript)).toUtf8())
            .array()
            .at(0);
    }
    QStringList JsList(const QString& AScript)
    {
        QStringList out;
        for (const QJsonValue& v : JsJson(AScript).toArray()) {
            out << v.toString();
        }
        return out;
    }
    // The stored body, attributes in name order.
    QString Clean() { return F.JsText(QStringLiteral("__props.norm()")); }

    void Fail(const QString& AInvariant, const QString& ADetail)
    {
        for (const TPropsFailure& f : FRun.Failures) {
            if (f.Invariant == AInvariant) {
                return;
            }
        }
        FRun.Failures << TPropsFailure{AInvariant, FStep, ADetail};
    }

    // A key the user presses in the editor; the body it leaves is one the user saw.
    void Press(Qt::Key AKey, Qt::KeyboardModifiers AMods = Qt::NoModifier)
    {
        F.Key(AKey, AMods);
        FSeen.insert(Clean());
    }
    void TypeInEditor(const QString& AText)
    {
        for (const QChar c : AText) {
            F.Type(QString(c));
            FSeen.insert(Clean());
        }
    }

    QString PlaceCaret()
    {
        const QString kind = QString::fromLatin1(Pick(CaretKinds));
        const double r1 = R();
        const double r2 = R();
        F.FocusPage();
        return F.JsText(QStringLiteral("__props.caret('%1', %2, %3)").arg(kind, Num(r1), Num(r2)));
    }

    // A selection of random extent: from a caret, by the keys that extend a selection.
    QString Select(bool ANonEmpty = false)
    {
        PlaceCaret();
        const int mode = Between(0, 19);
        if (mode == 0) {
            F.Key(Qt::Key_A, Qt::ControlModifier);
        } else if (mode < 7) {
            const int n = Between(1, 6);
            for (int i = 0; i < n; ++i) {
                F.Key(Qt::Key_Right, Qt::ShiftModifier);
            }
        } else if (mode < 10) {
            const int n = Between(1, 6);
            for (int i = 0; i < n; ++i) {
                F.Key(Qt::Key_Left, Qt::ShiftModifier);
            }
        } else if (mode < 15) {
            const int n = Between(1, 3);
            for (int i = 0; i < n; ++i) {
                F.Key(Qt::Key_Right, Qt::ShiftModifier | Qt::ControlModifier);
            }
        } else {
            const int n = Between(1, 2);
            for (int i = 0; i < n; ++i) {
                F.Key(Qt::Key_Down, Qt::ShiftModifier);
            }
        }
        if (ANonEmpty && F.Js(QStringLiteral("getSelection().isCollapsed")).toBool()) {
            F.Key(Qt::Key_Left, Qt::ShiftModifier);
            F.Key(Qt::Key_Left, Qt::ShiftModifier);
        }
        return F.JsText(QStringLiteral("__props.describe()"));
    }
    QStringList Removable(int APresses = 0)
    {
        return JsList(QStringLiteral("__props.removable(%1)").arg(APresses));
    }

    bool WaitFocus(const QString& AId)
    {
        return F.WaitJs(QStringLiteral("document.activeElement.id === '%1'").arg(AId), 1500);
    }

    // The pane's button for a dialog; empty when the dialog's field has the focus, else why not.
    QString OpenFromPane(const QString& AMessage, const QString& AField)
    {
        const qsizetype alerts = F.Page()->FAlerts.size();
        F.PressPaneButton(AMessage);
        if (WaitFocus(AField)) {
            return QString();
        }
        if (F.Page()->FAlerts.size() > alerts) {
            return QStringLiteral("refused with a notice");
        }
        Fail(QStringLiteral("a pane button opens its dialog or refuses with a notice"), AMessage);
        return QStringLiteral("no dialog");
    }

    // The gestures.
    TOutcome Typing()
    {
        F.FocusPage();
        const QString where =
            R() < 0.25 ? F.JsText(QStringLiteral("__props.describe()")) : PlaceCaret();
        // What the last gesture left selected may be typed over.
        const QStringList gone = Removable();
        const QString word = QString::fromLatin1(Pick(Words));
        TypeInEditor(word);
        return {QStringLiteral("type \"%1\" at %2").arg(word, where), gone};
    }
    TOutcome TypingOver()
    {
        const QString sel = Select(true);
        const QStringList gone = Removable();
        const QString word = QString::fromLatin1(Pick(Words));
        TypeInEditor(word);
        return {QStringLiteral("type \"%1\" over %2").arg(word, sel), gone};
    }
    TOutcome Enter()
    {
        const bool shift = R() < 0.35;
        const QString where = PlaceCaret();
        Press(Qt::Key_Return, shift ? Qt::ShiftModifier : Qt::NoModifier);
        return {QStringLiteral("%1 at %2").arg(shift ? "Shift+Enter" : "Enter", where)};
    }
    TOutcome DeleteKeys()
    {
        const bool back = R() < 0.5;
        const int n = Between(1, 3);
        const QString where = PlaceCaret();
        const QStringList gone = Removable(n);
        for (int i = 0; i < n; ++i) {
            Press(back ? Qt::Key_Backspace : Qt::Key_Delete);
        }
        return {QStringLiteral("%1 x%2 at %3").arg(back ? "Backspace" : "Delete").arg(n).arg(where),
                gone};
    }
    TOutcome DeleteSelection()
    {
        const bool back = R() < 0.5;
        const QString sel = Select(true);
        const QStringList gone = Removable();
        Press(back ? Qt::Key_Backspace : Qt::Key_Delete);
        return {QStringLiteral("%1 over %2").arg(back ? "Backspace" : "Delete", sel), gone};
    }
    TOutcome Cut()
    {
        const QString sel = Select(true);
        const QStringList gone = Removable();
        Press(Qt::Key_X, Qt::ControlModifier);
        FCopied = true;
        return {QStringLiteral("Ctrl+X over %1").arg(sel), gone};
    }
    TOutcome Copy()
    {
        const QString sel = Select(true);
        F.Key(Qt::Key_C, Qt::ControlModifier);
        FCopied = true;
        return {QStringLiteral("Ctrl+C over %1").arg(sel)};
    }
    TOutcome Paste()
    {
        QString what = QStringLiteral("the page's own copy");
        const int choice = Between(FCopied ? -2 : 0, int(std::size(Clips)) - 1);
        if (choice >= 0) {
            const TClip& clip = Clips[choice];
            auto* mime = new QMimeData;
            mime->setText(QString::fromUtf8(clip.Text));
            if (clip.Html) {
                mime->setHtml(QString::fromUtf8(clip.Html));
            }
            QGuiApplication::clipboard()->setMimeData(mime);
            FCopied = false;
            what = QString::fromLatin1(clip.Name);
        }
        const QString where = R() < 0.5 ? PlaceCaret() : Select(true);
        const QStringList gone = Removable();
        Press(Qt::Key_V, Qt::ControlModifier);
        return {QStringLiteral("Ctrl+V of %1 at %2").arg(what, where), gone};
    }
    TOutcome PastePlainOverMarkedBlocks()
    {
        const QString sel = F.JsText(QStringLiteral("__props.selectAcrossMarked(%1, %2, %3)")
                                         .arg(Num(R()), Num(R()), Num(R())));
        if (sel.isEmpty()) {
            return Paste();
        }
        const QString text = QString::fromUtf8(Pick(PlainClips));
        auto* mime = new QMimeData;
        mime->setText(text);
        QGuiApplication::clipboard()->setMimeData(mime);
        FCopied = false;
        const QStringList gone = Removable();
        Press(Qt::Key_V, Qt::ControlModifier);
        return {QStringLiteral("Ctrl+V of the plain text %1 over %2").arg(JsString(text), sel),
                gone};
    }
    TOutcome ParagraphStyle()
    {
        const QString where = R() < 0.6 ? PlaceCaret() : Select(true);
        const QString style = QString::fromLatin1(Pick(BlockStyles));
        // The style list's own popup is not drawn offscreen: its choice is made as it reports it.
        F.Js(QStringLiteral("blockSelect.value = '%1'; blockSelect.dispatchEvent(new "
                            "Event('change')); true")
                 .arg(style));
        FSeen.insert(Clean());
        return {QStringLiteral("paragraph style %1 at %2").arg(style, where)};
    }
    TOutcome Bold()
    {
        const QString sel = Select(true);
        const bool key = R() < 0.5;
        if (key) {
            Press(Qt::Key_B, Qt::ControlModifier);
        } else {
            F.Click(QStringLiteral("#btn-bold"));
            FSeen.insert(Clean());
        }
        return {QStringLiteral("%1 over %2").arg(key ? "Ctrl+B" : "the B button", sel)};
    }
    TOutcome FontSize()
    {
        const QString sel = Select(true);
        const QString size = QString::fromLatin1(Pick(Sizes));
        // The size list's own popup is not drawn offscreen: its choice is made as it reports it.
        F.Js(QStringLiteral("sizeSelect.value = '%1'; sizeSelect.dispatchEvent(new "
                            "Event('change')); true")
                 .arg(size));
        FSeen.insert(Clean());
        return {QStringLiteral("font size %1 over %2").arg(size, sel)};
    }
    TOutcome Colour()
    {
        const QString sel = Select(true);
        const bool fore = R() < 0.5;
        const QString colour = QString::fromLatin1(fore ? Pick(ForeColours) : Pick(BackColours));
        F.Click(fore ? QStringLiteral("#btn-forecolor") : QStringLiteral("#btn-backcolor"));
        F.Click(QStringLiteral("#%1 .color-swatch[data-color='%2']")
                    .arg(fore ? "fc-picker" : "bc-picker", colour));
        FSeen.insert(Clean());
        return {
            QStringLiteral("%1 colour %2 over %3").arg(fore ? "text" : "highlight", colour, sel)};
    }
    TOutcome LinkInsert()
    {
        const QString where = R() < 0.3 ? PlaceCaret() : Select(true);
        const bool text = R() < 0.5;
        const QStringList gone = text ? Removable() : QStringList();
        F.Key(Qt::Key_K, Qt::ControlModifier);
        if (!WaitFocus(QStringLiteral("inp-link-url"))) {
            Fail(QStringLiteral("Ctrl+K opens the link dialog"), where);
            return {QStringLiteral("Ctrl+K at %1: no link dialog").arg(where)};
        }
        F.Type(QStringLiteral("example.org/p"));
        F.Key(Qt::Key_Return);
        if (text) {
            F.Type(QStringLiteral("Label"));
        }
        F.Key(Qt::Key_Return);
        FSeen.insert(Clean());
        return {QStringLiteral("link to example.org/p%1 at %2")
                    .arg(text ? QStringLiteral(" with text \"Label\"") : QString(), where),
                gone};
    }
    TOutcome LinkEdit()
    {
        const QString where = F.JsText(QStringLiteral("__props.caretInLink(%1)").arg(Num(R())));
        if (where.isEmpty()) {
            return LinkInsert();
        }
        const bool remove = R() < 0.4;
        const bool text = !remove && R() < 0.5;
        F.FocusPage();
        F.Key(Qt::Key_K, Qt::ControlModifier);
        if (!WaitFocus(QStringLiteral("inp-link-url"))) {
            Fail(QStringLiteral("Ctrl+K opens the link dialog"), where);
            return {QStringLiteral("Ctrl+K at %1: no link dialog").arg(where)};
        }
        const QStringList inLink = JsList(QStringLiteral("__props.linkRemovable()"));
        if (remove) {
            F.Click(QStringLiteral("#btn-link-remove"));
            FSeen.insert(Clean());
            return {QStringLiteral("link removed at %1").arg(where)};
        }
        F.Key(Qt::Key_A, Qt::ControlModifier);
        F.Type(QStringLiteral("https://new.example/"));
        F.Key(Qt::Key_Return);
        if (text) {
            F.Key(Qt::Key_A, Qt::ControlModifier);
            F.Type(QStringLiteral("New label"));
        }
        F.Key(Qt::Key_Return);
        FSeen.insert(Clean());
        return {QStringLiteral("link at %1 edited to https://new.example/%2")
                    .arg(where, text ? QStringLiteral(" with text \"New label\"") : QString()),
                text ? inLink : QStringList()};
    }
    TOutcome TagAdd()
    {
        const QString sel = Select(true);
        const QString name = QString::fromLatin1(Pick(TagNames));
        const QString refused =
            OpenFromPane(QStringLiteral("openTagModal"), QStringLiteral("inp-tagname"));
        if (!refused.isEmpty()) {
            return {QStringLiteral("+ Tag over %1: %2").arg(sel, refused)};
        }
        F.Type(name);
        F.Key(Qt::Key_Return);
        FSeen.insert(Clean());
        return {QStringLiteral("+ Tag \"%1\" over %2").arg(name, sel)};
    }
    TOutcome TagFromPane()
    {
        const QJsonArray tags = JsJson(QStringLiteral("__props.tags()")).toArray();
        if (tags.isEmpty()) {
            return TagAdd();
        }
        const QJsonArray tag = tags.at(FRng.bounded(quint32(tags.size()))).toArray();
        const QString id = tag.at(0).toString();
        const int op = Between(0, 2);
        QJsonObject msg;
        QString text;
        if (op == 0) {
            msg = Msg(QStringLiteral("removeTag"), {{QStringLiteral("id"), id}});
            text = QStringLiteral("tag %1 removed from the pane").arg(id);
        } else if (op == 1) {
            const QString name = QString::fromLatin1(Pick(TagNames));
            msg = Msg(QStringLiteral("renameTag"),
                      {{QStringLiteral("id"), id}, {QStringLiteral("name"), name}});
            text = QStringLiteral("tag %1 renamed to %2 in the pane").arg(id, name);
        } else {
            const QString colour = QString::fromLatin1(Pick(TagColours));
            msg = Msg(QStringLiteral("recolourTag"),
                      {{QStringLiteral("id"), id}, {QStringLiteral("colour"), colour}});
            text = QStringLiteral("tag %1 recoloured %2 in the pane").arg(id, colour);
        }
        F.FocusOutside();
        F.Send(msg);
        F.FocusPage();
        FSeen.insert(Clean());
        return {text};
    }
    TOutcome AnnotationAdd()
    {
        const QString sel = Select(true);
        const QString refused =
            OpenFromPane(QStringLiteral("openAnnotModal"), QStringLiteral("inp-annot-body"));
        if (!refused.isEmpty()) {
            return {QStringLiteral("+ Note over %1: %2").arg(sel, refused)};
        }
        const int alerts = int(F.Page()->FAlerts.size());
        F.Type(QStringLiteral("a note"));
        F.Click(QStringLiteral("#btn-annot-ok"));
        FSeen.insert(Clean());
        return {QStringLiteral("+ Note over %1%2")
                    .arg(sel, F.Page()->FAlerts.size() > alerts
                                  ? QStringLiteral(": refused with a notice")
                                  : QString())};
    }
    TOutcome Table()
    {
        if (F.Js(QStringLiteral("__props.cellCount()")).toInt() == 0 || R() < 0.1) {
            const QString where = PlaceCaret();
            F.Click(QStringLiteral("#btn-table"));
            F.Click(QStringLiteral("#table-grid .grid-cell[data-row='1'][data-col='1']"));
            FSeen.insert(Clean());
            return {QStringLiteral("2x2 table inserted at %1").arg(where)};
        }
        const QString op = QString::fromLatin1(Pick(TableOps));
        const QJsonArray at =
            JsJson(QStringLiteral("__props.cellCentre(%1)").arg(Num(R()))).toArray();
        F.ClickAt(QPoint(at.at(0).toInt(), at.at(1).toInt()), Qt::RightButton);
        const QString cell = at.at(2).toString();
        if (!F.WaitJs(QStringLiteral("tableMenu.classList.contains('open')"), 1000)) {
            Fail(QStringLiteral("a right press on a cell opens the table menu"), cell);
            return {QStringLiteral("right press on cell %1: no table menu").arg(cell)};
        }
        const QStringList gone = JsList(QStringLiteral("__props.tableRemovable('%1')").arg(op));
        F.Click(QStringLiteral("#table-ctx-menu [data-op='%1']").arg(op));
        FSeen.insert(Clean());
        return {QStringLiteral("table menu %1 on cell %2").arg(op, cell), gone};
    }
    TOutcome ListButton()
    {
        const QString where = R() < 0.6 ? PlaceCaret() : Select(true);
        const bool bullets = R() < 0.6;
        F.Click(bullets ? QStringLiteral("#btn-ul") : QStringLiteral("#btn-ol"));
        FSeen.insert(Clean());
        return {QStringLiteral("%1 list button at %2").arg(bullets ? "bullet" : "numbered", where)};
    }
    TOutcome Display()
    {
        const QJsonArray tags = JsJson(QStringLiteral("__props.tags()")).toArray();
        const int op = Between(0, tags.isEmpty() ? 1 : 4);
        QJsonObject msg;
        if (op == 0) {
            msg = Msg(QStringLiteral("showAll"));
        } else if (op == 1) {
            msg = Msg(QStringLiteral("hideAll"));
        } else {
            const QJsonArray tag = tags.at(FRng.bounded(quint32(tags.size()))).toArray();
            const char* type = op == 2 ? "fadeTag" : op == 3 ? "showTag" : "hideTag";
            msg =
                Msg(QString::fromLatin1(type), {{QStringLiteral("id"), tag.at(0).toString()},
                                                {QStringLiteral("colour"), tag.at(1).toString()}});
        }
        F.FocusOutside();
        F.Send(msg);
        F.FocusPage();
        return {QStringLiteral("pane: %1 %2")
                    .arg(msg.value(QStringLiteral("type")).toString(),
                         msg.value(QStringLiteral("id")).toString())};
    }
    TOutcome Source()
    {
        F.Click(QStringLiteral("#btn-source"));
        if (!WaitFocus(QStringLiteral("source-view"))) {
            Fail(QStringLiteral("the source view opens"), QString());
            return {QStringLiteral("source view: did not open")};
        }
        const bool apply = R() < 0.5;
        F.Key(Qt::Key_End, Qt::ControlModifier);
        F.Key(Qt::Key_Return);
        F.Type(QStringLiteral("<p>added in source</p>"));
        if (!apply) {
            F.Key(Qt::Key_Escape);
            return {QStringLiteral("source view: a paragraph typed, then Escape")};
        }
        F.Key(Qt::Key_Return, Qt::ControlModifier);
        TOutcome out{QStringLiteral("source view: a paragraph typed, then Ctrl+Enter")};
        out.Barrier = true;
        return out;
    }
    TOutcome History(bool AUndo)
    {
        const int n = Between(1, 4);
        const bool shift = !AUndo && R() < 0.5;
        F.FocusPage();
        F.Js(QStringLiteral("editor.focus(); true"));
        for (int i = 0; i < n; ++i) {
            if (AUndo) {
                F.Key(Qt::Key_Z, Qt::ControlModifier);
            } else if (shift) {
                F.Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            } else {
                F.Key(Qt::Key_Y, Qt::ControlModifier);
            }
            CheckSeen(Clean());
        }
        TOutcome out{QStringLiteral("%1 x%2")
                         .arg(AUndo   ? "Ctrl+Z"
                              : shift ? "Ctrl+Shift+Z"
                                      : "Ctrl+Y")
                         .arg(n)};
        out.History = true;
        return out;
    }
    TOutcome Undo() { return History(true); }
    TOutcome Redo() { return History(false); }

    void CheckSeen(const QString& AClean)
    {
        if (!FSeen.contains(AClean)) {
            Fail(QStringLiteral("undo and redo give back only bodies the user saw"),
                 QStringLiteral("the body after the key: %1; %2")
                     .arg(Shown(AClean), Difference(FClean, AClean)));
        }
    }

    // A dialog, picker or source view a gesture left open is closed before the next.
    void Settle()
    {
        const QString open = F.JsText(
            QStringLiteral("(function(){ const o = document.querySelector('.modal-overlay.open');"
                           " return o ? o.id : (sourceMode ? 'source' : ''); })()"));
        if (open == QStringLiteral("source")) {
            F.Js(QStringLiteral("exitSourceView(false); true"));
        } else if (!open.isEmpty()) {
            F.Click(
                QStringLiteral("#%1 .modal-buttons button:not(.primary):not(.danger)").arg(open));
        }
        F.Js(QStringLiteral("closeColorPickers(); true"));
        QTest::qWait(20);
    }

    // The invariants after a step; AOutcome says what the step may have removed.
    void Check(const TOutcome& AOutcome)
    {
        const QJsonObject state = JsJson(QStringLiteral("__props.check()")).toObject();
        for (const QJsonValue& v : state.value(QStringLiteral("v")).toArray()) {
            Fail(v.toArray().at(0).toString(), v.toArray().at(1).toString());
        }
        const QString clean = state.value(QStringLiteral("clean")).toString();
        QStringList annots;
        for (const QJsonValue& v : state.value(QStringLiteral("annots")).toArray()) {
            annots << v.toString();
        }
        if (!AOutcome.History) {
            for (const QString& id : std::as_const(FAnnots)) {
                if (!annots.contains(id) && !AOutcome.MayRemove.contains(id)) {
                    Fail(QStringLiteral("each annotation span stays unless the gesture removed "
                                        "its text"),
                         QStringLiteral("%1 is gone; %2").arg(id, Difference(FClean, clean)));
                }
            }
            FSeen.insert(clean);
        }
        if (AOutcome.Barrier) {
            FSeen.clear();
            FSeen.insert(clean);
            FBaseline = clean;
        }
        FAnnots = annots;
        FClean = clean;
    }

    // Presses the key until the body stops changing; the body it ends at.
    QString PressUntilStable(Qt::Key AKey, int ACap)
    {
        QString last = Clean();
        int same = 0;
        for (int i = 0; i < ACap && same < 3; ++i) {
            ++FStep;
            F.Key(AKey, Qt::ControlModifier);
            ++FRun.Undos;
            const QString now = Clean();
            TOutcome out;
            out.History = true;
            CheckSeen(now);
            Check(out);
            same = now == last ? same + 1 : 0;
            last = now;
        }
        return last;
    }
};

TPropsRun TGestureRun::Run(int ASteps)
{
    const TBody& body = Bodies[FRun.Seed % std::size(Bodies)];
    FRun.Body = QString::fromLatin1(body.Name);
    if (!F.LoadPage() || !F.LoadBody(QString::fromUtf8(body.Html))) {
        FRun.Failures << TPropsFailure{QStringLiteral("the page loads the body"), 0, QString()};
        return FRun;
    }
    F.Js(QString::fromLatin1(PagePropsScript) + QStringLiteral("; true"));
    F.FocusPage();
    FClean = Clean();
    FBaseline = FClean;
    FSeen.insert(FClean);
    FAnnots = JsList(QStringLiteral("__props.annotIds()"));
    Check(TOutcome{});

    const TGesture gestures[] = {
        {6, &TGestureRun::Typing},
        {2, &TGestureRun::TypingOver},
        {5, &TGestureRun::Enter},
        {6, &TGestureRun::DeleteKeys},
        {3, &TGestureRun::DeleteSelection},
        {2, &TGestureRun::Cut},
        {2, &TGestureRun::Copy},
        {4, &TGestureRun::Paste},
        {2, &TGestureRun::PastePlainOverMarkedBlocks},
        {2, &TGestureRun::ParagraphStyle},
        {2, &TGestureRun::Bold},
        {2, &TGestureRun::FontSize},
        {2, &TGestureRun::Colour},
        {2, &TGestureRun::LinkInsert},
        {2, &TGestureRun::LinkEdit},
        {2, &TGestureRun::TagAdd},
        {2, &TGestureRun::TagFromPane},
        {2, &TGestureRun::AnnotationAdd},
        {2, &TGestureRun::Table},
        {2, &TGestureRun::ListButton},
        {2, &TGestureRun::Display},
        {1, &TGestureRun::Source},
        {3, &TGestureRun::Undo},
        {2, &TGestureRun::Redo},
    };
    int total = 0;
    for (const TGesture& g : gestures) {
        total += g.Weight;
    }
    for (FStep = 1; FStep <= ASteps; ++FStep) {
        int roll = int(FRng.bounded(quint32(total)));
        const TGesture* chosen = &gestures[0];
        for (const TGesture& g : gestures) {
            if (roll < g.Weight) {
                chosen = &g;
                break;
            }
            roll -= g.Weight;
        }
        const TOutcome out = (this->*(chosen->Do))();
        FRun.Gestures << QStringLiteral("%1. %2").arg(FStep).arg(out.Text);
        Settle();
        Check(out);
    }

    // Every step undone gives the body the history starts from; every step redone, the body
    // from before the undo run.
    FStep = ASteps;
    F.FocusPage();
    F.Js(QStringLiteral("editor.focus(); true"));
    const int cap = 3 * ASteps + 10;
    // Steps the run ended by undoing are still there to redo, and a redo run goes on to the
    // latest of them: that body is the one every step redone gives back.
    const QString beforeUndo = PressUntilStable(Qt::Key_Y, cap);
    FRun.Gestures << QStringLiteral("then Ctrl+Y until nothing changes");
    const QString undone = PressUntilStable(Qt::Key_Z, cap);
    FRun.Gestures << QStringLiteral("then Ctrl+Z until nothing changes");
    if (undone != FBaseline) {
        Fail(QStringLiteral("undoing every step gives back the loaded body"),
             Difference(FBaseline, undone));
    }
    const QString redone = PressUntilStable(Qt::Key_Y, cap);
    FRun.Gestures << QStringLiteral("then Ctrl+Y until nothing changes");
    if (redone != beforeUndo) {
        Fail(QStringLiteral("redoing every step gives back the body before the undo run"),
             Difference(beforeUndo, redone));
    }
    return FRun;
}

} // namespace

QString TPropsRun::Report() const
{
    QString out = QStringLiteral("seed %1 (body \"%2\"):\n").arg(Seed).arg(Body);
    for (const TPropsFailure& f : Failures) {
        out += QStringLiteral("  FAILED after step %1: %2\n    %3\n")
                   .arg(f.Step)
                   .arg(f.Invariant, f.Detail);
    }
    out += QStringLiteral("  gestures:\n");
    for (const QString& g : Gestures) {
        out += QStringLiteral("    ") + g + QLatin1Char('\n');
    }
    return out;
}

TPropsRun RunPageGestures(TEditorPageFixture& AFixture, quint32 ASeed, int ASteps)
{
    return TGestureRun(AFixture, ASeed).Run(ASteps);
}

QList<quint32> SeedsFromEnvironment(const char* AName, const QList<quint32>& ADefault)
{
    const QString text = qEnvironmentVariable(AName).trimmed();
    if (text.isEmpty()) {
        return ADefault;
    }
    QList<quint32> seeds;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList range = part.trimmed().split(QLatin1Char('-'));
        const quint32 first = range.value(0).toUInt();
        const quint32 last = range.size() > 1 ? range.value(1).toUInt() : first;
        for (quint32 s = first; s <= last; ++s) {
            seeds << s;
        }
    }
    return seeds;
}
