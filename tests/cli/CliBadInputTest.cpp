// The batch tool on what it should refuse: paths that are no files, output that cannot be
// written or would overwrite the input, names and contents that would garble a message or a
// terminal; and what it leaves behind when a command fails: none of its outputs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "support/CliRun.h"
#include "support/SyntheticScan.h"
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

// Every output option refuses the file it reads from, before writing anything.
TEST(CliOutputOntoInput, EveryCommandRefusesItsInputAsOutput) {
    TempDir dir;
    const std::string s = dir.File("s.xrdml");
    std::filesystem::copy_file(Data("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml"), s);
    const std::string bytes = dir.Read("s.xrdml");
    const std::string dotted = dir.Path() + "/./s.xrdml", link = dir.File("link.xrdml");
    ASSERT_EQ(::symlink(s.c_str(), link.c_str()), 0);
    const struct {
        std::vector<std::string> Args;
        std::string Output;
    } cases[] = {
        {{"convert", s, "-o", s}, s},
        {{"convert", s, "-o", dotted}, dotted},
        {{"convert", "--all", dotted, "-o", link}, link},
        {{"peaks", s, "-o", link}, link},
        {{"plot", s, "-o", dotted}, dotted},
        {{"fit", s, "--profile", "gauss", "-o", s}, s},
        {{"fit", s, "--profile", "gauss", "--plot", link}, link},
        {{"map", s, "-o", s}, s},
        {{"map", s, "-o", dir.File("m.png"), "--text", link}, link},
        {{"lattice", s, "--nelson-riley-plot", dotted}, dotted},
    };
    for (const auto& c : cases) {
        const CliRun r = Cli(c.Args);
        const std::string what = c.Args[0] + " " + c.Args.back();
        EXPECT_EQ(r.Code, 1) << what << r.Err;
        EXPECT_TRUE(Has(r.Err, c.Output + " is the input file; choose another name."))
            << what << ": " << r.Err;
        EXPECT_EQ(dir.Read("s.xrdml"), bytes) << what << " changed the scan";
        EXPECT_TRUE(std::filesystem::is_symlink(link)) << what;
    }
    // Nothing else was written either (the map's picture comes after its checks).
    EXPECT_FALSE(std::filesystem::exists(dir.File("m.png")));
    // Another name in the same folder is written.
    const CliRun r = Cli({"convert", s, "-o", dir.File("s.txt")});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_FALSE(dir.Read("s.txt").empty());

    // A JCPDS card is not the database it is added to.
    const std::string card = dir.Write("card.txt", "d-spacing h k l\n3.1355 1 1 1\n");
    const CliRun jcpds = Cli({"jcpds", card, "--add-to", card, "--name", "Si"});
    EXPECT_EQ(jcpds.Code, 1) << jcpds.Err;
    EXPECT_TRUE(Has(jcpds.Err, card + " is the input file; choose another name.")) << jcpds.Err;
    EXPECT_EQ(dir.Read("card.txt"), "d-spacing h k l\n3.1355 1 1 1\n");
}

#ifdef TREVASC_HAVE_QT
TEST(CliOutputs, AFailedCommandWritesNoneOfItsFiles) {
    TempDir dir;
    // A full device of our own (writes fail with "No space left on device").
    const std::string full = dir.File("full");
    if (::mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        GTEST_SKIP() << "mknod not permitted";
    const std::string kArea = Data("xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml");
    const std::string png = dir.File("ok.png"), text = dir.File("ok.txt");

    // The picture is complete before the text fails.
    CliRun r = CliLine("map " + kArea + " -o " + png + " --text " + full);
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(Has(r.Err, "No space left on device")) << r.Err;
    EXPECT_FALSE(std::filesystem::exists(png));
    EXPECT_EQ(CliLine("map " + kArea + " -o " + full + " --text " + text).Code, 1);
    EXPECT_FALSE(std::filesystem::exists(text));

    // An existing picture keeps its content when the text fails.
    dir.Write("ok.png", "earlier picture");
    // A Lorentz peak at 30 degrees on a background.
    const std::string scan = dir.Write("peak.txt", ScanText(28.0, 0.01, 401, [](double x) {
                                           return 100 + 2000 * Lorentz(x, 30, 0.2);
                                       }));
    r = CliLine("fit " + scan + " --profile lorentz --from 29 --to 31 --plot " + png + " -o " +
                full);
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(dir.Read("ok.png"), "earlier picture");

    // Both succeed together, and no temporary file stays.
    r = CliLine("map " + kArea + " -o " + png + " --text " + text);
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_GT(PngSize(png).first, 0);
    EXPECT_GT(std::filesystem::file_size(text), 76u * 75u * 10u);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"full", "ok.png", "ok.txt", "peak.txt"}));
}

// Drawing in a session without XDG_RUNTIME_DIR prints no warnings of the drawing library.
TEST(CliOutputs, DrawingWithoutASessionPrintsNothing) {
    TempDir dir;
    const CliRun r = Shell("env -u XDG_RUNTIME_DIR " + BuiltCli() + " plot '" + Data("quartz.chi") +
                           "' -o '" + dir.File("plot.png") + "' --size 200x150 2>&1");
    EXPECT_EQ(r.Code, 0) << r.Out;
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(PngSize(dir.File("plot.png")), std::pair(200, 150));
}
#endif

TEST(CliOutputs, AClosedPipeOnStandardOutputIsAFailedWrite) {
    TempDir dir;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[0]);  // nobody reads any more
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(fds[1], 1);
        ::dup2(::open(dir.File("stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        ::signal(SIGPIPE, SIG_DFL);  // as a shell starts it
        const std::string program = std::string(TREVASC_BIN_DIR) + "/trevasc-cli";
        const std::string scan = Data("quartz.chi");
        ::execl(program.c_str(), program.c_str(), "info", scan.c_str(), nullptr);
        ::_exit(127);
    }
    ::close(fds[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(dir.Read("stderr.txt"), "trevasc-cli: cannot write standard output: Broken pipe\n");
}
