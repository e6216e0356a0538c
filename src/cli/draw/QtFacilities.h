#pragma once
// The Qt side of the batch tool's seam: pictures drawn with QPainter and the update check's
// HTTP GET with Qt Network. Used only by the drawing program trevasc-cli-draw (and the tests).
#include "cli/Drawing.h"

namespace trevasc::cli {

class QtDrawing : public Drawing {
  public:
    std::string XrdPlotPng(const plot::TPlotDataset& dataset, int width, int height) const override;
    std::string FitPlotPng(const plot::TFitOverlay& fit, const plot::TPlotDataset& dataset,
                           int width, int height) const override;
    std::string XYPlotPng(const plot::TPlotXYDataset& dataset, int width,
                          int height) const override;
    MapPicture MapPng(const plot::T2dPlotDataset& dataset, plot::TMapScale scale, int width,
                      int height, int fontSize) const override;
    std::pair<int, int> MapBitmapSize() const override;
};

// The version document from `url`, or from AUTOUPDATES HOST of the workbench's main
// configuration file when `url` is empty.
FetchedDocument FetchVersionDocumentWithQt(const std::string& url);

// Everything the drawing program offers: the drawing and the fetch.
Facilities QtFacilities();

}  // namespace trevasc::cli
