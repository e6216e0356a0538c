#pragma once
// Synthetic scans as two-column text, the way the GUI and batch-tool tests feed them to the
// readers: peak shapes of height 1 and the "x<TAB>counts" lines.
#include <cmath>
#include <functional>
#include <random>
#include <string>

namespace trevasc::test {

// Gauss and Lorentz peaks of height 1 at `centre` with the full width at half maximum `fwhm`.
inline double Gauss(double x, double centre, double fwhm) {
    const double u = (x - centre) / fwhm;
    return std::exp(-4.0 * std::log(2.0) * u * u);
}
inline double Lorentz(double x, double centre, double fwhm) {
    const double u = 2.0 * (x - centre) / fwhm;
    return 1.0 / (1.0 + u * u);
}

// `count` lines "x<TAB>counts" from `from` in `step` degree steps, the counts f(x) rounded to
// whole numbers; with `noiseSeed` above 0 plus Poisson-like counting noise (sqrt(f) times a
// standard normal deviate of a generator seeded with it).
inline std::string ScanText(double from, double step, int count,
                            const std::function<double(double)>& f, unsigned noiseSeed = 0) {
    std::mt19937 rng(noiseSeed);
    std::normal_distribution<double> normal;
    std::string text;
    for (int i = 0; i < count; ++i) {
        const double x = from + step * i, y = f(x);
        const double noise = noiseSeed > 0 ? std::sqrt(y) * normal(rng) : 0.0;
        text += std::to_string(x) + "\t" + std::to_string(std::lround(y + noise)) + "\n";
    }
    return text;
}

}  // namespace trevasc::test
