#pragma once
// "Legende": the curves of the XRD plot with their colours and names, and a copy of that list
// for the clipboard.
#include <QMainWindow>
#include <memory>
#include <vector>

#include "core/ScanData.h"
#include "plot/ColorConfig.h"
#include "plot/Legend.h"

class QAction;
class QMimeData;
class QPainter;

namespace trevasc {

class LegendPaintBox;

class LegendWindow : public QMainWindow {
    Q_OBJECT
  public:
    static constexpr int kScreenFontSize = 9;
    static constexpr int kCopyFontSize = 10;

    explicit LegendWindow(QWidget* parent = nullptr);
    ~LegendWindow() override;

    // Takes the rows from the open scans and the colours and repaints; hides the window when
    // the main scan has no points.
    void SetContent(const ScanRegistry& registry, const plot::TColorConfig& colors, bool showSlope);
    const std::vector<plot::TLegendRow>& Rows() const { return rows_; }

    QWidget* PaintBox();
    // Clipboard contents of "&Copy": the rows as SVG and as a PNG bitmap; null without rows.
    std::unique_ptr<QMimeData> CreateLegendMimeData() const;
    // "&Edit" -> "&Copy".
    void CopyLegend();

  signals:
    // Emitted before the window hides on close, so that window positions can be saved.
    void windowClosing();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    friend class LegendPaintBox;
    void PaintLegend(QPainter& painter);

    std::vector<plot::TLegendRow> rows_;
    LegendPaintBox* paintBox_ = nullptr;
    QAction* copyAction_ = nullptr;
};

}  // namespace trevasc
