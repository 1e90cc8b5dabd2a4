// The uncertainty estimate of results/eca_hoekstra.h on 100,000 variables of 5 meshes each:
// values phi0 + alpha h^p with orders spread over 0.3..3.5 and noise of 0.1 % to 30 % of the
// coarsest error, so that every branch of the choice is taken. Beside it, fit_power_law alone
// on the same data (one bounded minimisation, unweighted).
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

#include "results/eca_hoekstra.h"
#include "results/measures.h"

namespace {

constexpr std::size_t kVariables = 100'000;
constexpr std::size_t kMeshes = 5;
constexpr std::array<double, kMeshes> kH = {0.4, 0.3, 0.2, 0.15, 0.1};

const std::vector<double>& values() {
  static const std::vector<double> phi = [] {
    std::vector<double> v(kVariables * kMeshes);
    std::mt19937_64 rng(20140401);
    std::uniform_real_distribution<double> order(0.3, 3.5), unit(-1, 1), level(-3, -0.5);
    for (std::size_t k = 0; k < kVariables; ++k) {
      const double p = order(rng), alpha = unit(rng), phi0 = 10 * unit(rng);
      const double noise = std::pow(10.0, level(rng)) * std::fabs(alpha) * std::pow(kH[0], p);
      for (std::size_t i = 0; i < kMeshes; ++i)
        v[k * kMeshes + i] = phi0 + alpha * std::pow(kH[i], p) + noise * unit(rng);
    }
    return v;
  }();
  return phi;
}

void per_variable(benchmark::State& state) {
  state.counters["per_variable"] = benchmark::Counter(
      static_cast<double>(kVariables),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_EstimateUncertainty(benchmark::State& state) {
  const std::vector<double>& phi = values();
  std::array<double, kMeshes> u{};
  for (auto _ : state) {
    double sum = 0;
    for (std::size_t k = 0; k < kVariables; ++k) {
      const results::Uncertainty r = results::estimate_uncertainty(
          kH, std::span<const double>(phi.data() + k * kMeshes, kMeshes), u);
      sum += r.phi0 + u[0];
    }
    benchmark::DoNotOptimize(sum);
  }
  per_variable(state);
}
BENCHMARK(BM_EstimateUncertainty)->Unit(benchmark::kMillisecond);

void BM_FitPowerLaw(benchmark::State& state) {
  const std::vector<double>& phi = values();
  for (auto _ : state) {
    double sum = 0;
    for (std::size_t k = 0; k < kVariables; ++k)
      sum +=
          results::fit_power_law(kH, std::span<const double>(phi.data() + k * kMeshes, kMeshes)).p;
    benchmark::DoNotOptimize(sum);
  }
  per_variable(state);
}
BENCHMARK(BM_FitPowerLaw)->Unit(benchmark::kMillisecond);

}  // namespace
