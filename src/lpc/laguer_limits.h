// The constants of the Laguerre iteration, shared by its scalar and its
// two-lane forms.
#pragma once

#include <array>

// Every LAGUER_STEP_PERIOD-th iteration moves only a fraction of the Laguerre
// step, which breaks limit cycles; LAGUER_FRACTIONS sets how many such
// fractions there are, and so the iteration limit.
inline constexpr int LAGUER_FRACTIONS = 8;
inline constexpr int LAGUER_STEP_PERIOD = 10;
inline constexpr int LAGUER_MAX_ITERATIONS = LAGUER_FRACTIONS * LAGUER_STEP_PERIOD;

// Relative size of the rounding error of the polynomial value below which the
// value counts as zero.
inline constexpr double LAGUER_ROUNDING = 1e-9;

// Step fraction of iteration k * LAGUER_STEP_PERIOD, at index k (1..8).
inline constexpr std::array<double, LAGUER_FRACTIONS + 1> LAGUER_FRAC = {
    0.0, 0.5, 0.25, 0.75, 0.13, 0.38, 0.62, 0.88, 1.0};

// Two doubles side by side; element-wise products and sums round exactly as
// the scalar operations do (no contraction: -ffp-contract=off).
typedef double Pair __attribute__((vector_size(16)));

// Moduli that the squared-modulus test of the denominator choice may compare: their squares and
// sums neither overflow nor lose relative accuracy to underflow.
inline constexpr double DENOMINATOR_NORM_MIN = 1e-280;
inline constexpr double DENOMINATOR_NORM_MAX = 1e280;
// Relative gap of the squared moduli above which the comparison is clear.
inline constexpr double DENOMINATOR_NORM_GAP = 1e-12;
