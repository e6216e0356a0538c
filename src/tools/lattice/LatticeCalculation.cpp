#include "tools/lattice/LatticeCalculation.h"

#include <algorithm>
#include <cmath>

#include "base/Error.h"
#include "base/NumberText.h"
#include "core/XrayLines.h"

namespace trevasc::tools {

namespace {

int32_t ParseDirectionPart(std::string_view part) {
    const std::string_view trimmed = Trim(part);
    const std::optional<int32_t> value = TryParseInt(trimmed);
    if (!value) throw TrevascError(IntegerConversionMessage(trimmed));
    return *value;
}

double PeakPosition(const std::string& row) {
    return ParseFloat(row);
}

// Spacing of one peak; a peak at 0° or a wavelength of 0 has none, and the command stops with
// the floating-point error the user would otherwise see as a NaN in a field.
double SpacingOf(double twoTheta, double wavelength) {
    const std::optional<double> d = BraggSpacing(twoTheta, wavelength);
    if (!d || !std::isfinite(*d) || *d <= 0.0) throw TrevascError(kZeroDivideMessage);
    return *d;
}

}  // namespace

THklDirection ParseDirection(const std::string& text) {
    const size_t first = text.find(',');
    if (first == std::string::npos) throw TrevascError(kDirectionSyntaxMessage);
    const size_t second = text.find(',', first + 1);
    if (second == std::string::npos) throw TrevascError(kDirectionSyntaxMessage);
    const std::string_view rest = std::string_view(text).substr(second + 1);
    if (rest.find(',') != std::string_view::npos) throw TrevascError(kDirectionSyntaxMessage);
    THklDirection d;
    d.H = ParseDirectionPart(std::string_view(text).substr(0, first));
    d.K = ParseDirectionPart(std::string_view(text).substr(first + 1, second - first - 1));
    d.L = ParseDirectionPart(rest);
    if (d.H == 0 && d.K == 0 && d.L == 0) throw TrevascError(kDirectionZeroMessage);
    return d;
}

std::string DirectionText(const THklDirection& d) {
    return std::to_string(d.H) + "," + std::to_string(d.K) + "," + std::to_string(d.L);
}

TLinearFit LinearFit(const std::vector<double>& x, const std::vector<double>& y) {
    const size_t n = std::min(x.size(), y.size());
    double sx = 0, sxx = 0, sy = 0, sxy = 0;
    for (size_t i = 0; i < n; ++i) {
        sx += x[i];
        sxx += x[i] * x[i];
        sy += y[i];
        sxy += x[i] * y[i];
    }
    const double nn = static_cast<double>(n);
    const double det = nn * sxx - sx * sx;
    if (n < 2 || det == 0.0 || !std::isfinite(det))
        throw TrevascError("The Nelson-Riley fit needs peaks at two different positions.");
    TLinearFit fit;
    fit.Slope = (nn * sxy - sx * sy) / det;
    fit.Intercept = (sxx * sy - sx * sxy) / det;
    if (n >= 3) {
        double sse = 0;
        for (size_t i = 0; i < n; ++i) {
            const double r = y[i] - (fit.Slope * x[i] + fit.Intercept);
            sse += r * r;
        }
        // Standard error of the intercept of a least-squares line: the residual variance
        // SSE / (n - 2) times the intercept's element of the inverse normal matrix,
        // Sxx / (n Sxx - Sx^2), so sqrt(Sxx * SSE / ((n Sxx - Sx^2) (n - 2))).
        fit.Error = std::sqrt(sxx * sse / (det * (nn - 2.0)));
    }
    return fit;
}

std::string ReplaceTitleSuffix(const std::string& title, const std::string& suffix) {
    const size_t cut = title.rfind(" (d=");
    return (cut == std::string::npos ? title : title.substr(0, cut)) + suffix;
}

void LatticeCalculation::ReceivePeaks(std::vector<std::string> peakRows, std::string sourceName) {
    peakRows_ = std::move(peakRows);
    std::fill(manualMultipliers_.begin(), manualMultipliers_.end(), 0);
    oldData_ = false;
    sourceName_ = std::move(sourceName);
}

void LatticeCalculation::DeleteRow(int row) {
    if (row < 0) return;
    for (auto* list : {&peakRows_, &spacingRows_, &hklRows_, &latticeRows_})
        if (row < static_cast<int>(list->size())) list->erase(list->begin() + row);
}

void LatticeCalculation::ComputeSpacings(double wavelength) {
    count_ = static_cast<int>(peakRows_.size());
    spacings_.clear();
    spacingRows_.clear();
    for (const std::string& row : peakRows_) {
        const double d = SpacingOf(PeakPosition(row), wavelength);
        spacings_.push_back(d);
        spacingRows_.push_back(FormatFixed(d, 5, separator_));
    }
}

void LatticeCalculation::AssignMultipliers() {
    if (static_cast<int>(manualMultipliers_.size()) != count_)
        manualMultipliers_.assign(static_cast<size_t>(count_), 0);
    const double expected = ExpectedValue();
    multipliers_.clear();
    latticeConstants_.clear();
    hklRows_.clear();
    latticeRows_.clear();
    for (int i = 0; i < count_; ++i) {
        const double d = spacings_[static_cast<size_t>(i)];
        // Nearest integer, halves to the even neighbour; a spacing above twice the expected
        // value gets 0: such a row has no lattice constant ("-") and stays out of the mean, its
        // error and the Nelson-Riley fit.
        int32_t m = RoundToInt32(expected / d);
        if (manualMultipliers_[static_cast<size_t>(i)] != 0)
            m = manualMultipliers_[static_cast<size_t>(i)];
        const double a = m * d;
        multipliers_.push_back(m);
        latticeConstants_.push_back(a);
        // In 64 bits: a large direction times a multiplier must not overflow.
        const int64_t mm = m;
        hklRows_.push_back(std::to_string(mm * direction_.H) + "," +
                           std::to_string(mm * direction_.K) + "," +
                           std::to_string(mm * direction_.L));
        latticeRows_.push_back(m == 0 ? kNoLatticeConstantRow : FormatFixed(a, 5, separator_));
    }
}

int LatticeCalculation::UsedCount() const {
    return static_cast<int>(
        std::count_if(multipliers_.begin(), multipliers_.end(), [](int32_t m) { return m != 0; }));
}

void LatticeCalculation::MeanAndError() {
    const int n = UsedCount();
    double sum = 0;
    for (size_t i = 0; i < latticeConstants_.size(); ++i)
        if (multipliers_[i] != 0) sum += latticeConstants_[i];
    mean_ = n > 0 ? sum / n : 0.0;
    meanText_ = MeanField().TextOf(mean_, separator_);
    error_ = 0.0;
    if (n >= 2) {
        // Standard error of the mean, s / sqrt(n) = sqrt(sum (a - mean)^2 / (n (n - 1))), around
        // the mean as its field shows it.
        const double shown = MeanField().ValueOf(meanText_);
        double squares = 0;
        for (size_t i = 0; i < latticeConstants_.size(); ++i)
            if (multipliers_[i] != 0)
                squares += (latticeConstants_[i] - shown) * (latticeConstants_[i] - shown);
        error_ = std::sqrt(squares / (static_cast<double>(n) * (n - 1)));
    }
    errorText_ = ErrorField().TextOf(error_, separator_);
}

std::string LatticeCalculation::TitleSuffix(double value) const {
    return " (d=" + FormatFixed(value, 3, separator_) + "Å)";
}

void LatticeCalculation::NelsonRileyFit(bool showPlot, TLatticeEffects& effects) {
    if (UsedCount() < 2) {
        effects.NelsonRileyWindow = TLatticeEffects::NelsonRiley::Hide;
        nelsonRiley_ = 0.0;
        nelsonRileyText_ = NelsonRileyField().TextOf(0.0, separator_);
        return;
    }
    std::vector<double> x, y;
    for (size_t i = 0; i < peakRows_.size() && i < multipliers_.size(); ++i) {
        if (multipliers_[i] == 0) continue;
        x.push_back(NelsonRileyAbscissa(PeakPosition(peakRows_[i])));
        y.push_back(latticeConstants_[i]);
    }
    const TLinearFit fit = LinearFit(x, y);
    nelsonRiley_ = fit.Intercept;
    nelsonRileyText_ = NelsonRileyField().TextOf(fit.Intercept, separator_);
    nelsonRileyError_ = fit.Error;
    nelsonRileyErrorText_ = ErrorField().TextOf(fit.Error, separator_);
    fitSlope_ = fit.Slope;
    fitIntercept_ = fit.Intercept;
    if (!showPlot) {
        effects.NelsonRileyWindow = TLatticeEffects::NelsonRiley::HideAndMarkOld;
        return;
    }
    effects.NelsonRileyWindow = TLatticeEffects::NelsonRiley::Show;
    plot::TPlotXYDataset& data = effects.NelsonRileyData;
    data.X = x;
    data.Y = y;
    data.XTitle = kNelsonRileyXTitle;
    data.YTitle = kNelsonRileyYTitle;
    data.Color = 0x0000FF;  // red (0x00BBGGRR)
    data.LogY = false;
    data.Title = "Nelson-Riley plot of " + sourceName_ +
                 " (d=" + FormatFixed(fit.Intercept, 3, separator_) + "Å)";
    data.Slope = fit.Slope;
    data.Intercept = fit.Intercept;
    effects.HasTitleSuffix = true;
    effects.TitleSuffix = TitleSuffix(fit.Intercept);
}

void LatticeCalculation::PeakIdentifiers(TLatticeEffects& effects) {
    if (AddPeakIds) {
        for (size_t i = 0; i < peakRows_.size() && i < hklRows_.size(); ++i) {
            effects.IdPositions.push_back(PeakPosition(peakRows_[i]));
            effects.IdTexts.push_back("(" + hklRows_[i] + ")");
        }
    }
    AddPeakIds = false;
}

void LatticeCalculation::Prepare(double wavelength) {
    direction_ = ParseDirection(DirectionFieldText);
    DirectionFieldText = DirectionText(direction_);
    ComputeSpacings(wavelength);
    AssignMultipliers();
    MeanAndError();
}

TLatticeEffects LatticeCalculation::CalculateLatticeData(double wavelength) {
    TLatticeEffects effects;
    if (peakRows_.empty()) return effects;
    LatticeCalculation next = *this;
    next.Prepare(wavelength);
    next.NelsonRileyFit(false, effects);
    next.PeakIdentifiers(effects);
    effects.HasTitleSuffix = true;
    effects.TitleSuffix = next.TitleSuffix(MeanField().ValueOf(next.meanText_));
    *this = std::move(next);
    return effects;
}

TLatticeEffects LatticeCalculation::NelsonRileyPlot(double wavelength) {
    TLatticeEffects effects;
    if (peakRows_.empty()) return effects;
    LatticeCalculation next = *this;
    next.Prepare(wavelength);
    next.NelsonRileyFit(true, effects);
    next.PeakIdentifiers(effects);
    *this = std::move(next);
    return effects;
}

TLatticeEffects LatticeCalculation::AutoScanLattice(double wavelength, double start, double end,
                                                    double step, const LoopProgress& progress) {
    TLatticeEffects effects;
    if (peakRows_.empty()) return effects;
    if (!(step > 0.0) || !std::isfinite(step))
        throw TrevascError("The stepwidth of the auto scan must be greater than 0.");
    // The loop accumulates the step, so it runs about (end - start) / step + 1 times.
    const double span = end > start ? (end - start) / step : 0.0;
    if (!std::isfinite(span) || span + 1.0 > static_cast<double>(kMaxAutoScanCandidates))
        throw TrevascError("The auto scan range needs more than " +
                           std::to_string(kMaxAutoScanCandidates) +
                           " steps. Please choose a larger stepwidth or a smaller range.");
    const int64_t total = static_cast<int64_t>(std::floor(span)) + 1;

    LatticeCalculation next = *this;
    next.direction_ = ParseDirection(DirectionFieldText);
    next.DirectionFieldText = DirectionText(next.direction_);
    // The spacings do not depend on the expected value: computing them once gives the same
    // numbers as computing them for every candidate.
    next.ComputeSpacings(wavelength);
    double best = 1.0, bestError = 1e300;
    bool found = false;
    double a = start;
    int64_t tried = 0;
    do {
        next.ExpectedText = ExpectedField().TextOf(a, separator_);
        next.AssignMultipliers();
        next.MeanAndError();
        // A trial value that leaves a peak without a multiple is no candidate: with every
        // multiple 0 the spread is 0 and the scan would "find" 0 Å.
        const bool candidate = next.UsedCount() == next.count_;
        if (candidate && next.error_ < bestError) {  // strictly: the first of equal errors wins
            found = true;
            bestError = next.error_;
            best = a;
        }
        a += step;
        ++tried;
        if (progress && (tried % 1024 == 0) && !progress(std::min(tried, total), total)) {
            effects.Cancelled = true;
            return effects;
        }
    } while (a < end);
    if (!found) throw TrevascError(kAutoScanNoCandidateMessage);
    next.ExpectedText = ExpectedField().TextOf(best, separator_);
    next.AssignMultipliers();
    next.MeanAndError();
    next.NelsonRileyFit(false, effects);
    next.PeakIdentifiers(effects);
    effects.HasTitleSuffix = true;
    effects.TitleSuffix = next.TitleSuffix(MeanField().ValueOf(next.meanText_));
    effects.AutoScanCandidates = tried;
    *this = std::move(next);
    return effects;
}

int32_t LatticeCalculation::ManualMultiplier(int row) const {
    if (row < 0 || row >= static_cast<int>(manualMultipliers_.size())) return 0;
    return manualMultipliers_[static_cast<size_t>(row)];
}

TLatticeEffects LatticeCalculation::AssignManualMultiplier(int row, int32_t multiplier,
                                                           double wavelength) {
    if (row < 0 || row >= static_cast<int>(peakRows_.size())) return {};
    LatticeCalculation next = *this;
    // Sized to the peak list first: otherwise the calculation would find a length different
    // from the peak count and throw the value just entered away.
    if (next.manualMultipliers_.size() != next.peakRows_.size())
        next.manualMultipliers_.assign(next.peakRows_.size(), 0);
    next.manualMultipliers_[static_cast<size_t>(row)] = multiplier;
    TLatticeEffects effects = next.CalculateLatticeData(wavelength);
    *this = std::move(next);
    return effects;
}

std::pair<double, double> LatticeCalculation::TakeStoredFit() {
    const std::pair<double, double> fit{fitIntercept_, fitSlope_};
    fitIntercept_ = fitSlope_ = 0.0;
    return fit;
}

}  // namespace trevasc::tools
