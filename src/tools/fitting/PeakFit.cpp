#include "tools/fitting/PeakFit.h"

#include <cminpack.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <limits>
#include <numbers>

#include "base/Parallel.h"

namespace trevasc::tools {

namespace {

constexpr double kPassBestStart = 1e300;
constexpr double kPreviousBestStart = 1e301;
constexpr double kEps = std::numeric_limits<double>::epsilon();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Gauss values beyond |u| = 6 are below exp(-36) = 2.3e-16: they are left out of the per-(k, c)
// sums and accounted for in the error bound instead (kGaussCut bounds what was left out).
constexpr double kGaussWindow = 6.0;
constexpr double kGaussCut = 3e-16;
// A pass of fewer (points x width factors x centres) runs on one thread: below this, starting
// a second one costs more than it saves.
constexpr size_t kSideBySideFrom = 20000;
// The points of the largest residuals whose terms bound the sums from below before the
// approximate sums are computed (PassSearch).
constexpr size_t kStrongPoints = 32;

// Neumaier's compensated sum: the error stays about 2 eps times the sum of the magnitudes,
// whatever the number of terms.
struct CompensatedSum {
    double Sum = 0.0, Carry = 0.0;
    void Add(double v) {
        const double t = Sum + v;
        Carry += std::fabs(Sum) >= std::fabs(v) ? (Sum - t) + v : (v - t) + Sum;
        Sum = t;
    }
    double Value() const { return Sum + Carry; }
};

struct Samples {
    std::vector<double> X;
    std::vector<double> R;  // residual intensity minus background
    bool Ascending = true;
    double SumRR = 0.0;
    double SumAbsR = 0.0;
    // For the Gauss sums' tails: RR(i) = r(i)^2, Leading(j) = r(0)^2 + ... + r(j - 1)^2 added
    // one by one from 0, Negligible(i) = ln(2^55 / |r(i)|) (ln 2^538 for r(i) = 0) and
    // LeadNegligible(i) the smaller of Negligible(i) and ln(1 / g(i)), where the sum goes on as
    // Leading(i + 1) for every term of A e < g(i) (see PrepareTails).
    std::vector<double> RR, Leading, Negligible, LeadNegligible;
    StrongPoints Strong;  // kStrongPoints of them

    // Fills RR, Leading, Negligible and LeadNegligible from R.
    //
    // While the partial sum of a Gauss sum is Leading(i) and r(i)^2 leaves it unchanged, a term
    // below half the spacing h of the doubles above it leaves it unchanged too (rounding to
    // nearest), so the sum goes on as Leading(i + 1). The term as computed, (A e - r)^2, is at
    // most (A e + |r|)^2 (1 + eps / 2)^5, below h when A e < g = sqrt(h) (1 - 8 eps) - |r|
    // (8 eps also cover the rounding of g itself); far out in the flanks of exact counts, where
    // r is 0 or a rounding error, this holds long before A e is negligible beside r.
    void PrepareTails() {
        RR.resize(R.size());
        Leading.assign(R.size() + 1, 0.0);
        Negligible.resize(R.size());
        LeadNegligible.resize(R.size());
        for (size_t i = 0; i < R.size(); ++i) {
            RR[i] = R[i] * R[i];
            Leading[i + 1] = Leading[i] + RR[i];
            Negligible[i] = R[i] == 0.0 ? 538.0 * std::numbers::ln2
                                        : 55.0 * std::numbers::ln2 - std::log(std::fabs(R[i]));
            LeadNegligible[i] = Negligible[i];
            const double sum = Leading[i];
            if (sum > 0.0 && sum < kInfinity && Leading[i + 1] == sum) {
                const double h = (std::nextafter(sum, kInfinity) - sum) / 2.0;
                const double g = std::sqrt(h) * (1.0 - 8.0 * kEps) - std::fabs(R[i]);
                if (g > 0.0) LeadNegligible[i] = std::min(LeadNegligible[i], -std::log(g));
            }
        }
    }
};

// Whether e = A exp(-uu) as computed is below the bound b = exp(-negligible) for every amplitude
// up to the one of logarithm logA; with negligible = Samples::Negligible(i) the documented Gauss
// term (e - r)^2 is then r^2 bit for bit: e - r rounds to -r when e is below half the spacing of
// the doubles next to r, at least |r| 2^-55; for r = 0, e^2 rounds to 0 when e < 2^-538 (below
// half the smallest subnormal). e is below b when uu > ln A + ln(1 / b), with 1e-6 to spare for
// the rounding of the exponential, the product and the logarithms. Beyond uu = 750 the
// exponential is 0 and e - r is -r.
inline bool GaussTermIsResidual(double uu, double logA, double negligible) {
    return uu > std::min(750.0, logA + negligible + 1e-6);
}

struct PassBest {
    bool Found = false;
    bool Cancelled = false;
    bool EveryTripleSummed = false;   // no triple was ruled out by its approximate sum
    bool StrongPointsHelped = false;  // they spared more work than they cost
    FitTriple Best;
};

// Where long double has a 64-bit significand (x86), the approximate sums of up to 2048 terms are
// plain sums in it: their error, at most 2047 * 2^-64 of the sum of the magnitudes plus the final
// rounding to double, stays within the compensated sum's bound below, at a fraction of its cost.
constexpr bool kExtendedSums = std::numeric_limits<long double>::digits == 64;
constexpr size_t kExtendedSumPoints = 2048;

}  // namespace

// 2^(-m/64), m = 0..63, each within 1 ulp (the library's exp2).
const std::array<double, 64> kNegativeExp2 = [] {
    std::array<double, 64> table{};
    for (size_t m = 0; m < table.size(); ++m) table[m] = std::exp2(-static_cast<double>(m) / 64.0);
    return table;
}();

namespace {

// Sums of products in long double where it has 64 bits (see kExtendedSums), else compensated.
template <class Profile>
void AddProfileSums(size_t lo, size_t hi, const double* r, Profile&& p, double& pp, double& pr,
                    double& absPr) {
    if (kExtendedSums && hi - lo <= kExtendedSumPoints) {
        long double spp = 0.0L, spr = 0.0L;
        for (size_t i = lo; i < hi; ++i) {
            const double v = p(i);
            const double vr = v * r[i];
            spp += v * v;
            spr += vr;
            absPr += std::fabs(vr);
        }
        pp = static_cast<double>(spp);
        pr = static_cast<double>(spr);
    } else {
        CompensatedSum spp, spr;
        for (size_t i = lo; i < hi; ++i) {
            const double v = p(i);
            const double vr = v * r[i];
            spp.Add(v * v);
            spr.Add(vr);
            absPr += std::fabs(vr);
        }
        pp = spp.Value();
        pr = spr.Value();
    }
}

// The profile values for A = 1 at x[lo, hi): `inWindow` where every |u| <= kGaussWindow (up to
// rounding), so that uu is in the fast range of the approximate exponential.
void ProfileValues(FitProfile profile, const double* x, size_t lo, size_t hi, double k, double c,
                   bool inWindow, double* values) {
    if (profile != FitProfile::Gauss) {
        for (size_t i = lo; i < hi; ++i) {
            const double u = (x[i] - c) * k;
            values[i] = 1.0 / (u * u + 1.0);
        }
    } else if (inWindow) {
        for (size_t i = lo; i < hi; ++i) {
            const double u = (x[i] - c) * k;
            values[i] = ApproxGaussShapeInRange(u * u);
        }
    } else {
        for (size_t i = lo; i < hi; ++i) {
            const double u = (x[i] - c) * k;
            values[i] = ApproxGaussShape(u * u);
        }
    }
}

// Sum p^2, sum p r and sum |p r| of some profile values p against their residuals.
struct ProfileSums {
    double PP = 0.0, PR = 0.0, AbsPR = 0.0;
};

// A triple's approximate sum and the bound of its distance from the documented sum (0 with a
// sum of -infinity when it cannot be bounded).
struct Interval {
    double Sum = 0.0, Tolerance = 0.0;
};

// The interval of amplitude a from the profile sums of a (k, c) over some of the n points and
// the sum of their r^2; `cut` bounds what the left-out Gauss values of the other points change.
Interval AmplitudeInterval(FitProfile profile, size_t n, double a, const ProfileSums& sums,
                           double sumRR, double cut) {
    const double literalFactor = 2.0 * (static_cast<double>(n) + 8.0) * kEps;
    // Profile values within a relative d change Spp by at most (2 d + d^2) Spp and Spr by
    // d sum|p r|, so the quadratic by at most (2 d + d^2) T.
    const double profileError =
        profile == FitProfile::Gauss ? 2.0 * kApproxGaussError * (1.0 + kApproxGaussError) : 0.0;
    const double aa = a * a * sums.PP;
    const double sum = aa - 2.0 * a * sums.PR + sumRR;
    const double terms = aa + 2.0 * std::fabs(a) * sums.AbsPR * 1.01 + sumRR;
    double t = (24.0 * kEps + profileError) * terms;
    t += literalFactor * (std::max(sum, 0.0) + t) + 4.0 * kEps * (terms + aa);
    t += cut;
    // Cannot be bounded: always summed term by term.
    if (!std::isfinite(sum) || !std::isfinite(t))
        return Interval{-std::numeric_limits<double>::infinity(), 0.0};
    return Interval{sum, t};
}

// One pass of the grid. For fixed (k, c) the sum is a quadratic in A,
// S(A) = A^2 Spp - 2 A Spr + Srr with p the profile values for A = 1, so the 21 amplitudes cost
// one pass over the points per (k, c). With compensated sums this differs from the exact
// quadratic by at most about 8 eps T, T = A^2 Spp + 2 |A| sum|p r| + Srr. The documented sum,
// added term by term, differs from the exact one by at most (n + 3) eps S (a sum of
// non-negative terms) plus 2 eps (S + A^2 Spp) for computing A / w instead of A * (1 / w).
// Twice these bounds, plus the left-out Gauss tails, give an interval around every triple's
// sum; every triple whose interval can hold the smallest sum is then summed term by term in the
// documented order with the documented rule (strictly smaller wins), which gives exactly the
// documented search's choice.
//
// Before that, the same quadratic over the kStrongPoints points of largest |r| alone gives each
// triple a lower bound at a small part of the cost: every documented term is >= 0, so the
// documented sum is at least its terms at these points added up, less the (n - 1) eps / 2 of
// the sum that adding up the others in floating point can lose, which the (n + 3) eps S of the
// interval above allows for; the other errors of the interval are those of the terms at these
// points, bounded by the same expressions of their sums. The (k, c) of the smallest such bound
// gives the first upper end, and the approximate sums of a (k, c) whose strong-point bounds all
// lie above the smallest upper end known so far are not computed: none of its triples can win.
// A triple is a candidate when neither of its lower bounds lies above the smallest upper end.
//
// Large passes run on two threads: each takes the next width factor of the approximate sums and
// the next (k, c) of the term-by-term sums not yet taken, so that a thread the system does not
// run at once leaves its share to the other. The documented choice is the smallest sum
// and, among equal sums, the first triple in (k, A, c) order, so the better of the two threads'
// choices by (sum, index) is the one the serial order finds, whichever thread gets which triple.
class PassSearch {
  public:
    PassSearch(FitProfile profile, const Samples& s, const std::vector<double>& ks,
               const std::vector<double>& as, const std::vector<double>& cs)
        : profile_(profile),
          s_(s),
          ks_(ks),
          as_(as),
          cs_(cs),
          nk_(ks.size()),
          na_(as.size()),
          nc_(cs.size()),
          n_(s.X.size()),
          approx_(nk_ * na_ * nc_),
          low_(nk_ * na_ * nc_),
          pairLow_(nk_ * nc_) {
        pairs_.reserve(nk_ * nc_);
    }

    // Without `approximate` every triple is summed term by term: where the approximate sums of
    // the previous pass ruled out none, those of this narrower grid would not either. Without
    // `strong` the strong-point bounds are left out: where they spared less work than they cost
    // in the previous pass, they would spare less in this one. With `sideBySide` the work is shared
    // with the kept thread of `threads`.
    PassBest Run(int pass, const FitProgressCallback& progress, SideBySide& threads,
                 bool sideBySide, bool approximate, bool strong);

  private:
    // The lowest-first candidates of the term-by-term sums.
    struct Candidate {
        size_t Pair;  // ik * nc + ic
        double Low;   // the smallest lower bound of its amplitudes
    };
    // One thread's choice among the triples it summed.
    struct Choice {
        bool Found = false;
        double Sum = kPassBestStart;
        size_t Index = 0;  // (ik * na + ia) * nc + ic
    };

    size_t Index(size_t ik, size_t ia, size_t ic) const { return (ik * na_ + ia) * nc_ + ic; }
    void StrongRow(size_t ik, std::vector<double>& values);
    double ApproximatePair(size_t ik, size_t ic, std::vector<double>& values);
    void ApproximateRow(size_t ik, size_t skip, std::vector<double>& values);
    void LowerUpper(double upper);
    size_t SelectCandidates(double upper);
    void SumCandidates(std::atomic<size_t>& next, std::vector<double>& shape, Choice& choice);

    const FitProfile profile_;
    const Samples& s_;
    const std::vector<double>&ks_, &as_, &cs_;
    const size_t nk_, na_, nc_, n_;
    // Per triple its approximate sum (the order of the term-by-term sums) and the larger of its
    // two lower bounds; per (k, c) the smallest strong-point bound of its amplitudes.
    std::vector<double> approx_, low_, pairLow_;
    std::vector<Candidate> pairs_;
    double upper_ = 0.0;  // the smallest upper end of the triples' intervals
    // The smallest upper end known while the approximate sums are computed.
    std::atomic<double> known_{std::numeric_limits<double>::infinity()};
    // The smallest sum either thread has found: a partial sum above it cannot win.
    std::atomic<double> shared_{kPassBestStart};
    std::atomic<size_t> spared_{0};  // (k, c) whose approximate sums were not computed
    std::atomic<size_t> summed_{0};  // points the computed ones ran over
};

// The strong-point lower bounds of the triples of width factor ks[ik].
void PassSearch::StrongRow(size_t ik, std::vector<double>& values) {
    std::array<double, kGridValues> lows{};
    for (size_t ic = 0; ic < nc_; ++ic) {
        pairLow_[ik * nc_ + ic] = StrongPointLowerBounds(profile_, n_, s_.Strong, ks_[ik], cs_[ic],
                                                         as_, values, lows.data());
        for (size_t ia = 0; ia < na_; ++ia) low_[Index(ik, ia, ic)] = lows[ia];
    }
}

// The approximate sums of the triples of (ks[ik], cs[ic]), their lower bounds raised to the
// intervals' where higher; returns the smallest upper end of their intervals. `values` (n
// doubles) is room for the profile values.
double PassSearch::ApproximatePair(size_t ik, size_t ic, std::vector<double>& values) {
    const bool windowed = profile_ == FitProfile::Gauss && s_.Ascending;
    const double k = ks_[ik], c = cs_[ic];
    size_t lo = 0, hi = n_;
    const bool inWindow = windowed && k > 0.0;
    if (inWindow) {
        const double half = kGaussWindow / k;
        lo = static_cast<size_t>(std::lower_bound(s_.X.begin(), s_.X.end(), c - half) -
                                 s_.X.begin());
        hi = static_cast<size_t>(std::upper_bound(s_.X.begin(), s_.X.end(), c + half) -
                                 s_.X.begin());
    }
    summed_ += hi - lo;
    ProfileValues(profile_, s_.X.data(), lo, hi, k, c, inWindow, values.data());
    const double outside = static_cast<double>(n_ - (hi - lo));
    ProfileSums sums;
    AddProfileSums(
        lo, hi, s_.R.data(), [&](size_t i) { return values[i]; }, sums.PP, sums.PR, sums.AbsPR);
    double upper = std::numeric_limits<double>::infinity();
    for (size_t ia = 0; ia < na_; ++ia) {
        const double a = as_[ia];
        const double cut = hi - lo < n_ ? 2.0 * std::fabs(a) * kGaussCut * s_.SumAbsR +
                                              a * a * kGaussCut * kGaussCut * outside
                                        : 0.0;
        const Interval in = AmplitudeInterval(profile_, n_, a, sums, s_.SumRR, cut);
        const size_t idx = Index(ik, ia, ic);
        approx_[idx] = in.Sum;
        low_[idx] = std::max(low_[idx], in.Sum - in.Tolerance);
        if (std::isfinite(in.Sum)) upper = std::min(upper, in.Sum + in.Tolerance);
    }
    return upper;
}

// The approximate sums of the triples of width factor ks[ik] but those of the (k, c) numbered
// `skip` (computed before), of the (k, c) whose strong-point bounds allow them to win.
void PassSearch::ApproximateRow(size_t ik, size_t skip, std::vector<double>& values) {
    for (size_t ic = 0; ic < nc_; ++ic) {
        const size_t pair = ik * nc_ + ic;
        if (pair == skip) continue;
        if (pairLow_[pair] > known_.load(std::memory_order_relaxed)) {
            for (size_t ia = 0; ia < na_; ++ia) {
                const size_t idx = Index(ik, ia, ic);
                approx_[idx] = low_[idx] = std::numeric_limits<double>::infinity();
            }
            ++spared_;
            continue;
        }
        LowerUpper(ApproximatePair(ik, ic, values));
    }
}

// Lowers the smallest upper end known to `upper` if that is smaller.
void PassSearch::LowerUpper(double upper) {
    double seen = known_.load(std::memory_order_relaxed);
    while (upper < seen && !known_.compare_exchange_weak(seen, upper, std::memory_order_relaxed)) {
    }
}

// The (k, c) whose intervals can hold the smallest sum (at most `upper`), most promising first;
// returns the number of such triples.
size_t PassSearch::SelectCandidates(double upper) {
    pairs_.clear();
    size_t triples = 0;
    for (size_t ik = 0; ik < nk_; ++ik)
        for (size_t ic = 0; ic < nc_; ++ic) {
            double low = std::numeric_limits<double>::infinity();
            bool any = false;
            for (size_t ia = 0; ia < na_; ++ia) {
                const size_t idx = Index(ik, ia, ic);
                if (low_[idx] > upper) continue;
                any = true;
                ++triples;
                low = std::min(low, low_[idx]);
            }
            if (any) pairs_.push_back(Candidate{ik * nc_ + ic, low});
        }
    std::stable_sort(pairs_.begin(), pairs_.end(),
                     [](const Candidate& a, const Candidate& b) { return a.Low < b.Low; });
    upper_ = upper;
    return triples;
}

// The term-by-term sums of the candidates, each taken by counting `next` up, in the documented
// order of the terms. The profile values of one (k, c) serve every amplitude: the documented term
// is A * exp(-u^2) or A / (u^2 + 1), so keeping exp(-u^2) or u^2 + 1 changes no bit of it.
//
// The candidates come most promising first, so that a good sum is known early, and a triple is
// left as soon as it can no longer win: a sum of squares never decreases as terms are added in
// floating point (rounding is monotone), so once the partial sum exceeds the best one (this
// thread's or the other's), or equals this thread's and the triple comes later, so does the full
// sum. Its profile values are computed only as far as it was summed.
void PassSearch::SumCandidates(std::atomic<size_t>& next, std::vector<double>& shape,
                               Choice& choice) {
    const auto canWin = [&](double sum, size_t idx) {
        if (sum > shared_.load(std::memory_order_relaxed)) return false;
        return sum < choice.Sum || (sum == choice.Sum && choice.Found && idx < choice.Index);
    };
    constexpr size_t kBlock = 64;  // points summed between two checks against the best sum
    constexpr size_t kLanes = 4;
    std::array<size_t, kGridValues> order{};
    for (size_t p = 0; (p = next++) < pairs_.size();) {
        const size_t ik = pairs_[p].Pair / nc_, ic = pairs_[p].Pair % nc_;
        const double k = ks_[ik], c = cs_[ic];
        // Amplitudes by their approximate sums, lowest first.
        size_t count = 0;
        for (size_t ia = 0; ia < na_; ++ia) {
            const size_t idx = Index(ik, ia, ic);
            if (low_[idx] > upper_) continue;
            order[count++] = ia;
        }
        // Insertion sort, stable as the order of equal sums must stay (at most kGridValues).
        for (size_t j = 1; j < count; ++j) {
            const size_t ia = order[j];
            const double key = approx_[Index(ik, ia, ic)];
            size_t to = j;
            for (; to > 0 && key < approx_[Index(ik, order[to - 1], ic)]; --to)
                order[to] = order[to - 1];
            order[to] = ia;
        }
        // A Gauss profile is negligible far from its centre: there every term is r^2 (for the
        // largest amplitude of this (k, c), so for all of them), or leaves a leading sum
        // unchanged as r^2 does (Samples::PrepareTails). The leading such terms add up to
        // Leading(lead) whatever the amplitude; the trailing ones, from `tail` on, are added as
        // r^2 without computing the profile.
        size_t lead = 0, tail = n_;
        if (profile_ == FitProfile::Gauss && count > 0) {
            double aMax = 0.0;
            for (size_t j = 0; j < count; ++j) aMax = std::max(aMax, as_[order[j]]);
            const double logA = std::log(aMax);
            const auto negligible = [&](size_t i, const std::vector<double>& bound) {
                const double u = (s_.X[i] - c) * k;
                return GaussTermIsResidual(u * u, logA, bound[i]);
            };
            while (lead < n_ && negligible(lead, s_.LeadNegligible)) ++lead;
            while (tail > lead && negligible(tail - 1, s_.Negligible)) --tail;
        }
        size_t shaped = lead;  // shape[lead, shaped) holds this (k, c)'s profile values
        // Up to kLanes amplitudes are summed side by side: each sum still adds its own terms one
        // by one in the documented order, but the independent chains of additions overlap.
        for (size_t j = 0; j < count;) {
            std::array<double, kLanes> amp{}, sum{};
            std::array<size_t, kLanes> lane{};
            std::array<bool, kLanes> live{};
            size_t lanes = 0;
            for (; j < count && lanes < kLanes; ++j) {
                const size_t idx = Index(ik, order[j], ic);
                // The documented sum is at least its lower bound.
                if (!canWin(low_[idx], idx)) continue;
                amp[lanes] = as_[order[j]];
                lane[lanes] = order[j];
                live[lanes] = true;
                ++lanes;
            }
            if (lanes == 0) continue;
            for (size_t l = lanes; l < kLanes; ++l) amp[l] = amp[0];  // unused, summed alongside
            if (lead > 0) sum.fill(s_.Leading[lead]);
            bool anyLive = true;
            for (size_t from = lead; from < n_ && anyLive; from += kBlock) {
                const size_t to = std::min(n_, from + kBlock);
                const size_t profiled = std::min(to, tail);
                for (; shaped < profiled; ++shaped) {
                    const double u = (s_.X[shaped] - c) * k;
                    shape[shaped] = profile_ == FitProfile::Gauss ? GaussShape(u * u) : u * u + 1.0;
                }
                if (profile_ == FitProfile::Gauss) {
                    for (size_t i = from; i < profiled; ++i)
                        for (size_t l = 0; l < kLanes; ++l) {
                            const double d = amp[l] * shape[i] - s_.R[i];
                            sum[l] += d * d;
                        }
                    for (size_t i = std::max(from, tail); i < to; ++i)
                        for (size_t l = 0; l < kLanes; ++l) sum[l] += s_.RR[i];
                } else {
                    for (size_t i = from; i < to; ++i)
                        for (size_t l = 0; l < kLanes; ++l) {
                            const double d = amp[l] / shape[i] - s_.R[i];
                            sum[l] += d * d;
                        }
                }
                anyLive = false;
                for (size_t l = 0; l < lanes; ++l) {
                    live[l] = live[l] && canWin(sum[l], Index(ik, lane[l], ic));
                    anyLive = anyLive || live[l];
                }
            }
            for (size_t l = 0; l < lanes; ++l) {
                const size_t idx = Index(ik, lane[l], ic);
                if (!live[l] || !canWin(sum[l], idx)) continue;
                choice = Choice{true, sum[l], idx};
                double seen = shared_.load(std::memory_order_relaxed);
                while (sum[l] < seen &&
                       !shared_.compare_exchange_weak(seen, sum[l], std::memory_order_relaxed)) {
                }
            }
        }
    }
}

PassBest PassSearch::Run(int pass, const FitProgressCallback& progress, SideBySide& threads,
                         bool sideBySide, bool approximate, bool strong) {
    PassBest result;
    // Reports width factors 1..done not reported yet; false when the fit is to stop.
    size_t reported = 0;
    const auto report = [&](size_t done) {
        for (; reported < done; ++reported) {
            if (!progress) continue;
            FitProgress step;
            step.Pass = pass;
            step.WidthDone = static_cast<int>(reported + 1);
            step.WidthTotal = static_cast<int>(nk_);
            if (!progress(step)) return false;
        }
        return true;
    };
    std::vector<double> shape(n_), otherShape(sideBySide ? n_ : 0);
    if (!approximate) {
        // Every triple is a candidate, in (k, A, c) order.
        std::fill(approx_.begin(), approx_.end(), -std::numeric_limits<double>::infinity());
        std::fill(low_.begin(), low_.end(), -std::numeric_limits<double>::infinity());
        if (!report(nk_)) {
            result.Cancelled = true;
            return result;
        }
    } else {
        // The strong-point bounds, shared as the approximate sums are.
        if (strong && sideBySide) {
            std::atomic<size_t> nextRow{0};
            threads.Run(
                [&] {
                    for (size_t ik = 0; (ik = nextRow++) < nk_;) StrongRow(ik, shape);
                },
                [&] {
                    for (size_t ik = 0; (ik = nextRow++) < nk_;) StrongRow(ik, otherShape);
                });
        } else if (strong) {
            for (size_t ik = 0; ik < nk_; ++ik) StrongRow(ik, shape);
        } else {
            std::fill(low_.begin(), low_.end(), -std::numeric_limits<double>::infinity());
            std::fill(pairLow_.begin(), pairLow_.end(), -std::numeric_limits<double>::infinity());
        }
        const size_t first = static_cast<size_t>(
            std::min_element(pairLow_.begin(), pairLow_.end()) - pairLow_.begin());
        LowerUpper(ApproximatePair(first / nc_, first % nc_, shape));
        if (!sideBySide) {
            for (size_t ik = 0; ik < nk_; ++ik) {
                ApproximateRow(ik, first, shape);
                if (!report(ik + 1)) {
                    result.Cancelled = true;
                    return result;
                }
            }
        } else {
            std::atomic<size_t> nextRow{0}, rowsDone{0};
            std::atomic<bool> stop{false};
            // The progress is reported on the calling thread only (the fit window's callback runs
            // its event loop), each width factor once and in order, as the rows of both threads
            // finish.
            threads.Run(
                [&] {
                    for (size_t ik = 0; !stop && (ik = nextRow++) < nk_;) {
                        ApproximateRow(ik, first, shape);
                        if (!report(++rowsDone)) stop = true;
                    }
                },
                [&] {
                    for (size_t ik = 0; !stop && (ik = nextRow++) < nk_;) {
                        ApproximateRow(ik, first, otherShape);
                        ++rowsDone;
                    }
                });
            if (stop || !report(nk_)) {
                result.Cancelled = true;
                return result;
            }
        }
    }
    const double upper = known_.load();
    result.EveryTripleSummed = SelectCandidates(upper) == approx_.size();
    // The points the spared approximate sums would have run over, by those of the computed ones,
    // against those of the strong-point bounds, which cost about twice as much a point.
    const size_t computed = nk_ * nc_ - spared_;
    result.StrongPointsHelped = strong && computed > 0 &&
                                spared_ * summed_ >= 2 * computed * nk_ * nc_ * s_.Strong.X.size();
    Choice first, second;
    std::atomic<size_t> nextPair{0};
    // A few (k, c) are summed on this thread: a second one would cost more than it saves.
    if (sideBySide && pairs_.size() * n_ >= kSideBySideFrom)
        threads.Run([&] { SumCandidates(nextPair, shape, first); },
                    [&] { SumCandidates(nextPair, otherShape, second); });
    else
        SumCandidates(nextPair, shape, first);
    const bool secondWins =
        second.Found && (!first.Found || second.Sum < first.Sum ||
                         (second.Sum == first.Sum && second.Index < first.Index));
    const Choice& best = secondWins ? second : first;
    if (!best.Found) return result;
    const size_t ic = best.Index % nc_, ia = best.Index / nc_ % na_, ik = best.Index / nc_ / na_;
    result.Found = true;
    result.Best = FitTriple{ks_[ik], as_[ia], cs_[ic], best.Sum};
    return result;
}

// The least-squares problem of the refinement: residuals A f(x(i)) - r(i) in the parameters
// (centre or its angle t, width factor k, amplitude A).
struct RefineProblem {
    const std::vector<double>* X = nullptr;
    const std::vector<double>* R = nullptr;
    FitProfile Profile = FitProfile::Gauss;
    bool Bounded = false;  // the centre is Mid + Half sin t
    double Mid = 0.0, Half = 0.0;

    double Centre(double v) const { return Bounded ? Mid + Half * std::sin(v) : v; }
};

// MINPACK's callback: iflag 1 asks for the residuals, 2 for the Jacobian (column-major). With
// u = (x - c) k: d/dA = f; Gauss f = exp(-u^2), d/dc = 2 u k A f, d/dk = -2 u (x - c) A f;
// Lorentz f = 1 / (u^2 + 1), d/dc = 2 u k A f^2, d/dk = -2 u (x - c) A f^2.
int RefineResiduals(void* data, int m, int, const double* v, double* fvec, double* fjac, int ldfjac,
                    int iflag) {
    const RefineProblem& p = *static_cast<const RefineProblem*>(data);
    const double c = p.Centre(v[0]), k = v[1], a = v[2];
    const double dcdv = p.Bounded ? p.Half * std::cos(v[0]) : 1.0;
    for (int i = 0; i < m; ++i) {
        const double x = (*p.X)[static_cast<size_t>(i)];
        const double d = x - c;
        const double u = d * k;
        if (iflag == 1) {
            fvec[i] = ProfileValue(p.Profile, a, c, k, x) - (*p.R)[static_cast<size_t>(i)];
            continue;
        }
        double f = 0.0, g = 0.0;  // the profile for A = 1 and the derivative factor A f or A f^2
        if (p.Profile == FitProfile::Gauss) {
            f = std::exp(-(u * u));
            g = a * f;
        } else {
            f = 1.0 / (u * u + 1.0);
            g = a * f * f;
        }
        fjac[i] = 2.0 * u * k * g * dcdv;
        fjac[i + ldfjac] = -2.0 * u * d * g;
        fjac[i + 2 * ldfjac] = f;
    }
    return 0;
}

}  // namespace

StrongPoints PickStrongPoints(const std::vector<double>& x, const std::vector<double>& r,
                              size_t count) {
    std::vector<size_t> order(std::min(x.size(), r.size()));
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    const size_t m = std::min(order.size(), count);
    std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(m), order.end(),
                      [&](size_t a, size_t b) {
                          const double ra = std::fabs(r[a]), rb = std::fabs(r[b]);
                          return ra > rb || (ra == rb && a < b);
                      });
    order.resize(m);
    std::sort(order.begin(), order.end());
    StrongPoints strong;
    CompensatedSum rr;
    for (size_t i : order) {
        strong.X.push_back(x[i]);
        strong.R.push_back(r[i]);
        rr.Add(r[i] * r[i]);
    }
    strong.SumRR = rr.Value();
    return strong;
}

// The same interval as the approximate sums' over all points, of the quadratic over the strong
// points (see PassSearch): its lower end bounds the documented sum from below.
double StrongPointLowerBounds(FitProfile profile, size_t n, const StrongPoints& strong, double k,
                              double c, const std::vector<double>& amplitudes,
                              std::vector<double>& values, double* lows) {
    const size_t m = strong.X.size();
    if (values.size() < m) values.resize(m);
    ProfileValues(profile, strong.X.data(), 0, m, k, c, false, values.data());
    ProfileSums sums;
    AddProfileSums(
        0, m, strong.R.data(), [&](size_t i) { return values[i]; }, sums.PP, sums.PR, sums.AbsPR);
    double smallest = std::numeric_limits<double>::infinity();
    for (size_t j = 0; j < amplitudes.size(); ++j) {
        const Interval in = AmplitudeInterval(profile, n, amplitudes[j], sums, strong.SumRR, 0.0);
        lows[j] = in.Sum - in.Tolerance;
        smallest = std::min(smallest, lows[j]);
    }
    return smallest;
}

double ResidualSum(const std::vector<double>& x, const std::vector<double>& r, FitProfile profile,
                   double amplitude, double center, double widthFactor) {
    double sum = 0.0;
    for (size_t i = 0; i < x.size() && i < r.size(); ++i) {
        const double d = ProfileValue(profile, amplitude, center, widthFactor, x[i]) - r[i];
        sum += d * d;
    }
    return sum;
}

FitTriple RefineLeastSquares(const std::vector<double>& x, const std::vector<double>& r,
                             FitProfile profile, const FitTriple& start,
                             const std::optional<CentreInterval>& centre) {
    FitTriple result = start;
    result.Sum = ResidualSum(x, r, profile, start.Amplitude, start.Center, start.WidthFactor);
    const int m = static_cast<int>(std::min(x.size(), r.size()));
    if (m < 3 || profile == FitProfile::None || !std::isfinite(start.Center) ||
        !std::isfinite(start.WidthFactor) || !std::isfinite(start.Amplitude))
        return result;
    RefineProblem problem;
    problem.X = &x;
    problem.R = &r;
    problem.Profile = profile;
    std::array<double, 3> v{start.Center, start.WidthFactor, start.Amplitude};
    if (centre) {
        problem.Bounded = true;
        problem.Mid = (centre->Low + centre->High) / 2.0;
        problem.Half = (centre->High - centre->Low) / 2.0;
        if (!(problem.Half > 0.0) || !std::isfinite(problem.Half)) return result;
        // Just inside an edge, so that the angle's derivative does not vanish at the start.
        const double s =
            std::clamp((start.Center - problem.Mid) / problem.Half, -1.0 + 1e-6, 1.0 - 1e-6);
        v[0] = std::asin(s);
    }
    constexpr int n = 3;
    std::vector<double> fvec(static_cast<size_t>(m)), fjac(static_cast<size_t>(m) * n);
    std::vector<double> wa4(static_cast<size_t>(m));
    std::array<double, n> diag{}, qtf{}, wa1{}, wa2{}, wa3{};
    std::array<int, n> ipvt{};
    int nfev = 0, njev = 0;
    // Tolerances near the machine precision: the refinement stops when a step no longer changes
    // the sum or the parameters by more than rounding does (MINPACK then reports that the
    // tolerances are too small, which is the intended end, not a failure).
    const int info = lmder(RefineResiduals, &problem, m, n, v.data(), fvec.data(), fjac.data(), m,
                           1e-15, 1e-15, 0.0, 400 * (n + 1), diag.data(), 1, 100.0, 0, &nfev, &njev,
                           ipvt.data(), qtf.data(), wa1.data(), wa2.data(), wa3.data(), wa4.data());
    if (info <= 0) return result;
    FitTriple refined;
    refined.Center = problem.Centre(v[0]);
    if (centre) refined.Center = std::clamp(refined.Center, centre->Low, centre->High);
    refined.WidthFactor = std::fabs(v[1]);  // the profiles depend on k^2 only
    refined.Amplitude = v[2];
    refined.Sum =
        ResidualSum(x, r, profile, refined.Amplitude, refined.Center, refined.WidthFactor);
    // A peak stands above its background: a least-squares "peak" that hangs below it fits a
    // dip, not the peak, and the start is kept.
    if (!std::isfinite(refined.Center) || !std::isfinite(refined.Sum) ||
        !(refined.WidthFactor > 0.0) || !std::isfinite(refined.WidthFactor) ||
        !(refined.Amplitude > 0.0) || !std::isfinite(refined.Amplitude))
        return result;
    return refined;
}

double Fwhm(FitProfile profile, double widthFactor) {
    if (!(widthFactor > 0.0)) return 0.0;
    if (profile == FitProfile::Gauss) return 2.0 * std::sqrt(-std::log(0.5)) / widthFactor;
    return 2.0 / widthFactor;
}

std::vector<double> GeometricGrid(double min, double max, double factor) {
    std::vector<double> values;
    for (double v = min; v <= max && static_cast<int>(values.size()) < kGridValues; v *= factor) {
        values.push_back(v);
        if (!(factor > 1.0)) break;
    }
    return values;
}

std::vector<double> LinearGrid(double min, double max, double step) {
    std::vector<double> values;
    for (double v = min; v <= max && static_cast<int>(values.size()) < kGridValues; v += step) {
        values.push_back(v);
        if (!(step > 0.0)) break;
    }
    return values;
}

PeakFit::PeakFit(const TDataPointArray& points, int first, int last) : points_(points) {
    const int n = static_cast<int>(points.size());
    if (n == 0) return;
    first_ = std::clamp(first, 0, n - 1);
    last_ = std::clamp(last, 0, n - 1);
    count_ = last_ >= first_ ? last_ - first_ + 1 : 0;
}

bool PeakFit::BackgroundAreaTooLarge(double xL, double xR) const {
    if (count_ < 3) return true;
    const double x0 = points_[static_cast<size_t>(first_)].Position;
    const double step = points_[static_cast<size_t>(first_) + 1].Position - x0;
    // Positions that do not ascend leave no width factor range to search.
    if (!(step > 0.0) || !(points_[static_cast<size_t>(last_)].Position > x0)) return true;
    return !(xR - xL > step);
}

FitBackground PeakFit::Background(double xL, double xR) const {
    FitBackground bg;
    if (count_ == 0) return bg;
    const auto at = [this](int i) -> const TDataPoint& { return points_[static_cast<size_t>(i)]; };
    // A boundary outside the range still takes the outermost point, so that the level is never
    // an average of nothing.
    double sum = 0.0;
    int count = 0;
    for (int i = first_; i <= last_ && (at(i).Position <= xL || count == 0); ++i, ++count)
        sum += at(i).Intensity;
    bg.LeftLevel = sum / count;
    sum = 0.0;
    count = 0;
    for (int i = last_; i >= first_ && (at(i).Position >= xR || count == 0); --i, ++count)
        sum += at(i).Intensity;
    bg.RightLevel = sum / count;
    bg.LeftAbscissa = (xL + at(first_).Position) / 2.0;
    bg.RightAbscissa = (xR + at(last_).Position) / 2.0;
    const double width = bg.RightAbscissa - bg.LeftAbscissa;
    if (width != 0.0 && std::isfinite(width)) {
        bg.Slope = (bg.RightLevel - bg.LeftLevel) / width;
        bg.Offset = bg.LeftLevel - bg.LeftAbscissa * bg.Slope;
    } else {
        bg.Offset = (bg.LeftLevel + bg.RightLevel) / 2.0;
    }
    return bg;
}

FitResult PeakFit::Run(FitProfile profile, double xL, double xR,
                       const FitProgressCallback& progress,
                       const std::optional<CentreInterval>& centre) const {
    FitResult result;
    result.Overlay.LeftBoundary = xL;
    result.Overlay.RightBoundary = xR;
    if (profile == FitProfile::None || BackgroundAreaTooLarge(xL, xR) || !std::isfinite(xL) ||
        !std::isfinite(xR)) {
        result.Error = kBackgroundTooLargeMessage;
        return result;
    }
    const FitBackground bg = Background(xL, xR);
    result.Overlay.BackgroundSlope = bg.Slope;
    result.Overlay.BackgroundOffset = bg.Offset;

    Samples s;
    CompensatedSum sumRR;
    double imax = 0.0;
    double previousX = -std::numeric_limits<double>::infinity();
    for (int i = first_; i <= last_; ++i) {
        const TDataPoint& pt = points_[static_cast<size_t>(i)];
        imax = std::max(imax, static_cast<double>(pt.Intensity));
        if (pt.Position < xL || pt.Position > xR) continue;
        const double r = pt.Intensity - (bg.Slope * pt.Position + bg.Offset);
        if (pt.Position < previousX) s.Ascending = false;
        previousX = pt.Position;
        s.X.push_back(pt.Position);
        s.R.push_back(r);
        sumRR.Add(r * r);
        s.SumAbsR += std::fabs(r);
    }
    s.SumRR = sumRR.Value();
    if (profile == FitProfile::Gauss) s.PrepareTails();
    s.Strong = PickStrongPoints(s.X, s.R, kStrongPoints);
    if (s.X.empty()) {
        // Boundaries beyond the points: nothing to fit.
        result.Error = kBackgroundTooLargeMessage;
        return result;
    }

    const double x0 = points_[static_cast<size_t>(first_)].Position;
    const double x1 = points_[static_cast<size_t>(first_) + 1].Position;
    const double xn = points_[static_cast<size_t>(last_)].Position;
    double amin = std::max((imax - (bg.LeftLevel + bg.RightLevel) / 2.0) / 3.0, 1.0);
    double amax = std::max(2.0 * imax, 1.0);
    amax = std::max(amax, amin);  // never an empty grid
    double kmin = 1.0 / (xn - x0);
    double kmax = std::max(10.0 / (x1 - x0), kmin);
    double cmin = x0, cmax = xn;
    const double kLow = kmin, kHigh = kmax, aLow = amin, aHigh = amax;
    std::optional<CentreInterval> confined;
    if (centre) {
        cmin = std::max(cmin, centre->Low);
        cmax = std::min(cmax, centre->High);
        if (!(cmin <= cmax)) {
            // The interval misses the fit range: every centre would lie on its edge.
            result.Error = kIntervalEdgeMessage;
            return result;
        }
        confined = CentreInterval{cmin, cmax};
    }

    double previous = kPreviousBestStart;
    bool approximate = true;
    // Over a few points the strong-point bounds would cost about as much as the approximate sums
    // they are to spare.
    bool strong = s.X.size() >= 4 * kStrongPoints;
    SideBySide threads;  // one second thread for every pass of this fit
    for (int pass = 1; pass <= kMaxPasses; ++pass) {
        const double fk = std::pow(kmax / kmin, 0.05);
        const double fa = std::pow(amax / amin, 0.05);
        const double dc = (cmax - cmin) / 20.0;
        const std::vector<double> ks = GeometricGrid(kmin, kmax, fk);
        const std::vector<double> as = GeometricGrid(amin, amax, fa);
        const std::vector<double> cs = LinearGrid(cmin, cmax, dc);
        const bool twoThreads =
            sideBySide_ && HasSecondCore() && s.X.size() * ks.size() * cs.size() >= kSideBySideFrom;
        PassSearch search(profile, s, ks, as, cs);
        const PassBest found = search.Run(pass, progress, threads, twoThreads, approximate, strong);
        approximate = !found.EveryTripleSummed;
        strong = strong && found.StrongPointsHelped;
        if (found.Cancelled) {
            result.Cancelled = true;
            result.Passes.clear();
            return result;
        }
        if (!found.Found) break;
        const FitTriple& b = found.Best;
        result.Passes.push_back(b);
        if (progress) {
            FitProgress done;
            done.Pass = pass;
            done.PassFinished = true;
            done.Best = b;
            if (!progress(done)) {
                result.Cancelled = true;
                result.Passes.clear();
                return result;
            }
        }
        kmin = std::max(kmin, b.WidthFactor / (fk * fk));
        kmax = std::min(kmax, b.WidthFactor * fk * fk);
        amin = std::max(amin, b.Amplitude / (fa * fa));
        amax = std::min(amax, b.Amplitude * fa * fa);
        cmin = std::max(cmin, b.Center - 2.0 * dc);
        cmax = std::min(cmax, b.Center + 2.0 * dc);
        const double change = std::fabs(b.Sum - previous);
        // A sum that did not change at all has converged too (the documented rule alone never
        // ends for a best sum of 0).
        if ((change < 1e-10 * previous || change == 0.0) && dc < 0.001) break;
        previous = b.Sum;
    }
    if (result.Passes.empty()) {
        result.Error = kBackgroundTooLargeMessage;
        return result;
    }
    // The grid stops where its spacing does, often well above the least-squares minimum when a
    // peak has only a few points per FWHM; the refinement goes on from its best triple.
    FitTriple b = result.Passes.back();
    const FitTriple refined = RefineLeastSquares(s.X, s.R, profile, b, confined);
    // Kept only inside the grid's starting ranges of width and height: beyond them a Lorentz
    // "peak" can grow ever higher and narrower until only its 1/x^2 flanks fit the points (a
    // lower sum, but no position or width).
    const bool inRanges = refined.WidthFactor >= kLow && refined.WidthFactor <= kHigh &&
                          refined.Amplitude >= aLow && refined.Amplitude <= aHigh;
    if (inRanges && refined.Sum < b.Sum) {
        b = refined;
        result.Refined = true;
    }
    if (confined) {
        // The refinement's centre creeps towards an edge (its derivative in the angle vanishes
        // there), so a centre within 1e-5 of the interval's width counts as on it.
        const double low = confined->Low, high = confined->High;
        const double tolerance = 1e-5 * (high - low) + 4.0 * kEps * std::fabs(high);
        if (b.Center - low <= tolerance || high - b.Center <= tolerance) {
            result.Error = kIntervalEdgeMessage;
            return result;
        }
    }
    if (!(b.Center >= xL && b.Center <= xR)) {
        result.Error = kOutsideBoundariesMessage;
        return result;
    }
    result.Fitted = true;
    result.Sum = b.Sum;
    result.Overlay.ProfileKind = static_cast<uint8_t>(profile);
    result.Overlay.Center = b.Center;
    result.Overlay.WidthFactor = b.WidthFactor;
    result.Overlay.Amplitude = b.Amplitude;
    result.Fwhm = Fwhm(profile, b.WidthFactor);
    return result;
}

DisplayFitRange MapDisplayRange(const TDataPointArray& points, double viewMin, double viewMax) {
    DisplayFitRange range;
    range.From = viewMin;
    range.To = viewMax;
    const int n = static_cast<int>(points.size());
    if (n < 2) {
        range.Error = kNotEnoughFileDataMessage;
        return range;
    }
    const double x0 = points.front().Position;
    const double span = points.back().Position - x0;
    const auto index = [&](double limit) {
        if (!(span != 0.0) || !std::isfinite(limit)) return 0;
        const double i = (limit - x0) * (n - 1) / span;
        return static_cast<int>(std::lround(std::clamp(i, 0.0, static_cast<double>(n - 1))));
    };
    range.First = index(viewMin);
    range.Last = index(viewMax);
    if (range.First > range.Last) std::swap(range.First, range.Last);
    if (range.Last - range.First < 2) range.Error = kNotEnoughZoomDataMessage;
    return range;
}

plot::TPlotDataset BuildFitPlotDataset(const TDataPointArray& points, int first, int last,
                                       bool logY) {
    plot::TPlotDataset d;
    d.YTitle = "Counts";
    d.XTitle = "TwoTheta";
    d.Title = "Peak Fit";
    d.LogY = logY;
    const int n = static_cast<int>(points.size());
    if (n == 0) return d;
    first = std::clamp(first, 0, n - 1);
    last = std::clamp(last, 0, n - 1);
    for (int i = first; i <= last; ++i) {
        const TDataPoint& p = points[static_cast<size_t>(i)];
        d.Points.push_back(plot::TPlotPoint{p.Position, static_cast<double>(p.Intensity)});
    }
    if (!d.Points.empty()) {
        d.ViewXMin = d.FullXMin = d.Points.front().X;
        d.ViewXMax = d.FullXMax = d.Points.back().X;
    }
    return d;
}

plot::TFitOverlay FitOverlayColors(plot::TFitOverlay overlay) {
    overlay.FitColor = plot::RGBColor(255, 0, 0);
    overlay.BackgroundColor = plot::RGBColor(0, 0, 255);
    overlay.CenterColor = plot::RGBColor(0, 128, 0);
    overlay.HalfWidthColor = plot::RGBColor(0, 128, 0);
    overlay.BoundaryColor = plot::RGBColor(255, 0, 255);
    return overlay;
}

AutoFitEdges FindAutoFitEdges(const TDataPointArray& points, double pointIndex) {
    AutoFitEdges e;
    const int n = static_cast<int>(points.size());
    if (n == 0) return e;
    const double clamped =
        std::isfinite(pointIndex) ? std::clamp(pointIndex, 0.0, static_cast<double>(n - 1)) : 0.0;
    e.Nearest = static_cast<int>(std::lround(clamped));
    const auto walk = [&](int direction) {
        int i = e.Nearest;
        int32_t lowest = points[static_cast<size_t>(i)].Intensity;
        int rising = 0;
        while (rising < 20 && i + direction >= 0 && i + direction <= n - 1) {
            i += direction;
            const int32_t value = points[static_cast<size_t>(i)].Intensity;
            if (value > lowest) {
                ++rising;
            } else {
                lowest = value;
                rising = 0;
            }
        }
        return i;
    };
    e.Left = walk(-1);
    e.Right = walk(+1);
    e.Margin = std::max((e.Right - e.Left) / 4, 2);
    e.First = std::max(e.Left - e.Margin, 0);
    e.Last = std::min(e.Right + e.Margin, n - 1);
    e.LeftBoundary = points[static_cast<size_t>(e.Left)].Position;
    e.RightBoundary = points[static_cast<size_t>(e.Right)].Position;
    return e;
}

CentreInterval AutoFitCentreInterval(const std::vector<double>& peakPositions, double position,
                                     const AutoFitEdges& edges) {
    CentreInterval interval{edges.LeftBoundary, edges.RightBoundary};
    const double inf = std::numeric_limits<double>::infinity();
    double below = -inf, above = inf;
    for (double p : peakPositions) {
        if (p < position) below = std::max(below, p);
        if (p > position) above = std::min(above, p);
    }
    if (below > -inf) interval.Low = (position + below) / 2.0;
    if (above < inf) interval.High = (position + above) / 2.0;
    return interval;
}

}  // namespace trevasc::tools
