#pragma once
// "Size and Strain": the line broadening of the current profile fit's peaks. Instrument function
// U, V, W (typed, or fitted over the current fit's FWHMs with "Use as instrument standard"; kept
// in the main INI file), Scherrer constant K and the quadratic or linear correction; a table per
// peak with its Scherrer size, and with three or more broadened peaks the Williamson-Hall size
// and strain and their chart (print, clipboard picture, PNG).
#include <QMainWindow>
#include <memory>
#include <optional>
#include <string>

#include "gui/app/Dialogs.h"
#include "plot/PlotTypes.h"
#include "session/ProfileAnalysis.h"
#include "session/WorkbenchSession.h"
#include "tools/profile/SizeStrain.h"

class QAction;
class QComboBox;
class QImage;
class QLabel;
class QMimeData;
class QPrinter;
class QPushButton;
class QTableWidget;

namespace trevasc {

class FloatEdit;

inline constexpr const char* kSizeStrainCaption = "Size and Strain";

class SizeStrainWindow : public QMainWindow, private SettingsObserver {
    Q_OBJECT
  public:
    // The instrument function is read from and written to `mainIniPath`.
    SizeStrainWindow(WorkbenchSession& session, Dialogs& dialogs, std::string mainIniPath,
                     QWidget* parent = nullptr);
    ~SizeStrainWindow() override;

    // The peaks of a profile fit (none: the table empties).
    void SetFit(const std::optional<tools::ProfileFitResult>& fit);
    // "Use as instrument standard": U, V, W from the current fit's FWHMs, shown and stored.
    void UseAsInstrumentStandard();

    tools::InstrumentFunction Instrument() const;
    double K() const;
    tools::BroadeningCorrection Correction() const;
    const tools::SizeAnalysis& Analysis() const { return analysis_; }
    const plot::TPlotXYDataset& Chart() const { return chart_; }
    QWidget* PaintBox() const { return paintBox_; }

    // The result table as text in the user's decimal format ("Copy table").
    std::string TableCopyText() const;
    // The chart: printed, as clipboard picture (SVG and PNG), as image.
    void PrintPlot(QPrinter& printer) const;
    std::unique_ptr<QMimeData> CreatePlotMimeData() const;
    QImage RenderPlotImage(int width, int height) const;

  signals:
    void windowClosing();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    friend class WilliamsonHallPaintBox;
    // SettingsObserver
    void CurrentWavelengthChanged(double angstrom) override;

    void Recalculate();
    void ShowTable();
    void StoreInstrument();
    void UpdateMenus();
    void SaveAsPng();
    QPrinter& Printer();

    WorkbenchSession& session_;
    Dialogs& dialogs_;
    std::string mainIniPath_;
    std::vector<double> centres_, fwhms_;
    tools::SizeAnalysis analysis_;
    plot::TPlotXYDataset chart_;
    int pngWidth_ = 1000, pngHeight_ = 750;

    FloatEdit* u_ = nullptr;
    FloatEdit* v_ = nullptr;
    FloatEdit* w_ = nullptr;
    FloatEdit* k_ = nullptr;
    QComboBox* correction_ = nullptr;
    QPushButton* standard_ = nullptr;
    QLabel* message_ = nullptr;
    QTableWidget* table_ = nullptr;
    QWidget* paintBox_ = nullptr;
    QAction* printAction_ = nullptr;
    QAction* copyAction_ = nullptr;
    QAction* copyTableAction_ = nullptr;
    QAction* pngAction_ = nullptr;
    std::unique_ptr<QPrinter> printer_;
};

}  // namespace trevasc
