// The whole analysis and report on a generated case of 100,000 variables and 6 meshes, editor
// calls aside: time per variable.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "analysis/io.h"
#include "analysis/order_analysis.h"
#include "analysis/state.h"
#include "recio/statements.h"

namespace {

namespace fs = std::filesystem;
constexpr int kVariables = 100'000;
constexpr int kMeshes = 6;

// dados.r33, the exact results and 12 solution files with values 1 + c h^p per variable.
void write_case(const fs::path& dir) {
  fs::create_directories(dir);
  std::ofstream d(dir / "dados.r33", std::ios::binary);
  d << "bench\n#\nrelatorio.txt\n#\nexatos.txt\n#\n" << kVariables << "\n#\n";
  for (int v = 0; v < kVariables; ++v) d << "1 ";
  d << "\n#\n"
    << kVariables << "*1.0\n#\n"
    << kVariables << "*2.0\n#\n"
    << kMeshes << "\n#\n1\n100\n1.0E-10\n0.5\n5.0\n#\n";
  for (int j = 1; j <= kMeshes; ++j) d << "b" << j << ".txt\n";
  d << "#\n";
  for (int j = 1; j <= kMeshes; ++j) d << "a" << j << ".txt\n";
  d << "#\n'bench'\n";
  std::ofstream e(dir / "exatos.txt", std::ios::binary);
  e << kVariables << "\n";
  for (int v = 0; v < kVariables; ++v) e << "#\n'variavel " << v << "'\n1.0\n0.0\n";
  double h = 0.4;
  for (int j = 1; j <= kMeshes; ++j, h /= (j % 2 ? 1.5 : 2.0)) {
    for (int scheme = 1; scheme <= 2; ++scheme) {
      std::ofstream s(dir / ((scheme == 1 ? "b" : "a") + std::to_string(j) + ".txt"),
                      std::ios::binary);
      s << h << "\n#\n#\n";
      double p = scheme == 1 ? h : h * h;
      for (int v = 0; v < kVariables; ++v) s << "#\n#\n" << 1 + (1 + v % 7) * p << "\n";
    }
  }
}

void BM_AnalysisAndReport(benchmark::State& state) {
  fs::path dir = fs::temp_directory_path() / "tavo-bench-run";
  write_case(dir);
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
    for (std::int32_t var = 1; var <= s.var_count; ++var) {
      if (s.var_selected(var) == 0) continue;
      analysis::write_variable_heading(var);
      analysis::analyse_variable(s, var);
      analysis::write_variable_report(var);
    }
    recio::close(10);
  }
  fs::current_path(old);
  fs::remove_all(dir);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kVariables);
}
BENCHMARK(BM_AnalysisAndReport)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
