#include "leakageStats.h"

#include <algorithm>
#include <cmath>

namespace eccrypt::timing {
namespace {

// Running mean and sum of squared deviations (Welford), stable over millions of samples.
struct TMoments {
  double n = 0, mean = 0, m2 = 0;
  void Push(double x) {
    n += 1;
    const double d = x - mean;
    mean += d / n;
    m2 += d * (x - mean);
  }
  double Variance() const { return n > 1 ? m2 / (n - 1) : 0; }
};

double WelchT(const TMoments& a, const TMoments& b) {
  if (a.n < 2 || b.n < 2) return 0;
  const double se = std::sqrt(a.Variance() / a.n + b.Variance() / b.n);
  return se > 0 ? (a.mean - b.mean) / se : 0;
}

}  // namespace

std::vector<TTest> Analyse(const std::array<std::vector<std::uint64_t>, 2>& cycles) {
  std::vector<std::uint64_t> pooled(cycles[0]);
  pooled.insert(pooled.end(), cycles[1].begin(), cycles[1].end());
  std::sort(pooled.begin(), pooled.end());

  std::vector<TTest> tests;
  if (pooled.empty()) return tests;
  for (const double percentile : CropPercentiles) {
    const auto rank = static_cast<std::size_t>(
        std::ceil(percentile / 100 * static_cast<double>(pooled.size())) - 1);
    const std::uint64_t limit = pooled[std::min(rank, pooled.size() - 1)];

    TMoments first[2], second[2];
    for (std::size_t c = 0; c < 2; ++c) {
      for (const std::uint64_t x : cycles[c]) {
        if (x <= limit) first[c].Push(static_cast<double>(x));
      }
      for (const std::uint64_t x : cycles[c]) {
        if (x > limit) continue;
        const double d = static_cast<double>(x) - first[c].mean;
        second[c].Push(d * d);
      }
    }
    tests.push_back(
        {percentile,
         {static_cast<std::uint64_t>(first[0].n), static_cast<std::uint64_t>(first[1].n)},
         WelchT(first[0], first[1]),
         WelchT(second[0], second[1])});
  }
  return tests;
}

double MaxAbsT(const std::vector<TTest>& tests) {
  double m = 0;
  for (const TTest& t : tests) m = std::max({m, std::fabs(t.firstOrder), std::fabs(t.secondOrder)});
  return m;
}

}  // namespace eccrypt::timing
