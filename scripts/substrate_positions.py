#!/usr/bin/env python3
"""Prints substrates.ini sections: 2Theta (Cu K-alpha1) of the listed reflections of a cell.

Used to write data/Substrates.DEF; every section's comment names the lattice constants' source.
"""
from math import asin, cos, degrees, radians, sqrt

LAMBDA = 1.540562  # Cu K-alpha1, Angstrom


def d_cubic(a, h, k, l):
    return a / sqrt(h * h + k * k + l * l)


def d_hex(a, c, h, k, l):
    return 1 / sqrt(4 * (h * h + h * k + k * k) / (3 * a * a) + l * l / (c * c))


def d_tetra(a, c, h, k, l):
    return 1 / sqrt((h * h + k * k) / (a * a) + l * l / (c * c))


def d_ortho(a, b, c, h, k, l):
    return 1 / sqrt(h * h / (a * a) + k * k / (b * b) + l * l / (c * c))


def two_theta(d):
    s = LAMBDA / (2 * d)
    return None if s > 1 else 2 * degrees(asin(s))


def section(name, comment, lattice, allowed, reflections, label):
    out = [f"; {line}" for line in comment] + [f"[{name}]", f"LATTICE={lattice}", f"ALLOWED={allowed}"]
    rows = []
    for hkl, d in reflections:
        t = two_theta(d)
        if t is not None and t <= 150:
            rows.append((t, f"{label} ({hkl})={t:.3f}"))
    out += [r for _, r in sorted(rows)]
    return "\n".join(out) + "\n"


def cubic_list(a, rule, hmax=12):
    """Every reflection of a cubic cell that the rule allows, up to 2Theta = 150 degrees; of
    reflections with the same spacing (511 and 333, ...) the one with the largest first index
    names the line, as on powder cards."""
    seen, refl = set(), []
    for h in range(hmax, -1, -1):
        for k in range(h, -1, -1):
            for l in range(k, -1, -1):
                if h * h + k * k + l * l == 0 or not rule(h, k, l):
                    continue
                d = d_cubic(a, h, k, l)
                t = two_theta(d)
                if t is None or t > 150 or round(d, 6) in seen:
                    continue
                seen.add(round(d, 6))
                refl.append((f"{h}{k}{l}", d))
    return refl


def fcc(h, k, l):
    # F lattice (rock salt, zinc blende, fluorite): h, k, l all odd or all even
    return len({h % 2, k % 2, l % 2}) == 1


def diamond(h, k, l):
    # Fd-3m with the atoms on 8a only: all odd, or all even with h + k + l = 4n
    return fcc(h, k, l) and (h % 2 == 1 or (h + k + l) % 4 == 0)


def spinel(h, k, l):
    # Fd-3m, the general conditions: F lattice, and 0kl (any index 0) only for k + l = 4n; the
    # cations on 16d and the oxygen on 32e keep the all-even h + k + l = 4n + 2 lines (222, 442)
    return fcc(h, k, l) and (0 not in (h, k, l) or (h + k + l) % 4 == 0)


def all_refl(h, k, l):
    return True


SECTIONS = []


def add(*args):
    SECTIONS.append(section(*args))


add("InP", ["InP: a = 5.8687 A at 300 K (Ioffe Institute semiconductor data, NSM archive), zincblende",
            "(F-43m): h, k, l all odd or all even"],
    5.8687, "2,4,6,8", cubic_list(5.8687, fcc), "InP")
add("GaN", ["GaN (wurtzite, P6_3mc): a = 3.189 A, c = 5.185 A at 300 K (Ioffe Institute NSM archive);",
            "(000l) only for even l; LATTICE is c"],
    5.185, "2,4,6",
    [(f"{h}{k}{l}", d_hex(3.189, 5.185, h, k, l)) for h, k, l in
     [(1, 0, 0), (0, 0, 2), (1, 0, 1), (1, 0, 2), (1, 1, 0), (1, 0, 3), (1, 1, 2), (2, 0, 1), (0, 0, 4),
      (1, 0, 4), (2, 0, 3), (2, 1, 1), (1, 1, 4), (1, 0, 5), (0, 0, 6)]], "GaN")
add("ZnO", ["ZnO (wurtzite, P6_3mc): a = 3.2498 A, c = 5.2066 A at room temperature (U. Ozgur et al.,",
            "J. Appl. Phys. 98, 041301 (2005)); (000l) only for even l; LATTICE is c"],
    5.2066, "2,4,6",
    [(f"{h}{k}{l}", d_hex(3.2498, 5.2066, h, k, l)) for h, k, l in
     [(1, 0, 0), (0, 0, 2), (1, 0, 1), (1, 0, 2), (1, 1, 0), (1, 0, 3), (1, 1, 2), (2, 0, 1), (0, 0, 4),
      (2, 0, 2), (1, 0, 4), (2, 0, 3), (2, 1, 0), (2, 1, 1), (1, 1, 4), (0, 0, 6)]], "ZnO")
add("Al2O3 r-plane", ["Al2O3 (sapphire) r-plane (1-102): a = 4.7588 A, c = 12.991 A at 25 C (powder card",
                      "PDF 46-1212, as in the c-plane section); the symmetric orders of (1-102); LATTICE is d(1-102)"],
    round(d_hex(4.7588, 12.991, 0, 1, 2), 5), "1,2,3,4",
    [(f"{n}-{n}0{2 * n}".replace("-1-", "-1-"), d_hex(4.7588, 12.991, 0, n, 2 * n)) for n in range(1, 5)],
    "Al2O3")
add("NdGaO3 (110)", ["NdGaO3 (Pbnm): a = 5.428 A, b = 5.498 A, c = 7.708 A at room temperature (L. Vasylechko",
                     "et al., J. Alloys Compd. 297, 46 (2000)); (110) and (001) substrates; LATTICE is",
                     "d(110) (pseudo-cubic 3.86 A)"],
    round(d_ortho(5.428, 5.498, 7.708, 1, 1, 0), 5), "1,2,3,4",
    [(f"{n}{n}0", d_ortho(5.428, 5.498, 7.708, n, n, 0)) for n in range(1, 5)] +
    [(f"00{l}", d_ortho(5.428, 5.498, 7.708, 0, 0, l)) for l in (2, 4, 6, 8)], "NdGaO3")
add("DyScO3 (110)", ["DyScO3 (Pbnm): a = 5.440 A, b = 5.713 A, c = 7.887 A at room temperature (B. Velickov",
                     "et al., Z. Kristallogr. 222, 466 (2007)); (110) substrates; LATTICE is d(110)"],
    round(d_ortho(5.440, 5.713, 7.887, 1, 1, 0), 5), "1,2,3,4",
    [(f"{n}{n}0", d_ortho(5.440, 5.713, 7.887, n, n, 0)) for n in range(1, 5)] +
    [(f"00{l}", d_ortho(5.440, 5.713, 7.887, 0, 0, l)) for l in (2, 4, 6, 8)], "DyScO3")
add("YSZ", ["YSZ (ZrO2 with 8 mol% Y2O3, fluorite, Fm-3m): a = 5.139 A at room temperature (powder card",
            "PDF 30-1468); h, k, l all odd or all even"],
    5.139, "2,4,6,8", cubic_list(5.139, fcc), "YSZ")
add("MgAl2O4", ["MgAl2O4 (spinel, Fd-3m): a = 8.0832 A at room temperature (powder card PDF 21-1152);",
                "h, k, l all odd or all even, and with an index 0 only h + k + l = 4n"],
    8.0832, "4,8", cubic_list(8.0832, spinel), "MgAl2O4")
add("LSAT", ["LSAT ((LaAlO3)0.3(Sr2TaAlO6)0.7): pseudo-cubic perovskite cell a = 3.868 A at room",
             "temperature (B. C. Chakoumakos et al., J. Appl. Phys. 83, 1979 (1998))"],
    3.868, "1,2,3,4,5,6,7,8", cubic_list(3.868, all_refl), "LSAT")
add("TiO2 (rutile)", ["TiO2 (rutile, P4_2/mnm): a = 4.5937 A, c = 2.9587 A at 295 K (J. K. Burdett et al.,",
                      "J. Am. Chem. Soc. 109, 3639 (1987)); 0kl only for k + l even; LATTICE is d(110)"],
    round(d_tetra(4.5937, 2.9587, 1, 1, 0), 5), "1,2,3,4",
    [(f"{h}{k}{l}", d_tetra(4.5937, 2.9587, h, k, l)) for h, k, l in
     [(1, 1, 0), (1, 0, 1), (2, 0, 0), (1, 1, 1), (2, 1, 0), (2, 1, 1), (2, 2, 0), (0, 0, 2), (3, 1, 0),
      (3, 0, 1), (1, 1, 2), (3, 1, 1), (2, 0, 2), (3, 3, 0), (4, 0, 0), (4, 4, 0)]], "TiO2")
add("KTaO3", ["KTaO3 (cubic perovskite, Pm-3m): a = 3.9885 A at room temperature (powder card PDF",
              "38-1470); every reflection allowed"],
    3.9885, "1,2,3,4,5,6,7,8", cubic_list(3.9885, all_refl), "KTaO3")
add("SiO2 (quartz)", ["SiO2 (alpha quartz, P3_221): a = 4.9134 A, c = 5.4052 A at room temperature (L. Levien",
                      "et al., Am. Mineral. 65, 920 (1980)); (000l) only for l = 3n; LATTICE is c"],
    5.4052, "3,6",
    [(f"{h}{k}{l}", d_hex(4.9134, 5.4052, h, k, l)) for h, k, l in
     [(1, 0, 0), (1, 0, 1), (1, 1, 0), (1, 0, 2), (1, 1, 1), (2, 0, 0), (2, 0, 1), (1, 1, 2), (0, 0, 3),
      (2, 0, 2), (1, 0, 3), (2, 1, 1), (1, 1, 3), (2, 0, 3), (3, 0, 1), (0, 0, 6)]], "SiO2")
add("Si powder (SRM 640e)", ["Si powder, NIST SRM 640e line position standard: a = 5.431179 A at 22.5 C",
                             "(certificate); diamond structure"],
    5.431179, "4,8", cubic_list(5.431179, diamond), "Si")
add("LaB6 powder (SRM 660c)", ["LaB6 powder, NIST SRM 660c line position standard: a = 4.156826 A at 22.5 C",
                               "(certificate of SRM 660c); simple cubic, every reflection allowed"],
    4.156826, "1,2,3,4,5,6,7,8", cubic_list(4.156826, all_refl), "LaB6")

print("\n".join(SECTIONS), end="")
