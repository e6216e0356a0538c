#pragma once
// The gap filling walked cell by cell as documented: every empty cell, in rows upwards and cells
// rightwards, takes the 1/d^2-weighted mean of the sources within the radius of its whole
// square. The reference FillMapGaps must match to the last bit (tests) and the baseline of its
// benchmark.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "plot/TwoDPlot.h"

namespace trevasc::plot::test {

inline void FillMapGapsLiteral(MapGrid& grid, int32_t radius) {
    const int64_t w = grid.Width, h = grid.Height, r = radius, r2 = r * r;
    for (int64_t gy = 0; gy < h; ++gy) {
        for (int64_t gx = 0; gx < w; ++gx) {
            int32_t& cell = grid.Levels[static_cast<size_t>(gy * w + gx)];
            if (cell != kMapEmptyCell) continue;
            double weight = 0.0, sum = 0.0;
            for (int64_t y = std::max<int64_t>(0, gy - r); y <= std::min(h - 1, gy + r); ++y) {
                if (!grid.RowHasPoint[static_cast<size_t>(y)]) continue;
                for (int64_t x = std::max<int64_t>(0, gx - r); x <= std::min(w - 1, gx + r); ++x) {
                    // Measured cells and the zeros of earlier cells are sources; filled cells
                    // (with the marker bit) and empty ones are not.
                    const int32_t v = grid.Levels[static_cast<size_t>(y * w + x)];
                    const int64_t d2 = (x - gx) * (x - gx) + (y - gy) * (y - gy);
                    if (v < kMapEmptyCell && d2 <= r2) {
                        const double wd = 1.0 / static_cast<double>(d2);
                        weight += wd;
                        sum += wd * v;
                    }
                }
            }
            // No source: 0, which serves as a source for the cells after it.
            cell =
                weight > 0 ? static_cast<int32_t>(std::nearbyint(sum / weight)) + kMapFilledBit : 0;
        }
    }
}

}  // namespace trevasc::plot::test
