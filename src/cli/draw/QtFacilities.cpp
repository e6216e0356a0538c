#include "cli/draw/QtFacilities.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QUrl>
#include <QtGlobal>

#include "core/Configuration.h"
#include "net/VersionDocumentFetch.h"
#include "qtcanvas/MapImageExport.h"
#include "qtcanvas/PlotImageExport.h"
#include "qtcanvas/XYPlotImageExport.h"
#include "update/VersionDocument.h"

namespace trevasc::cli {

namespace {

QtMessageHandler gQtMessages = nullptr;

// A batch run has no desktop session and draws into memory only, so Qt's notice that it falls
// back to a runtime folder of its own is noise on every drawing command; other messages pass.
void DropRuntimeFolderNotice(QtMsgType type, const QMessageLogContext& context,
                             const QString& message) {
    if (message.contains(QLatin1String("XDG_RUNTIME_DIR not set"))) return;
    if (gQtMessages) gQtMessages(type, context, message);
}

char gProgramName[] = "trevasc-cli";
int gArgc = 1;
char* gArgv[] = {gProgramName, nullptr};

// The application object that drawing text needs (a font database), on the offscreen platform
// unless QT_QPA_PLATFORM names another: the batch tool never opens a window.
void EnsureGuiApplication() {
    if (qApp) return;
    gQtMessages = qInstallMessageHandler(DropRuntimeFolderNotice);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: torn down among the static objects after main(), the application would
    // outlive Qt's thread storage and warn about it on every run.
    static auto* app = new QGuiApplication(gArgc, gArgv);
    (void)app;
}

// The host the desktop program asks: AUTOUPDATES HOST of its main configuration file.
std::string ConfiguredHost() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (folder.isEmpty()) return {};
    const ConfigPaths paths =
        MakeConfigPaths(ChooseConfigFolder(folder.toStdString(), ""), "trevasc");
    return ReadMainSettings(paths.MainIniPath).UpdateHost;
}

}  // namespace

std::string QtDrawing::XrdPlotPng(const plot::TPlotDataset& dataset, int width, int height) const {
    EnsureGuiApplication();
    return ImagePng(RenderXrdPlotImage(dataset, width, height));
}

std::string QtDrawing::FitPlotPng(const plot::TFitOverlay& fit, const plot::TPlotDataset& dataset,
                                  int width, int height) const {
    EnsureGuiApplication();
    return ImagePng(RenderFitPlotImage(fit, dataset, width, height));
}

std::string QtDrawing::XYPlotPng(const plot::TPlotXYDataset& dataset, int width, int height) const {
    EnsureGuiApplication();
    return ImagePng(RenderXYPlotImage(dataset, width, height));
}

Drawing::MapPicture QtDrawing::MapPng(const plot::T2dPlotDataset& dataset, plot::TMapScale scale,
                                      int width, int height, int fontSize) const {
    EnsureGuiApplication();
    MapImageStyle style;
    style.FontSize = fontSize;
    MapPicture picture;
    const QImage image = RenderMapImage(dataset, scale, width, height, style, &picture.Result);
    if (picture.Result.Drawn) picture.Png = ImagePng(image);
    return picture;
}

std::pair<int, int> QtDrawing::MapBitmapSize() const {
    const QSize size = trevasc::MapBitmapSize(0, 0);
    return {size.width(), size.height()};
}

FetchedDocument FetchVersionDocumentWithQt(const std::string& url) {
    if (!QCoreApplication::instance()) {
        // The fetch's event loop needs an application; a core one is enough.
        static QCoreApplication app(gArgc, gArgv);
    }
    FetchedDocument document;
    document.Url = url;
    if (url.empty()) {
        document.Host = ConfiguredHost();
        document.Url = update::VersionDocumentUrl(document.Host);
    } else {
        document.Host = QUrl(QString::fromStdString(url)).authority().toStdString();
    }
    const FetchResult fetched =
        VersionDocumentFetch::Fetch(QUrl(QString::fromStdString(document.Url)));
    document.Ok = fetched.Ok;
    document.Body = fetched.Body.toStdString();
    document.Error = fetched.Error.toStdString();
    return document;
}

Facilities QtFacilities() {
    static const QtDrawing drawing;
    Facilities use;
    use.Pictures = &drawing;
    use.FetchVersion = FetchVersionDocumentWithQt;
    return use;
}

}  // namespace trevasc::cli
