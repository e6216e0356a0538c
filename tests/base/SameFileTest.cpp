// One file under several names: what the output-onto-input guard must see through.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "base/Error.h"
#include "base/SameFile.h"
#include "support/TempDir.h"

using namespace trevasc;
using trevasc::test::TempDir;

TEST(SameFile, SeesThroughRelativeNamesAndLinks) {
    TempDir dir;
    const std::string scan = dir.Write("s.xrdml", "<xrdMeasurements/>");
    const std::string other = dir.Write("t.xrdml", "<xrdMeasurements/>");  // same content
    ASSERT_EQ(::symlink(scan.c_str(), dir.File("link.xrdml").c_str()), 0);
    ASSERT_EQ(::link(scan.c_str(), dir.File("hard.xrdml").c_str()), 0);
    std::filesystem::create_directory(dir.File("sub"));

    EXPECT_TRUE(IsSameFile(scan, scan));
    EXPECT_TRUE(IsSameFile(dir.File("sub/../s.xrdml"), scan));
    EXPECT_TRUE(IsSameFile(dir.File("./s.xrdml"), scan));
    EXPECT_TRUE(IsSameFile(dir.File("link.xrdml"), scan));
    EXPECT_TRUE(IsSameFile(dir.File("hard.xrdml"), scan));

    EXPECT_FALSE(IsSameFile(other, scan));                // equal bytes, another file
    EXPECT_FALSE(IsSameFile(dir.File("new.txt"), scan));  // an output not made yet
    EXPECT_FALSE(IsSameFile("-", "-"));                   // standard output and input
    ASSERT_EQ(::symlink(dir.File("gone").c_str(), dir.File("dangling").c_str()), 0);
    EXPECT_FALSE(IsSameFile(dir.File("dangling"), dir.File("gone")));
}

TEST(SameFile, RefusalNamesTheOutputAsGiven) {
    TempDir dir;
    const std::string scan = dir.Write("s.xrdml", "x");
    const std::string given = dir.Path() + "/./s.xrdml";
    try {
        RefuseOutputOntoInput(given, {dir.File("a.txt"), scan});
        FAIL() << "not refused";
    } catch (const TrevascError& e) {
        EXPECT_EQ(std::string(e.what()), given + " is the input file; choose another name.");
    }
    EXPECT_NO_THROW(RefuseOutputOntoInput(dir.File("out.txt"), {scan}));
    EXPECT_NO_THROW(RefuseOutputOntoInput("-", {scan, "-"}));
}
