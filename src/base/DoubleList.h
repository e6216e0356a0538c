#pragma once
// Ascending list of distinct doubles, used to merge the positions of several scans.
#include <span>
#include <vector>

namespace trevasc {

class TDoubleList {
  public:
    // Inserts x at its sorted place unless an exactly equal value is already present (NaN is
    // ignored).
    void Add(double x);
    // Adds many values at once; gives the same list as calling Add for each of them, but in
    // O(n log n) whatever their order (a descending scan would otherwise shift the whole array
    // on every insertion).
    void AddRange(std::span<const double> values);
    // Binary search in items lo..hi. Found: true with index of the equal item. Not found: false
    // with the index of the last item below x (lo - 1 when x lies below item lo; -1 for an empty
    // list).
    bool Find(int lo, int hi, double x, int& index) const;
    // Item i, or 0 for an index outside 0 .. Count() - 1.
    double Get(int i) const;
    int Count() const { return static_cast<int>(items_.size()); }
    void Clear() { items_.clear(); }

  private:
    std::vector<double> items_;
};

}  // namespace trevasc
