#pragma once
// The figures that say how much more (or less) often a word occurs in a text than in a
// reference: a = its count in the text, b = in the reference, c and d their total words.
#include <cstdint>

namespace vornix {

struct KeywordFigures {
    // Log-likelihood G2 of the 2x2 table a, b, c-a, d-b, negative when a/c < b/d.
    double logLikelihood = 0;
    // Chance of a |G2| this large when the rates are equal (chi-square, 1 degree of freedom).
    double p = 1;
    // log2((a/c) / (b/d)), a zero count taken as 0.5.
    double logRatio = 0;
    // (a/c - b/d) / (b/d) * 100, a zero b taken as 0.5.
    double percentDiff = 0;
    // (a/c * 1e6 + n) / (b/d * 1e6 + n).
    double simpleMaths = 0;
};

// c and d must be at least 1, 0 <= a <= c, 0 <= b <= d; smoothing (n) above 0.
KeywordFigures ComputeKeywordFigures(std::int64_t a, std::int64_t b, std::int64_t c, std::int64_t d,
                                     double smoothing = 1);

// G2 with its sign, alone.
double SignedLogLikelihood(std::int64_t a, std::int64_t b, std::int64_t c, std::int64_t d);

// Upper tail of the chi-square distribution with one degree of freedom.
double ChiSquareTailOneDf(double x);

// The G2 at which p falls below the cut-off 0.05, 0.01, 0.001 or 0.0001; 0 for any
// other cut-off (none).
double CriticalLogLikelihood(double cutoff);

}  // namespace vornix
