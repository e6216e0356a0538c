#include "gui/widgets/PaintBoxWidget.h"

#include <QMouseEvent>
#include <QPainter>

namespace trevasc {

PaintBoxWidget::PaintBoxWidget(QWidget* parent, PaintBoxHandler& handler)
    : QWidget(parent), handler_(handler) {
    setObjectName(QStringLiteral("PaintBox1"));
    setMouseTracking(true);
    // The owner paints every pixel.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
}

void PaintBoxWidget::SetCursorShape(Qt::CursorShape shape) {
    if (cursor().shape() != shape) setCursor(shape);
}

void PaintBoxWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    handler_.PaintChart(painter);
}

void PaintBoxWidget::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    handler_.ChartMouseDown(event->button(), p.x(), p.y());
}

void PaintBoxWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    handler_.ChartMouseMove(p.x(), p.y());
}

void PaintBoxWidget::leaveEvent(QEvent*) {
    handler_.ChartMouseLeave();
}

}  // namespace trevasc
