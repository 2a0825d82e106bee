#include "wvbrowserbase.h"

#include "wvmiscfunctions.h"

#include "winapi.h"

namespace {

constexpr UINT_PTR kCompSubclassID = 1;

// The subclass procedure of every hooked inner window: the reference data is the stub of the kind,
// a method bound to its component.
LRESULT CALLBACK CompSubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR uIdSubclass, DWORD_PTR dwRefData)
{
    (void)hWnd;
    (void)uIdSubclass;
    TMessage message;
    message.Msg = uMsg;
    message.WParam = wParam;
    message.LParam = lParam;
    message.Result = 0;
    if (auto* method = reinterpret_cast<std::function<void(TMessage&)>*>(dwRefData))
        (*method)(message);
    return message.Result;
}

} // namespace

// ---- Compositor window watching -------------------------------------------------------------

void TWVBrowserBase::CreateStub(const TWndMethod& aMethod, std::unique_ptr<TWndMethod>& aStub)
{
    if (!aStub)
        aStub = std::make_unique<TWndMethod>(aMethod);
}

void TWVBrowserBase::FreeAndNilStub(std::unique_ptr<TWndMethod>& aStub)
{
    aStub.reset();
}

void* TWVBrowserBase::InstallCompWndProc(HWND aWnd, TWndMethod* aStub)
{
    if (!aWnd || !aStub)
        return nullptr;
    SetWindowSubclass(aWnd, CompSubclassProc, kCompSubclassID, reinterpret_cast<DWORD_PTR>(aStub));
    return reinterpret_cast<void*>(1);
}

void TWVBrowserBase::RestoreCompWndProc(HWND& aOldWnd, HWND aNewWnd, void*& aProc)
{
    if (aOldWnd && aOldWnd != aNewWnd && aProc) {
        RemoveWindowSubclass(aOldWnd, CompSubclassProc, kCompSubclassID);
        aProc = nullptr;
        aOldWnd = nullptr;
    }
}

void TWVBrowserBase::CallOldCompWndProc(void* aProc, HWND aWnd, TMessage& aMessage)
{
    if (aProc && aWnd)
        aMessage.Result = DefSubclassProc(aWnd, aMessage.Msg, aMessage.WParam, aMessage.LParam);
}

void TWVBrowserBase::LookUpKind(HWND aParent, const char* aClass, const char* aTitle, HWND& aWnd,
                                void*& aMarker, std::unique_ptr<TWndMethod>& aStub,
                                const TOnCompMsgEvent& aEvent,
                                void (TWVBrowserBase::*aProc)(TMessage&))
{
    const HWND found = FindWindowExA(aParent, nullptr, aClass, aTitle);
    if (found == aWnd)
        return;
    HWND old = aWnd;
    aWnd = found;
    RestoreCompWndProc(old, found, aMarker);
    if (aEvent && aWnd && !aMarker) {
        CreateStub([this, aProc](TMessage& aMessage) { (this->*aProc)(aMessage); }, aStub);
        aMarker = InstallCompWndProc(aWnd, aStub.get());
    }
}

void TWVBrowserBase::ReplaceWndProcs()
{
    if (!FWindowParentHandle)
        return;
    LookUpKind(FWindowParentHandle, "Chrome_WidgetWin_0", "", FWidget0CompHWND,
               FOldWidget0CompWndPrc, FWidget0CompStub, OnWidget0CompMsg,
               &TWVBrowserBase::Widget0CompWndProc);
    if (!FWidget0CompHWND)
        return;
    LookUpKind(FWidget0CompHWND, "Chrome_WidgetWin_1", nullptr, FWidget1CompHWND,
               FOldWidget1CompWndPrc, FWidget1CompStub, OnWidget1CompMsg,
               &TWVBrowserBase::Widget1CompWndProc);
    if (!FWidget1CompHWND)
        return;
    LookUpKind(FWidget1CompHWND, "Chrome_RenderWidgetHostHWND", "Chrome Legacy Window",
               FRenderCompHWND, FOldRenderCompWndPrc, FRenderCompStub, OnRenderCompMsg,
               &TWVBrowserBase::RenderCompWndProc);
    LookUpKind(FWidget1CompHWND, "Intermediate D3D Window", nullptr, FD3DWindowCompHWND,
               FOldD3DWindowCompWndPrc, FD3DWindowCompStub, OnD3DWindowCompMsg,
               &TWVBrowserBase::D3DWindowCompWndProc);
}

void TWVBrowserBase::RestoreOldCompWndProc()
{
    RestoreCompWndProc(FWidget0CompHWND, nullptr, FOldWidget0CompWndPrc);
    FreeAndNilStub(FWidget0CompStub);
    RestoreCompWndProc(FWidget1CompHWND, nullptr, FOldWidget1CompWndPrc);
    FreeAndNilStub(FWidget1CompStub);
    RestoreCompWndProc(FRenderCompHWND, nullptr, FOldRenderCompWndPrc);
    FreeAndNilStub(FRenderCompStub);
    RestoreCompWndProc(FD3DWindowCompHWND, nullptr, FOldD3DWindowCompWndPrc);
    FreeAndNilStub(FD3DWindowCompStub);
}

void TWVBrowserBase::CompWndProc(TMessage& aMessage, HWND& aWnd, void*& aMarker,
                                 const TOnCompMsgEvent& aEvent, const char* aName)
{
    try {
        try {
            bool handled = false;
            if (aEvent)
                aEvent(this, aMessage, handled);
            if (!handled)
                CallOldCompWndProc(aMarker, aWnd, aMessage);
        } catch (...) {
            if (aMessage.Msg == WM_DESTROY)
                RestoreCompWndProc(aWnd, nullptr, aMarker);
            throw;
        }
        if (aMessage.Msg == WM_DESTROY)
            RestoreCompWndProc(aWnd, nullptr, aMarker);
    } catch (...) {
        if (CustomExceptionHandler(aName, std::current_exception()))
            throw;
    }
}

void TWVBrowserBase::Widget0CompWndProc(TMessage& aMessage)
{
    CompWndProc(aMessage, FWidget0CompHWND, FOldWidget0CompWndPrc, OnWidget0CompMsg,
                "TWVBrowserBase.Widget0CompWndProc");
}

void TWVBrowserBase::Widget1CompWndProc(TMessage& aMessage)
{
    CompWndProc(aMessage, FWidget1CompHWND, FOldWidget1CompWndPrc, OnWidget1CompMsg,
                "TWVBrowserBase.Widget1CompWndProc");
}

void TWVBrowserBase::RenderCompWndProc(TMessage& aMessage)
{
    CompWndProc(aMessage, FRenderCompHWND, FOldRenderCompWndPrc, OnRenderCompMsg,
                "TWVBrowserBase.RenderCompWndProc");
}

void TWVBrowserBase::D3DWindowCompWndProc(TMessage& aMessage)
{
    CompWndProc(aMessage, FD3DWindowCompHWND, FOldD3DWindowCompWndPrc, OnD3DWindowCompMsg,
                "TWVBrowserBase.D3DWindowCompWndProc");
}
