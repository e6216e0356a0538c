#include "session/ProfileAnalysis.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "base/Error.h"
#include "base/NumberText.h"
#include "core/DiffractionGeometry.h"
#include "session/WorkbenchSession.h"

namespace trevasc {

ScanColumns ProcessedColumns(const TDataSet& scan) {
    ScanColumns columns;
    columns.Position.reserve(scan.Points.size());
    columns.Intensity.reserve(scan.Points.size());
    for (const TDataPoint& p : scan.Points) {
        columns.Position.push_back(p.Position);
        columns.Intensity.push_back(p.Intensity);
    }
    return columns;
}

std::vector<double> ListedOrFoundPeaks(WorkbenchSession& session,
                                       const std::optional<std::vector<double>>& listed,
                                       const analysis::PeakSearchSettings& search,
                                       analysis::TPeakMethod method,
                                       std::optional<std::pair<double, double>> range) {
    if (listed) return *listed;
    session.Settings().SetPeakSearch(search);
    session.Peaks().Find(method);
    std::vector<double> found;
    for (const TPeak& p : session.Scans().MainScan().Peaks.Items)
        if (!range || (p.Position >= std::min(range->first, range->second) &&
                       p.Position <= std::max(range->first, range->second)))
            found.push_back(p.Position);
    return found;
}

tools::ProfileFitResult FitMainScanProfiles(const WorkbenchSession& session, double from, double to,
                                            const std::vector<double>& peaks,
                                            const tools::ProfileFitOptions& options) {
    if (peaks.empty())
        throw TrevascError("The peak search found no peak between " + FormatShortest(from) +
                           " and " + FormatShortest(to) + ".");
    const ScanColumns curve = ProcessedColumns(session.Scans().MainScan());
    tools::ProfileFitResult fit =
        tools::FitLineProfiles(curve.Position, curve.Intensity, from, to, peaks, options);
    if (!fit.Fitted) throw TrevascError(fit.Error);
    return fit;
}

SinglePeakFits FitMainScanPeaks(const WorkbenchSession& session, const std::vector<double>& peaks,
                                const tools::ProfileFitOptions& options) {
    const ScanColumns curve = ProcessedColumns(session.Scans().MainScan());
    SinglePeakFits fits;
    for (const tools::SinglePeakFit& s :
         tools::FitSinglePeaks(curve.Position, curve.Intensity, peaks, options)) {
        if (!s.Fit.Fitted) {
            fits.Failed.emplace_back(s.Position, s.Fit.Error);
            continue;
        }
        fits.Centers.push_back(s.Fit.Model.Peaks[0].Center);
        fits.Fwhms.push_back(s.Fit.Model.Peaks[0].Fwhm);
    }
    return fits;
}

tools::InstrumentFunction InstrumentFunctionOf(const SinglePeakFits& fits) {
    const auto f = tools::FitInstrumentFunction(fits.Centers, fits.Fwhms);
    if (!f)
        throw TrevascError(
            "The instrument function needs the FWHMs of at least three peaks at different "
            "positions; " +
            std::to_string(fits.Centers.size()) + " were fitted.");
    return *f;
}

std::vector<double> CheckedPeaksInRange(const TDataSet& scan, double from, double to) {
    if (from > to) std::swap(from, to);
    std::vector<double> peaks;
    for (const TPeak& peak : scan.Peaks.Items)
        if (peak.Checked && peak.Position >= from && peak.Position <= to)
            peaks.push_back(peak.Position);
    return peaks;  // the peak list is sorted already
}

void AddStartPeak(std::vector<double>& peaks, double x) {
    if (!std::isfinite(x)) return;
    const auto at = std::lower_bound(peaks.begin(), peaks.end(), x);
    if (at != peaks.end() && *at == x) return;
    peaks.insert(at, x);
}

bool RemoveStartPeak(std::vector<double>& peaks, double x, double tolerance) {
    auto nearest = peaks.end();
    double best = tolerance;
    for (auto it = peaks.begin(); it != peaks.end(); ++it) {
        const double distance = std::fabs(*it - x);
        if (distance <= best) {
            best = distance;
            nearest = it;
        }
    }
    if (nearest == peaks.end()) return false;
    peaks.erase(nearest);
    return true;
}

void AcceptProfileCentres(WorkbenchSession& session, const std::vector<double>& starts,
                          const std::vector<double>& listed, const std::vector<double>& centres) {
    const size_t n = std::min(starts.size(), centres.size());
    for (size_t k = 0; k < n; ++k) {
        if (!std::isfinite(centres[k])) continue;
        int row = -1;
        if (std::find(listed.begin(), listed.end(), starts[k]) != listed.end()) {
            // Rows move as peaks are updated: look the start up again each time.
            const auto& items = session.Scans().MainScan().Peaks.Items;
            for (size_t i = 0; i < items.size(); ++i)
                if (items[i].Position == starts[k]) {
                    row = static_cast<int>(i);
                    break;
                }
        }
        if (row >= 0)
            session.Peaks().UpdateFitted(row, centres[k], false);
        else
            session.Peaks().Add(centres[k]);
    }
}

plot::TPlotXYDataset ProfileFitChart(const ScanColumns& scan, double from, double to,
                                     const std::vector<double>& startPeaks,
                                     const tools::ProfileFitResult* fit) {
    if (from > to) std::swap(from, to);
    plot::TPlotXYDataset chart;
    chart.ShowLine = false;
    chart.TightX = true;
    chart.DecadeY = true;
    chart.XTitle = "2θ [°]";
    chart.YTitle = "Counts";
    chart.Color = kProfileDataColor;

    plot::TXYCurve data{{}, {}, kProfileDataColor};
    const size_t n = std::min(scan.Position.size(), scan.Intensity.size());
    for (size_t i = 0; i < n; ++i) {
        if (scan.Position[i] < from || scan.Position[i] > to) continue;
        data.X.push_back(scan.Position[i]);
        data.Y.push_back(scan.Intensity[i]);
    }
    if (data.X.empty()) return chart;
    const auto [low, high] = std::minmax_element(data.Y.begin(), data.Y.end());

    const bool fitted = fit != nullptr && fit->Fitted;
    if (fitted) {
        const tools::ProfileModel& model = fit->Model;
        plot::TXYCurve modelCurve{data.X, {}, kProfileModelColor};
        plot::TXYCurve difference{data.X, {}, kProfileDifferenceColor};
        for (size_t i = 0; i < data.X.size(); ++i) {
            modelCurve.Y.push_back(model.Value(data.X[i]));
            difference.Y.push_back(data.Y[i] - modelCurve.Y.back());
        }
        // Each component on the background: the model with only that peak.
        for (size_t k = 0; k < model.Peaks.size(); ++k) {
            tools::ProfileModel single = model;
            single.Peaks = {model.Peaks[k]};
            plot::TXYCurve component{
                data.X, {}, kProfileComponentColors[k % std::size(kProfileComponentColors)]};
            for (double x : data.X) component.Y.push_back(single.Value(x));
            chart.Curves.push_back(std::move(component));
        }
        chart.Curves.push_back(std::move(difference));
        chart.Curves.push_back(std::move(data));
        chart.Curves.push_back(std::move(modelCurve));
    } else {
        // Before a fit: where the peaks will start.
        for (double x : startPeaks)
            chart.Curves.push_back({{x, x}, {*low, *high}, kProfileStartColor});
        chart.Curves.push_back(std::move(data));
    }
    return chart;
}

ValueWithError FormatValueWithError(double value, double error, char decimalSeparator) {
    if (!std::isfinite(value)) return {"-", ""};
    if (!(std::isfinite(error) && error > 0.0))
        return {FormatGeneral(value, 6, decimalSeparator), ""};
    // Two significant digits of the error fix the decimals of both.
    const int decimals = std::clamp(1 - static_cast<int>(std::floor(std::log10(error))), 0, 10);
    return {FormatFixed(value, decimals, decimalSeparator),
            FormatFixed(error, decimals, decimalSeparator)};
}

std::string TableText(const TextTable& table) {
    std::string text;
    for (const auto& row : table) {
        for (size_t i = 0; i < row.size(); ++i) {
            if (i) text += '\t';
            text += row[i];
        }
        text += "\r\n";
    }
    return text;
}

namespace {

void AddWithError(std::vector<std::string>& row, double value, double error, char separator) {
    const ValueWithError cells = FormatValueWithError(value, error, separator);
    row.push_back(cells.Value);
    row.push_back(cells.Error);
}

}  // namespace

TextTable ProfileFitTable(const tools::ProfileFitResult& fit, char separator) {
    const tools::ProfileShape shape = fit.Model.Shape;
    const bool third = tools::HasShapeParameter(shape);
    const char* thirdName = shape == tools::ProfileShape::PearsonVII ? "m" : "η";
    TextTable table;
    std::vector<std::string> header = {"Peak",   "Centre [°]", "± Centre", "FWHM [°]", "± FWHM",
                                       "Height", "± Height",   "Area",     "± Area"};
    if (third) {
        header.push_back(thirdName);
        header.push_back(std::string("± ") + thirdName);
    }
    table.push_back(std::move(header));
    for (size_t k = 0; k < fit.Model.Peaks.size(); ++k) {
        const tools::ProfilePeak& p = fit.Model.Peaks[k];
        std::vector<std::string> row = {std::to_string(k + 1)};
        AddWithError(row, p.Center, p.CenterError, separator);
        AddWithError(row, p.Fwhm, p.FwhmError, separator);
        AddWithError(row, p.Height, p.HeightError, separator);
        AddWithError(row, p.Area, p.AreaError, separator);
        if (third) AddWithError(row, p.ShapeParameter, p.ShapeParameterError, separator);
        table.push_back(std::move(row));
    }
    table.push_back({});
    table.push_back({"χ²red", FormatGeneral(fit.Chi2Red, 5, separator)});
    table.push_back({"Rwp [%]", FormatFixed(100.0 * fit.Rwp, 2, separator)});
    return table;
}

TextTable SizeTable(const tools::SizeAnalysis& analysis, char separator) {
    TextTable table;
    table.push_back({"Centre [°]", "FWHM [°]", "FWHM instrument [°]", "β [rad]", "Size [nm]"});
    for (const tools::SizePeak& p : analysis.Peaks) {
        std::vector<std::string> row = {FormatFixed(p.Center, 4, separator),
                                        FormatFixed(p.Fwhm, 4, separator),
                                        FormatFixed(p.FwhmInstrument, 4, separator)};
        if (p.Beta && p.Size) {
            row.push_back(FormatGeneral(*p.Beta, 5, separator));
            row.push_back(FormatFixed(*p.Size, 1, separator));
        } else {
            row.push_back(kNotBroadened);
            row.push_back(kNotBroadened);
        }
        table.push_back(std::move(row));
    }
    if (const auto& wh = analysis.WilliamsonHall) {
        table.push_back({});
        std::vector<std::string> size = {"Williamson-Hall size [nm]"};
        AddWithError(size, wh->Size, wh->SizeError, separator);
        std::vector<std::string> strain = {"Williamson-Hall strain"};
        AddWithError(strain, wh->Strain, wh->StrainError, separator);
        table.push_back(std::move(size));
        table.push_back(std::move(strain));
    }
    return table;
}

plot::TPlotXYDataset WilliamsonHallChart(const tools::SizeAnalysis& analysis, double wavelength,
                                         double k) {
    plot::TPlotXYDataset chart;
    chart.XTitle = "4·sinθ";
    chart.YTitle = "β·cosθ";
    chart.Color = 0x0000FF;
    chart.DecadeY = true;  // beta cos(theta) is a few thousandths
    for (const tools::SizePeak& p : analysis.Peaks) {
        if (!p.Beta) continue;
        const double theta = ThetaRadians(p.Center);
        chart.X.push_back(4.0 * std::sin(theta));
        chart.Y.push_back(*p.Beta * std::cos(theta));
    }
    if (const auto& wh = analysis.WilliamsonHall; wh && wh->Size > 0.0) {
        chart.Slope = wh->Strain;
        // The result's size is K lambda / intercept with lambda in A, given in nm.
        chart.Intercept = k * wavelength / (wh->Size * 10.0);
    } else {
        chart.ShowLine = false;
    }
    return chart;
}

}  // namespace trevasc
