#pragma once
// The XRD chart as an image: the PNG export of the plot window and of the batch tool.
#include <QColor>
#include <QImage>
#include <functional>
#include <string>

#include "plot/Canvas.h"
#include "plot/PlotTypes.h"

namespace trevasc {

// The user's decimal separator (of the default locale) for axis labels, row texts and tables.
char UserDecimalSeparator();

// Sets a canvas up as every export draws (font "Arial" 14 pt, black, white brush) and returns
// the margin, the width of "M".
int PrepareExportCanvas(plot::Canvas& canvas);
// A white width x height image of 96 dpi (an export does not depend on the screen). Throws
// TrevascError when the image cannot be allocated.
QImage BlankExportImage(int width, int height);
// A BlankExportImage with `draw` run on a canvas over it, in the given background colour.
QImage DrawExportImage(int width, int height, char decimalSeparator,
                       const std::function<void(plot::Canvas&)>& draw,
                       QColor background = Qt::white);

// Draws the chart as every export does (PNG, clipboard picture) on a canvas that is already
// white: font "Arial" 14 pt, black, a margin of the width of "M" on every side.
void DrawXrdExportChart(plot::Canvas& canvas, int width, int height,
                        const plot::TPlotDataset& dataset);

// A white width x height image with the chart drawn as the PNG export draws it: font "Arial"
// 14 pt, black, margin m = width of "M" on every side. Throws TrevascError when the image
// cannot be allocated.
QImage RenderXrdPlotImage(const plot::TPlotDataset& dataset, int width, int height,
                          char decimalSeparator = '.');

// The peak-fit chart with its overlay as a width x height image on white, drawn as the exports
// of the scan chart are. Throws TrevascError when the image cannot be allocated.
QImage RenderFitPlotImage(const plot::TFitOverlay& fit, const plot::TPlotDataset& dataset,
                          int width, int height, char decimalSeparator = '.');

// Writes an image as a truecolour PNG with white transparent (atomically).
void WriteImagePng(const QImage& image, const std::string& fileName);
// The PNG file's content for the image, for a command that writes it with other outputs.
std::string ImagePng(const QImage& image);

// RenderXrdPlotImage, then WriteImagePng.
void RenderXrdPlotToPng(const plot::TPlotDataset& dataset, int width, int height,
                        const std::string& fileName, char decimalSeparator = '.');

}  // namespace trevasc
