#pragma once
// "Save as PNG": asks for the pixel size of an exported plot image. The dialog lives as long as
// its owner (the plot window), so the last values are offered again.
#include <QDialog>

class QSpinBox;

namespace trevasc {

class PngSizeDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kMinimumSize = 10;
    static constexpr int kMaximumSize = 32767;

    explicit PngSizeDialog(QWidget* parent = nullptr);

    int ImageWidth() const;
    int ImageHeight() const;
    void SetImageSize(int width, int height);

    QSpinBox* WidthEdit() const { return widthEdit_; }
    QSpinBox* HeightEdit() const { return heightEdit_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QSpinBox* widthEdit_ = nullptr;
    QSpinBox* heightEdit_ = nullptr;
};

}  // namespace trevasc
