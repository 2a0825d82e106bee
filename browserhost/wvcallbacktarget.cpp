#include "wvcallbacktarget.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <unordered_map>

namespace {

std::unordered_map<const void*, std::shared_ptr<TWVCallbackCell>>& Cells()
{
    static std::unordered_map<const void*, std::shared_ptr<TWVCallbackCell>> cells;
    return cells;
}

} // namespace

std::shared_ptr<TWVCallbackCell> CallbackCellOf(const void* ATarget)
{
    if (!ATarget)
        return nullptr;
    auto& cell = Cells()[ATarget];
    if (!cell)
        cell = std::make_shared<TWVCallbackCell>();
    return cell;
}

void ClearCallbackTarget(const void* ATarget)
{
    const auto it = Cells().find(ATarget);
    if (it == Cells().end())
        return;
    it->second->Alive = false;
    Cells().erase(it);
}

void ResetCallbackTargets()
{
    for (auto& entry : Cells())
        entry.second->Alive = false;
    Cells().clear();
}

std::size_t CallbackTargetCount()
{
    return Cells().size();
}

void ReportCallbackException(const char*, std::exception_ptr AException)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || !AException)
        return;
    // Delivered through the application's notify, whose top-level handler shows it.
    QMetaObject::invokeMethod(
        app, [AException] { std::rethrow_exception(AException); }, Qt::QueuedConnection);
}
