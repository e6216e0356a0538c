#pragma once
// The printed page and the clipboard picture of an XY chart (the Nelson-Riley and the
// Williamson-Hall plots): one layout for every window that shows such a chart.
#include <QMimeData>
#include <QString>
#include <memory>

#include "plot/PlotTypes.h"

class QPrinter;

namespace trevasc {

// Prints the chart on one landscape page named `docName`, framed by a margin of the width of
// "MM" and a line of text at the top. Throws TrevascError when the printer cannot be started.
void PrintXYChart(QPrinter& printer, const QString& docName, const plot::TPlotXYDataset& chart,
                  char decimalSeparator);

// The chart at the size of the primary screen (1024 x 768 without one) as SVG and PNG; nothing
// for an empty chart.
std::unique_ptr<QMimeData> XYChartMimeData(const plot::TPlotXYDataset& chart,
                                           char decimalSeparator);

}  // namespace trevasc
