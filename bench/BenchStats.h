#pragma once
// Small helpers the benchmarks share: the median of repeated measurements and a timer read in
// milliseconds.
#include <QElapsedTimer>
#include <algorithm>
#include <vector>

inline double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

inline double Ms(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }
