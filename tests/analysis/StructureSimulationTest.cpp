#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "analysis/StructureSimulation.h"

using namespace trevasc::analysis;

namespace {

constexpr double kCuKa1 = 1.540562;

std::vector<std::string> Texts(const std::vector<TStrucSimPeak>& peaks) {
    std::vector<std::string> t;
    for (const auto& p : peaks) t.push_back(p.Text);
    return t;
}

const TStrucSimPeak* Find(const std::vector<TStrucSimPeak>& peaks, int h, int k, int l) {
    for (const auto& p : peaks)
        if (p.H == h && p.K == k && p.L == l) return &p;
    return nullptr;
}

// The procedure as the tab describes it: exchange sort by d (swap only when the left d is
// strictly smaller), then delete one of the first pair of neighbours closer than 1e-6 and start
// the walk again until a walk deletes nothing.
std::vector<TStrucSimPeak> LiteralSimulation(TCrystalSystem system, const TLatticeParameters& p,
                                             TIndexRange hr, TIndexRange kr, TIndexRange lr,
                                             double wavelength) {
    std::vector<TStrucSimPeak> list;
    for (int h = hr.Min; h <= hr.Max; ++h)
        for (int k = kr.Min; k <= kr.Max; ++k)
            for (int l = lr.Min; l <= lr.Max; ++l) {
                auto d = PlaneSpacing(system, p, h, k, l);
                if (!d || wavelength / (2 * *d) > 1) continue;
                list.push_back({*d, 0.0, "", h, k, l});
            }
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (size_t i = 0; i + 1 < list.size(); ++i)
            if (list[i].D < list[i + 1].D) {
                std::swap(list[i], list[i + 1]);
                swapped = true;
            }
    }
    bool deleted = true;
    while (deleted) {
        deleted = false;
        for (size_t i = 0; i + 1 < list.size(); ++i)
            if (std::fabs(list[i].D - list[i + 1].D) < 1e-6) {
                const bool keepRight = KeepsRightOfEquivalentPair(list[i], list[i + 1]);
                list.erase(list.begin() + static_cast<long>(keepRight ? i : i + 1));
                deleted = true;
                break;
            }
    }
    return list;
}

}  // namespace

TEST(StructureSimulation, CubicIndexRangesKeepTheDocumentedRepresentative) {
    const TLatticeParameters cell;  // a = 4
    auto r = SimulateStructure(TCrystalSystem::Cubic, cell, {0, 1}, {0, 1}, {0, 1}, kCuKa1);
    EXPECT_EQ(Texts(r),
              (std::vector<std::string>{"1 0 0 22.206°", "1 1 0 31.607°", "1 1 1 38.968°"}));
    // Of the six reflections with d = a only the smallest index sum (-1), then the smallest
    // l * 10000 + k * 100 + h survives: 0 0 -1.
    r = SimulateStructure(TCrystalSystem::Cubic, cell, {-1, 1}, {-1, 1}, {-1, 1}, kCuKa1);
    ASSERT_FALSE(r.empty());
    EXPECT_EQ(r[0].Text, "0 0 -1 22.206°");
    EXPECT_EQ(r.size(), 3u);
    EXPECT_EQ(r[1].Text, "0 -1 -1 31.607°");
    EXPECT_EQ(r[2].Text, "-1 -1 -1 38.968°");
}

TEST(StructureSimulation, KnownCrystalsGiveTheirTabulatedPositions) {
    // Si a = 5.43102 A, GaAs a = 5.65325 A, sapphire a = 4.7589 A, c = 12.991 A, GaN a = 3.189 A,
    // c = 5.185 A; positions from Bragg's law evaluated independently of this code (Cu K-alpha1).
    const auto cubic = TCrystalSystem::Cubic, hex = TCrystalSystem::Hexagonal;
    const TLatticeParameters sapphire{4.7589, 4.7589, 12.991}, gan{3.189, 3.189, 5.185};
    const struct {
        TCrystalSystem System;
        TLatticeParameters Cell;
        int H, K, L;
        const char* Label;
        double TwoTheta;
    } cases[] = {
        {cubic, {5.43102}, 1, 1, 1, "1 1 1", 28.441}, {cubic, {5.43102}, 4, 0, 0, "4 0 0", 69.127},
        {cubic, {5.65325}, 4, 0, 0, "4 0 0", 66.052}, {hex, sapphire, 1, 0, 4, "1 -1 0 4", 35.151},
        {hex, sapphire, 0, 0, 6, "0 0 0 6", 41.680},  {hex, sapphire, 1, 1, 0, "1 -2 1 0", 37.776},
        {hex, gan, 0, 0, 2, "0 0 0 2", 34.569}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        auto r = SimulateStructure(c.System, c.Cell, {0, 6}, {0, 6}, {0, 6}, kCuKa1);
        const TStrucSimPeak* p = Find(r, c.H, c.K, c.L);
        ASSERT_NE(p, nullptr);
        EXPECT_NEAR(p->TwoTheta, c.TwoTheta, 0.002);
        EXPECT_EQ(p->Text.substr(0, p->Text.find(' ', std::string(c.Label).size())), c.Label);
    }
}

TEST(StructureSimulation, GeneralFormulasReduceToTheSpecialOnes) {
    using enum TCrystalSystem;
    // triclinic at 90 = orthorhombic, with gamma 120 = hexagonal, with beta = monoclinic;
    // rhombohedral at 90 = cubic; tetragonal with c = a = cubic; rhombohedral = triclinic with
    // equal edges and angles.
    const std::tuple<TCrystalSystem, TLatticeParameters, TCrystalSystem, TLatticeParameters>
        cases[] = {
            {Triclinic, {3, 4, 5, 90, 90, 90}, Orthorhombic, {3, 4, 5}},
            {Triclinic, {3.189, 3.189, 5.185, 90, 90, 120}, Hexagonal, {3.189, 3.189, 5.185}},
            {Triclinic, {5.1, 5.2, 5.3, 90, 99, 90}, Monoclinic, {5.1, 5.2, 5.3, 4, 99, 4}},
            {Rhombohedral, {4.2, 0, 0, 90}, Cubic, {4.2}},
            {Tetragonal, {4.2, 0, 4.2}, Cubic, {4.2}},
            {Rhombohedral,
             {5.128, 0, 0, 55.28},
             Triclinic,
             {5.128, 5.128, 5.128, 55.28, 55.28, 55.28}}};
    for (const auto& [general, generalCell, special, specialCell] : cases) {
        SCOPED_TRACE(static_cast<int>(general));
        int compared = 0;
        for (int h = -3; h <= 3; ++h)
            for (int k = -3; k <= 3; ++k)
                for (int l = -3; l <= 3; ++l) {
                    auto a = PlaneSpacing(general, generalCell, h, k, l);
                    auto b = PlaneSpacing(special, specialCell, h, k, l);
                    ASSERT_EQ(a.has_value(), b.has_value()) << h << k << l;
                    if (!a) continue;
                    EXPECT_NEAR(*a, *b, 1e-9) << h << " " << k << " " << l;
                    ++compared;
                }
        EXPECT_EQ(compared, 7 * 7 * 7 - 1);  // all but (0 0 0)
    }
}

TEST(StructureSimulation, OneWalkGivesTheListOfTheRestartingProcedure) {
    using enum TCrystalSystem;
    // The last: lengths whose d values form chains of nearly equal spacings.
    const std::tuple<TCrystalSystem, TLatticeParameters, TIndexRange> cases[] = {
        {Cubic, {4.05}, {-3, 3}},
        {Tetragonal, {3.9, 0, 7.8}, {-3, 3}},
        {Hexagonal, {4.7589, 0, 12.991}, {-2, 4}},
        {Rhombohedral, {5.128, 0, 0, 55.28}, {-3, 2}},
        {Monoclinic, {5.1, 5.2, 5.3, 0, 99.2}, {-3, 3}},
        {Triclinic, {5, 6, 7, 80, 95, 100}, {-4, 2}},
        {Orthorhombic, {4.0, 4.0000001, 4.0000002}, {-3, 3}}};
    for (const auto& [system, cell, range] : cases) {
        SCOPED_TRACE(static_cast<int>(system));
        const auto fast = SimulateStructure(system, cell, range, range, range, kCuKa1);
        const auto literal = LiteralSimulation(system, cell, range, range, range, kCuKa1);
        ASSERT_EQ(fast.size(), literal.size());
        ASSERT_GT(fast.size(), 3u);
        for (size_t i = 0; i < fast.size(); ++i)
            EXPECT_EQ(std::tie(fast[i].H, fast[i].K, fast[i].L),
                      std::tie(literal[i].H, literal[i].K, literal[i].L))
                << i;
    }
}

TEST(StructureSimulation, UnusableInputsListNothingWithoutError) {
    // no system, zero length, empty range, a wavelength longer than 2 d for every reflection
    // (a = 0 divides by zero in every reflection's (h^2 + k^2) / a^2, also for h = k = 0)
    using enum TCrystalSystem;
    const std::tuple<TCrystalSystem, TLatticeParameters, TIndexRange> cases[] = {
        {None, {}, {0, 2}},
        {Tetragonal, {0, 0, 4}, {0, 2}},
        {Cubic, {}, {2, 1}},
        {Cubic, {0.5}, {0, 2}}};
    for (const auto& [system, cell, range] : cases)
        EXPECT_TRUE(SimulateStructure(system, cell, range, {0, 2}, range, kCuKa1).empty());
    // the decimal separator of the row text
    auto r = SimulateStructure(TCrystalSystem::Cubic, {}, {1, 1}, {0, 0}, {0, 0}, kCuKa1, ',');
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].Text, "1 0 0 22,206°");
}

TEST(StructureSimulation, SystemsEnableTheirInputsAndLabelTheConstraints) {
    auto none = SelectCrystalSystem(TCrystalSystem::None);
    EXPECT_EQ(none.LengthLabel, "a<>b<>c = ??");
    EXPECT_EQ(none.AngleLabel, "a<>b<>g = ??");
    EXPECT_FALSE(none.A || none.B || none.C || none.Alpha || none.Beta || none.Gamma);
    auto hex = SelectCrystalSystem(TCrystalSystem::Hexagonal);
    EXPECT_TRUE(hex.A && hex.C && !hex.B && !hex.Gamma);
    EXPECT_EQ(hex.AngleLabel, "a=b=90°, g=120°");
    auto rho = SelectCrystalSystem(TCrystalSystem::Rhombohedral);
    EXPECT_TRUE(rho.A && rho.Alpha && !rho.C && !rho.Beta);
    auto mono = SelectCrystalSystem(TCrystalSystem::Monoclinic);
    EXPECT_TRUE(mono.Beta && !mono.Alpha && !mono.Gamma && mono.B);
    EXPECT_EQ(CrystalSystemFromName("rhombohedral"), TCrystalSystem::Rhombohedral);
    EXPECT_EQ(CrystalSystemFromName("cubic/isometric"), TCrystalSystem::None);
}
