// Timing helpers shared by the benchmark programs.
#pragma once

#include <QElapsedTimer>
#include <algorithm>
#include <functional>
#include <vector>

namespace benchutil {

// The middle of the sorted values (the upper one of the two middles for an even count); 0 for
// none.
inline double Median(std::vector<double> AValues)
{
    std::sort(AValues.begin(), AValues.end());
    return AValues.empty() ? 0 : AValues[AValues.size() / 2];
}

// Runs AWork once to warm the page cache, then ARuns times; the median run in milliseconds.
inline double MedianMs(int ARuns, const std::function<void()>& AWork)
{
    std::vector<double> times;
    AWork();
    for (int i = 0; i < ARuns; ++i) {
        QElapsedTimer t;
        t.start();
        AWork();
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return Median(std::move(times));
}

} // namespace benchutil
