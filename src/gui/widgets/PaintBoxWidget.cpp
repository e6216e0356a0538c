#include "gui/widgets/PaintBoxWidget.h"

#include <QMouseEvent>
#include <QPainter>

namespace trevasc {

PaintBoxWidget::PaintBoxWidget(QWidget* parent) : QWidget(parent) {
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
    if (OnPaint) OnPaint(painter);
}

void PaintBoxWidget::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (OnMouseDown) OnMouseDown(event->button(), p.x(), p.y());
}

void PaintBoxWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (OnMouseMove) OnMouseMove(p.x(), p.y());
}

void PaintBoxWidget::leaveEvent(QEvent*) {
    if (OnMouseLeave) OnMouseLeave();
}

}  // namespace trevasc
