// The batch tool on what it should refuse: paths that are no files, output that cannot be
// written, names and contents that would garble a message or a terminal.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "support/CliRun.h"
#include "support/TempDir.h"
#include "support/TextChecks.h"

using namespace trevasc::test;

namespace {
const std::string kScan = Data("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml");
}

TEST(CliBadInput, PathsThatAreNoFilesFailWithAMessage) {
    TempDir dir;
    const std::string folder = dir.File("folder"), fifo = dir.File("fifo");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const struct {
        std::vector<std::string> Args;
        std::string Kind;
    } cases[] = {
        {{"info", folder}, "a directory"},
        {{"convert", folder, "-o", dir.File("x.txt")}, "a directory"},
        {{"peaks", folder}, "a directory"},
        {{"plot", folder, "-o", dir.File("x.png")}, "a directory"},
        {{"info", fifo}, "a FIFO (named pipe)"},  // would wait for a writer forever
        {{"convert", fifo, "-o", "-"}, "a FIFO (named pipe)"},
    };
    for (const auto& c : cases) {
        const CliRun r = Cli(c.Args);
        EXPECT_EQ(r.Code, 1) << c.Args[0];
        EXPECT_EQ(r.Err, "trevasc-cli: " + c.Args[1] + ": Cannot open file \"" + c.Args[1] +
                             "\". It is " + c.Kind + ", not a file.\n");
    }
}

TEST(CliBadInput, OutputThatIsNotWrittenIsAnError) {
    TempDir dir;
    // A full device of our own: every write fails with "No space left on device".
    std::string full = dir.File("full");
    if (::mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) full = "/dev/full";
    for (const std::string args : {"info", "info --json", "convert -o - ", "peaks"}) {
        // Standard error into the pipe, standard output onto the full device.
        const CliRun r = Shell(BuiltCli() + " " + args + " '" + kScan + "' 2>&1 >'" + full + "'");
        EXPECT_EQ(r.Code, 1) << args;
        EXPECT_EQ(r.Out, "trevasc-cli: cannot write standard output: No space left on device\n")
            << args;
    }
    // Files that cannot be written.
    EXPECT_EQ(CliLine("convert " + kScan + " -o " + dir.File("missing/x.txt")).Code, 1);
    EXPECT_EQ(CliLine("peaks " + kScan + " -o " + dir.Path()).Code, 1);
    const CliRun device = CliLine("convert " + kScan + " -o " + full);
    EXPECT_EQ(device.Code, 1);
    EXPECT_TRUE(Has(device.Err, "No space left on device")) << device.Err;
}

TEST(CliBadInput, NamesAndContentsAreEscapedInMessagesAndJson) {
    TempDir dir;
    // A name with a terminal escape and a byte that is not UTF-8, and binary content with a NUL.
    const std::string file = dir.Write(
        "scan\x1B[2J\xFF.txt", "\x89PNG\r\n\x1A\n" + std::string("1 \x1B]0;owned\x07\0", 13) +
                                   std::string(3000, '\x9B') + "\n2 3\n");
    const CliRun text = CliLine("info " + file);
    EXPECT_EQ(text.Code, 1);
    EXPECT_TRUE(IsPrintableUtf8(text.Err)) << text.Err;
    EXPECT_LT(text.Err.size(), file.size() + 200) << "the quoted content is cut";
    EXPECT_TRUE(Has(text.Err, "scan\\x1b[2J\\xff.txt")) << text.Err;
    // The value column begins after the escape character, which ends the position.
    EXPECT_TRUE(Has(text.Err, "']0;owned\\x07\\x00\\x9b")) << text.Err;
    const CliRun json = CliLine("info --json " + file + " " + kScan);
    EXPECT_TRUE(IsPrintableUtf8(json.Out)) << json.Out;
    EXPECT_TRUE(Has(json.Out, "\"file\": \"" + dir.Path() + "/scan\\\\x1b[2J\\\\xff.txt\""))
        << json.Out;

    // Text from inside a file (the sample name of an XML scan) reaches the report escaped.
    const std::string named =
        dir.Write("named.xrdml",
                  "<?xml version=\"1.0\"?><xrdMeasurements><sample><id>&#x9B;31mred</id></sample>"
                  "<xrdMeasurement measurementType=\"Scan\"><scan><dataPoints>"
                  "<positions axis=\"Omega\" unit=\"deg\"><startPosition>1</startPosition>"
                  "<endPosition>2</endPosition></positions><intensities>1 2</intensities>"
                  "</dataPoints></scan></xrdMeasurement></xrdMeasurements>");
    const CliRun report = CliLine("info " + named);
    EXPECT_EQ(report.Code, 0) << report.Err;
    EXPECT_TRUE(Has(report.Out, "title: XRD Plot: \\xc2\\x9b31mred\n")) << report.Out;
}

TEST(CliBadInput, AnErrorInThePeakListBesideAScanNamesThePeakList) {
    TempDir dir;
    const std::string scan = dir.Write("scan.txt", "10 1\n11 2\n12 3\n");
    dir.Write("scan_Peaks.txt", "10.5 a\n\nnone b\n");
    const CliRun r = CliLine("info " + scan);
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Err, "trevasc-cli: " + scan + ": Peak list \"" + dir.File("scan_Peaks.txt") +
                         "\", line 3: 'none' ist kein gültiger Gleitkommawert\n");
}
