#include "core/keywords/KeywordStats.h"

#include <cmath>

namespace vornix {

namespace {

// O * ln(O / E), with 0 * ln 0 = 0.
double Term(double observed, double expected) {
    return observed > 0 ? observed * std::log(observed / expected) : 0.0;
}

}  // namespace

double SignedLogLikelihood(std::int64_t a, std::int64_t b, std::int64_t c, std::int64_t d) {
    const double A = static_cast<double>(a), B = static_cast<double>(b);
    const double C = static_cast<double>(c), D = static_cast<double>(d);
    const double n = C + D;
    // Rows: the word and every other word; columns: the text and the reference.
    const double word = A + B, rest = n - word;
    const double g2 =
        2 * (Term(A, C * word / n) + Term(B, D * word / n) + Term(C - A, C * rest / n) + Term(D - B, D * rest / n));
    // The sign from the counts themselves (a*d against b*c), not from rounded rates.
    const long double lhs = static_cast<long double>(a) * d, rhs = static_cast<long double>(b) * c;
    const double magnitude = g2 > 0 ? g2 : 0.0;  // rounding can leave a tiny negative sum
    return lhs < rhs ? -magnitude : magnitude;
}

double ChiSquareTailOneDf(double x) {
    return x <= 0 ? 1.0 : std::erfc(std::sqrt(x / 2));
}

double CriticalLogLikelihood(double cutoff) {
    if (cutoff == 0.05) return 3.841459;
    if (cutoff == 0.01) return 6.634897;
    if (cutoff == 0.001) return 10.827566;
    if (cutoff == 0.0001) return 15.136705;
    return 0;
}

KeywordFigures ComputeKeywordFigures(std::int64_t a, std::int64_t b, std::int64_t c, std::int64_t d, double smoothing) {
    KeywordFigures f;
    f.logLikelihood = SignedLogLikelihood(a, b, c, d);
    f.p = ChiSquareTailOneDf(std::fabs(f.logLikelihood));
    const double rateA = static_cast<double>(a) / static_cast<double>(c);
    const double rateB = static_cast<double>(b) / static_cast<double>(d);
    const double halfA = (a == 0 ? 0.5 : static_cast<double>(a)) / static_cast<double>(c);
    const double halfB = (b == 0 ? 0.5 : static_cast<double>(b)) / static_cast<double>(d);
    f.logRatio = std::log2(halfA / halfB);
    f.percentDiff = (rateA - halfB) / halfB * 100;
    f.simpleMaths = (rateA * 1e6 + smoothing) / (rateB * 1e6 + smoothing);
    return f;
}

}  // namespace vornix
