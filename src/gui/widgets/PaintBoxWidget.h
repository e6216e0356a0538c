#pragma once
// A drawing area ("PaintBox1") that hands its paint and mouse events to the window that owns it,
// with the pointer tracked while no button is pressed. The window draws everything itself.
#include <QWidget>
#include <functional>

class QPainter;

namespace trevasc {

class PaintBoxWidget : public QWidget {
  public:
    explicit PaintBoxWidget(QWidget* parent);

    std::function<void(QPainter&)> OnPaint;
    std::function<void(Qt::MouseButton, int, int)> OnMouseDown;
    std::function<void(int, int)> OnMouseMove;
    std::function<void()> OnMouseLeave;

    // Changes the cursor only when it differs (setting it again would flicker on some systems).
    void SetCursorShape(Qt::CursorShape shape);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
};

}  // namespace trevasc
