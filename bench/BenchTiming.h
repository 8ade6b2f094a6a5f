#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

// Wall time in seconds from the performance counter.
inline double Seconds() {
    LARGE_INTEGER now, frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The middle value: single slow runs on a shared machine do not move it.
inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
