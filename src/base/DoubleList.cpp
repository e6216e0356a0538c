#include "base/DoubleList.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace trevasc {

bool TDoubleList::Find(int lo, int hi, double x, int& index) const {
    if (items_.empty() || lo > hi) {
        index = lo - 1;
        return false;
    }
    // Narrow to one item: continue in the lower half while x lies below the item after the
    // middle, so lo ends on the last item that is <= x (or on the first item).
    while (lo != hi) {
        const int mid = (lo + hi) / 2;
        if (x < items_[static_cast<size_t>(mid) + 1])
            hi = mid;
        else
            lo = mid + 1;
    }
    const double item = items_[static_cast<size_t>(lo)];
    if (x == item) {
        index = lo;
        return true;
    }
    index = x > item ? lo : lo - 1;
    return false;
}

void TDoubleList::Add(double x) {
    if (std::isnan(x)) return;  // a NaN equals nothing and has no sorted place
    // Positions of a scan nearly always ascend: appending is then the whole work.
    if (items_.empty() || x > items_.back()) {
        items_.push_back(x);
        return;
    }
    int index = -1;
    if (Find(0, Count() - 1, x, index)) return;
    items_.insert(items_.begin() + (index + 1), x);
}

void TDoubleList::AddRange(std::span<const double> values) {
    std::vector<double> added;
    added.reserve(values.size());
    for (double v : values)
        if (!std::isnan(v)) added.push_back(v);
    std::sort(added.begin(), added.end());
    // Exact equality, as in Add: values differing in the last bit stay distinct.
    added.erase(std::unique(added.begin(), added.end()), added.end());
    if (items_.empty()) {
        items_ = std::move(added);
        return;
    }
    std::vector<double> merged;
    merged.reserve(items_.size() + added.size());
    std::merge(items_.begin(), items_.end(), added.begin(), added.end(),
               std::back_inserter(merged));
    merged.erase(std::unique(merged.begin(), merged.end()), merged.end());
    items_ = std::move(merged);
}

double TDoubleList::Get(int i) const {
    if (i < 0 || i >= Count()) return 0.0;
    return items_[static_cast<size_t>(i)];
}

}  // namespace trevasc
