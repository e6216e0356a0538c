// Reading large scan files through ReadScanFile: a 1,000,000-line two-column file, a
// 1,000,000-line XYE column file (which the two-column reader refuses first) and XML area
// measurements of 1000 scans x 2000 points (intensities, and raw counts with attenuation
// factors); the peak memory of reading, peak search and map building on the area measurement,
// and the size of the all-spectra table. The files are generated into a temporary folder;
// scripts/make-bench-files.py writes the same files byte for byte, for timing whole programs
// against them.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <string>

#include "core/Prompts.h"
#include "core/ScanData.h"
#include "formats/ScanFileReader.h"
#include "formats/TextExchange.h"
#include "session/WorkbenchSession.h"
#include "tools/maps/MapBuilder.h"

namespace {

namespace fs = std::filesystem;
using namespace trevasc;

// Knuth's multiplicative hash: reproducible pseudo-noise, the same in the Python generator.
unsigned Noise(unsigned long long k) {
    return static_cast<unsigned>((k * 2654435761ULL) & 0xffffffffULL);
}

// Fixed-point value in units of 1e-4 as text ("12.3456"), exact in both generators.
std::string Fixed4(long long units) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld.%04lld", units / 10000, units % 10000);
    return buf;
}

std::string TwoColumnText(int lines) {
    std::string out = "# generated two-column scan: 2Theta, counts\n";
    out.reserve(static_cast<size_t>(lines) * 13 + 64);
    for (int k = 0; k < lines; ++k) {
        const long long d = (k > 500000 ? k - 500000 : 500000 - k) / 100;
        const long long counts =
            50 + Noise(static_cast<unsigned long long>(k)) % 1000 + 10000000LL / (100 + d * d);
        out += Fixed4(50000 + k);
        out += '\t';
        out += std::to_string(counts);
        out += '\n';
    }
    return out;
}

// Three columns, position, intensity with one decimal and its uncertainty: the two-column
// reader refuses it and the column reader reads it.
std::string XyeText(int lines) {
    std::string out = "# generated XYE scan: 2Theta, intensity, uncertainty\n";
    out.reserve(static_cast<size_t>(lines) * 30 + 64);
    for (int k = 0; k < lines; ++k) {
        const long long d = (k > 500000 ? k - 500000 : 500000 - k) / 100;
        const long long counts =
            50 + Noise(static_cast<unsigned long long>(k)) % 1000 + 10000000LL / (100 + d * d);
        out += Fixed4(50000 + k);
        out += ' ';
        out += Fixed4(counts * 10000 + (Noise(static_cast<unsigned long long>(k) + 7) % 10) * 1000);
        out += ' ';
        out += Fixed4(100LL * (Noise(static_cast<unsigned long long>(k) + 13) % 500));
        out += '\n';
    }
    return out;
}

// An area measurement: `scans` 2Theta scans of `points` points at Omega steps of 0.01 degree.
// rawCounts: version 2 style raw counts with a beamAttenuationFactors list (188 on every 500th
// point); otherwise version 1 style intensities.
std::string AreaText(int scans, int points, bool rawCounts) {
    const std::string ns = rawCounts ? "2.1" : "1.0";
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<xrdMeasurements xmlns=\"http://www.xrdml.com/XRDMeasurement/" + ns +
           "\" status=\"Completed\">\n";
    out +=
        "\t<sample type=\"To be analyzed\">\n\t\t<id>BENCH</id>\n\t\t<name>area map</name>\n"
        "\t</sample>\n";
    out +=
        "\t<xrdMeasurement measurementType=\"Area measurement\" status=\"Completed\" "
        "measurementStepAxis=\"Omega\">\n";
    for (int s = 0; s < scans; ++s) {
        out +=
            "\t\t<scan appendNumber=\"0\" mode=\"Continuous\" scanAxis=\"Omega-2Theta\" "
            "status=\"Completed\">\n";
        out +=
            "\t\t\t<header>\n\t\t\t\t<author>\n\t\t\t\t\t<name>User</name>\n"
            "\t\t\t\t</author>\n\t\t\t</header>\n";
        out += "\t\t\t<dataPoints>\n";
        out += "\t\t\t\t<positions axis=\"2Theta\" unit=\"deg\">\n\t\t\t\t\t<startPosition>" +
               Fixed4(600000) + "</startPosition>\n\t\t\t\t\t<endPosition>" +
               Fixed4(600000 + 100LL * (points - 1)) + "</endPosition>\n\t\t\t\t</positions>\n";
        out += "\t\t\t\t<positions axis=\"Omega\" unit=\"deg\">\n\t\t\t\t\t<startPosition>" +
               Fixed4(200000 + 100LL * s) + "</startPosition>\n\t\t\t\t\t<endPosition>" +
               Fixed4(220000 + 100LL * s) + "</endPosition>\n\t\t\t\t</positions>\n";
        out += "\t\t\t\t<commonCountingTime unit=\"seconds\">1.00</commonCountingTime>\n";
        if (rawCounts) {
            out += "\t\t\t\t<beamAttenuationFactors>";
            for (int p = 0; p < points; ++p) {
                if (p > 0) out += ' ';
                out += p % 500 == 0 ? "188.00" : "1.00";
            }
            out += "</beamAttenuationFactors>\n";
        }
        out += rawCounts ? "\t\t\t\t<counts unit=\"counts\">"
                         : "\t\t\t\t<intensities unit=\"counts\">";
        for (int p = 0; p < points; ++p) {
            if (p > 0) out += ' ';
            out += std::to_string(Noise(static_cast<unsigned long long>(s) * points + p) % 1000);
        }
        out += rawCounts ? "</counts>\n" : "</intensities>\n";
        out += "\t\t\t</dataPoints>\n\t\t</scan>\n";
    }
    out += "\t</xrdMeasurement>\n</xrdMeasurements>\n";
    return out;
}

struct BenchFiles {
    fs::path Folder;
    std::string TwoColumn, Xye, AreaIntensities, AreaCounts;

    bool Keep = false;

    // TREVASC_BENCH_DIR names a folder in which the files are written and kept.
    BenchFiles() {
        if (const char* dir = std::getenv("TREVASC_BENCH_DIR"); dir && *dir) {
            Folder = dir;
            Keep = true;
        } else {
            Folder =
                fs::temp_directory_path() / ("trevasc-bench-readers-" + std::to_string(::getpid()));
        }
        fs::create_directories(Folder);
        TwoColumn = Write("two_column_1M.txt", TwoColumnText(1000000));
        Xye = Write("columns_1M.xye", XyeText(1000000));
        AreaIntensities = Write("area_1000x2000_intensities.xrdml", AreaText(1000, 2000, false));
        AreaCounts = Write("area_1000x2000_counts.xrdml", AreaText(1000, 2000, true));
    }
    ~BenchFiles() {
        if (Keep) return;
        std::error_code ec;
        fs::remove_all(Folder, ec);
    }
    std::string Write(const std::string& name, const std::string& text) const {
        const fs::path path = Folder / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }
};

const BenchFiles& Files() {
    static const BenchFiles files;
    return files;
}

void ReadRepeatedly(benchmark::State& state, const std::string& file, int expectedScans,
                    int expectedPoints) {
    ScanRegistry registry;
    UnattendedPrompts prompts;
    for (auto _ : state) {
        registry.ClearAdditionalScans();  // as opening a main file does first
        formats::ReadScanFile(file, true, registry, prompts);
        benchmark::DoNotOptimize(registry.MainScan().RawPoints.data());
    }
    if (registry.AdditionalCount() + 1 != expectedScans ||
        registry.MainScan().Count() != expectedPoints)
        state.SkipWithError("unexpected scan shape");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(fs::file_size(file)));
}

void BM_ReadTwoColumn1M(benchmark::State& state) {
    ReadRepeatedly(state, Files().TwoColumn, 1, 1000000);
}
BENCHMARK(BM_ReadTwoColumn1M)->Unit(benchmark::kMillisecond);

void BM_ReadXye1M(benchmark::State& state) {
    ReadRepeatedly(state, Files().Xye, 1, 1000000);
}
BENCHMARK(BM_ReadXye1M)->Unit(benchmark::kMillisecond);

void BM_ReadXmlArea1000x2000Intensities(benchmark::State& state) {
    ReadRepeatedly(state, Files().AreaIntensities, 1000, 2000);
}
BENCHMARK(BM_ReadXmlArea1000x2000Intensities)->Unit(benchmark::kMillisecond);

void BM_ReadXmlArea1000x2000CountsAttenuated(benchmark::State& state) {
    ReadRepeatedly(state, Files().AreaCounts, 1000, 2000);
}
BENCHMARK(BM_ReadXmlArea1000x2000CountsAttenuated)->Unit(benchmark::kMillisecond);

// The conversion alone, from the content in memory, serial (0) and on two threads (1).
void ConvertRepeatedly(benchmark::State& state, const std::string& file,
                       formats::ReadResult (*reader)(std::string_view, const std::string&, bool,
                                                     ScanRegistry&, Prompts&, size_t)) {
    std::ifstream in(file, std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    const size_t parallelFrom = state.range(0) ? 0 : std::numeric_limits<size_t>::max();
    ScanRegistry registry;
    UnattendedPrompts prompts;
    for (auto _ : state) {
        registry.ClearAdditionalScans();
        reader(content, file, true, registry, prompts, parallelFrom);
        benchmark::DoNotOptimize(registry.MainScan().RawPoints.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(content.size()));
}

void BM_ConvertTwoColumn1M(benchmark::State& state) {
    ConvertRepeatedly(state, Files().TwoColumn, formats::ReadTwoColumnText);
}
BENCHMARK(BM_ConvertTwoColumn1M)
    ->ArgName("threads2")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

void BM_ConvertXmlArea1000x2000Intensities(benchmark::State& state) {
    ConvertRepeatedly(state, Files().AreaIntensities, formats::ReadXmlMeasurementText);
}
BENCHMARK(BM_ConvertXmlArea1000x2000Intensities)
    ->ArgName("threads2")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

// Peak memory of the batch tool's stages on the area measurement: reading it as "info" does
// (0), with the peak search of "peaks" (1), and with the map dataset of "map" (2). Each run is a
// forked child, so the peak resident size (getrusage of the child) belongs to that stage alone.
// Counters: the peak in MB above a child that does nothing, and that peak over the points held
// as doubles (position and intensity, 16 bytes a point).
long PeakKilobytesOfChild(const std::function<void()>& work) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        work();
        std::_Exit(0);
    }
    int status = 0;
    struct rusage usage {};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss;
}

void BM_PeakMemoryXmlArea1000x2000(benchmark::State& state) {
    const std::string& file = Files().AreaIntensities;
    const int stage = static_cast<int>(state.range(0));
    long kilobytes = 0;
    for (auto _ : state) {
        kilobytes = PeakKilobytesOfChild([&] {
            UnattendedPrompts prompts;
            WorkbenchSession session(prompts);
            session.OpenMainFile(file);
            if (stage >= 1) session.Peaks().Find(analysis::TPeakMethod::Slope);
            if (stage >= 2) {
                const tools::MapBuild map = tools::BuildMapDataset(session.Scans().Registry(), {});
                benchmark::DoNotOptimize(map.Dataset.Points.data());
            }
        });
    }
    // A child that does nothing: the pages it shares with this process at the fork.
    const long baseline = PeakKilobytesOfChild([] {});
    if (kilobytes < 0 || baseline < 0) state.SkipWithError("the child failed");
    const double bytes = static_cast<double>(kilobytes - baseline) * 1024.0;
    const double points = 1000.0 * 2000.0;
    state.counters["peak_MB"] = bytes / (1024.0 * 1024.0);
    state.counters["peak_per_doubles"] = bytes / (points * 16.0);
}
BENCHMARK(BM_PeakMemoryXmlArea1000x2000)
    ->ArgName("stage")
    ->DenseRange(0, 2)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// "convert --all" of `scans` scans of 500 points each, every scan at its own positions (as an
// area map of coupled scans): output bytes per point read. A table whose size follows the
// points stays flat over the argument; one row per distinct position with a column per scan
// grows with the number of scans.
void BM_AllSpectraTextDistinctPositions(benchmark::State& state) {
    const int scans = static_cast<int>(state.range(0));
    constexpr int kPoints = 500;
    ScanRegistry registry;
    for (int s = 0; s < scans; ++s) {
        TDataSet& scan = s == 0 ? registry.MainScan() : registry.AppendAdditionalScan();
        TDataPointArray points(kPoints);
        for (int p = 0; p < kPoints; ++p) {
            points[static_cast<size_t>(p)].Position = 30.0 + 0.01 * p + 0.0001 * s;
            points[static_cast<size_t>(p)].Intensity = static_cast<int32_t>(
                Noise(static_cast<unsigned long long>(s) * kPoints + p) % 1000);
        }
        scan.Name = "scan " + std::to_string(s);
        scan.SetRawPoints(std::move(points));
    }
    size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = formats::AllSpectraFileText(registry, '.');
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["bytes_per_point"] = static_cast<double>(bytes) / (double(scans) * kPoints);
    state.counters["output_MB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
}
BENCHMARK(BM_AllSpectraTextDistinctPositions)
    ->ArgName("scans")
    ->Arg(25)
    ->Arg(100)
    ->Arg(400)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
