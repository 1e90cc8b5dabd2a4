// The whole study of a field of 1,000,000 points x 4 meshes (GCI, class and Eca-Hoekstra per
// point, the CSV of every point written to /dev/null), in points per second, on one core and on
// every core; the table is read from memory.
#include <benchmark/benchmark.h>
#include <oneapi/tbb/global_control.h>
#include <oneapi/tbb/info.h>

#include <charconv>
#include <random>
#include <string>

#include "results/output_file.h"
#include "study/field_study.h"
#include "study/table.h"

namespace {

constexpr std::size_t kPoints = 1'000'000;

// "p12345,x,v1,v2,v3,v4": second-order values with a little noise, 17 significant digits.
const std::string& field_text() {
  static const std::string text = [] {
    std::string s = "point,x,h=0.1,h=0.05,h=0.025,h=0.0125\n";
    s.reserve(kPoints * 110);
    std::mt19937_64 rng(20261209);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    char buf[64];
    auto put = [&](double v) {
      s += ',';
      s.append(buf, std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 17).ptr);
    };
    for (std::size_t p = 0; p < kPoints; ++p) {
      s += 'p' + std::to_string(p);
      const double x = static_cast<double>(p) / kPoints, exact = 1 + x;
      put(x);
      for (double h : {0.1, 0.05, 0.025, 0.0125})
        put(exact + (2 + u(rng)) * h * h * (1 + 0.01 * u(rng)));
      s += '\n';
    }
    return s;
  }();
  return text;
}

void study(benchmark::State& state) {
  const std::string& text = field_text();
  const int cores = state.range(0) == 0 ? oneapi::tbb::info::default_concurrency() : 1;
  oneapi::tbb::global_control limit(oneapi::tbb::global_control::max_allowed_parallelism, cores);
  for (auto _ : state) {
    study::ReadOptions options;
    options.source_name = "field.csv";
    study::TableReader reader(text, options);
    if (reader.read_header().failed()) state.SkipWithError("header");
    results::OutputFile sink;
    if (sink.open("/dev/null")) state.SkipWithError("/dev/null");
    results::TextOut csv(&sink);
    study::FieldSinks sinks{.csv = &csv};
    study::FieldSettings settings;
    settings.source = "field.csv";
    settings.version = "1.0";
    const study::FieldOutcome outcome = study::study_field(reader, settings, sinks);
    if (outcome.error.failed() || outcome.points != kPoints) state.SkipWithError("study");
    static_cast<void>(csv.finish());
  }
  state.counters["cores"] = cores;
  state.counters["points/s"] = benchmark::Counter(static_cast<double>(kPoints),
                                                  benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(study)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3);

}  // namespace
