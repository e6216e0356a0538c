#include "tools/thickness/FilmThicknessCalculation.h"

#include <algorithm>
#include <cmath>

#include "base/Error.h"
#include "base/NumberText.h"
#include "core/DiffractionGeometry.h"
#include "core/XrayLines.h"
#include "tools/lattice/LatticeCalculation.h"

namespace trevasc::tools {

namespace {

double SinTheta(const std::string& row) {
    return std::sin(ThetaRadians(ParseFloat(row)));
}

}  // namespace

std::optional<TRefractionFit> FitRefraction(const std::vector<std::string>& peakRows,
                                            double firstOrder, double wavelength) {
    if (peakRows.size() < static_cast<size_t>(kMinRefractionFringes) || !(wavelength > 0.0))
        return std::nullopt;
    std::vector<double> squaredOrders, squaredSines;
    for (size_t i = 0; i < peakRows.size(); ++i) {
        const double order = firstOrder + static_cast<double>(i);
        const double s = SinTheta(peakRows[i]);
        squaredOrders.push_back(order * order);
        squaredSines.push_back(s * s);
    }
    // Orders from 0.5 upwards: the squared orders all differ, so the line is defined.
    const TLinearFit line = LinearFit(squaredOrders, squaredSines);
    if (!(line.Slope > 0.0) || !std::isfinite(line.Intercept)) return std::nullopt;
    TRefractionFit fit;
    fit.FirstOrder = firstOrder;
    // slope = (lambda / 2t)^2, lambda in nm.
    fit.Thickness = (wavelength / 10.0) / (2.0 * std::sqrt(line.Slope));
    // intercept = sin^2(theta_c); none below 0 (a fringe list that bends the other way).
    if (line.Intercept > 0.0 && line.Intercept <= 1.0)
        fit.TwoThetaCritical = TwoThetaFromSinTheta(std::sqrt(line.Intercept));
    for (size_t i = 0; i < squaredOrders.size(); ++i) {
        const double r = squaredSines[i] - (line.Intercept + line.Slope * squaredOrders[i]);
        fit.Residual += r * r;
    }
    return fit;
}

std::optional<TRefractionFit> FitFringeOrders(const std::vector<std::string>& peakRows,
                                              double wavelength) {
    std::optional<TRefractionFit> best;
    for (int halves = 1; halves <= 200; ++halves) {
        const std::optional<TRefractionFit> fit = FitRefraction(peakRows, halves / 2.0, wavelength);
        if (fit && (!best || fit->Residual < best->Residual)) best = fit;
    }
    return best;
}

void FilmThicknessCalculation::ReceivePeaks(std::vector<std::string> peakRows) {
    peakRows_ = std::move(peakRows);
    oldData_ = false;
}

int FilmThicknessCalculation::IndexFor(double thicknessNm, double wavelength) const {
    // Order of the first fringe: 2 t sin(theta1) = n lambda, t in nm and lambda in nm.
    const double n = SinTheta(peakRows_.front()) * 2.0 * thicknessNm / (wavelength * 0.1);
    if (!std::isfinite(n)) throw TrevascError(kZeroDivideMessage);
    // Nearest integer with halves to even (the default rounding mode), then clamped to the
    // range of the index field.
    const double rounded = std::nearbyint(std::clamp(n, -1e9, 1e9));
    return static_cast<int>(std::clamp(rounded, double(kMinIndex), double(kMaxIndex)));
}

void FilmThicknessCalculation::Estimate(double wavelength) {
    const size_t n = peakRows_.size();
    if (n <= 1) {
        thicknessText_ = ThicknessField().TextOf(0.0, separator_);
        SetFirstIndex(1);
        return;
    }
    const double s1 = SinTheta(peakRows_.front());
    const double sn = SinTheta(peakRows_.back());
    // Fringes n - 1 orders apart: 2 t (sin(theta_n) - sin(theta_1)) = (n - 1) lambda.
    const double t = wavelength * static_cast<double>(n - 1) / ((sn - s1) * 2.0);
    if (!std::isfinite(t) || wavelength <= 0.0) throw TrevascError(kZeroDivideMessage);
    const std::string text = ThicknessField().TextOf(t / 10.0, separator_);
    const int index = IndexFor(ThicknessField().ValueOf(text), wavelength);
    thicknessText_ = text;
    SetFirstIndex(index);
}

void FilmThicknessCalculation::DeleteRow(int row, double wavelength) {
    if (row < 0) return;
    for (auto* list : {&peakRows_, &spacingRows_, &orderRows_, &thicknessRows_})
        if (row < static_cast<int>(list->size())) list->erase(list->begin() + row);
    // The spacing goes with its row, so that the orders rebuilt by the new first index still
    // belong to the fringes that remain.
    if (row < static_cast<int>(spacings_.size())) spacings_.erase(spacings_.begin() + row);
    Estimate(wavelength);
}

void FilmThicknessCalculation::ThicknessEdited(const std::string& text, double wavelength) {
    thicknessText_ = text;
    if (peakRows_.empty() || !(wavelength > 0.0)) return;
    SetFirstIndex(IndexFor(ThicknessField().ValueOf(text), wavelength));
}

void FilmThicknessCalculation::SetFirstIndex(int index) {
    firstIndex_ = std::clamp(index, MinFirstIndex(), kMaxIndex);
    RebuildOrders();
}

void FilmThicknessCalculation::SetHalfOrders(bool on) {
    half_ = on;
    // Index 0 is order ½ only; without "+½" it would be order 0, no fringe.
    if (firstIndex_ < MinFirstIndex()) SetFirstIndex(MinFirstIndex());
}

void FilmThicknessCalculation::FitOrders(double wavelength) {
    if (!(wavelength > 0.0)) throw TrevascError(kZeroDivideMessage);
    const std::optional<TRefractionFit> fit = FitFringeOrders(peakRows_, wavelength);
    if (!fit) throw TrevascError(kFitOrdersMessage);
    const double whole = std::floor(fit->FirstOrder);
    half_ = fit->FirstOrder != whole;
    SetFirstIndex(static_cast<int>(whole));
}

void FilmThicknessCalculation::RebuildOrders() {
    orders_.clear();
    thicknesses_.clear();
    orderRows_.clear();
    thicknessRows_.clear();
    for (size_t i = 0; i < spacings_.size(); ++i) {
        const double order = firstIndex_ + static_cast<double>(i) + (half_ ? 0.5 : 0.0);
        const double t = order * spacings_[i];
        orders_.push_back(order);
        thicknesses_.push_back(t);
        orderRows_.push_back(FormatGeneral(order, 15, separator_));
        thicknessRows_.push_back(FormatFixed(t, 5, separator_));
    }
}

TThicknessEffects FilmThicknessCalculation::Calculate(double wavelength) {
    TThicknessEffects effects;
    if (peakRows_.empty()) return effects;
    FilmThicknessCalculation next = *this;
    next.spacings_.clear();
    next.spacingRows_.clear();
    for (const std::string& row : next.peakRows_) {
        // d = (lambda / 10) / (2 sin(theta)) in nm; a fringe at 0° or lambda = 0 has none.
        const double d = (wavelength / 10.0) / (2.0 * SinTheta(row));
        if (!std::isfinite(d) || d <= 0.0) throw TrevascError(kZeroDivideMessage);
        next.spacings_.push_back(d);
        next.spacingRows_.push_back(FormatFixed(d, 5, next.separator_));
    }
    next.RebuildOrders();
    const size_t count = next.thicknesses_.size();
    double sum = 0;
    for (double t : next.thicknesses_) sum += t;
    next.mean_ = sum / static_cast<double>(count);
    next.meanText_ = MeanField().TextOf(next.mean_, separator_);
    const double shownMean = MeanField().ValueOf(next.meanText_);
    next.deviation_ = 0.0;
    if (count >= 2) {
        // Sample standard deviation around the mean as its field shows it.
        double squares = 0;
        for (double t : next.thicknesses_) squares += (t - shownMean) * (t - shownMean);
        next.deviation_ = std::sqrt(squares / static_cast<double>(count - 1));
    }
    next.deviationText_ = DeviationField().TextOf(next.deviation_, separator_);
    next.refraction_ = FitRefraction(next.peakRows_, next.orders_.front(), wavelength);
    next.refractionText_ = next.criticalText_ = kNoRefractionText;
    if (next.refraction_) {
        next.refractionText_ = RefractionField().TextOf(next.refraction_->Thickness, separator_);
        next.criticalText_ =
            CriticalAngleField().TextOf(next.refraction_->TwoThetaCritical, separator_);
    }
    if (next.AddPeakIds)
        for (size_t i = 0; i < count; ++i) {
            effects.IdPositions.push_back(ParseFloat(next.peakRows_[i]));
            effects.IdTexts.push_back("(" + next.orderRows_[i] + ")");
        }
    next.AddPeakIds = false;
    const double shownDeviation = DeviationField().ValueOf(next.deviationText_);
    effects.TitleSuffix = " (d=" + FormatFixed(shownMean, 2, separator_) + "±" +
                          FormatFixed(shownDeviation, 2, separator_) + "nm)";
    effects.LatticeSpacing = shownMean * 10.0;
    effects.Calculated = true;
    *this = std::move(next);
    return effects;
}

}  // namespace trevasc::tools
