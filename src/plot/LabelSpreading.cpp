#include "plot/LabelSpreading.h"

#include <algorithm>
#include <cstdlib>

namespace trevasc::plot {

int SpreadLabels(std::vector<int>& px, const std::vector<int>& heights, int left, int right,
                 int maxPasses) {
    const size_t n = std::min(px.size(), heights.size());
    int passes = 0;
    while (passes < maxPasses) {
        ++passes;
        bool moved = false;
        for (size_t i = 0; i + 1 < n; ++i) {
            if (heights[i] > std::abs(px[i + 1] - px[i])) {
                if (px[i] > left) {
                    --px[i];
                    moved = true;
                }
                if (px[i + 1] < right) {
                    ++px[i + 1];
                    moved = true;
                }
            }
        }
        if (!moved) break;
    }
    return passes;
}

int LabelSpreadPassLimit(size_t labelCount, int left, int right) {
    const long long width = std::max(1, right - left);
    const long long byWidth = 4 * width + 2 * static_cast<long long>(labelCount) + 10;
    const long long byWork = 20'000'000LL / static_cast<long long>(std::max<size_t>(labelCount, 1));
    return static_cast<int>(std::max(1LL, std::min(byWidth, byWork)));
}

}  // namespace trevasc::plot
