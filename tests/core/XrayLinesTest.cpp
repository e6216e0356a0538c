#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/Error.h"
#include "base/IniFile.h"
#include "base/NumberText.h"
#include "core/FloatEditValue.h"
#include "core/XrayLines.h"
#include "core/XrayTubeSelectorState.h"
#include "support/ScriptedPrompts.h"
#include "support/TempDir.h"

using namespace trevasc;

namespace {

constexpr double kCuKAlpha1 = 1.540562;  // A

struct SelectorFixture {
    test::TempDir dir;
    std::string ini;
    test::ScriptedPrompts prompts;
    std::vector<std::string>& errors = prompts.Errors;

    explicit SelectorFixture(const std::string& defaultEnergy) {
        ini = dir.Write("xray.ini",
                        "[ENERGY]\nMo K-Alpha1=17481.71838\nCu K-Alpha1=8048,869731\n"
                        "Broken=8O48\nZero=0\nNegative=-8000\n[CONFIG]\nDEFAULTENERGY=" +
                            defaultEnergy + "\n");
    }
    XrayTubeSelectorState Make() { return XrayTubeSelectorState(ini, prompts); }
};

std::string MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const TrevascError& e) {
        return e.what();
    }
    return "";
}

}  // namespace

TEST(XrayLines, EnergyWavelengthReferenceValuesAndTheirFields) {
    const auto energyField = XrayTubeSelectorState::EnergyField();
    const auto wavelengthField = XrayTubeSelectorState::WavelengthField();
    EXPECT_EQ(wavelengthField.TextOf(EnergyToWavelength(8000.0)), "1.54997");
    EXPECT_EQ(energyField.TextOf(WavelengthToEnergy(1.54056)), "8048.88018");
    EXPECT_NEAR(EnergyToWavelength(1.0), 12399.78285, 1e-5);  // the stored constants' product
    // A field's text reads as a clamped number, an unreadable one as the minimum.
    const std::pair<const char*, double> values[] = {{"1,5", 1.5}, {" 1.5 ", 1.5}, {"", 0},
                                                     {"nan", 0},   {"5000", 1000}, {"-3", 0}};
    for (const auto& [text, value] : values)
        EXPECT_EQ(wavelengthField.ValueOf(text), value) << text;
    EXPECT_EQ(wavelengthField.TextOf(1.549973, ','), "1,54997");
    EXPECT_EQ(TFloatEditValue(-100, 100, 6).ValueOf("x"), -100.0);
    EXPECT_EQ(MessageOf([] { EnergyToWavelength(0.0); }), "Gleitkommadivision durch Null");
    EXPECT_THROW(WavelengthToEnergy(0.0), TrevascError);
}

TEST(XrayLineTable, NamesInFileOrderAndEnergiesWithEitherDecimalMark) {
    SelectorFixture f("0");
    const XrayLineTable table(f.ini);
    EXPECT_EQ(table.Names(), (std::vector<std::string>{"Mo K-Alpha1", "Cu K-Alpha1", "Broken",
                                                       "Zero", "Negative"}));
    EXPECT_DOUBLE_EQ(table.Energy("Cu K-Alpha1"), 8048.869731);
    EXPECT_DOUBLE_EQ(table.Energy("Cu K-Alpha1", ','), 8048.869731);
    EXPECT_DOUBLE_EQ(table.Energy("not there"), 8000.0);
    EXPECT_EQ(MessageOf([&] { table.Energy("Broken"); }),
              "'8O48' ist kein gültiger Gleitkommawert");
    // Every damaged entry is named with its stored text, for reports outside the selectors.
    for (const auto& [line, value] : std::vector<std::pair<std::string, std::string>>{
             {"Broken", "8O48"}, {"Zero", "0"}, {"Negative", "-8000"}}) {
        try {
            table.Energy(line);
            ADD_FAILURE() << line << " was read as an energy";
        } catch (const XrayLineEnergyError& e) {
            EXPECT_EQ(e.Line(), line);
            EXPECT_EQ(e.Value(), value);
        }
    }
    EXPECT_TRUE(XrayLineTable(f.dir.File("missing.ini")).Names().empty());
}

TEST(XrayTubeSelector, StoredIndexSelectionAndTypedValues) {
    SelectorFixture f("1");
    auto s = f.Make();
    s.Create();
    EXPECT_EQ(s.SelectedIndex(), 1);
    EXPECT_EQ(s.EnergyText(), "8048.869731");
    EXPECT_EQ(s.WavelengthText(), "1.54056");
    EXPECT_DOUBLE_EQ(s.Wavelength(), 1.54056);  // the displayed value is what calculations use
    // A typed energy clears the selection and is stored as -1.
    s.OnEnergyTextEdited("8000");
    EXPECT_EQ(s.SelectedIndex(), -1);
    EXPECT_EQ(s.WavelengthText(), "1.54997");
    s.SaveDefaultEnergy();
    EXPECT_EQ(IniFile(f.ini).ReadInteger("CONFIG", "DEFAULTENERGY", 99), -1);
    EXPECT_EQ(XrayLineTable(f.ini).Names().size(), 5u);  // the table survives the write
    // A typed wavelength stays as typed; the energy follows.
    s.OnSelectionChanged(0);
    s.OnWavelengthTextEdited("1,54056");
    EXPECT_EQ(s.WavelengthText(), "1,54056");
    EXPECT_EQ(s.EnergyText(), "8048.88018");
    EXPECT_EQ(s.SelectedIndex(), -1);
    EXPECT_FALSE(s.Updating());
    EXPECT_TRUE(f.errors.empty());

    // -1 without a stored typed value (an older xray.ini) and an index past the list: no
    // selection, the initial energy and its wavelength (12399.78285 / 8000 = 1.549973).
    for (const char* stored : {"-1", "9"}) {
        SelectorFixture g(stored);
        auto t = g.Make();
        t.Create();
        EXPECT_EQ(t.SelectedIndex(), -1);
        EXPECT_EQ(t.EnergyText(), "8000");
        EXPECT_EQ(t.WavelengthText(), "1.54997");
        EXPECT_FALSE(t.TypedValue());
        EXPECT_TRUE(g.errors.empty());
    }
    // No table: the same initial values, and nothing is written.
    test::TempDir dir;
    test::ScriptedPrompts quiet;
    XrayTubeSelectorState none(dir.File("xray.ini"), quiet);
    none.Create();
    EXPECT_TRUE(none.Names().empty());
    EXPECT_DOUBLE_EQ(none.Energy(), 8000.0);
    EXPECT_DOUBLE_EQ(none.Wavelength(), 1.54997);
    none.SaveDefaultEnergy();
    EXPECT_FALSE(std::filesystem::exists(dir.File("xray.ini")));
}

TEST(XrayTubeSelector, TypedValueComesBackAtTheNextStartWithBothFieldsAgreeing) {
    constexpr double kEnergyTimesWavelength = 12399.78285;  // eV * A, the stored constants
    // A typed energy: the next selector shows it and the wavelength that belongs to it.
    {
        SelectorFixture f("1");
        auto s = f.Make();
        s.Create();
        s.OnEnergyTextEdited("17479,3");
        s.SaveDefaultEnergy();
        EXPECT_EQ(IniFile(f.ini).ReadString("CONFIG", "TYPEDENERGY", ""), "17479.3");
        auto next = f.Make();
        next.Create();
        EXPECT_EQ(next.SelectedIndex(), -1);
        EXPECT_EQ(next.EnergyText(), "17479.3");
        EXPECT_NEAR(next.Wavelength(), kEnergyTimesWavelength / 17479.3, 5e-7);
        EXPECT_EQ(next.WavelengthText(), s.WavelengthText());
        // Kept again at the following exit, though nothing was typed in this run.
        next.SaveDefaultEnergy();
        EXPECT_EQ(IniFile(f.ini).ReadString("CONFIG", "TYPEDENERGY", ""), "17479.3");
        EXPECT_TRUE(f.errors.empty());
    }
    // A typed wavelength stays as typed (more digits than the field writes); the energy follows.
    {
        SelectorFixture f("0");
        auto s = f.Make();
        s.Create();
        s.OnEnergyTextEdited("9000");
        s.OnWavelengthTextEdited("1.5405929");
        s.SaveDefaultEnergy();
        IniFile ini(f.ini);
        EXPECT_FALSE(ini.HasKey("CONFIG", "TYPEDENERGY"));  // only the field typed into last
        EXPECT_EQ(ini.ReadString("CONFIG", "TYPEDWAVELENGTH", ""), "1.5405929");
        auto next = f.Make();
        next.Create();
        EXPECT_EQ(next.WavelengthText(), "1.5405929");
        EXPECT_DOUBLE_EQ(next.Wavelength(), 1.5405929);
        EXPECT_NEAR(next.Energy(), kEnergyTimesWavelength / 1.5405929, 1e-4);
    }
    // A line chosen after typing: the line comes back and the typed keys are gone.
    {
        SelectorFixture f("0");
        auto s = f.Make();
        s.Create();
        s.OnEnergyTextEdited("9000");
        s.OnSelectionChanged(1);
        EXPECT_FALSE(s.TypedValue());
        s.SaveDefaultEnergy();
        const IniFile ini(f.ini);
        EXPECT_EQ(ini.ReadInteger("CONFIG", "DEFAULTENERGY", 99), 1);
        EXPECT_FALSE(ini.HasKey("CONFIG", "TYPEDENERGY"));
        auto next = f.Make();
        next.Create();
        EXPECT_EQ(next.SelectedIndex(), 1);
        EXPECT_EQ(next.EnergyText(), "8048.869731");
        EXPECT_EQ(next.WavelengthText(), "1.54056");
    }
    // Hand edits: a stored text that is no number, or 0, is passed over without a message; a
    // typed value beside a selected line is ignored.
    for (const char* config :
         {"DEFAULTENERGY=-1\nTYPEDENERGY=8O00\n", "DEFAULTENERGY=-1\nTYPEDWAVELENGTH=0\n",
          "DEFAULTENERGY=1\nTYPEDENERGY=9000\n"}) {
        test::TempDir dir;
        test::ScriptedPrompts prompts;
        const std::string ini =
            dir.Write("xray.ini", std::string("[ENERGY]\nMo=17481.71838\nCu=8048.869731\n"
                                              "[CONFIG]\n") +
                                      config);
        XrayTubeSelectorState s(ini, prompts);
        s.Create();
        const bool line = s.SelectedIndex() == 1;
        EXPECT_EQ(s.EnergyText(), line ? "8048.869731" : "8000") << config;
        EXPECT_EQ(s.WavelengthText(), line ? "1.54056" : "1.54997") << config;
        EXPECT_TRUE(prompts.Errors.empty()) << config;
    }
}

TEST(XrayTubeSelector, FailedConversionsAreReportedAndLeaveTheOtherField) {
    SelectorFixture f("1");
    auto s = f.Make();
    s.Create();
    s.OnEnergyTextEdited("");  // an empty field reads as 0
    EXPECT_EQ(f.errors, std::vector<std::string>{"Gleitkommadivision durch Null"});
    EXPECT_EQ(s.WavelengthText(), "1.54056");
    EXPECT_EQ(s.SelectedIndex(), -1);
    s.OnWavelengthTextEdited("0");
    EXPECT_EQ(f.errors.size(), 2u);
    EXPECT_EQ(s.EnergyText(), "");

    s.OnEnergyTextEdited("8000");
    s.OnSelectionChanged(2);  // stored value is no number
    EXPECT_EQ(f.errors.back(), "'8O48' ist kein gültiger Gleitkommawert");
    s.OnSelectionChanged(3);  // stored energy 0
    EXPECT_EQ(f.errors.back(), "Gleitkommadivision durch Null");
    s.OnSelectionChanged(4);  // stored negative energy: reported, not clamped into the fields
    EXPECT_EQ(f.errors.back(), "'-8000' is no photon energy above 0 eV");
    EXPECT_EQ(s.EnergyText(), "8000");
    EXPECT_EQ(s.WavelengthText(), "1.54997");
    EXPECT_FALSE(s.Updating());
    s.OnEnergyTextEdited("17481.71838");  // typed edits behave as usual afterwards
    EXPECT_EQ(s.WavelengthText(), "0.7093");
}

TEST(DefinitionFiles, XrayLinesGiveTheAcceptedWavelengths) {
    const XrayLineTable table(std::string(TREVASC_SOURCE_DIR) + "/data/XRAY.DEF");
    const std::map<std::string, double> accepted = {
        {"Cu K-Alpha1", 1.540562}, {"Cu K-Alpha2", 1.544390}, {"Cu K-Beta", 1.392218},
        {"Co K-Alpha1", 1.788965}, {"Co K-Alpha2", 1.792850}, {"Co K-Beta", 1.620790},
        {"Cr K-Alpha1", 2.289700}, {"Cr K-Alpha2", 2.293606}, {"Cr K-Beta", 2.084870},
        {"Fe K-Alpha1", 1.936042}, {"Fe K-Alpha2", 1.939980}, {"Fe K-Beta", 1.756610},
        {"Mo K-Alpha1", 0.709300}, {"Mo K-Alpha2", 0.713590}, {"Mo K-Beta", 0.632288},
        {"Ag K-Alpha1", 0.559421}, {"Ag K-Alpha2", 0.563813}, {"Ag K-Beta", 0.497082}};
    const auto names = table.Names();
    ASSERT_EQ(names.size(), accepted.size());
    EXPECT_EQ(names.front(), "Cu K-Alpha1");
    EXPECT_EQ(table.DefaultEnergyIndex(), 0);
    for (const auto& name : names) {
        ASSERT_TRUE(accepted.count(name)) << name;
        EXPECT_NEAR(EnergyToWavelength(table.Energy(name)), accepted.at(name), 5e-7) << name;
    }
}

TEST(DefinitionFiles, SubstrateReflectionsFollowFromTheLatticeConstants) {
    const IniFile db(std::string(TREVASC_SOURCE_DIR) + "/data/Substrates.DEF");
    const auto sections = db.Sections();
    const auto value = [&](const std::string& m, const std::string& key) {
        return ParseFloat(db.ReadString(m, key, "0"));
    };
    for (const char* m : {"Si", "Ge", "GaAs", "SrTiO3", "Al2O3 (sapphire)", "MgO", "LaAlO3"})
        EXPECT_NE(std::find(sections.begin(), sections.end(), m), sections.end()) << m;
    EXPECT_NEAR(value("Si", "Si (004)"), 69.13, 0.01);
    EXPECT_NEAR(value("Al2O3 (sapphire)", "Al2O3 (0006)"), *BraggTwoTheta(12.991 / 6, kCuKAlpha1),
                0.001);

    // Cubic materials: every reflection "(hkl)" sits at 2 arcsin(lambda / (2 a / |hkl|)).
    int checked = 0;
    // Hexagonal, tetragonal and orthorhombic sections (their LATTICE is not a cubic a).
    const std::set<std::string> nonCubic = {
        "Al2O3 (sapphire)", "Al2O3 r-plane", "GaN",           "ZnO",
        "NdGaO3 (110)",     "DyScO3 (110)",  "TiO2 (rutile)", "SiO2 (quartz)"};
    EXPECT_GE(sections.size(), 20u);
    for (const std::string& m : sections) {
        if (nonCubic.count(m)) continue;
        const double a = value(m, "LATTICE");
        for (const std::string& key : db.Keys(m)) {
            if (key == "LATTICE" || key == "ALLOWED") continue;
            const size_t open = key.find('(');
            ASSERT_NE(open, std::string::npos) << key;
            const int h = key[open + 1] - '0', k = key[open + 2] - '0', l = key[open + 3] - '0';
            EXPECT_NEAR(value(m, key),
                        *BraggTwoTheta(a / std::sqrt(double(h * h + k * k + l * l)), kCuKAlpha1),
                        0.0006)
                << m << " " << key;
            ++checked;
        }
    }
    EXPECT_GT(checked, 100);
}

namespace {

// Miller indices of a key "Name (hkl)" or "Name (h k i l)": one digit per index unless blanks
// separate them; a minus sign belongs to the index after it. Of four indices the third
// (i = -h - k) is dropped.
std::vector<int> IndicesOf(const std::string& key) {
    const size_t open = key.find('('), close = key.find(')');
    if (open == std::string::npos || close == std::string::npos) return {};
    const std::string inner = key.substr(open + 1, close - open - 1);
    std::vector<int> indices;
    if (inner.find(' ') != std::string::npos) {
        for (size_t pos = 0; pos < inner.size();) {
            const size_t blank = std::min(inner.find(' ', pos), inner.size());
            indices.push_back(std::stoi(inner.substr(pos, blank - pos)));
            pos = blank + 1;
        }
    } else {
        for (size_t i = 0; i < inner.size(); ++i) {
            const bool minus = inner[i] == '-';
            if (minus) ++i;
            indices.push_back((minus ? -1 : 1) * (inner[i] - '0'));
        }
    }
    if (indices.size() == 4) indices.erase(indices.begin() + 2);
    return indices;
}

// 1/d^2 of the hexagonal cell: 4/3 (h^2 + hk + k^2) / a^2 + l^2 / c^2.
double HexagonalSpacing(double a, double c, int h, int k, int l) {
    return 1.0 / std::sqrt(4.0 / 3.0 * (h * h + h * k + k * k) / (a * a) + l * l / (c * c));
}

}  // namespace

TEST(DefinitionFiles, PowderListsHoldEveryAllowedReflectionUpTo150Degrees) {
    const IniFile db(std::string(TREVASC_SOURCE_DIR) + "/data/Substrates.DEF");
    // Reflection conditions: F lattice (zinc blende, fluorite): h, k, l all odd or all even;
    // diamond (Fd-3m, atoms on 8a): besides, all even only with h + k + l = 4n; spinel (Fd-3m,
    // general conditions): besides F, 0kl only with k + l = 4n; simple cubic: all.
    const auto f = [](int h, int k, int l) { return (h % 2 == k % 2) && (k % 2 == l % 2); };
    const auto diamond = [&](int h, int k, int l) {
        return f(h, k, l) && (h % 2 == 1 || (h + k + l) % 4 == 0);
    };
    const auto spinel = [&](int h, int k, int l) {
        return f(h, k, l) && ((h != 0 && k != 0 && l != 0) || (h + k + l) % 4 == 0);
    };
    const auto all = [](int, int, int) { return true; };
    struct Powder {
        std::string Section;
        double A;
        std::function<bool(int, int, int)> Allowed;
    };
    const std::vector<Powder> powders = {{"InP", 5.8687, f},
                                         {"YSZ", 5.139, f},
                                         {"MgAl2O4", 8.0832, spinel},
                                         {"Si powder (SRM 640e)", 5.431179, diamond},
                                         {"LaB6 powder (SRM 660c)", 4.156826, all}};
    for (const Powder& p : powders) {
        SCOPED_TRACE(p.Section);
        EXPECT_EQ(ParseFloat(db.ReadString(p.Section, "LATTICE", "0")), p.A);
        // h^2 + k^2 + l^2 of every allowed reflection up to 150° (2Theta)...
        std::set<int> expected;
        for (int h = 0; h <= 15; ++h)
            for (int k = 0; k <= h; ++k)
                for (int l = 0; l <= k; ++l) {
                    const int n = h * h + k * k + l * l;
                    if (n == 0 || !p.Allowed(h, k, l)) continue;
                    const double s = kCuKAlpha1 / (2.0 * p.A / std::sqrt(double(n)));
                    if (s <= std::sin(75.0 * kPi / 180.0)) expected.insert(n);
                }
        // ...each listed once, at 2 arcsin(lambda / (2 a / sqrt(n))) to the 3 decimals shown.
        std::set<int> listed;
        for (const std::string& key : db.Keys(p.Section)) {
            if (key == "LATTICE" || key == "ALLOWED") continue;
            const std::vector<int> hkl = IndicesOf(key);
            ASSERT_EQ(hkl.size(), 3u) << key;
            EXPECT_TRUE(p.Allowed(hkl[0], hkl[1], hkl[2])) << key;
            const int n = hkl[0] * hkl[0] + hkl[1] * hkl[1] + hkl[2] * hkl[2];
            EXPECT_TRUE(listed.insert(n).second) << key << " twice";
            const double d = p.A / std::sqrt(double(n));
            const double twoTheta = 2.0 * std::asin(kCuKAlpha1 / (2.0 * d)) * 180.0 / kPi;
            EXPECT_NEAR(ParseFloat(db.ReadString(p.Section, key, "0")), twoTheta, 0.00051) << key;
        }
        EXPECT_EQ(listed, expected);
    }
    // Positions worked by hand: Si (111), d = 5.431179 / sqrt(3) = 3.135693, sin = 0.245649:
    // 28.440°; LaB6 (100), sin = 1.540562 / 8.313652 = 0.185305: 21.358°; MgAl2O4 (440),
    // d = 8.0832 / sqrt(32) = 1.428921: 65.240°; InP (444), d = 0.847074, sin = 0.909343: 130.830°;
    // Si (620), d = 0.858745, sin = 0.896985: 127.529°. A spinel line that the diamond rule would
    // forbid: MgAl2O4 (222).
    EXPECT_EQ(db.ReadString("Si powder (SRM 640e)", "Si (111)", ""), "28.440");
    EXPECT_EQ(db.ReadString("LaB6 powder (SRM 660c)", "LaB6 (100)", ""), "21.358");
    EXPECT_EQ(db.ReadString("MgAl2O4", "MgAl2O4 (440)", ""), "65.240");
    EXPECT_EQ(db.ReadString("InP", "InP (444)", ""), "130.830");
    EXPECT_EQ(db.ReadString("Si powder (SRM 640e)", "Si (620)", ""), "127.529");
    EXPECT_NE(db.ReadString("MgAl2O4", "MgAl2O4 (222)", ""), "");
    EXPECT_EQ(db.ReadString("Si powder (SRM 640e)", "Si (222)", ""), "");
}

TEST(DefinitionFiles, BothSapphireSectionsUseOneCell) {
    const IniFile db(std::string(TREVASC_SOURCE_DIR) + "/data/Substrates.DEF");
    const double a = 4.7588, c = 12.991;
    int checked = 0;
    for (const char* section : {"Al2O3 (sapphire)", "Al2O3 r-plane"}) {
        for (const std::string& key : db.Keys(section)) {
            if (key == "LATTICE" || key == "ALLOWED") continue;
            const std::vector<int> hkl = IndicesOf(key);
            ASSERT_EQ(hkl.size(), 3u) << key;
            const double d = HexagonalSpacing(a, c, hkl[0], hkl[1], hkl[2]);
            const double twoTheta = 2.0 * std::asin(kCuKAlpha1 / (2.0 * d)) * 180.0 / kPi;
            EXPECT_NEAR(ParseFloat(db.ReadString(section, key, "0")), twoTheta, 0.00051)
                << section << " " << key;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 13);
    // (1-102) by hand: 1/d^2 = 4/3 / 4.7588^2 + 4 / 12.991^2 = 0.0588768 + 0.0237014, d = 3.47990.
    EXPECT_EQ(db.ReadString("Al2O3 r-plane", "LATTICE", ""), "3.4799");
    EXPECT_EQ(db.ReadString("Al2O3 r-plane", "Al2O3 (1-102)", ""), "25.577");
    EXPECT_EQ(db.ReadString("Al2O3 (sapphire)", "Al2O3 (1-102)", ""), "25.577");
}
