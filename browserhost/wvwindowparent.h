// The host window of a browser: a widget whose client area the browser's bounds follow and which
// passes keyboard focus on to the browser.
#pragma once

#include "wvbrowserbase.h"

#include <QWidget>

class TWVWinControl : public QWidget
{
public:
    explicit TWVWinControl(QWidget* AOwner = nullptr);
    ~TWVWinControl() override;

    HWND Handle() const;
    // The first child window (the runtime's controller window once the browser exists), or 0.
    HWND GetChildWindowHandle() const;
    // Sizes the child window to the client area.
    virtual void UpdateSize();

protected:
    virtual void Resize();
    // The window's messages; the default hands each to the widget's own handling.
    virtual void WndProc(TMessage& aMessage);
    void InheritedWndProc(TMessage& aMessage);
    void resizeEvent(QResizeEvent* event) override;

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR uIdSubclass, DWORD_PTR dwRefData);
    HWND FHandle = nullptr;
};

class TWVWindowParent : public TWVWinControl
{
public:
    explicit TWVWindowParent(QWidget* AOwner = nullptr);

    TWVBrowserBase* Browser() const { return FBrowser; }
    // Stores the browser (not owned); its destruction clears the reference.
    void SetBrowser(TWVBrowserBase* aValue);
    // Focuses the control and then the browser's page.
    void SetFocus();
    void UpdateSize() override;

protected:
    void Resize() override;
    void WndProc(TMessage& aMessage) override;
    void Notification(QObject* AComponent);

private:
    TWVBrowserBase* FBrowser = nullptr;
};
