// Small controls shared by the main window, the panes and the dialogs: a panel that places its
// children by alignment (top, bottom, left, right, fill) with a fixed extent each, a 5-pixel
// splitter bar that resizes one neighbour, a scroll box of rows, and a clickable label.
#pragma once

#include <QColor>
#include <QLabel>
#include <QMargins>
#include <QPointer>
#include <QScrollArea>
#include <QWidget>
#include <functional>
#include <vector>

class QListWidget;
class QListWidgetItem;
class QPushButton;

enum TAlign
{
    alNone,
    alTop,
    alBottom,
    alLeft,
    alRight,
    alClient
};

class TPanel : public QWidget
{
public:
    explicit TPanel(QWidget* AParent = nullptr);

    void SetColor(const QColor& AColor);
    // Makes AControl a child placed by AAlign; AExtent is its height (top, bottom) or width
    // (left, right). Controls of one alignment stand in the order they were added, from the
    // panel's edge inwards. alNone leaves the control where its geometry puts it.
    void AddAligned(QWidget* AControl, TAlign AAlign, int AExtent = 0,
                    const QMargins& AMargins = QMargins());
    int Extent(const QWidget* AControl) const;
    void SetExtent(QWidget* AControl, int AExtent);
    TAlign AlignOf(const QWidget* AControl) const;
    // The space the fill control has now (width or height), 0 without one.
    int ClientSpace(bool AHorizontal) const;
    // Sum of the extents of the visible top- and bottom-aligned controls.
    int StackedHeight() const;
    void Realign();
    // With a minimum, strips that do not fit beside a fill control of that size give way in
    // proportion to what they have above the minimum, down to it; only their placement
    // changes, their extents stay.
    void SetKeepMinimum(int AMinimum) { FKeepMinimum = AMinimum; }

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* AEvent) override;
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    struct TEntry
    {
        QPointer<QWidget> Control;
        TAlign Align;
        int Extent;
        QMargins Margins;
    };
    const TEntry* Find(const QWidget* AControl) const;
    std::vector<TEntry> FEntries;
    bool FStackHint = false;
    int FKeepMinimum = 0;
    // The size each entry takes along its edge in the next placement.
    std::vector<int> PlacedSizes() const;

    friend class TScrollBox;
};

// A splitter bar that resizes ATarget, its neighbour in the direction of AAlign (the control
// left of a left-aligned bar, right of a right-aligned one, above a top-aligned one). A drag
// stops where the target would become smaller than 30 pixels.
class TSplitter : public QWidget
{
public:
    TSplitter(TPanel* AParent, QWidget* ATarget, TAlign AAlign);
    std::function<void(QObject* ASender)> OnMoved;
    static constexpr int MinSize = 30;

protected:
    void mousePressEvent(QMouseEvent* AEvent) override;
    void mouseMoveEvent(QMouseEvent* AEvent) override;
    void mouseReleaseEvent(QMouseEvent* AEvent) override;
    void paintEvent(QPaintEvent* AEvent) override;

private:
    TPanel* FPanel;
    QPointer<QWidget> FTarget;
    TAlign FAlign;
    bool FDragging = false;
    int FStartPos = 0;
    int FStartExtent = 0;
    int FMaxExtent = 0;
};

// A vertical (or horizontal) scroll box whose rows are top-aligned panels. Rows taken away by
// ClearRows are hidden at once but freed only when no row handler is running (see
// TRowHandlerGuard), so a button may ask for its own list to be rebuilt.
class TScrollBox : public QScrollArea
{
public:
    explicit TScrollBox(QWidget* AParent = nullptr);
    TPanel* Content() const { return FContent; }
    void AddRow(QWidget* ARow, int AHeight);
    void ClearRows();
    int RowCount() const;
    // The rows in the order they were added.
    std::vector<QWidget*> Rows() const;
    void SetColor(const QColor& AColor);

    // Marks a row handler as running for as long as it lives.
    class TRowHandlerGuard
    {
    public:
        explicit TRowHandlerGuard(TScrollBox* ABox);
        ~TRowHandlerGuard();
        TRowHandlerGuard(const TRowHandlerGuard&) = delete;
        TRowHandlerGuard& operator=(const TRowHandlerGuard&) = delete;

    private:
        QPointer<TScrollBox> FBox;
    };

private:
    void Sweep();
    void FitContent();
    TPanel* FContent;
    std::vector<QPointer<QWidget>> FGraveyard;
    int FBusy = 0;
};

// A label showing its text as plain text that raises OnClick on a left click. Text that does
// not fit is never cut off: one line ends with an ellipsis, and a wrapped text shows the whole
// lines that fit, the last of them ending with an ellipsis when more follows.
class TClickLabel : public QLabel
{
public:
    explicit TClickLabel(const QString& AText = QString(), QWidget* AParent = nullptr);
    std::function<void()> OnClick;
    // The text as drawn at the label's present size, its lines joined by line feeds.
    QString ShownText() const;

protected:
    void mouseReleaseEvent(QMouseEvent* AEvent) override;
    void paintEvent(QPaintEvent* AEvent) override;
};

// A label that never renders markup.
QLabel* NewPlainLabel(const QString& AText, QWidget* AParent);

// A plain-text label that is never cut off: text() keeps the whole text; what is drawn is that
// text on one line when it fits, else its parts at each ABreakAt on lines of their own when they
// fit, else the one line cut with an ellipsis (the whole text then in its tool tip).
class TFitLabel : public QLabel
{
public:
    TFitLabel(const QString& ABreakAt, QWidget* AParent = nullptr);
    // The text as drawn at the label's present size.
    QString ShownText() const;

protected:
    void paintEvent(QPaintEvent* AEvent) override;
    bool event(QEvent* AEvent) override;

private:
    QString FBreakAt;
};

// Calls AHandler with the row of AList that has just been selected; a change that only
// deselects rows calls nothing. AContext ends the connection when it is destroyed.
void OnRowSelected(QListWidget* AList, QObject* AContext,
                   std::function<void(QListWidgetItem* AItem)> AHandler);
// The selected row of a single-selection list, or none.
QListWidgetItem* SelectedRow(const QListWidget* AList);

// The event of a pane that tells only who raised it.
using TNotifyEvent = std::function<void(QObject* ASender)>;

// Gives a widget's text the colour AColour.
void SetTextColour(QWidget* AWidget, const QColor& AColour);

// A bar filled with one colour, such as the line under a row.
QWidget* NewColourStrip(const QColor& AColour, QWidget* AParent);

// The line under a row of the note panes, at the row's bottom: 2 pixels of ABack, 1 of ALine
// and 2 of ABack again, none of them scaled.
void AddRowSeparator(TPanel* ARow, const QColor& ABack, const QColor& ALine);

// The header of a note pane: on (232, 232, 232), a button AButtonWidth wide at the right and a
// bold caption filling the rest, vertically centred.
struct TPaneHeader
{
    TPanel* Panel;
    QLabel* Label;
    QPushButton* Button;
};
TPaneHeader NewPaneHeader(QWidget* AParent, const QString& ACaption, const QString& AButtonCaption,
                          const QString& AButtonTip, int AButtonWidth);
