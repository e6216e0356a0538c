#pragma once
// A drawing area ("PaintBox1") that hands its paint and mouse events to the window that owns it,
// with the pointer tracked while no button is pressed. The window draws everything itself.
#include <QWidget>

class QPainter;

namespace trevasc {

// What a window does with its paint box's events.
class PaintBoxHandler {
  public:
    virtual ~PaintBoxHandler() = default;
    virtual void PaintChart(QPainter& painter) = 0;
    virtual void ChartMouseDown(Qt::MouseButton button, int px, int py) = 0;
    virtual void ChartMouseMove(int px, int py) = 0;
    virtual void ChartMouseLeave() = 0;
};

class PaintBoxWidget : public QWidget {
  public:
    PaintBoxWidget(QWidget* parent, PaintBoxHandler& handler);

    // Changes the cursor only when it differs (setting it again would flicker on some systems).
    void SetCursorShape(Qt::CursorShape shape);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    PaintBoxHandler& handler_;
};

}  // namespace trevasc
