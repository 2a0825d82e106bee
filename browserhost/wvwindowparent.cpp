#include "wvwindowparent.h"

#include "platformqt.h"

#include <QResizeEvent>

namespace {
// The host window's own hook on its messages (the compositor hooks use id 1).
constexpr UINT_PTR kHostSubclassID = 0x5157;
} // namespace

// ---- TWVWinControl --------------------------------------------------------------------------

TWVWinControl::TWVWinControl(QWidget* AOwner) : QWidget(AOwner)
{
    setAutoFillBackground(true);
    FHandle = WindowHandle(this);
    SetWindowSubclass(FHandle, &TWVWinControl::SubclassProc, kHostSubclassID,
                      reinterpret_cast<DWORD_PTR>(this));
}

TWVWinControl::~TWVWinControl()
{
    RemoveWindowSubclass(FHandle, &TWVWinControl::SubclassProc, kHostSubclassID);
}

HWND TWVWinControl::Handle() const
{
    return FHandle;
}

HWND TWVWinControl::GetChildWindowHandle() const
{
    return FHandle ? GetWindow(FHandle, GW_CHILD) : nullptr;
}

void TWVWinControl::UpdateSize()
{
    if (HWND child = GetChildWindowHandle())
        SetWindowPos(child, HWND_TOP, 0, 0, width(), height(), SWP_NOZORDER);
}

void TWVWinControl::Resize()
{
    UpdateSize();
}

void TWVWinControl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Resize();
}

void TWVWinControl::WndProc(TMessage& aMessage)
{
    InheritedWndProc(aMessage);
}

void TWVWinControl::InheritedWndProc(TMessage& aMessage)
{
    aMessage.Result = DefSubclassProc(FHandle, aMessage.Msg, aMessage.WParam, aMessage.LParam);
}

LRESULT CALLBACK TWVWinControl::SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                             UINT_PTR uIdSubclass, DWORD_PTR dwRefData)
{
    (void)uIdSubclass;
    auto* control = reinterpret_cast<TWVWinControl*>(dwRefData);
    if (!control || control->FHandle != hWnd)
        return DefSubclassProc(hWnd, uMsg, wParam, lParam);
    TMessage message;
    message.Msg = uMsg;
    message.WParam = wParam;
    message.LParam = lParam;
    control->WndProc(message);
    return message.Result;
}

// ---- TWVWindowParent ------------------------------------------------------------------------

TWVWindowParent::TWVWindowParent(QWidget* AOwner) : TWVWinControl(AOwner)
{
    // The host takes keyboard focus, so that setting the focus to it reaches the browser.
    setFocusPolicy(Qt::StrongFocus);
}

void TWVWindowParent::SetBrowser(TWVBrowserBase* aValue)
{
    FBrowser = aValue;
    if (aValue)
        connect(aValue, &QObject::destroyed, this, [this, aValue] { Notification(aValue); });
}

void TWVWindowParent::Notification(QObject* AComponent)
{
    if (AComponent && AComponent == static_cast<QObject*>(FBrowser))
        FBrowser = nullptr;
}

void TWVWindowParent::UpdateSize()
{
    if (FBrowser) {
        const RECT client{0, 0, width(), height()};
        FBrowser->SetBounds(client);
    } else {
        TWVWinControl::UpdateSize();
    }
}

void TWVWindowParent::Resize()
{
    TWVWinControl::Resize();
    UpdateSize();
}

void TWVWindowParent::SetFocus()
{
    QWidget::setFocus(Qt::OtherFocusReason);
    if (FBrowser)
        FBrowser->SetFocus();
}

void TWVWindowParent::WndProc(TMessage& aMessage)
{
    switch (aMessage.Msg) {
    case WM_SETFOCUS:
        if (FBrowser)
            FBrowser->SetFocus();
        InheritedWndProc(aMessage);
        break;
    case WM_ERASEBKGND:
        // Once the runtime's window covers the client area the host paints no background.
        if (!GetChildWindowHandle())
            InheritedWndProc(aMessage);
        break;
    default:
        InheritedWndProc(aMessage);
        break;
    }
}
