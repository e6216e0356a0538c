#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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

    explicit SelectorFixture(const std::string& config) {
        ini = dir.Write("xray.ini",
                        "[ENERGY]\nMo K-Alpha1=17481.71838\nCu K-Alpha1=8048,869731\nBroken=8O48\n"
                        "Zero=0\nNegative=-8000\n[CONFIG]\n" +
                            config);
    }
    XrayTubeSelectorState Make() {
        XrayTubeSelectorState s(ini, prompts);
        s.Create();
        return s;
    }
    std::string Stored(const std::string& key) {
        return IniFile(ini).ReadString("CONFIG", key, "-");
    }
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
    SelectorFixture f("DEFAULTENERGY=0\n");
    const XrayLineTable table(f.ini);
    EXPECT_EQ(table.Names(), (std::vector<std::string>{"Mo K-Alpha1", "Cu K-Alpha1", "Broken",
                                                       "Zero", "Negative"}));
    EXPECT_EQ((std::vector<double>{table.Energy("Cu K-Alpha1"), table.Energy("Cu K-Alpha1", ','),
                                   table.Energy("not there")}),
              (std::vector<double>{8048.869731, 8048.869731, 8000.0}));
    EXPECT_EQ(MessageOf([&] { table.Energy("Broken"); }),
              "'8O48' ist kein gültiger Gleitkommawert");
    // Every damaged entry is named with its stored text, for reports outside the selectors.
    for (const auto& [line, value] : std::map<std::string, std::string>{
             {"Broken", "8O48"}, {"Zero", "0"}, {"Negative", "-8000"}}) {
        try {
            table.Energy(line);
            ADD_FAILURE() << line << " was read as an energy";
        } catch (const XrayLineEnergyError& e) {
            EXPECT_EQ(e.Line() + "=" + e.Value(), line + "=" + value);
        }
    }
    EXPECT_TRUE(XrayLineTable(f.dir.File("missing.ini")).Names().empty());
}

TEST(XrayTubeSelector, StoredIndexSelectionAndTypedValues) {
    SelectorFixture f("DEFAULTENERGY=1\n");
    auto s = f.Make();
    EXPECT_EQ(s.SelectedIndex(), 1);
    EXPECT_EQ(s.EnergyText() + " " + s.WavelengthText(), "8048.869731 1.54056");
    EXPECT_DOUBLE_EQ(s.Wavelength(), 1.54056);  // the displayed value is what calculations use
    // A typed energy clears the selection and is stored as -1.
    s.OnEnergyTextEdited("8000");
    EXPECT_EQ(std::pair(s.SelectedIndex(), s.WavelengthText()),
              std::pair(-1, std::string("1.54997")));
    s.SaveDefaultEnergy();
    EXPECT_EQ(f.Stored("DEFAULTENERGY"), "-1");
    EXPECT_EQ(XrayLineTable(f.ini).Names().size(), 5u);  // the table survives the write
    // A typed wavelength stays as typed; the energy follows.
    s.OnSelectionChanged(0);
    s.OnWavelengthTextEdited("1,54056");
    EXPECT_EQ(s.EnergyText() + " " + s.WavelengthText(), "8048.88018 1,54056");
    EXPECT_TRUE(s.SelectedIndex() == -1 && !s.Updating() && f.errors.empty());

    // -1 without a stored typed value (an older xray.ini), an index past the list, or a stored
    // typed text that is no number or 0: no selection, the initial energy and its wavelength
    // (12399.78285 / 8000 = 1.549973), without a message. A typed value beside a selected line
    // is ignored.
    for (const char* config :
         {"DEFAULTENERGY=-1\n", "DEFAULTENERGY=9\n", "DEFAULTENERGY=-1\nTYPEDENERGY=8O00\n",
          "DEFAULTENERGY=-1\nTYPEDWAVELENGTH=0\n", "DEFAULTENERGY=1\nTYPEDENERGY=9000\n"}) {
        SelectorFixture g(config);
        auto t = g.Make();
        const bool line = t.SelectedIndex() == 1;
        EXPECT_EQ(t.EnergyText() + " " + t.WavelengthText(),
                  line ? "8048.869731 1.54056" : "8000 1.54997")
            << config;
        EXPECT_FALSE(t.TypedValue()) << config;
        EXPECT_TRUE(g.errors.empty()) << config;
    }
    // No table: the same initial values, and nothing is written.
    test::TempDir dir;
    test::ScriptedPrompts quiet;
    XrayTubeSelectorState none(dir.File("xray.ini"), quiet);
    none.Create();
    EXPECT_TRUE(none.Names().empty());
    EXPECT_EQ(std::pair(none.Energy(), none.Wavelength()), std::pair(8000.0, 1.54997));
    none.SaveDefaultEnergy();
    EXPECT_FALSE(std::filesystem::exists(dir.File("xray.ini")));
}

TEST(XrayTubeSelector, TypedValueComesBackAtTheNextStartWithBothFieldsAgreeing) {
    constexpr double kEnergyTimesWavelength = 12399.78285;  // eV * A, the stored constants
    // A typed energy: the next selector shows it and the wavelength that belongs to it, and
    // keeps it again at the following exit, though nothing was typed in that run.
    SelectorFixture e("DEFAULTENERGY=1\n");
    auto s = e.Make();
    s.OnEnergyTextEdited("17479,3");
    s.SaveDefaultEnergy();
    EXPECT_EQ(e.Stored("TYPEDENERGY"), "17479.3");
    auto next = e.Make();
    EXPECT_EQ(std::pair(next.SelectedIndex(), next.EnergyText()),
              std::pair(-1, std::string("17479.3")));
    EXPECT_NEAR(next.Wavelength(), kEnergyTimesWavelength / 17479.3, 5e-7);
    EXPECT_EQ(next.WavelengthText(), s.WavelengthText());
    next.SaveDefaultEnergy();
    EXPECT_EQ(e.Stored("TYPEDENERGY"), "17479.3");
    EXPECT_TRUE(e.errors.empty());

    // A typed wavelength stays as typed (more digits than the field writes); the energy follows.
    // Only the field typed into last is stored.
    SelectorFixture w("DEFAULTENERGY=0\n");
    s = w.Make();
    s.OnEnergyTextEdited("9000");
    s.OnWavelengthTextEdited("1.5405929");
    s.SaveDefaultEnergy();
    EXPECT_EQ(w.Stored("TYPEDENERGY") + " " + w.Stored("TYPEDWAVELENGTH"), "- 1.5405929");
    next = w.Make();
    EXPECT_EQ(std::pair(next.WavelengthText(), next.Wavelength()),
              std::pair(std::string("1.5405929"), 1.5405929));
    EXPECT_NEAR(next.Energy(), kEnergyTimesWavelength / 1.5405929, 1e-4);

    // A line chosen after typing: the line comes back and the typed keys are gone.
    SelectorFixture l("DEFAULTENERGY=0\n");
    s = l.Make();
    s.OnEnergyTextEdited("9000");
    s.OnSelectionChanged(1);
    EXPECT_FALSE(s.TypedValue());
    s.SaveDefaultEnergy();
    EXPECT_EQ(l.Stored("DEFAULTENERGY") + " " + l.Stored("TYPEDENERGY"), "1 -");
    next = l.Make();
    EXPECT_EQ(next.SelectedIndex(), 1);
    EXPECT_EQ(next.EnergyText() + " " + next.WavelengthText(), "8048.869731 1.54056");
}

TEST(XrayTubeSelector, FailedConversionsAreReportedAndLeaveTheOtherField) {
    SelectorFixture f("DEFAULTENERGY=1\n");
    auto s = f.Make();
    s.OnEnergyTextEdited("");  // an empty field reads as 0
    EXPECT_EQ(f.errors, std::vector<std::string>{"Gleitkommadivision durch Null"});
    EXPECT_EQ(std::pair(s.WavelengthText(), s.SelectedIndex()),
              std::pair(std::string("1.54056"), -1));
    s.OnWavelengthTextEdited("0");
    EXPECT_EQ(std::pair(f.errors.size(), s.EnergyText()), std::pair(size_t{2}, std::string()));

    s.OnEnergyTextEdited("8000");
    // Stored values that are no number, 0, or negative: reported, not clamped into the fields.
    for (const auto& [index, message] :
         std::vector<std::pair<int, std::string>>{{2, "'8O48' ist kein gültiger Gleitkommawert"},
                                                  {3, "Gleitkommadivision durch Null"},
                                                  {4, "'-8000' is no photon energy above 0 eV"}}) {
        s.OnSelectionChanged(index);
        EXPECT_EQ(f.errors.back(), message);
    }
    EXPECT_EQ(s.EnergyText() + " " + s.WavelengthText(), "8000 1.54997");
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
    EXPECT_TRUE(names.front() == "Cu K-Alpha1" && table.DefaultEnergyIndex() == 0);
    for (const auto& name : names) {
        ASSERT_TRUE(accepted.count(name)) << name;
        EXPECT_NEAR(EnergyToWavelength(table.Energy(name)), accepted.at(name), 5e-7) << name;
    }
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

}  // namespace

// Every reflection of a cubic section sits at 2 arcsin(lambda / (2 a / |hkl|)), both sapphire
// sections use one hexagonal cell (1/d^2 = 4/3 (h^2 + hk + k^2) / a^2 + l^2 / c^2), and the
// powder lists hold every allowed reflection up to 150 degrees, each once.
TEST(DefinitionFiles, SubstrateReflectionsFollowFromTheirCells) {
    const IniFile db(std::string(TREVASC_SOURCE_DIR) + "/data/Substrates.DEF");
    const auto value = [&](const std::string& m, const std::string& key) {
        return ParseFloat(db.ReadString(m, key, "0"));
    };
    const auto bragg = [](double d) { return 2.0 * std::asin(kCuKAlpha1 / (2.0 * d)) * 180 / kPi; };
    // Reflection conditions: F lattice (zinc blende, fluorite): h, k, l all odd or all even;
    // diamond (Fd-3m, atoms on 8a): besides, all even only with h + k + l = 4n; spinel (Fd-3m,
    // general conditions): besides F, 0kl only with k + l = 4n; simple cubic: all.
    using TRule = std::function<bool(int, int, int)>;
    const TRule f = [](int h, int k, int l) { return (h % 2 == k % 2) && (k % 2 == l % 2); };
    const TRule diamond = [&](int h, int k, int l) {
        return f(h, k, l) && (h % 2 == 1 || (h + k + l) % 4 == 0);
    };
    const TRule spinel = [&](int h, int k, int l) {
        return f(h, k, l) && ((h != 0 && k != 0 && l != 0) || (h + k + l) % 4 == 0);
    };
    const std::map<std::string, TRule> powders = {
        {"InP", f},
        {"YSZ", f},
        {"MgAl2O4", spinel},
        {"Si powder (SRM 640e)", diamond},
        {"LaB6 powder (SRM 660c)", [](int, int, int) { return true; }}};
    const std::set<std::string> otherCells = {"GaN",          "ZnO",           "NdGaO3 (110)",
                                              "DyScO3 (110)", "TiO2 (rutile)", "SiO2 (quartz)"};
    const auto sections = db.Sections();
    EXPECT_GE(sections.size(), 20u);
    for (const char* m : {"Si", "Ge", "GaAs", "SrTiO3", "Al2O3 (sapphire)", "MgO", "LaAlO3"})
        EXPECT_NE(std::find(sections.begin(), sections.end(), m), sections.end()) << m;
    int checked = 0;
    for (const std::string& m : sections) {
        if (otherCells.count(m)) continue;
        SCOPED_TRACE(m);
        const bool sapphire = m.rfind("Al2O3", 0) == 0;
        const double a = sapphire ? 4.7588 : value(m, "LATTICE"), c = 12.991;
        const auto powder = powders.find(m);
        std::set<int> listed;
        for (const std::string& key : db.Keys(m)) {
            if (key == "LATTICE" || key == "ALLOWED") continue;
            const std::vector<int> i = IndicesOf(key);
            ASSERT_EQ(i.size(), 3u) << key;
            const int n = i[0] * i[0] + i[1] * i[1] + i[2] * i[2];
            const double d =
                sapphire
                    ? 1 / std::sqrt(4.0 / 3 * (i[0] * i[0] + i[0] * i[1] + i[1] * i[1]) / (a * a) +
                                    i[2] * i[2] / (c * c))
                    : a / std::sqrt(double(n));
            // The powder lists to the 3 decimals shown.
            EXPECT_NEAR(value(m, key), bragg(d), powder == powders.end() ? 0.0006 : 0.00051) << key;
            ++checked;
            if (powder == powders.end()) continue;
            EXPECT_TRUE(powder->second(i[0], i[1], i[2])) << key;
            EXPECT_TRUE(listed.insert(n).second) << key << " twice";
        }
        if (powder == powders.end()) continue;
        std::set<int> allowed;  // h^2 + k^2 + l^2 of every allowed reflection up to 150 degrees
        for (int h = 0; h <= 15; ++h)
            for (int k = 0; k <= h; ++k)
                for (int l = 0; l <= k; ++l)
                    if (const int n = h * h + k * k + l * l;
                        n > 0 && powder->second(h, k, l) &&
                        kCuKAlpha1 * std::sqrt(n) / (2 * a) <= std::sin(75.0 * kPi / 180.0))
                        allowed.insert(n);
        EXPECT_EQ(listed, allowed);
    }
    EXPECT_GT(checked, 190);
    // Worked by hand: Si (111), d = 5.431179 / sqrt(3) = 3.135693, sin = 0.245649: 28.440°;
    // MgAl2O4 (440), d = 8.0832 / sqrt(32) = 1.428921: 65.240°; InP (444), d = 0.847074,
    // sin = 0.909343: 130.830°; sapphire (1-102): 1/d^2 = 4/3 / 4.7588^2 + 4 / 12.991^2 =
    // 0.0588768 + 0.0237014, d = 3.47990: 25.577°. A spinel line that the diamond rule would
    // forbid: MgAl2O4 (222).
    const std::vector<std::array<std::string, 3>> byHand = {
        {"Si powder (SRM 640e)", "Si (111)", "28.440"},
        {"MgAl2O4", "MgAl2O4 (440)", "65.240"},
        {"InP", "InP (444)", "130.830"},
        {"Si", "Si (004)", "69.127"},
        {"Al2O3 r-plane", "LATTICE", "3.4799"},
        {"Al2O3 r-plane", "Al2O3 (1-102)", "25.577"},
        {"Al2O3 (sapphire)", "Al2O3 (1-102)", "25.577"},
        {"Si powder (SRM 640e)", "Si (222)", ""}};
    for (const auto& [section, key, text] : byHand)
        EXPECT_EQ(db.ReadString(section, key, ""), text) << key;
    EXPECT_NE(db.ReadString("MgAl2O4", "MgAl2O4 (222)", ""), "");
}
