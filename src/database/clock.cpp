#include "clock.h"

namespace {
std::function<QDateTime()> GClock;
}

QDateTime ClockNow()
{
    return GClock ? GClock() : QDateTime::currentDateTime();
}

void SetClock(std::function<QDateTime()> AClock)
{
    GClock = std::move(AClock);
}
