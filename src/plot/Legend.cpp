#include "plot/Legend.h"

namespace trevasc::plot {

std::vector<TLegendRow> LegendRows(const ScanRegistry& registry, const TColorConfig& colors,
                                   bool showSlope, TColor missing) {
    std::vector<TLegendRow> rows;
    const TDataSet& main = registry.MainScan();
    if (main.Count() <= 0) return rows;
    rows.push_back({colors.MainPlot, main.Name});
    if (showSlope) rows.push_back({colors.SlopePlot, "Slope of " + main.Name});
    for (int i = 0; i < registry.AdditionalCount(); ++i)
        rows.push_back({AdditionalColorOf(colors, i, missing), registry.Additional(i).Name});
    return rows;
}

int DrawLegend(Canvas& canvas, const std::vector<TLegendRow>& rows) {
    const int h = canvas.TextHeight("Äg");
    const int a = canvas.TextWidth("A");
    for (size_t k = 0; k < rows.size(); ++k) {
        const int top = static_cast<int>(k) * h;
        canvas.SetPenColor(rows[k].Color);
        canvas.MoveTo(a, top + h / 2);
        canvas.LineTo(5 * a, top + h / 2);
        canvas.TextOut(6 * a, top, rows[k].Text);
    }
    return h;
}

}  // namespace trevasc::plot
