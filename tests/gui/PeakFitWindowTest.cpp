// The fit window driven as a user would: "Fit actual display area" on a zoomed peak, the
// boundaries set with the mouse, a fit, Accept; the automatic fits with Accept and Cancel.
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "GuiTestSupport.h"
#include "gui/fitting/PeakFitWindow.h"
#include "plot/PlotMapping.h"
#include "support/SyntheticScan.h"

using namespace trevasc;

namespace {

class PeakFitWindowTest : public ::testing::Test {
  protected:
    test::MainWindowHarness h;
    PeakFitWindow* fit = nullptr;

    void SetUp() override {
        fit = h.Window->PeakFit();
        ASSERT_NE(fit, nullptr);
    }
    void TearDown() override { fit->hide(); }

    // Lorentz peaks of FWHM 0.2 degrees on a sloped background, 27 to 37 degrees.
    void OpenScan(const std::vector<double>& centres) {
        Open(test::ScanText(27.0, 0.01, 1001, [&](double x) {
            double y = 200.0 + 10.0 * (x - 27.0);
            for (double c : centres) y += 3000.0 * test::Lorentz(x, c, 0.2);
            return y;
        }));
    }
    void Open(const std::string& text) {
        h.Window->Session().OpenMainFile(h.Config.Write("fit.txt", text));
        QApplication::processEvents();
    }
    void ClickPlot(double x, Qt::MouseButton button) {
        fit->PaintBox()->repaint();
        const plot::TPlotArea& a = fit->Area();
        QTest::mouseClick(fit->PaintBox(), button, Qt::NoModifier,
                          QPoint(test::PixelColumn(a, x), (a.Top + a.Bottom) / 2));
    }
    QString Text(const char* name) { return fit->findChild<QLabel*>(name)->text(); }
    void ClickFit(const char* name) { test::ClickButton(fit, name); }
    const TPeakSet& Peaks() { return h.Window->Session().Scans().MainScan().Peaks; }
    std::vector<bool> CheckMarks() {
        std::vector<bool> marks;
        for (const TPeak& p : Peaks().Items) marks.push_back(p.Checked);
        return marks;
    }
};

}  // namespace

TEST_F(PeakFitWindowTest, ZoomedPeakIsFittedBetweenMouseBoundariesAndAccepted) {
    // Without a scan, and with two samples in view, the display area's messages (which ranges
    // are too small is the session's test).
    h.Click("Button11");
    OpenScan({30.0});
    h.Window->Session().View().SetRange(30.0, 30.01);
    h.Click("Button11");
    EXPECT_FALSE(fit->isVisible());
    EXPECT_EQ(h.Prompts.Errors, (std::vector<std::string>{tools::kNotEnoughFileDataMessage,
                                                          tools::kNotEnoughZoomDataMessage}));
    h.Prompts.Errors.clear();

    h.Window->Session().View().SetRange(29.0, 31.0);
    h.Click("Button11");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(fit));
    EXPECT_EQ(fit->windowTitle(), "Peak Fitting Module");
    EXPECT_EQ(fit->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(fit->Dataset().Count(), 201);
    EXPECT_EQ(std::pair(fit->Overlay().LeftBoundary, fit->Overlay().RightBoundary),
              std::pair(29.0, 31.0));

    // Left and right button set the background boundaries (to the pixel's position).
    ClickPlot(29.4, Qt::LeftButton);
    ClickPlot(30.6, Qt::RightButton);
    EXPECT_NEAR(fit->Overlay().LeftBoundary, 29.4, 0.02);
    EXPECT_NEAR(fit->Overlay().RightBoundary, 30.6, 0.02);

    ClickFit("ButtonGaussFit");
    EXPECT_EQ(fit->Overlay().ProfileKind, 2);
    // A Gauss profile on a Lorentz peak: near the centre, with 3 decimals.
    EXPECT_NEAR(Text("LabelPosition").toDouble(), 30.0, 0.01);
    EXPECT_EQ(Text("LabelPosition").size(), 6);

    // Moving a boundary discards the fit; a left boundary beyond the right one pushes it.
    ClickPlot(30.8, Qt::LeftButton);
    EXPECT_EQ(fit->Overlay().ProfileKind, 0);
    EXPECT_EQ(Text("LabelFwhm"), "-");
    EXPECT_DOUBLE_EQ(fit->Overlay().RightBoundary, fit->Overlay().LeftBoundary);
    ClickFit("ButtonLorentzFit");  // no sample between the boundaries
    EXPECT_EQ(h.Prompts.Errors, std::vector<std::string>{tools::kBackgroundTooLargeMessage});
    EXPECT_EQ(fit->Overlay().ProfileKind, 0);

    ClickPlot(29.4, Qt::LeftButton);
    ClickPlot(30.6, Qt::RightButton);
    ClickFit("ButtonLorentzFit");
    EXPECT_NEAR(fit->Overlay().Center, 30.0, 0.002);
    const double centre = fit->Overlay().Center;
    ClickFit("ButtonAccept");
    EXPECT_FALSE(fit->isVisible());
    // No peak in the zoom range: a new checked one at the fitted centre.
    ASSERT_EQ(Peaks().Count(), 1);
    EXPECT_DOUBLE_EQ(Peaks().Items[0].Position, centre);
    EXPECT_TRUE(Peaks().Items[0].Checked && Peaks().Unsaved);

    // Cancel leaves the list as it is.
    h.Click("Button11");
    ClickFit("ButtonLorentzFit");
    ClickFit("ButtonCancel");
    EXPECT_FALSE(fit->isVisible());
    EXPECT_DOUBLE_EQ(Peaks().Items[0].Position, centre);
}

TEST_F(PeakFitWindowTest, AutoLorentzAcceptsTwoCancelsOneAndTheSecondRunFitsOnlyThatOne) {
    OpenScan({29.0, 32.0, 35.0});
    for (double x : {29.03, 31.96, 35.04}) h.Window->Session().Peaks().Add(x);
    h.Window->Session().Scans().MainScan().Peaks.Unsaved = false;

    // Clicks Accept or Cancel whenever the window waits, in this order.
    std::deque<const char*> answers = {"ButtonAccept", "ButtonCancel", "ButtonAccept"};
    std::vector<bool> mainEnabled;
    int profile = 1;  // "Auto Lorentz checked" first
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if (!fit->WaitingForDecision() || answers.empty()) return;
        mainEnabled.push_back(h.Window->isEnabled());
        EXPECT_EQ(fit->Overlay().ProfileKind, profile);
        EXPECT_FALSE(fit->findChild<QAbstractButton*>("ButtonLorentzFit")->isEnabled());
        ClickFit(answers.front());
        answers.pop_front();
    });
    clicker.start(5);
    h.Click("Button13");
    EXPECT_TRUE(answers.empty());
    EXPECT_EQ(mainEnabled, (std::vector<bool>{false, false, false}));
    EXPECT_TRUE(h.Window->isEnabled());
    EXPECT_FALSE(fit->isVisible());
    // Accepted: moved and unchecked; cancelled: unchanged and still checked (the list's rules
    // are the session's tests').
    const auto& items = Peaks().Items;
    ASSERT_EQ(items.size(), 3u);
    EXPECT_DOUBLE_EQ(items[1].Position, 31.96);
    EXPECT_EQ(CheckMarks(), (std::vector<bool>{false, true, false}));

    // The second run meets only the peak that was cancelled.
    answers = {"ButtonAccept"};
    profile = 2;
    h.Click("Button12");
    EXPECT_TRUE(answers.empty());
    EXPECT_EQ(mainEnabled.size(), 4u);
    EXPECT_NEAR(items[1].Position, 32.0, 0.01);
    EXPECT_EQ(CheckMarks(), (std::vector<bool>{false, false, false}));
}

TEST_F(PeakFitWindowTest, AutoFitOntoTheIntervalEdgeSaysSoAndMakesCancelTheDefault) {
    // A substrate peak (Lorentz, 60000 counts, FWHM 0.04) at 31.75 beside a film peak (Gauss,
    // 3000 counts, FWHM 0.2) at 32.0.
    Open(test::ScanText(30.0, 0.01, 601, [](double x) {
        return 200.0 + 30.0 * (x - 30.0) + 60000.0 * test::Lorentz(x, 31.75, 0.04) +
               3000.0 * test::Gauss(x, 32.0, 0.2);
    }));
    for (double x : {31.76, 32.0}) h.Window->Session().Peaks().Add(x);

    // At each decision: the message shown, whether Accept is enabled, the default button (as
    // Enter presses it), and the position shown.
    std::vector<std::pair<QString, QString>> seen;
    auto* accept = fit->findChild<QPushButton*>("ButtonAccept");
    auto* cancel = fit->findChild<QPushButton*>("ButtonCancel");
    auto* message = fit->findChild<QLabel*>("LabelFitMessage");
    ASSERT_TRUE(accept && cancel && message);
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if (!fit->WaitingForDecision()) return;
        const char* button = accept->isDefault()   ? "Accept"
                             : cancel->isDefault() ? "Cancel"
                                                   : "none";
        seen.push_back({QStringList{message->isHidden() ? "" : message->text(),
                                    accept->isEnabled() ? "enabled" : "disabled", button}
                            .join(" | "),
                        Text("LabelPosition")});
        ClickFit(accept->isDefault() ? "ButtonAccept" : "ButtonCancel");
    });
    clicker.start(5);
    h.Click("Button13");  // "Auto Lorentz checked"
    ASSERT_EQ(seen.size(), 2u);
    // The substrate peak is fitted; the film peak's fit ran onto the edge halfway to it: told
    // in the window, no message box, Cancel the default.
    EXPECT_EQ(seen[0].first, " | enabled | Accept");
    EXPECT_NEAR(seen[0].second.toDouble(), 31.75, 0.002);
    EXPECT_EQ(seen[1], std::pair(QString::fromStdString(tools::kIntervalEdgeMessage) +
                                     " | disabled | Cancel",
                                 QString("-")));
    EXPECT_TRUE(h.Prompts.Errors.empty());
    ASSERT_EQ(Peaks().Items.size(), 2u);
    EXPECT_NEAR(Peaks().Items[0].Position, 31.75, 0.002);
    EXPECT_DOUBLE_EQ(Peaks().Items[1].Position, 32.0);  // kept, and still checked
    EXPECT_EQ(CheckMarks(), (std::vector<bool>{false, true}));

    // "Fit actual display area" afterwards: Accept is the default again, no message left.
    h.Window->Session().View().SetRange(31.6, 31.9);
    h.Click("Button11");
    EXPECT_TRUE(accept->isDefault() && !cancel->isDefault() && message->isHidden());
    ClickFit("ButtonCancel");
}

TEST_F(PeakFitWindowTest, FitWhoseCentreLeavesTheBoundariesIsToldInTheWindow) {
    OpenScan({30.0});
    h.Window->Session().View().SetRange(29.0, 31.0);
    h.Click("Button11");
    auto* message = fit->findChild<QLabel*>("LabelFitMessage");
    EXPECT_TRUE(message->isHidden());
    // Boundaries around the left flank only: the Gauss centre ends right of xR.
    fit->SetBoundary(true, 29.3);
    fit->SetBoundary(false, 29.85);
    ClickFit("ButtonGaussFit");
    EXPECT_EQ(fit->Overlay().ProfileKind, 0);
    EXPECT_EQ(Text("LabelPosition"), "-");
    EXPECT_EQ(message->isHidden() ? "" : message->text().toStdString(),
              tools::kOutsideBoundariesMessage);
    EXPECT_TRUE(h.Prompts.Errors.empty());
    // A boundary moved clears the message.
    fit->SetBoundary(false, 30.6);
    EXPECT_TRUE(message->isHidden());
    ClickFit("ButtonCancel");
    EXPECT_EQ(Peaks().Count(), 0);  // nothing accepted
}
