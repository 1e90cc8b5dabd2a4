// Reading a field of 1,000,000 points x 4 meshes with two label columns, in MB/s of the table's
// bytes: from memory and from a file (the page cache), comma with points and semicolon with
// decimal commas; libcsv cutting the same text (and converting its numbers), for comparison.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "study/table.h"

#ifdef TAVO_HAVE_LIBCSV
#include <csv.h>
#include <fast_float/fast_float.h>
#endif

namespace {

constexpr std::size_t kPoints = 1'000'000;
constexpr std::size_t kChunk = 65'536;

// "p12345,0.123,v1,v2,v3,v4": values of 17 significant digits, as a solver writes them.
std::string field_text(char delimiter) {
  std::string s = delimiter == ',' ? "point,x,h=0.1,h=0.05,h=0.025,h=0.0125\n"
                                   : "point;x;h=0,1;h=0,05;h=0,025;h=0,0125\n";
  s.reserve(kPoints * 110);
  std::mt19937_64 rng(20240611);
  std::uniform_real_distribution<double> u(-2.0, 2.0);
  char buf[64];
  const auto put = [&](double v) {
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 17);
    for (char* c = buf; c < r.ptr; ++c)
      if (*c == '.' && delimiter != ',') *c = ',';
    s.append(buf, r.ptr);
  };
  for (std::size_t p = 0; p < kPoints; ++p) {
    s += 'p';
    s += std::to_string(p);
    s += delimiter;
    put(static_cast<double>(p) / kPoints);
    for (int m = 0; m < 4; ++m) {
      s += delimiter;
      put(u(rng));
    }
    s += '\n';
  }
  return s;
}

const std::string& comma_text() {
  static const std::string text = field_text(',');
  return text;
}

// Reads every chunk; the sum keeps the values alive.
double drain(study::TableReader& reader, benchmark::State& state) {
  if (reader.read_header().failed()) state.SkipWithError("bad header");
  study::FieldChunk chunk;
  double sum = 0;
  for (;;) {
    const study::Error e = reader.next_chunk(chunk, kChunk);
    if (e.failed()) state.SkipWithError(e.message.c_str());
    if (e.failed() || chunk.points == 0) break;
    sum += chunk.values.back() + static_cast<double>(chunk.label_text.size());
  }
  return sum;
}

void BM_FieldFromMemory(benchmark::State& state, char delimiter) {
  static const std::string semicolon = field_text(';');
  const std::string& text = delimiter == ',' ? comma_text() : semicolon;
  for (auto _ : state) {
    study::TableReader reader(text, {});
    benchmark::DoNotOptimize(drain(reader, state));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK_CAPTURE(BM_FieldFromMemory, comma, ',')->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FieldFromMemory, semicolon_decimal_comma, ';')->Unit(benchmark::kMillisecond);

void BM_FieldFromFile(benchmark::State& state) {
  const std::string& text = comma_text();
  const std::string path =
      (std::filesystem::temp_directory_path() / "tavo-bench-field.csv").string();
  { std::ofstream(path, std::ios::binary) << text; }
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    study::TableReader reader(fd, {});
    benchmark::DoNotOptimize(drain(reader, state));
    ::close(fd);
  }
  std::filesystem::remove(path);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_FieldFromFile)->Unit(benchmark::kMillisecond);

#ifdef TAVO_HAVE_LIBCSV
// libcsv's cutting of the same text, each mesh value converted as the reader does.
void BM_LibcsvCutAndConvert(benchmark::State& state) {
  const std::string& text = comma_text();
  struct Sink {
    std::size_t field = 0;
    double sum = 0;
  };
  const auto on_field = [](void* s, std::size_t n, void* data) {
    auto* sink = static_cast<Sink*>(data);
    if (sink->field++ % 6 >= 2) {
      double v = 0;
      const char* p = static_cast<const char*>(s);
      fast_float::from_chars(p, p + n, v);
      sink->sum += v;
    }
  };
  for (auto _ : state) {
    csv_parser parser;
    csv_init(&parser, CSV_APPEND_NULL);
    Sink sink;
    csv_parse(&parser, text.data(), text.size(), on_field, nullptr, &sink);
    csv_fini(&parser, on_field, nullptr, &sink);
    csv_free(&parser);
    benchmark::DoNotOptimize(sink.sum);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_LibcsvCutAndConvert)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
