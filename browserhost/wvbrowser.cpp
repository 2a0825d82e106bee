#include "wvbrowser.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

// The desktop covering all monitors.
QRect Desktop()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualGeometry() : QRect();
}

int ClampedLeft(int aX, const QRect& aDesktop, int aFormWidth)
{
    return std::min(std::max(aX, std::max(aDesktop.left(), 0)), aDesktop.width() - aFormWidth);
}

int ClampedTop(int aY, const QRect& aDesktop, int aFormHeight)
{
    return std::min(std::max(aY, std::max(aDesktop.top(), 0)), aDesktop.height() - aFormHeight);
}

} // namespace

QWidget* TWVBrowser::GetParentForm() const
{
    for (QObject* owner = parent(); owner; owner = owner->parent())
        if (auto* widget = qobject_cast<QWidget*>(owner); widget && widget->isWindow())
            return widget;
    return nullptr;
}

void TWVBrowser::MoveFormTo(int X, int Y)
{
    QWidget* form = GetParentForm();
    if (!form)
        return;
    const QRect desktop = Desktop();
    const QRect frame = form->frameGeometry();
    form->move(ClampedLeft(X, desktop, frame.width()), ClampedTop(Y, desktop, frame.height()));
}

void TWVBrowser::MoveFormBy(int X, int Y)
{
    QWidget* form = GetParentForm();
    if (!form)
        return;
    const QRect frame = form->frameGeometry();
    MoveFormTo(frame.left() + X, frame.top() + Y);
}

void TWVBrowser::ResizeFormWidthTo(int X)
{
    if (QWidget* form = GetParentForm())
        form->resize(std::max(X, 100), form->height());
}

void TWVBrowser::ResizeFormHeightTo(int Y)
{
    if (QWidget* form = GetParentForm())
        form->resize(form->width(), std::max(Y, 100));
}

void TWVBrowser::SetFormLeftTo(int X)
{
    QWidget* form = GetParentForm();
    if (!form)
        return;
    const QRect frame = form->frameGeometry();
    form->move(ClampedLeft(X, Desktop(), frame.width()), frame.top());
}

void TWVBrowser::SetFormTopTo(int Y)
{
    QWidget* form = GetParentForm();
    if (!form)
        return;
    const QRect frame = form->frameGeometry();
    form->move(frame.left(), ClampedTop(Y, Desktop(), frame.height()));
}
