// The concrete browser component the application creates: the browser component with the operations
// that move or size the form it sits on.
#pragma once

#include "wvbrowserbase.h"

class QWidget;

class TWVBrowser : public TWVBrowserBase
{
public:
    explicit TWVBrowser(TComponent* AOwner = nullptr) : TWVBrowserBase(AOwner) {}

    // The first owner up the owner chain that is a form (a top-level window), or null.
    QWidget* GetParentForm() const;

    // Each does nothing without a form; positions stay on the desktop.
    void MoveFormTo(int X, int Y) override;
    void MoveFormBy(int X, int Y) override;
    // The form's client width (height) becomes the larger of the value and 100.
    void ResizeFormWidthTo(int X) override;
    void ResizeFormHeightTo(int Y) override;
    void SetFormLeftTo(int X) override;
    void SetFormTopTo(int Y) override;
};
