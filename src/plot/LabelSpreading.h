#pragma once
// Spreading of the vertical marker labels so that neighbours do not overlap.
#include <cstddef>
#include <vector>

namespace trevasc::plot {

// Passes over neighbouring pairs (i, i+1) of label columns sorted ascending: when the label
// height of entry i exceeds |px[i+1] - px[i]|, px[i] moves one pixel left (if > left) and
// px[i+1] one pixel right (if < right). Stops after a pass without moves or after maxPasses
// passes (crowded labels can otherwise move back and forth for ever). Returns the passes run.
int SpreadLabels(std::vector<int>& px, const std::vector<int>& heights, int left, int right,
                 int maxPasses);

// The pass limit the renderers use: enough for every label to cross the whole width a few
// times, and at most some tens of millions of pair checks in all.
int LabelSpreadPassLimit(size_t labelCount, int left, int right);

}  // namespace trevasc::plot
