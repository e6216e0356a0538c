#include "session/SubstrateIdentification.h"

#include <filesystem>

#include "analysis/SubstrateDatabase.h"
#include "base/Error.h"
#include "base/IniFile.h"
#include "base/PathText.h"
#include "session/WorkbenchSession.h"

namespace trevasc {

namespace {

bool IsFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

std::string SubstrateDatabaseProblem(const std::string& database, bool given) {
    if (given && !IsFile(database)) throw TrevascError("The substrate database does not exist.");
    return IniFile(database).Problem();
}

IdentifyReport IdentifySubstratePeaks(WorkbenchSession& session, const std::function<void()>& open,
                                      const IdentifyRequest& request,
                                      std::vector<IdentifyWarning>& warnings) {
    // A damaged database is said before the scan is read.
    if (std::string problem = SubstrateDatabaseProblem(request.Database, request.DatabaseGiven);
        !problem.empty())
        warnings.push_back({IdentifyWarning::Kind::DamagedDatabase, std::move(problem)});
    open();
    TDataSet& scan = session.Scans().MainScan();
    if (scan.Count() < 2) throw TrevascError("The scan holds fewer than two points.");
    if (request.Peaks) {
        scan.Peaks.Clear();
        for (double p : *request.Peaks) session.Peaks().Add(p);
    } else if (request.ScanFile.empty() || !IsFile(PeakListFileFor(request.ScanFile))) {
        session.Peaks().Find(analysis::TPeakMethod::Slope);
    }

    const auto materials = analysis::ReadAllMaterials(request.Database);
    IdentifyReport report;
    int chosen = -1;
    if (request.Material) {
        for (size_t i = 0; i < materials.size(); ++i)
            if (materials[i].Name == *request.Material) chosen = static_cast<int>(i);
        if (chosen < 0)
            throw TrevascError("No material '" + *request.Material + "' in the database.");
    } else {
        std::vector<double> positions;
        for (const TPeak& p : scan.Peaks.Items) positions.push_back(p.Position);
        const auto r = analysis::AutoSelectSubstrate(
            materials, positions, scan.RawPoints.front().Position, scan.RawPoints.back().Position);
        chosen = r.Best;
        if (chosen < 0)
            warnings.push_back({IdentifyWarning::Kind::NothingInRange,
                                "no material has an expected reflection inside the scan range"});
        // null: no expected reflection inside the scan range, no candidate
        report.Scores.emplace();
        for (size_t i = 0; i < r.Scores.size(); ++i)
            report.Scores->emplace_back(materials[i].Name, r.Scores[i]);
        report.Allowed = r.LastAllowed;
        report.Lattice = r.LastLattice;
    }

    analysis::TSubstrateMaterial material;
    if (chosen >= 0) {
        material = materials[static_cast<size_t>(chosen)];
        report.Material = material.Name;
    }
    if (material.Allowed) report.Allowed = material.Allowed;
    if (material.Lattice) report.Lattice = material.Lattice;
    std::vector<double> positions;
    std::vector<std::string> names;
    for (const auto& r : material.Reflections) {
        positions.push_back(r.Position);
        names.push_back(r.Name);
    }
    session.Peaks().IdentifyByPositions(positions, names, request.MaxDeviation);
    for (const auto& p : material.Problems)
        warnings.push_back(
            {IdentifyWarning::Kind::MaterialProblem, "[" + material.Name + "] " + p});
    report.Expected = material.Reflections;
    report.Peaks = scan.Peaks.Items;
    return report;
}

}  // namespace trevasc
