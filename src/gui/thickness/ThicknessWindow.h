#pragma once
// "Film Thickness Calculation": fringe positions from the peak list, their orders and the
// thickness per fringe, the mean and the standard deviation. FilmThicknessCalculation does the
// work; the result goes back through the session (descriptions, plot title, the lattice spacing
// of "Additional reflections").
#include <QMainWindow>

#include "session/WorkbenchSession.h"
#include "tools/thickness/FilmThicknessCalculation.h"

class QCheckBox;
class QListWidget;
class QMenu;
class QPushButton;
class QSpinBox;

namespace trevasc {

class FloatEdit;
class ListGroup;
class XrayTubeSelector;

inline constexpr const char* kThicknessCaption = "Film Thickness Calculation";
inline constexpr const char* kThicknessOldCaption =
    "Film Thickness Calculation (Old peak data in use!)";

class ThicknessWindow : public QMainWindow, private PeakListObserver {
    Q_OBJECT
  public:
    ThicknessWindow(WorkbenchSession& session, const QString& xrayIniPath,
                    QWidget* parent = nullptr);
    ~ThicknessWindow() override;

    QMenu* WindowMenu() const { return windowMenu_; }
    const tools::FilmThicknessCalculation& Calculation() const { return calc_; }
    // This window's own wavelength (Angstrom, as displayed).
    double Wavelength() const;

    // Opening: the old-data message when old, then the estimate, then the window.
    void ShowWindow();
    void CalculateClick();
    void DeleteSelectedClick();
    // "Fit orders": the first index and "+½" from the refraction line, then the calculation.
    void FitOrdersClick();

  signals:
    void windowClosing();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // PeakListObserver
    void CheckedPeaksSent(PeakHandOverTarget target, const std::vector<std::string>& rows,
                          const std::string& sourceName) override;
    void PeakDataOutdated() override;

    void BuildControls();
    void ShowCalculation(bool writeThickness = true);
    void RunEstimate();
    void SetOld(bool old);

    WorkbenchSession& session_;
    tools::FilmThicknessCalculation calc_;
    XrayTubeSelector* selector_ = nullptr;
    FloatEdit* thickness_ = nullptr;
    QSpinBox* firstIndex_ = nullptr;
    QCheckBox* half_ = nullptr;
    QPushButton* fitOrders_ = nullptr;
    QListWidget* peaks_ = nullptr;
    QListWidget* spacings_ = nullptr;
    QListWidget* orders_ = nullptr;
    QListWidget* thicknesses_ = nullptr;
    ListGroup* lists_ = nullptr;
    QPushButton* deleteSelected_ = nullptr;
    FloatEdit* mean_ = nullptr;
    FloatEdit* deviation_ = nullptr;
    FloatEdit* refraction_ = nullptr;
    FloatEdit* critical_ = nullptr;
    QCheckBox* addIds_ = nullptr;
    QPushButton* calculate_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    bool showing_ = false;  // the window writes its own fields: no edit events
};

}  // namespace trevasc
