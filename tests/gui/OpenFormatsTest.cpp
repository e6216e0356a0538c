// The files of other diffractometers from the main window: the open dialogs' filters show them,
// and a Rigaku RAS file with two scans chosen there opens as a main scan and an overlay (the map
// window's test draws that series).
#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "GuiTestSupport.h"
#include "formats/XylibReader.h"
#include "gui/plot/PlotWindow.h"

namespace trevasc {
namespace {

using test::MainWindowHarness;
using test::TestDataFile;

// The patterns of a dialog filter "Name (*.A *.B)": the words in its last parentheses, as
// the file dialog takes them.
QString PatternsOf(const QString& filter) {
    const qsizetype open = filter.lastIndexOf('(');
    const qsizetype close = filter.lastIndexOf(')');
    return open < 0 || close < open ? QString() : filter.mid(open + 1, close - open - 1);
}

TEST(OpenFormats, DialogFiltersShowTheSampleFileOfEveryFurtherFormat) {
    const QStringList filters = Dialogs::ScanFileFilters();
    ASSERT_TRUE(filters.first().startsWith("All XRD files ("));
    struct Case {
        const char* File;
        const char* Filter;  // the start of the filter that names the format
    };
    const char* xylib = "Other diffractometer files (xylib) (";
    const Case cases[] = {
        {"two_scans_rsm.ras", "Rigaku RAS files ("},
        {"quartz_v4.raw", "Bruker RAW files ("},
        {"film.xye", "Column files XY/XYE ("},
        {"quartz.uxd", xylib},
        {"quartz.rd", xylib},
        {"quartz.cif", xylib},
        {"quartz_v1.raw", xylib},
        {"quartz_v3.raw", xylib},
        {"quartz_rigaku.dat", xylib},
        {"quartz_riet7.dat", xylib},
        {"quartz.cpi", xylib},
        {"quartz.rit", xylib},
        {"quartz.xdd", xylib},
        {"quartz.udf", xylib},
        {"quartz.chi", xylib},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.File);
        ASSERT_TRUE(QFileInfo::exists(TestDataFile(c.File)));
        if (QString(c.Filter) == xylib && !formats::XylibAvailable()) continue;
        const auto named = std::find_if(filters.begin(), filters.end(),
                                        [&](const QString& f) { return f.startsWith(c.Filter); });
        ASSERT_NE(named, filters.end());
        const QString own = PatternsOf(*named);
        EXPECT_TRUE(QDir::match(own, c.File)) << own.toStdString();
        EXPECT_TRUE(QDir::match(PatternsOf(filters.first()), c.File));
    }
    // The catch-all filter stays last and shows every file.
    EXPECT_EQ(PatternsOf(filters.last()), "*");
}

TEST(OpenFormats, RasFileChosenInTheOpenDialogLoadsBothScans) {
    MainWindowHarness h;
    h.Dialogs.OpenAnswers = {QStringList{TestDataFile("two_scans_rsm.ras")}};
    h.MenuItem("&File", "&Open data file...")->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(h.Prompts.Errors.empty()) << h.Prompts.Errors.back();
    const ScanRegistry& scans = h.Window->Session().Scans().Registry();
    ASSERT_EQ(scans.AdditionalCount(), 1);
    EXPECT_EQ(std::pair(scans.MainScan().Count(), scans.Additional(0).Count()), std::pair(4, 4));
    EXPECT_EQ(h.Window->Plot()->Dataset().Title, "XRD Plot: Film A");
    EXPECT_EQ(h.Window->Plot()->Dataset().OverlayCount(), 1);
}

}  // namespace
}  // namespace trevasc
