#pragma once
// Statistics of a fixed-versus-random timing test: Welch's t between the cycle counts of the two
// classes, first order (the means) and second order (the variances, as the means of squared
// distances from each class's mean), each over the whole sample and over samples cropped above
// several percentiles of the pooled counts, since slow outliers (interrupts, other processes)
// come from the machine, not the code, and drown a small difference in the means.
#include <array>
#include <cstdint>
#include <vector>

namespace eccrypt::timing {

// Percentiles of the pooled counts above which a cropped test discards measurements; 100 keeps
// every measurement.
inline constexpr std::array<double, 7> CropPercentiles{100, 99.9, 99, 95, 90, 75, 50};

struct TTest {
  double percentile;      // CropPercentiles entry
  std::uint64_t kept[2];  // measurements of each class that stay
  double firstOrder;      // Welch's t of the means
  double secondOrder;     // Welch's t of the squared distances from the class means
};

// One test per crop percentile. cycles[c] holds the measurements of class c.
std::vector<TTest> Analyse(const std::array<std::vector<std::uint64_t>, 2>& cycles);

// The largest |t| over every test, first and second order.
double MaxAbsT(const std::vector<TTest>& tests);

}  // namespace eccrypt::timing
