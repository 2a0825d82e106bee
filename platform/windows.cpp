// Window handles over Qt widgets, the window functions, subclassing, message boxes and the
// screen's device context.
#include "platformqt.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHash>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QWheelEvent>
#include <QWidget>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

struct TSubclass
{
    SUBCLASSPROC Proc = nullptr;
    UINT_PTR Id = 0;
    DWORD_PTR RefData = 0;
    bool Removed = false;
};
using TSubclassPtr = std::shared_ptr<TSubclass>;

class TWindowFilter;

struct TWindowEntry
{
    QPointer<QWidget> Widget;
    std::vector<TSubclassPtr> Subclasses; // newest first
    TWindowFilter* Filter = nullptr;
    bool DestroySent = false;
    bool HadAutoFill = false;
};

QHash<quintptr, TWindowEntry> GWindows;
QHash<const QWidget*, quintptr> GHandleOfWidget;
quintptr GNextWindowId = 0x10010;

// One message on its way down a window's subclass chain.
struct TDispatch
{
    HWND Window = nullptr;
    std::vector<TSubclassPtr> Chain;
    std::size_t Next = 0;
    bool ReachedDefault = false;
};
std::vector<TDispatch*> GDispatchStack;

TMessageBoxHook GMessageBoxHook;
int GScreenPpiOverride = 0;

const char* const WindowClassProperty = "windowClass";

bool OnGuiThread()
{
    return QCoreApplication::instance() &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

TWindowEntry* EntryOf(HWND h)
{
    auto it = GWindows.find(reinterpret_cast<quintptr>(h));
    if (it == GWindows.end() || !it->Widget)
        return nullptr;
    return &*it;
}

QWidget* CheckedWidget(HWND h)
{
    if (!OnGuiThread()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    TWindowEntry* e = EntryOf(h);
    if (!e) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return e->Widget;
}

LRESULT CallNext(TDispatch& d, UINT msg, WPARAM wp, LPARAM lp)
{
    while (d.Next < d.Chain.size()) {
        const TSubclassPtr sub = d.Chain[d.Next++];
        if (sub->Removed)
            continue;
        return sub->Proc(d.Window, msg, wp, lp, sub->Id, sub->RefData);
    }
    d.ReachedDefault = true;
    return 0;
}

// Runs a message through the window's chain; reachedDefault tells whether the widget's own
// handling is to follow.
LRESULT Dispatch(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool& reachedDefault)
{
    TWindowEntry* e = EntryOf(h);
    TDispatch d;
    d.Window = h;
    if (e)
        d.Chain = e->Subclasses;
    GDispatchStack.push_back(&d);
    LRESULT r = 0;
    try {
        r = CallNext(d, msg, wp, lp);
    } catch (...) {
        GDispatchStack.pop_back();
        throw;
    }
    GDispatchStack.pop_back();
    reachedDefault = d.ReachedDefault;
    return r;
}

LPARAM MakeLParam(int lo, int hi)
{
    return static_cast<LPARAM>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(lo)) |
                               static_cast<std::uint32_t>(static_cast<std::uint16_t>(hi)) << 16);
}

WPARAM MouseKeys(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods)
{
    WPARAM w = 0;
    if (buttons & Qt::LeftButton)
        w |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        w |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton)
        w |= MK_MBUTTON;
    if (mods & Qt::ShiftModifier)
        w |= MK_SHIFT;
    if (mods & Qt::ControlModifier)
        w |= MK_CONTROL;
    return w;
}

WPARAM VirtualKey(int key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return static_cast<WPARAM>(key); // 'A'..'Z'
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return static_cast<WPARAM>(key); // '0'..'9'
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return static_cast<WPARAM>(0x70 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace:
        return 0x08;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 0x0D;
    case Qt::Key_Shift:
        return 0x10;
    case Qt::Key_Control:
        return 0x11;
    case Qt::Key_Alt:
        return 0x12;
    case Qt::Key_Pause:
        return 0x13;
    case Qt::Key_CapsLock:
        return 0x14;
    case Qt::Key_Escape:
        return 0x1B;
    case Qt::Key_Space:
        return 0x20;
    case Qt::Key_PageUp:
        return 0x21;
    case Qt::Key_PageDown:
        return 0x22;
    case Qt::Key_End:
        return 0x23;
    case Qt::Key_Home:
        return 0x24;
    case Qt::Key_Left:
        return 0x25;
    case Qt::Key_Up:
        return 0x26;
    case Qt::Key_Right:
        return 0x27;
    case Qt::Key_Down:
        return 0x28;
    case Qt::Key_Insert:
        return 0x2D;
    case Qt::Key_Delete:
        return 0x2E;
    default:
        return 0;
    }
}

// Turns a subclassed widget's Qt events into messages. An event whose message does not reach
// the end of the chain is swallowed.
class TWindowFilter : public QObject
{
public:
    explicit TWindowFilter(HWND handle) : FHandle(handle) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w || !EntryOf(FHandle))
            return false;
        bool def = true;
        switch (event->type()) {
        case QEvent::FocusIn:
            Dispatch(FHandle, WM_SETFOCUS, 0, 0, def);
            return !def;
        case QEvent::FocusOut:
            Dispatch(FHandle, WM_KILLFOCUS, 0, 0, def);
            return !def;
        case QEvent::Paint: {
            auto* pe = static_cast<QPaintEvent*>(event);
            Dispatch(FHandle, WM_ERASEBKGND, 0, 0, def);
            if (def && EntryOf(FHandle)->HadAutoFill) {
                QPainter p(w);
                p.fillRect(pe->rect(), w->palette().brush(w->backgroundRole()));
            }
            Dispatch(FHandle, WM_PAINT, 0, 0, def);
            return !def;
        }
        case QEvent::Resize: {
            const QSize s = static_cast<QResizeEvent*>(event)->size();
            Dispatch(FHandle, WM_SIZE, 0, MakeLParam(s.width(), s.height()), def);
            return !def;
        }
        case QEvent::Move: {
            const QPoint p = static_cast<QMoveEvent*>(event)->pos();
            Dispatch(FHandle, WM_MOVE, 0, MakeLParam(p.x(), p.y()), def);
            return !def;
        }
        case QEvent::Show:
        case QEvent::Hide:
            Dispatch(FHandle, WM_SHOWWINDOW, event->type() == QEvent::Show ? TRUE : FALSE, 0, def);
            return !def;
        case QEvent::Close:
            Dispatch(FHandle, WM_CLOSE, 0, 0, def);
            if (!def)
                event->ignore();
            return !def;
        case QEvent::EnabledChange:
            Dispatch(FHandle, WM_ENABLE, w->isEnabled() ? TRUE : FALSE, 0, def);
            return !def;
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* ke = static_cast<QKeyEvent*>(event);
            const bool press = event->type() == QEvent::KeyPress;
            Dispatch(FHandle, press ? WM_KEYDOWN : WM_KEYUP, VirtualKey(ke->key()),
                     ke->isAutoRepeat() ? 0x40000001 : 1, def);
            if (def && press && !ke->text().isEmpty()) {
                for (QChar c : ke->text())
                    Dispatch(FHandle, WM_CHAR, c.unicode(), 1, def);
            }
            return !def;
        }
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: {
            auto* me = static_cast<QMouseEvent*>(event);
            UINT msg = WM_MOUSEMOVE;
            const bool dbl = event->type() == QEvent::MouseButtonDblClick;
            const bool up = event->type() == QEvent::MouseButtonRelease;
            if (event->type() != QEvent::MouseMove) {
                switch (me->button()) {
                case Qt::LeftButton:
                    msg = dbl ? WM_LBUTTONDBLCLK : up ? WM_LBUTTONUP : WM_LBUTTONDOWN;
                    break;
                case Qt::RightButton:
                    msg = dbl ? WM_RBUTTONDBLCLK : up ? WM_RBUTTONUP : WM_RBUTTONDOWN;
                    break;
                case Qt::MiddleButton:
                    msg = dbl ? WM_MBUTTONDBLCLK : up ? WM_MBUTTONUP : WM_MBUTTONDOWN;
                    break;
                default:
                    return false;
                }
            }
            const QPoint p = me->position().toPoint();
            Dispatch(FHandle, msg, MouseKeys(me->buttons(), me->modifiers()),
                     MakeLParam(p.x(), p.y()), def);
            return !def;
        }
        case QEvent::Wheel: {
            auto* we = static_cast<QWheelEvent*>(event);
            const QPoint g = we->globalPosition().toPoint();
            const WPARAM wp = (static_cast<WPARAM>(static_cast<std::uint16_t>(
                                   static_cast<std::int16_t>(we->angleDelta().y())))
                               << 16) |
                              MouseKeys(we->buttons(), we->modifiers());
            Dispatch(FHandle, WM_MOUSEWHEEL, wp, MakeLParam(g.x(), g.y()), def);
            return !def;
        }
        default:
            return false;
        }
    }

private:
    HWND FHandle;
};

void SendDestroy(HWND h);

void SendDestroyTree(QWidget* w)
{
    const auto it = GHandleOfWidget.constFind(w);
    if (it != GHandleOfWidget.constEnd())
        SendDestroy(reinterpret_cast<HWND>(*it));
    for (QObject* child : w->children())
        if (auto* cw = qobject_cast<QWidget*>(child))
            SendDestroyTree(cw);
}

void SendDestroy(HWND h)
{
    auto it = GWindows.find(reinterpret_cast<quintptr>(h));
    if (it == GWindows.end() || it->DestroySent || !it->Widget)
        return;
    it->DestroySent = true;
    QPointer<QWidget> w = it->Widget;
    bool def = true;
    if (!it->Subclasses.empty())
        Dispatch(h, WM_DESTROY, 0, 0, def);
    // Children follow their parent, as on the platform.
    if (w)
        for (QObject* child : w->children())
            if (auto* cw = qobject_cast<QWidget*>(child))
                SendDestroyTree(cw);
}

QList<QWidget*> ChildWindowsTopFirst(QWidget* parent)
{
    QList<QWidget*> result;
    if (!parent) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isWindow())
                result << w;
        return result;
    }
    const QObjectList& children = parent->children();
    for (auto it = children.crbegin(); it != children.crend(); ++it)
        if (auto* w = qobject_cast<QWidget*>(*it); w && !w->isWindow())
            result << w;
    return result;
}

QScreen* ScreenOf(QWidget* w)
{
    if (w && w->screen())
        return w->screen();
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? QGuiApplication::primaryScreen()
               : nullptr;
}

struct TDeviceContext
{
    QPointer<QWidget> Widget;
    bool Screen = true;
};
QHash<quintptr, TDeviceContext> GDeviceContexts;
quintptr GNextDcId = 0x2000;

} // namespace

HWND WindowHandle(QWidget* widget)
{
    if (!widget)
        return nullptr;
    if (const auto it = GHandleOfWidget.constFind(widget); it != GHandleOfWidget.constEnd())
        return reinterpret_cast<HWND>(*it);
    const quintptr id = GNextWindowId;
    GNextWindowId += 4;
    TWindowEntry entry;
    entry.Widget = widget;
    GWindows.insert(id, entry);
    GHandleOfWidget.insert(widget, id);
    const HWND h = reinterpret_cast<HWND>(id);
    // Qt announces a widget's end while it is still a widget and before its children go:
    // the platform's destroy path, parent first.
    QObject::connect(widget, &QObject::destroyed, [id, widget, h] {
        if (OnGuiThread())
            SendDestroy(h);
        auto it = GWindows.find(id);
        if (it != GWindows.end()) {
            delete it->Filter;
            GWindows.erase(it);
        }
        GHandleOfWidget.remove(widget);
    });
    return h;
}

QWidget* WindowFromHandle(HWND handle)
{
    TWindowEntry* e = EntryOf(handle);
    return e ? e->Widget.data() : nullptr;
}

void SetWindowClassName(QWidget* widget, const QByteArray& className)
{
    if (widget)
        widget->setProperty(WindowClassProperty, className);
}

QByteArray WindowClassName(QWidget* widget)
{
    if (!widget)
        return QByteArray();
    const QVariant v = widget->property(WindowClassProperty);
    return v.isValid() ? v.toByteArray() : QByteArray(widget->metaObject()->className());
}

TMessageBoxHook SetMessageBoxHook(TMessageBoxHook hook)
{
    std::swap(GMessageBoxHook, hook);
    return hook;
}

void SetScreenPixelsPerInch(int ppi)
{
    GScreenPpiOverride = ppi > 0 ? ppi : 0;
}

extern "C" {

BOOL WINAPI IsWindow(HWND hWnd)
{
    return OnGuiThread() && EntryOf(hWnd) ? TRUE : FALSE;
}

HWND WINAPI GetParent(HWND hWnd)
{
    QWidget* w = CheckedWidget(hWnd);
    if (!w || w->isWindow())
        return nullptr;
    return WindowHandle(w->parentWidget());
}

HWND WINAPI GetWindow(HWND hWnd, UINT uCmd)
{
    QWidget* w = CheckedWidget(hWnd);
    if (!w)
        return nullptr;
    if (uCmd == GW_CHILD) {
        const QList<QWidget*> kids = ChildWindowsTopFirst(w);
        return kids.isEmpty() ? nullptr : WindowHandle(kids.first());
    }
    if (uCmd == GW_OWNER)
        return nullptr;
    const QList<QWidget*> siblings =
        ChildWindowsTopFirst(w->isWindow() ? nullptr : w->parentWidget());
    const qsizetype i = siblings.indexOf(w);
    switch (uCmd) {
    case GW_HWNDFIRST:
        return siblings.isEmpty() ? nullptr : WindowHandle(siblings.first());
    case GW_HWNDLAST:
        return siblings.isEmpty() ? nullptr : WindowHandle(siblings.last());
    case GW_HWNDNEXT:
        return i >= 0 && i + 1 < siblings.size() ? WindowHandle(siblings[i + 1]) : nullptr;
    case GW_HWNDPREV:
        return i > 0 ? WindowHandle(siblings[i - 1]) : nullptr;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags)
{
    QWidget* w = CheckedWidget(hWnd);
    if (!w)
        return FALSE;
    if (!(uFlags & SWP_NOZORDER)) {
        if (hWndInsertAfter == HWND_TOP) {
            w->raise();
        } else if (hWndInsertAfter == HWND_BOTTOM) {
            w->lower();
        } else {
            QWidget* after = WindowFromHandle(hWndInsertAfter);
            if (!after) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return FALSE;
            }
            w->stackUnder(after);
        }
    }
    const QPoint pos = (uFlags & SWP_NOMOVE) ? w->pos() : QPoint(X, Y);
    const QSize size = (uFlags & SWP_NOSIZE) ? w->size() : QSize(std::max(cx, 0), std::max(cy, 0));
    w->setGeometry(QRect(pos, size));
    if (uFlags & SWP_SHOWWINDOW)
        w->show();
    if (uFlags & SWP_HIDEWINDOW)
        w->hide();
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND hWnd, RECT* lpRect)
{
    QWidget* w = CheckedWidget(hWnd);
    if (!w || !lpRect) {
        if (w)
            SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpRect = RECT{0, 0, w->width(), w->height()};
    return TRUE;
}

HWND WINAPI FindWindowExA(HWND hWndParent, HWND hWndChildAfter, LPCSTR lpszClass, LPCSTR lpszWindow)
{
    if (!OnGuiThread()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    QWidget* parent = nullptr;
    if (hWndParent && !(parent = CheckedWidget(hWndParent)))
        return nullptr;
    const QList<QWidget*> candidates = ChildWindowsTopFirst(parent);
    qsizetype start = 0;
    if (hWndChildAfter) {
        QWidget* after = WindowFromHandle(hWndChildAfter);
        start = after ? candidates.indexOf(after) : -1;
        if (start < 0) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        ++start;
    }
    const QByteArray cls = lpszClass ? QByteArray(lpszClass) : QByteArray();
    const QString title = lpszWindow ? QString::fromLocal8Bit(lpszWindow) : QString();
    for (qsizetype i = start; i < candidates.size(); ++i) {
        QWidget* w = candidates[i];
        if (lpszClass && WindowClassName(w).compare(cls, Qt::CaseInsensitive) != 0)
            continue;
        if (lpszWindow && w->windowTitle().compare(title, Qt::CaseInsensitive) != 0)
            continue;
        return WindowHandle(w);
    }
    SetLastError(ERROR_SUCCESS);
    return nullptr;
}

int WINAPI GetClassNameA(HWND hWnd, LPSTR lpClassName, int nMaxCount)
{
    QWidget* w = CheckedWidget(hWnd);
    if (!w || !lpClassName || nMaxCount <= 0)
        return 0;
    const QByteArray cls = WindowClassName(w);
    const int n = std::min<int>(static_cast<int>(cls.size()), nMaxCount - 1);
    std::memcpy(lpClassName, cls.constData(), static_cast<std::size_t>(n));
    lpClassName[n] = 0;
    return n;
}

HWND WINAPI GetFocus()
{
    if (!OnGuiThread())
        return nullptr;
    return WindowHandle(QApplication::focusWidget());
}

HWND WINAPI SetFocus(HWND hWnd)
{
    if (!hWnd)
        return GetFocus();
    QWidget* w = CheckedWidget(hWnd);
    if (!w)
        return nullptr;
    const HWND previous = GetFocus();
    QWidget* top = w->window();
    if (top->isVisible() && QApplication::activeWindow() != top)
        QApplication::setActiveWindow(top);
    w->setFocus(Qt::OtherFocusReason);
    SetLastError(ERROR_SUCCESS);
    return previous;
}

BOOL WINAPI DestroyWindow(HWND hWnd)
{
    QWidget* w = CheckedWidget(hWnd);
    if (!w)
        return FALSE;
    SendDestroy(hWnd);
    delete w;
    return TRUE;
}

BOOL WINAPI SetWindowSubclass(HWND hWnd, SUBCLASSPROC pfnSubclass, UINT_PTR uIdSubclass,
                              DWORD_PTR dwRefData)
{
    QWidget* w = CheckedWidget(hWnd);
    if (!w || !pfnSubclass)
        return FALSE;
    TWindowEntry* e = EntryOf(hWnd);
    for (const TSubclassPtr& s : e->Subclasses)
        if (s->Proc == pfnSubclass && s->Id == uIdSubclass && !s->Removed) {
            s->RefData = dwRefData;
            return TRUE;
        }
    auto sub = std::make_shared<TSubclass>();
    sub->Proc = pfnSubclass;
    sub->Id = uIdSubclass;
    sub->RefData = dwRefData;
    e->Subclasses.insert(e->Subclasses.begin(), sub);
    if (!e->Filter) {
        e->Filter = new TWindowFilter(hWnd);
        e->HadAutoFill = w->autoFillBackground();
        w->setAutoFillBackground(false);
        w->installEventFilter(e->Filter);
    }
    return TRUE;
}

BOOL WINAPI RemoveWindowSubclass(HWND hWnd, SUBCLASSPROC pfnSubclass, UINT_PTR uIdSubclass)
{
    QWidget* w = CheckedWidget(hWnd);
    if (!w)
        return FALSE;
    TWindowEntry* e = EntryOf(hWnd);
    for (auto it = e->Subclasses.begin(); it != e->Subclasses.end(); ++it) {
        if ((*it)->Proc == pfnSubclass && (*it)->Id == uIdSubclass && !(*it)->Removed) {
            (*it)->Removed = true;
            e->Subclasses.erase(it);
            if (e->Subclasses.empty() && e->Filter) {
                w->removeEventFilter(e->Filter);
                w->setAutoFillBackground(e->HadAutoFill);
                e->Filter->deleteLater();
                e->Filter = nullptr;
            }
            return TRUE;
        }
    }
    return FALSE;
}

LRESULT WINAPI DefSubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    for (auto it = GDispatchStack.rbegin(); it != GDispatchStack.rend(); ++it)
        if ((*it)->Window == hWnd)
            return CallNext(**it, uMsg, wParam, lParam);
    return 0;
}

LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (!CheckedWidget(hWnd))
        return 0;
    bool def = true;
    return Dispatch(hWnd, Msg, wParam, lParam, def);
}

int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType)
{
    const QString text = FromWide(lpText);
    const QString caption = lpCaption ? FromWide(lpCaption) : QStringLiteral("Error");
    if (GMessageBoxHook)
        return GMessageBoxHook(hWnd, text, caption, uType);
    if (!OnGuiThread() || !qobject_cast<QApplication*>(QCoreApplication::instance())) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return 0;
    }
    QMessageBox box(WindowFromHandle(hWnd));
    box.setWindowTitle(caption);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    switch (uType & 0xF0) {
    case MB_ICONERROR:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONWARNING:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    struct TButton
    {
        QMessageBox::StandardButton Button;
        int Id;
    };
    std::vector<TButton> buttons;
    switch (uType & 0x0F) {
    case MB_OKCANCEL:
        buttons = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    case MB_ABORTRETRYIGNORE:
        buttons = {{QMessageBox::Abort, IDABORT},
                   {QMessageBox::Retry, IDRETRY},
                   {QMessageBox::Ignore, IDIGNORE}};
        break;
    case MB_YESNOCANCEL:
        buttons = {
            {QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    case MB_YESNO:
        buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
        break;
    case MB_RETRYCANCEL:
        buttons = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    default:
        buttons = {{QMessageBox::Ok, IDOK}};
        break;
    }
    QMessageBox::StandardButtons set;
    for (const TButton& b : buttons)
        set |= b.Button;
    box.setStandardButtons(set);
    box.setDefaultButton(buttons.front().Button);
    if (uType & MB_TOPMOST)
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    const int answer = box.exec();
    for (const TButton& b : buttons)
        if (answer == b.Button)
            return b.Id;
    return (uType & 0x0F) == MB_OK ? IDOK : IDCANCEL;
}

HDC WINAPI GetDC(HWND hWnd)
{
    TDeviceContext dc;
    if (hWnd) {
        QWidget* w = CheckedWidget(hWnd);
        if (!w)
            return nullptr;
        dc.Widget = w;
        dc.Screen = false;
    }
    const quintptr id = GNextDcId;
    GNextDcId += 4;
    GDeviceContexts.insert(id, dc);
    return reinterpret_cast<HDC>(id);
}

int WINAPI ReleaseDC(HWND, HDC hDC)
{
    return GDeviceContexts.remove(reinterpret_cast<quintptr>(hDC)) ? 1 : 0;
}

int WINAPI GetDeviceCaps(HDC hdc, int index)
{
    const auto it = GDeviceContexts.constFind(reinterpret_cast<quintptr>(hdc));
    if (it == GDeviceContexts.constEnd()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    QScreen* screen = ScreenOf(it->Screen ? nullptr : it->Widget.data());
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
        if (GScreenPpiOverride)
            return GScreenPpiOverride;
        if (!screen)
            return 96;
        return static_cast<int>(std::lround(index == LOGPIXELSX ? screen->logicalDotsPerInchX()
                                                                : screen->logicalDotsPerInchY()));
    case HORZRES:
        return screen ? screen->geometry().width() : 0;
    case VERTRES:
        return screen ? screen->geometry().height() : 0;
    case BITSPIXEL:
        return screen ? screen->depth() : 0;
    default:
        return 0;
    }
}
}
