// Number conversion of the readers: the tokens that fill scan files (fixed-point positions,
// whole counts, decimal commas, exponent notation), through TryParseFloat and TryWholeCount, and
// std::from_chars on the same tokens as the library yardstick.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/NumberText.h"

namespace {

using namespace trevasc;

// 4096 tokens of one kind, cycled through (enough to defeat branch prediction of one value).
std::vector<std::string> Tokens(int kind) {
    std::vector<std::string> out;
    unsigned long long k = 1;
    for (int i = 0; i < 4096; ++i) {
        k = k * 6364136223846793005ULL + 1442695040888963407ULL;
        const unsigned r = static_cast<unsigned>(k >> 33);
        char buf[48];
        switch (kind) {
            case 0:  // positions of a fine 2Theta scan: "64.1234"
                std::snprintf(buf, sizeof buf, "%u.%04u", 5 + r % 140, r % 10000);
                break;
            case 1:  // whole counts
                std::snprintf(buf, sizeof buf, "%u", r % (1u << (r % 24)));
                break;
            case 2:  // decimal comma
                std::snprintf(buf, sizeof buf, "%u,%03u", r % 1000, r % 1000);
                break;
            default:  // exponent notation
                std::snprintf(buf, sizeof buf, "%u.%06uE%+03d", 1 + r % 9, r % 1000000,
                              static_cast<int>(r % 20) - 10);
                break;
        }
        out.push_back(buf);
    }
    return out;
}

void ParseFloat(benchmark::State& state) {
    const auto tokens = Tokens(static_cast<int>(state.range(0)));
    size_t i = 0;
    double sum = 0;
    for (auto _ : state) {
        sum += *TryParseFloat(tokens[i++ & 4095]);
    }
    benchmark::DoNotOptimize(sum);
}
BENCHMARK(ParseFloat)->ArgName("kind")->DenseRange(0, 3);

void WholeCount(benchmark::State& state) {
    const auto tokens = Tokens(1);
    size_t i = 0;
    int64_t sum = 0;
    for (auto _ : state) {
        int32_t v = 0;
        TryWholeCount(tokens[i++ & 4095], v);
        sum += v;
    }
    benchmark::DoNotOptimize(sum);
}
BENCHMARK(WholeCount);

// The library conversion alone, without trimming, decimal comma or checks ("." tokens only).
void FromChars(benchmark::State& state) {
    const auto tokens = Tokens(static_cast<int>(state.range(0)));
    size_t i = 0;
    double sum = 0;
    for (auto _ : state) {
        const std::string& t = tokens[i++ & 4095];
        double v = 0;
        std::from_chars(t.data(), t.data() + t.size(), v);
        sum += v;
    }
    benchmark::DoNotOptimize(sum);
}
BENCHMARK(FromChars)->ArgName("kind")->Arg(0)->Arg(1)->Arg(3);

}  // namespace

BENCHMARK_MAIN();
