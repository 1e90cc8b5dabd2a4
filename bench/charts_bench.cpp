// The charts of plots/charts.h: one chart of one variable in each format on one thread, and
// every chart of a case of 76 variables drawn as --plots draws them, on 1 and on 2 threads (wall
// time: the files are handed over in order on the calling thread, as --plots writes them).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "model/variable_arrays.h"
#include "plots/application.h"
#include "plots/charts.h"
#include "plots/in_order.h"
#include "results/results.h"

namespace {

// 76 variables of 5 meshes (ratio 2) in two schemes of orders 1 and 2, phi0 + alpha h^p with a
// little noise, and the exact value phi0: a run's case.
struct Case {
  std::vector<std::unique_ptr<model::VariableArrays>> arrays;
  std::vector<results::VariableMeasures> measures;

  Case() {
    std::mt19937_64 rng(20);
    std::uniform_real_distribution<double> unit(-1, 1);
    const std::vector<double> h = {0.125, 0.0625, 0.03125, 0.015625, 0.0078125};
    for (int v = 1; v <= 76; ++v) {
      const double phi0 = unit(rng), alpha = unit(rng);
      std::vector<model::VariableArrays::Scheme> schemes;
      for (int p = 1; p <= 2; ++p) {
        model::VariableArrays::Scheme s;
        s.name = p == 1 ? "low" : "high";
        s.formal_order = p;
        s.h = h;
        for (double x : h)
          s.value.push_back(phi0 + alpha * std::pow(x, p) * (1 + 0.02 * unit(rng)));
        schemes.push_back(std::move(s));
      }
      arrays.push_back(std::make_unique<model::VariableArrays>(v, "quantity " + std::to_string(v),
                                                               phi0, std::move(schemes),
                                                               model::OrderSolver{}, true));
      measures.push_back(results::measure(arrays.back()->numbers(), {}));
    }
  }
  std::size_t size() const { return arrays.size(); }
  results::VariableResult variable(std::size_t i) const {
    return {arrays[i]->numbers(), measures[i]};
  }
};

const Case& the_case() {
  static const Case c;
  return c;
}

// The QApplication the fonts need, for the whole program.
void fonts() {
  static plots::ChartThread thread;
}

void BM_EncodeChart(benchmark::State& state, plots::Chart chart, plots::Format format) {
  fonts();
  const Case& c = the_case();
  std::size_t i = 0, bytes = 0;
  for (auto _ : state) {
    bytes += static_cast<std::size_t>(
        plots::encode(c.variable(i), chart, format, results::Language::English).size());
    i = (i + 1) % c.size();
  }
  state.counters["bytes_per_chart"] =
      benchmark::Counter(double(bytes), benchmark::Counter::kAvgIterations);
}
BENCHMARK_CAPTURE(BM_EncodeChart, values_svg, plots::Chart::Values, plots::Format::Svg)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EncodeChart, values_png, plots::Chart::Values, plots::Format::Png)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EncodeChart, values_pdf, plots::Chart::Values, plots::Format::Pdf)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EncodeChart, convergence_svg, plots::Chart::Convergence, plots::Format::Svg)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EncodeChart, convergence_png, plots::Chart::Convergence, plots::Format::Png)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EncodeChart, convergence_pdf, plots::Chart::Convergence, plots::Format::Pdf)
    ->Unit(benchmark::kMillisecond);

// Both charts of every variable, as --plots makes them; state.range(0) threads.
void BM_AllCharts(benchmark::State& state, plots::Format format) {
  fonts();
  const Case& c = the_case();
  constexpr std::size_t kPerVariable = std::size(plots::kCharts);
  const auto threads = static_cast<unsigned>(state.range(0));
  std::size_t bytes = 0;
  for (auto _ : state) {
    plots::make_in_order<QByteArray>(
        c.size() * kPerVariable, threads,
        [&](std::size_t i) {
          return plots::encode(c.variable(i / kPerVariable), plots::kCharts[i % kPerVariable],
                               format, results::Language::English);
        },
        [&](std::size_t, QByteArray file) {
          bytes += static_cast<std::size_t>(file.size());
          return true;
        });
  }
  state.counters["charts"] = double(c.size() * kPerVariable);
  state.counters["per_chart"] = benchmark::Counter(
      double(c.size() * kPerVariable),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK_CAPTURE(BM_AllCharts, png, plots::Format::Png)
    ->Arg(1)
    ->Arg(2)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AllCharts, svg, plots::Format::Svg)
    ->Arg(1)
    ->Arg(2)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
