// List-directed reading of one double per record, against a bare std::from_chars loop over the
// same text.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "recio/buffer_source.h"
#include "recio/list_reader.h"
#include "recio/statements.h"

namespace {

constexpr std::size_t kValues = 10'000'000;

// Lines like "-1.2345678901234567e-05\n": 17 significant digits, magnitudes 1e-20 to 1e20.
const std::string& values_text() {
  static const std::string text = [] {
    std::string s;
    s.reserve(kValues * 25);
    std::mt19937_64 rng(20240531);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<int> exponent(-20, 20);
    char buf[64];
    for (std::size_t i = 0; i < kValues; ++i) {
      double v = mantissa(rng) * std::pow(10.0, exponent(rng));
      if (rng() & 1) v = -v;
      auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 16);
      s.append(buf, end);
      s += '\n';
    }
    return s;
  }();
  return text;
}

void BM_FromCharsLoop(benchmark::State& state) {
  const std::string& text = values_text();
  for (auto _ : state) {
    const char* p = text.data();
    const char* const end = p + text.size();
    double sum = 0;
    while (p < end) {
      double v = 0;
      p = std::from_chars(p, end, v).ptr + 1;
      sum += v;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kValues));
}
BENCHMARK(BM_FromCharsLoop)->Unit(benchmark::kMillisecond);

void BM_ListReaderOneDoublePerStatement(benchmark::State& state) {
  const std::string& text = values_text();
  for (auto _ : state) {
    recio::BufferSource source(text);
    recio::ListReader reader(source);
    double sum = 0;
    for (std::size_t i = 0; i < kValues; ++i) {
      double v = 0;
      // The first failure sticks: finish() returns it.
      static_cast<void>(reader.begin());
      static_cast<void>(reader.transfer(recio::Item::of(v)));
      if (reader.finish() != recio::kOk) state.SkipWithError("read failed");
      sum += v;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kValues));
}
BENCHMARK(BM_ListReaderOneDoublePerStatement)->Unit(benchmark::kMillisecond);

// The same text as a file on disk, read one statement per record through the unit table.
void BM_ReadStatementsFromFile(benchmark::State& state) {
  const std::string& text = values_text();
  std::string path = (std::filesystem::temp_directory_path() / "tavo-bench-values.txt").string();
  { std::ofstream(path, std::ios::binary) << text; }
  recio::set_reentrancy(0);  // as the run sequence does first
  for (auto _ : state) {
    recio::open(7, {.file = path, .status = recio::OpenStatus::Old});
    double sum = 0;
    for (std::size_t i = 0; i < kValues; ++i) {
      double v = 0;
      recio::read_list(7, {recio::Item::of(v)});
      sum += v;
    }
    recio::close(7);
    benchmark::DoNotOptimize(sum);
  }
  std::filesystem::remove(path);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kValues));
}
BENCHMARK(BM_ReadStatementsFromFile)->Unit(benchmark::kMillisecond);

}  // namespace
