// The whole analysis and report on a generated case of 6 meshes (variable refinement ratio, so
// every apparent order comes from the bisection), editor calls aside, on the sequential and the
// pipelined path. Wall time: the pipelined path's worker runs on the second core.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "analysis/io.h"
#include "analysis/pipeline.h"
#include "analysis/state.h"
#include "recio/statements.h"

namespace {

namespace fs = std::filesystem;
constexpr int kMeshes = 6;

// dados.r33, the exact results and 12 solution files with values 1 + c h^p per variable.
void write_case(const fs::path& dir, int variables) {
  fs::create_directories(dir);
  std::ofstream d(dir / "dados.r33", std::ios::binary);
  d << "bench\n#\nrelatorio.txt\n#\nexatos.txt\n#\n" << variables << "\n#\n";
  for (int v = 0; v < variables; ++v) d << "1 ";
  d << "\n#\n"
    << variables << "*1.0\n#\n"
    << variables << "*2.0\n#\n"
    << kMeshes << "\n#\n1\n100\n1.0E-10\n0.5\n5.0\n#\n";
  for (int j = 1; j <= kMeshes; ++j) d << "b" << j << ".txt\n";
  d << "#\n";
  for (int j = 1; j <= kMeshes; ++j) d << "a" << j << ".txt\n";
  d << "#\n'bench'\n";
  std::ofstream e(dir / "exatos.txt", std::ios::binary);
  e << variables << "\n";
  for (int v = 0; v < variables; ++v) e << "#\n'variavel " << v << "'\n1.0\n0.0\n";
  double h = 0.4;
  for (int j = 1; j <= kMeshes; ++j, h /= (j % 2 ? 1.5 : 2.0)) {
    for (int scheme = 1; scheme <= 2; ++scheme) {
      std::string name = scheme == 1 ? "b" : "a";
      name += std::to_string(j);
      name += ".txt";  // appended, not concatenated: GCC 12 warns of overlap there (-Wrestrict)
      std::ofstream s(dir / name, std::ios::binary);
      s << h << "\n#\n#\n";
      double p = scheme == 1 ? h : h * h;
      for (int v = 0; v < variables; ++v) s << "#\n#\n" << 1 + (1 + v % 7) * p << "\n";
    }
  }
}

// Arguments: 0 sequential or 1 pipelined, and the number of variables.
void BM_AnalysisAndReport(benchmark::State& state) {
  const auto mode = state.range(0) == 0 ? analysis::Pipeline::Off : analysis::Pipeline::On;
  const int variables = static_cast<int>(state.range(1));
  fs::path dir = fs::temp_directory_path() / "tavo-bench-run";
  write_case(dir, variables);
  fs::path old = fs::current_path();
  fs::current_path(dir);
  ::setenv("COMSPEC", "/bin/true", 1);  // the editor calls return at once
  recio::set_reentrancy(0);             // as the run sequence does first
  for (auto _ : state) {
    state.PauseTiming();
    analysis::reset_state();
    analysis::read_input_data();
    state.ResumeTiming();
    analysis::State& s = analysis::state();
    recio::open(10, {.file = s.report_file_name.view()});
    analysis::read_exact_results();
    analysis::read_solution_tables();
    analysis::write_report_header();
    analysis::report_variables(s, mode);
    recio::close(10);
  }
  fs::current_path(old);
  fs::remove_all(dir);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * variables);
}
BENCHMARK(BM_AnalysisAndReport)
    ->ArgNames({"pipelined", "variables"})
    ->ArgsProduct({{0, 1}, {100'000}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
// A tenth of the case, for profiles (--benchmark_filter=variables:10000).
BENCHMARK(BM_AnalysisAndReport)
    ->ArgNames({"pipelined", "variables"})
    ->ArgsProduct({{0, 1}, {10'000}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

}  // namespace
