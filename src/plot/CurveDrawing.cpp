#include "plot/CurveDrawing.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace trevasc::plot {

namespace {

void DrawJoined(Canvas& canvas, const TAxisMapping& m, const TPlotPoint* points, size_t count) {
    bool first = true;
    for (size_t i = 0; i < count; ++i) {
        const TPlotPoint& p = points[i];
        if (!(p.X >= m.XMin && p.X <= m.XMax) || !std::isfinite(p.Y)) continue;
        const int px = m.XToPixel(p.X), py = m.YToPixel(p.Y);
        if (first) {
            canvas.MoveTo(px, py);
            first = false;
        } else {
            canvas.LineTo(px, py);
        }
    }
}

// Why decimation is exact: all points of one run share the pixel column, so the segments
// between them are vertical and together cover exactly the rows from the lowest to the highest
// of them (each segment overlaps the next in its shared end point). The path entry -> extreme
// -> extreme -> exit covers the same rows and ends where the next column's segment starts, so
// every pixel and every segment leaving the column is the same as with all points joined.
class Decimator {
  public:
    Decimator(const TAxisMapping& m, size_t columns) : m_(m) { out_.reserve(4 * columns + 8); }

    void Add(int px, double y) {
        if (!inRun_ || px != runPx_) {
            Flush();
            inRun_ = true;
            runPx_ = px;
            entryY_ = y;
            hasRange_ = false;
            hasNonPositive_ = false;
        }
        exitY_ = y;
        // On a log axis y <= 0 lies on the bottom edge while small positive values lie below
        // it, so the mapping is monotonic only over the positive values; the others are noted.
        if (m_.LogY && !(y > 0.0)) {
            hasNonPositive_ = true;
        } else if (!hasRange_) {
            minY_ = maxY_ = y;
            hasRange_ = true;
        } else {
            minY_ = std::min(minY_, y);
            maxY_ = std::max(maxY_, y);
        }
    }

    const std::vector<TPixelPoint>& Finish() {
        Flush();
        return out_;
    }

  private:
    void Emit(int x, int y) {
        const TPixelPoint p{x, y};
        if (out_.empty() || !(out_.back() == p)) out_.push_back(p);
    }

    void Flush() {
        if (!inRun_) return;
        inRun_ = false;
        // The y mapping is monotonic (decreasing rows) on the values noted in the range, so the
        // extreme rows come from the extreme values.
        int lowRow = m_.Bottom, highRow = m_.Bottom;
        bool any = false;
        if (hasRange_) {
            lowRow = m_.YToPixel(minY_);
            highRow = m_.YToPixel(maxY_);
            any = true;
        }
        if (hasNonPositive_) {
            if (!any) {
                lowRow = highRow = m_.Bottom;
            } else {
                lowRow = std::max(lowRow, m_.Bottom);
                highRow = std::min(highRow, m_.Bottom);
            }
        }
        Emit(runPx_, m_.YToPixel(entryY_));
        Emit(runPx_, lowRow);
        Emit(runPx_, highRow);
        Emit(runPx_, m_.YToPixel(exitY_));
    }

    const TAxisMapping& m_;
    std::vector<TPixelPoint> out_;
    bool inRun_ = false;
    int runPx_ = 0;
    double entryY_ = 0, exitY_ = 0, minY_ = 0, maxY_ = 0;
    bool hasRange_ = false, hasNonPositive_ = false;
};

}  // namespace

void DrawCurve(Canvas& canvas, const TAxisMapping& m, const TPlotPoint* points, size_t count,
               TCurveMode mode) {
    if (count == 0 || points == nullptr) return;
    if (mode == TCurveMode::JoinEveryPoint) {
        DrawJoined(canvas, m, points, count);
        return;
    }
    Decimator d(m, static_cast<size_t>(std::max(0, m.Right - m.Left)) + 1);
    const double xMin = m.XMin, xMax = m.XMax;
    for (size_t i = 0; i < count; ++i) {
        const TPlotPoint& p = points[i];
        if (!(p.X >= xMin && p.X <= xMax) || !std::isfinite(p.Y)) continue;
        d.Add(m.XToPixel(p.X), p.Y);
    }
    const auto& path = d.Finish();
    if (path.empty()) return;
    if (path.size() == 1) {
        // A single point: the joined drawing moves there and draws nothing.
        canvas.MoveTo(path[0].X, path[0].Y);
        return;
    }
    canvas.Polyline(path.data(), path.size());
}

}  // namespace trevasc::plot
