#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "analysis/SubstrateDatabase.h"
#include "base/Error.h"
#include "support/TempDir.h"

using namespace trevasc;
using namespace trevasc::analysis;

namespace {

TDataSet ScanWithPeaks(const std::vector<double>& positions, double first = 20, double last = 80) {
    TDataPointArray pts;
    for (int i = 0; i <= 100; ++i) pts.push_back({first + (last - first) * i / 100.0, 10, 0, 0});
    TDataSet s;
    s.SetRawPoints(std::move(pts));
    for (double p : positions) s.Peaks.Items.push_back({p, 0, 0, true, ""});
    return s;
}

TSubstrateMaterial Material(const std::string& name, const std::vector<double>& positions) {
    TSubstrateMaterial m;
    m.Name = name;
    for (double p : positions) m.Reflections.push_back({p, name + std::to_string(p), ""});
    return m;
}

// Every expected peak of a material: its row text and the position it stands for.
std::string Rows(const TSubstrateMaterial& m) {
    std::ostringstream rows;
    for (const auto& r : m.Reflections) rows << ExpectedRowText(r) << "=" << r.Position << "|";
    return rows.str();
}

}  // namespace

TEST(SubstrateDatabase, ReadsSectionsInFileOrderWithSpecialKeys) {
    test::TempDir dir;
    const std::string ini = dir.Write("substrates.ini",
                                      "[Si]\nallowed=4,8\nLattice=5,43102\nSi (111)=28.441\n"
                                      "Si (004)=69,127\n"
                                      "[Al2O3]\nAl2O3 (006)=41.680\nbroken=abc\nempty=\n"
                                      "[Only fields]\nALLOWED=1,2\nLATTICE=3.905\n"
                                      "[Si]\nSi (333)=94.948\nSi (111)=28.442\n");
    EXPECT_EQ(LoadMaterialList(ini), (std::vector<std::string>{"Si", "Al2O3", "Only fields"}));
    const TSubstrateMaterial si = ReadMaterial(ini, "Si");
    EXPECT_EQ(si.Allowed.value_or("-"), "4,8");
    EXPECT_DOUBLE_EQ(si.Lattice.value_or(0), 5.43102);
    // The repeated section adds its keys; a repeated key is listed at each of its places; the
    // value is shown as stored.
    EXPECT_EQ(Rows(si),
              "Si (111): 28.441=28.441|Si (004): 69,127=69.127|Si (333): 94.948=94.948|"
              "Si (111): 28.441=28.441|");

    const TSubstrateMaterial al = ReadMaterial(ini, "Al2O3");
    ASSERT_EQ(al.Reflections.size(), 1u);
    EXPECT_EQ(al.Problems,
              (std::vector<std::string>{"broken: 'abc' ist kein gültiger Gleitkommawert",
                                        "empty: '' ist kein gültiger Gleitkommawert"}));
    const TSubstrateMaterial only = ReadMaterial(ini, "Only fields");
    EXPECT_TRUE(only.Reflections.empty());
    EXPECT_EQ(only.Allowed.value_or("-"), "1,2");
    EXPECT_DOUBLE_EQ(only.Lattice.value_or(0), 3.905);

    EXPECT_TRUE(LoadMaterialList(dir.File("missing.ini")).empty());
    EXPECT_EQ(ReadAllMaterials(ini).size(), 3u);
}

// A hand-edited database with a reflection typed twice: each occurrence is an expected peak with
// the value of the first, as the Windows profile functions read the file; an import of another
// material writes the file back with every occurrence and its own value.
TEST(SubstrateDatabase, RepeatedKeysAreListedEachWithTheFirstValue) {
    test::TempDir dir;
    const std::string text =
        "[GaN]\nGaN (002)=34.56\nGaN (004)=72.91\ngan (002)=34.60\nLATTICE=5.1\n"
        "LATTICE=5.2\nGaN (002)=35\n";
    const std::string ini = dir.Write("substrates.ini", text);
    const TSubstrateMaterial gan = ReadMaterial(ini, "GaN");
    // Keys compare without regard to case: "gan (002)" is the same key, written its own way.
    const std::string rows =
        "GaN (002): 34.56=34.56|GaN (004): 72.91=72.91|gan (002): 34.56=34.56|"
        "GaN (002): 34.56=34.56|";
    EXPECT_EQ(Rows(gan), rows);
    EXPECT_DOUBLE_EQ(gan.Lattice.value_or(0), 5.1);
    ASSERT_EQ(ReadAllMaterials(ini).size(), 1u);
    EXPECT_EQ(ReadAllMaterials(ini)[0].Reflections.size(), 4u);

    AddJcpdsMaterial(ini, "Si", {"(1 1 1)=28.442"});
    const std::string saved = dir.Read("substrates.ini");
    for (const char* line : {"GaN (002)=34.56\n", "=34.60\n", "=35\n", "LATTICE=5.2\n"})
        EXPECT_NE(saved.find(line), std::string::npos) << line << "\n" << saved;
    // Read back, the rewritten file holds the same expected peaks (the writer groups a repeated
    // key's lines, so the order may differ).
    const TSubstrateMaterial again = ReadMaterial(ini, "GaN");
    ASSERT_EQ(again.Reflections.size(), 4u);
    for (const auto& r : again.Reflections)
        EXPECT_DOUBLE_EQ(r.Position, r.Name == "GaN (004)" ? 72.91 : 34.56);
    EXPECT_EQ(LoadMaterialList(ini), (std::vector<std::string>{"GaN", "Si poly"}));
}

TEST(SubstrateDatabase, AutoIdentifyNamesClosestPeakWithinDeviation) {
    TDataSet s = ScanWithPeaks({30.0, 40.0, 40.6, 50.0});
    s.Peaks.Unsaved = false;
    // 29.5 lies exactly 0.5 from 30 (identified); 50.6 is 0.6 away (not). 40.3 is equally close
    // to 40.0 and 40.6: the first wins. Two reflections near 40.0: the later name stays.
    const auto changed =
        AutoIdentifyPeaks(s, {29.5, 50.6, 40.3, 39.9}, {"A", "far", "tie", "later"}, 0.5);
    EXPECT_EQ(changed, (std::vector<int>{0, 1, 1}));
    std::string rows;
    for (const auto& p : s.Peaks.Items) rows += p.Description + (p.Checked ? "+" : "-") + " ";
    EXPECT_EQ(rows, "A- later- + + ");
    EXPECT_TRUE(s.Peaks.Unsaved);

    TDataSet none = ScanWithPeaks({});
    EXPECT_TRUE(AutoIdentifyPeaks(none, {30.0}, {"x"}, 0.5).empty());
    EXPECT_FALSE(none.Peaks.Unsaved);
}

TEST(SubstrateDatabase, AutoSelectTakesTheSmallestScoreFirstOfEqualsAmongMaterialsInRange) {
    const std::vector<double> peaks = {28.5, 47.2, 69.1};
    // Without a reflection in range the sum of squares is empty: no score, and no candidate,
    // whatever its place in the list; its fields still count as read.
    std::vector<TSubstrateMaterial> materials = {
        Material("out of range", {10.0, 100.0}),
        Material("far", {28.0, 47.0}),
        Material("no reflections", {}),
        Material("Si", {28.441, 47.301, 69.127, 94.948}),  // 94.948 outside 20..80
        Material("Si again", {28.441, 47.301, 69.127}),
    };
    materials[0].Lattice = 3.0;
    materials[0].Allowed = "1";
    auto r = AutoSelectSubstrate(materials, peaks, 20, 80);
    EXPECT_EQ(r.Best, 3);
    ASSERT_EQ(r.Scores.size(), 5u);
    EXPECT_FALSE(r.Scores[0].has_value() || r.Scores[2].has_value());
    // far: 0.5^2 + 0.2^2; Si: 0.059^2 + 0.101^2 + 0.027^2 = 0.014411
    EXPECT_NEAR(r.Scores[1].value_or(-1), 0.5 * 0.5 + 0.2 * 0.2, 1e-12);
    EXPECT_NEAR(r.Scores[3].value_or(-1), 0.014411, 1e-9);
    EXPECT_EQ(r.Scores[3], r.Scores[4]);
    EXPECT_EQ(r.LastAllowed.value_or(""), "1");
    EXPECT_EQ(r.LastLattice.value_or(0), 3.0);
    // The edges of the scan range count as inside; no peaks adds 1000^2 per reflection.
    EXPECT_EQ(SubstrateScore(Material("edges", {20.0, 80.0}), {}, 20, 80), 2e6);
    r = AutoSelectSubstrate(materials, peaks, 85, 90);
    EXPECT_EQ(r.Best, -1);
    EXPECT_EQ(r.Scores.size(), 5u);

    r = AutoSelectSubstrate(materials, peaks, 20, 80, [&](int done, int) { return done < 1; });
    EXPECT_TRUE(r.Cancelled);
    EXPECT_EQ(r.Best, -1);
    EXPECT_EQ(AutoSelectSubstrate({}, peaks, 20, 80).Best, -1);
}

TEST(SubstrateDatabase, JcpdsImportWritesPolySectionAndOverwritesKeys) {
    test::TempDir dir;
    const std::string ini = dir.Write("substrates.ini", "[Si]\nSi (111)=28.441\n");
    formats::TReflectionTable table;
    table.Material = "Silicon";
    table.Reflections = {
        {3.1355, 1, 1, 1, "(1 1 1)"}, {0.5, 9, 9, 9, "(9 9 9)"}, {1.3577, 4, 0, 0, "(4 0 0)"}};
    const auto rows = JcpdsImportRows(table, 1.540562);
    EXPECT_EQ(rows, (std::vector<std::string>{"(1 1 1)=28.442", "(4 0 0)=69.130"}));
    AddJcpdsMaterial(ini, "Si", rows);
    AddJcpdsMaterial(ini, "Si", {"(1 1 1)=28.000"});
    EXPECT_EQ(LoadMaterialList(ini), (std::vector<std::string>{"Si", "Si poly"}));
    EXPECT_EQ(Rows(ReadMaterial(ini, "Si poly")), "Si(1 1 1): 28.000=28|Si(4 0 0): 69.130=69.13|");
    EXPECT_THROW(AddJcpdsMaterial(ini, "  ", rows), TrevascError);
    // an unwritable target leaves the database as it was
    EXPECT_THROW(AddJcpdsMaterial(dir.File("no/such/folder/substrates.ini"), "X", rows),
                 TrevascError);
    EXPECT_EQ(LoadMaterialList(ini).size(), 2u);

    const auto shown = ClipboardMaterialReflections(table, 1.540562);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].Name, "Silicon(1 1 1)");
    EXPECT_NEAR(shown[0].Position, 28.4418, 1e-3);
}

TEST(SubstrateDatabase, JcpdsImportRefusesNamesThatWouldRewriteTheDatabase) {
    test::TempDir dir;
    const std::string original = "[Si]\nLATTICE=5.43102\nSi (111)=28.441\n[GaN]\nGaN (002)=34.56\n";
    const std::string ini = dir.Write("substrates.ini", original);
    const std::vector<std::string> rows = {"(1 1 1)=28.442"};
    for (const std::string name : {
             "X]\n[Si]\nLATTICE=9.99",  // would override another material's lattice
             "Evil] [Si",               // "[Evil] [Si poly]" read back as section "Evil"
             "A=B",                     // the keys split at the "="
             ";Si",                     // every reflection a comment
             "Al\nO",                   // keys named "O(1 1 1)" outside the section
             "Ga[N",
             "Ti\rO",
         }) {
        try {
            AddJcpdsMaterial(ini, name, rows);
            ADD_FAILURE() << "accepted " << name;
        } catch (const TrevascError& e) {
            EXPECT_NE(std::string(e.what()).find("must not hold"), std::string::npos) << e.what();
        }
        EXPECT_EQ(dir.Read("substrates.ini"), original) << name;
    }
    EXPECT_EQ(MaterialNameProblem("Al2O3 (sapphire), c-plane #2"), "");
    // Spaces at the ends of a name are left out rather than lost on the next read.
    AddJcpdsMaterial(ini, "  Ge ", rows);
    EXPECT_EQ(LoadMaterialList(ini), (std::vector<std::string>{"Si", "GaN", "Ge poly"}));
    EXPECT_EQ(ReadMaterial(ini, "Si").Lattice, 5.43102);
}

TEST(SubstrateDatabase, JcpdsImportIntoADatabaseNotReadWholeWritesNothing) {
    test::TempDir dir;
    // 21 materials with a NUL byte in the 8th: the reader sees all of them, none is lost.
    std::string text;
    for (int i = 1; i <= 21; ++i) {
        text += "[M" + std::to_string(i) + "]\nM (111)=" + std::to_string(20 + i) + ".5\n";
        if (i == 8) text += std::string("note=a\0b\n", 9);
    }
    const std::string ini = dir.Write("substrates.ini", text);
    EXPECT_EQ(LoadMaterialList(ini).size(), 21u);
    EXPECT_THROW(AddJcpdsMaterial(ini, "Si", {"(1 1 1)=28.442"}), TrevascError);
    EXPECT_EQ(dir.Read("substrates.ini"), text);

    // A database that is no readable file is not replaced by the new section either.
    std::filesystem::create_directory(dir.File("folder.ini"));
    EXPECT_THROW(AddJcpdsMaterial(dir.File("folder.ini"), "Si", {"(1 1 1)=28.442"}), TrevascError);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder.ini")));
}
