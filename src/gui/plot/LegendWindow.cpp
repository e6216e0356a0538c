#include "gui/plot/LegendWindow.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QScrollArea>
#include <QSvgGenerator>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "gui/plot/ClipboardPicture.h"
#include "gui/plot/ColorConversion.h"
#include "qtcanvas/QPainterCanvas.h"

namespace trevasc {

namespace {

constexpr int kCopyDpi = 96;
constexpr int kDotsPerMeterAt96Dpi = 3780;

void SetLegendFont(plot::Canvas& canvas, int points) {
    canvas.SetFontName("Arial");
    canvas.SetFontSize(points);
    canvas.SetFontBold(false);
    canvas.SetFontColor(0x000000);
}

// Line height of the legend font as the canvas measures it on a device of the given resolution.
int RowHeight(int dpiX, int dpiY, int points) {
    QImage probe(1, 1, QImage::Format_RGB32);
    probe.setDotsPerMeterX(static_cast<int>(std::lround(dpiX / 0.0254)));
    probe.setDotsPerMeterY(static_cast<int>(std::lround(dpiY / 0.0254)));
    QPainter painter(&probe);
    QPainterCanvas canvas(painter);
    SetLegendFont(canvas, points);
    return canvas.TextHeight("Äg");
}

}  // namespace

// The paint box along the top edge; its height follows the number of rows.
class LegendPaintBox : public QWidget {
  public:
    explicit LegendPaintBox(LegendWindow* owner, QWidget* parent) : QWidget(parent), owner_(owner) {
        setObjectName(QStringLiteral("PaintBox1"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFixedHeight(0);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        owner_->PaintLegend(painter);
    }

  private:
    LegendWindow* owner_;
};

LegendWindow::LegendWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("LegendWindow"));
    setWindowTitle(QStringLiteral("Legende"));
    // A resizable tool window with only a close button.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("ScrollBox1"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget(scroll);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    paintBox_ = new LegendPaintBox(this, content);
    layout->addWidget(paintBox_);
    layout->addStretch(1);
    scroll->setWidget(content);
    setCentralWidget(scroll);

    QMenu* editMenu = menuBar()->addMenu(QStringLiteral("&Edit"));
    copyAction_ = editMenu->addAction(QStringLiteral("&Copy"));
    copyAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    connect(copyAction_, &QAction::triggered, this, [this] { CopyLegend(); });

    resize(300, 400);
}

LegendWindow::~LegendWindow() = default;

QWidget* LegendWindow::PaintBox() {
    return paintBox_;
}

void LegendWindow::SetContent(const ScanRegistry& registry, const plot::TColorConfig& colors,
                              bool showSlope) {
    // An overlay without a configured colour shows in the background colour, as it has none.
    const plot::TColor missing = PlotColorFromQColor(palette().color(QPalette::Button));
    rows_ = plot::LegendRows(registry, colors, showSlope, missing);
    if (rows_.empty()) {
        hide();
        return;
    }
    paintBox_->setFixedHeight(
        RowHeight(paintBox_->logicalDpiX(), paintBox_->logicalDpiY(), kScreenFontSize) *
        static_cast<int>(rows_.size()));
    paintBox_->update();
}

void LegendWindow::PaintLegend(QPainter& painter) {
    const QColor face = palette().color(QPalette::Button);
    painter.fillRect(paintBox_->rect(), face);
    if (rows_.empty()) return;
    QPainterCanvas canvas(painter);
    canvas.SetBrushColor(PlotColorFromQColor(face));
    SetLegendFont(canvas, kScreenFontSize);
    const int h = plot::DrawLegend(canvas, rows_);
    const int height = h * static_cast<int>(rows_.size());
    if (paintBox_->height() != height) {
        // The box was sized for another resolution (the window moved to another screen).
        // Resizing inside a paint event would recurse; the box changes right after it.
        QTimer::singleShot(0, paintBox_,
                           [box = paintBox_, height] { box->setFixedHeight(height); });
    }
}

std::unique_ptr<QMimeData> LegendWindow::CreateLegendMimeData() const {
    if (rows_.empty()) return nullptr;

    // Measure on an image of the same resolution as the pictures, to size them to the rows.
    QImage probe(1, 1, QImage::Format_RGB32);
    probe.setDotsPerMeterX(kDotsPerMeterAt96Dpi);
    probe.setDotsPerMeterY(kDotsPerMeterAt96Dpi);
    int width = 0, height = 0;
    {
        QPainter painter(&probe);
        QPainterCanvas canvas(painter);
        SetLegendFont(canvas, kCopyFontSize);
        const int h = canvas.TextHeight("Äg");
        const int a = canvas.TextWidth("A");
        int textWidth = 0;
        for (const auto& row : rows_) textWidth = std::max(textWidth, canvas.TextWidth(row.Text));
        width = 7 * a + textWidth;
        height = h * static_cast<int>(rows_.size());
    }
    const QSize size(std::max(1, width), std::max(1, height));

    auto drawRows = [this](QPainter& painter) {
        QPainterCanvas canvas(painter);
        canvas.SetBrushColor(0xFFFFFF);
        canvas.SetBrushClear(true);
        canvas.SetPenColor(0x000000);
        SetLegendFont(canvas, kCopyFontSize);
        plot::DrawLegend(canvas, rows_);
    };

    // Transparent background in the vector picture: the rows only.
    const QByteArray svg = DrawSvgPicture(size, kCopyDpi, drawRows);

    QImage image(size, QImage::Format_RGB32);
    image.setDotsPerMeterX(kDotsPerMeterAt96Dpi);
    image.setDotsPerMeterY(kDotsPerMeterAt96Dpi);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        drawRows(painter);
    }
    return PictureMimeData(svg, image);
}

void LegendWindow::CopyLegend() {
    if (auto data = CreateLegendMimeData())
        QGuiApplication::clipboard()->setMimeData(data.release());
}

void LegendWindow::closeEvent(QCloseEvent* event) {
    // Closing only hides the window; it lives as long as the program.
    emit windowClosing();
    event->accept();
}

}  // namespace trevasc
