#pragma once
// The batch tool's seam to Qt: pictures (and the update check's network access).
//
// Drawing text needs Qt, and loading Qt's forty-odd shared libraries takes longer than reading
// a large scan. trevasc-cli is therefore built without Qt: it runs every command whose output
// is text or JSON itself, and only when a command line asks for a picture (or the update check)
// it hands the same command line over to trevasc-cli-draw, which has the Qt implementations of
// these interfaces (src/cli/draw).
#include <functional>
#include <string>
#include <utility>

#include "plot/PlotTypes.h"
#include "plot/TwoDPlot.h"

namespace trevasc::cli {

// Pictures as PNG file contents (truecolour, white transparent). Each throws TrevascError when
// the image cannot be made.
class Drawing {
  public:
    virtual ~Drawing() = default;
    // The scan chart as the plot window's PNG export draws it.
    virtual std::string XrdPlotPng(const plot::TPlotDataset& dataset, int width,
                                   int height) const = 0;
    // The peak-fit chart with its overlay.
    virtual std::string FitPlotPng(const plot::TFitOverlay& fit, const plot::TPlotDataset& dataset,
                                   int width, int height) const = 0;
    // An X-Y chart (the Nelson-Riley plot).
    virtual std::string XYPlotPng(const plot::TPlotXYDataset& dataset, int width,
                                  int height) const = 0;
    // The map as the map window's bitmap copy draws it, in Arial at `fontSize` points, with
    // what the map engine decided.
    struct MapPicture {
        std::string Png;
        plot::TwoDPlotResult Result;
    };
    virtual MapPicture MapPng(const plot::T2dPlotDataset& dataset, plot::TMapScale scale, int width,
                              int height, int fontSize) const = 0;
    // The size of the map window's bitmap copy of its default drawing area.
    virtual std::pair<int, int> MapBitmapSize() const = 0;
};

// The answer of the update server.
struct FetchedDocument {
    bool Ok = false;
    std::string Url;    // the address asked
    std::string Host;   // its host (for the download page)
    std::string Body;   // with Ok
    std::string Error;  // without Ok: why the server could not be asked
};
// Asks `url`, or with an empty url the host of the workbench's configuration.
using VersionFetch = std::function<FetchedDocument(const std::string& url)>;

// What the running program offers the commands.
struct Facilities {
    const Drawing* Pictures = nullptr;
    VersionFetch FetchVersion;
    // Without Pictures: carries the whole command line over to the program that has them and
    // returns only when that fails (with the exit code to end with).
    std::function<int()> HandOver;
};

}  // namespace trevasc::cli
