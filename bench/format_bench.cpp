// E editing through the formatted-output interpreter against bare std::to_chars on the same
// values: 10 million doubles per pass, spread over the whole exponent range; and the interpreter's
// own cost on a format of control items around cheap edits.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <random>
#include <vector>

#include "recio/format_writer.h"

namespace {

constexpr std::size_t kValues = 10'000'000;

const std::vector<double>& values() {
  static const std::vector<double> v = [] {
    std::mt19937_64 gen(20240601);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<int> exponent(-300, 300);
    std::vector<double> out(kValues);
    for (double& x : out) x = (gen() & 1 ? -1 : 1) * mantissa(gen) * std::pow(10.0, exponent(gen));
    return out;
  }();
  return v;
}

class Discard : public recio::RecordSink {
 public:
  recio::Status put_record(std::string_view record) override {
    benchmark::DoNotOptimize(record.data());
    return recio::kOk;
  }
};

void bare(benchmark::State& state, int precision) {
  const auto& v = values();
  char buf[64];
  for (auto _ : state) {
    for (double x : v) {
      auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, precision);
      benchmark::DoNotOptimize(r.ptr);
      benchmark::ClobberMemory();
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * v.size()));
}

// One statement per pass: the array item runs the format again for every value, one record
// each, as (1P,E30.19) does with a long list.
void writer(benchmark::State& state, const std::vector<std::uint32_t>& format) {
  const auto& v = values();
  recio::RecordBuffer rec;
  Discard sink;
  recio::FormatWriter w(rec, sink);
  for (auto _ : state) {
    if (w.begin(format) != recio::kOk ||
        w.transfer(recio::Item::array(const_cast<double*>(v.data()), v.size())) != recio::kOk ||
        w.finish() != recio::kOk)
      state.SkipWithError("statement failed");
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * v.size()));
}

// One statement per report line of four values, (1P,E11.2,3(1P,E24.15)).
void writer_lines(benchmark::State& state) {
  const auto& v = values();
  std::vector<std::uint32_t> format;
  recio::compile_format("(1P,E11.2,3(1P,E24.15))", format);
  recio::RecordBuffer rec;
  Discard sink;
  recio::FormatWriter w(rec, sink);
  for (auto _ : state) {
    for (std::size_t i = 0; i + 4 <= v.size(); i += 4) {
      if (w.begin(format) != recio::kOk ||
          w.transfer(recio::Item::array(const_cast<double*>(v.data() + i), 4)) != recio::kOk ||
          w.finish() != recio::kOk)
        state.SkipWithError("statement failed");
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * v.size()));
}

std::vector<std::uint32_t> compiled(const char* text) {
  std::vector<std::uint32_t> format;
  recio::compile_format(text, format);
  return format;
}

const std::vector<std::uint32_t> kE30 = compiled("(1P,E30.19)");
const std::vector<std::uint32_t> kE24 = compiled("(1P,E24.15)");

// The interpreter's own cost: tabs, literals, a repeated group and sign modes around cheap I and A
// edits, one statement per record as the report's tables are written.
void writer_controls(benchmark::State& state) {
  const std::vector<std::uint32_t> format =
      compiled("(T4,I6,T15,'Tq',TR2,I6,TL2,2(SP,I4,SS,1X),T65,A3,:,' fim')");
  std::vector<std::int32_t> ints(4096);
  for (std::size_t i = 0; i < ints.size(); ++i)
    ints[i] = static_cast<std::int32_t>(i * 7919 % 1000);
  recio::RecordBuffer rec;
  Discard sink;
  recio::FormatWriter w(rec, sink);
  for (auto _ : state) {
    for (std::size_t i = 0; i + 4 <= ints.size(); i += 4) {
      if (w.begin(format) != recio::kOk ||
          w.transfer(recio::Item::array(ints.data() + i, 4)) != recio::kOk ||
          w.transfer(recio::Item::text("sim", 3)) != recio::kOk || w.finish() != recio::kOk)
        state.SkipWithError("statement failed");
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * ints.size() / 4));
}

}  // namespace

BENCHMARK_CAPTURE(bare, to_chars_19, 19)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(writer, E30_19, kE30)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(bare, to_chars_15, 15)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(writer, E24_15, kE24)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(writer_lines)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(writer_controls)->Unit(benchmark::kMicrosecond);
