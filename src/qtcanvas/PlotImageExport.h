#pragma once
// The XRD chart as an image: the PNG export of the plot window and of the batch tool.
#include <QImage>
#include <string>

#include "plot/PlotTypes.h"

namespace trevasc {

// A white width x height image with the chart drawn as the PNG export draws it: font "Arial"
// 14 pt, black, margin m = width of "M" on every side. Throws TrevascError when the image
// cannot be allocated.
QImage RenderXrdPlotImage(const plot::TPlotDataset& dataset, int width, int height,
                          char decimalSeparator = '.');

// Writes an image as a truecolour PNG with white transparent (atomically).
void WriteImagePng(const QImage& image, const std::string& fileName);

// RenderXrdPlotImage, then WriteImagePng.
void RenderXrdPlotToPng(const plot::TPlotDataset& dataset, int width, int height,
                        const std::string& fileName, char decimalSeparator = '.');

}  // namespace trevasc
