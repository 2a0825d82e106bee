// The one clock the program reads local time through; tests set it.
#pragma once

#include <QDateTime>
#include <functional>

// The current local date and time.
QDateTime ClockNow();
// Replaces the clock (tests); an empty function restores the system clock.
void SetClock(std::function<QDateTime()> AClock);
