#include "results/results.h"

#include <cstddef>
#include <utility>

namespace results {
namespace {

SchemeResult compute_scheme(const RunInput& run, const Results& out, const VariableInput& var,
                            int scheme, double fs) {
  const std::vector<SchemeMeshInput>& in = var.schemes[scheme];
  const std::size_t n = run.h.size();
  SchemeResult result;
  result.formal_order = var.formal_order[scheme];
  result.meshes.resize(n);
  std::vector<double> values(n);
  for (std::size_t i = 0; i < n; ++i) {
    const int mesh = static_cast<int>(i) + 1;
    const SchemeMeshInput& src = in[i];
    MeshResult& m = result.meshes[i];
    m.h = run.h[i];
    m.value = src.value;
    values[i] = src.value;
    if (mesh >= 2) m.ti_12 = src.ti_12;
    if (mesh >= 3) {
      m.convergence_ratio = src.convergence_ratio;
      m.apparent_order = src.apparent_order;
      m.ti_a = src.ti_a;
      m.convergence = classify(src.convergence_ratio);
      m.gci = gci(fs, src.value, in[i - 1].value, out.ratio[i], src.apparent_order);
    }
  }
  result.fit = fit_power_law(run.h, values);
  return result;
}

}  // namespace

Results compute(const RunInput& run, double fs, std::string version) {
  Results out;
  out.version = std::move(version);
  out.title = run.title;
  out.report_name = run.report_name;
  out.iq = run.iq;
  out.h = run.h;
  out.safety_factor = fs;
  const std::size_t n = run.h.size();
  out.ratio.assign(n, kUndefined);
  for (std::size_t i = 1; i < n; ++i) out.ratio[i] = run.h[i - 1] / run.h[i];

  for (const VariableInput& var : run.variables) {
    VariableResult v;
    v.index = var.index;
    v.name = var.name;
    v.exact = var.exact;
    for (int k : {kLow, kHigh}) v.schemes[k] = compute_scheme(run, out, var, k, fs);
    for (std::size_t i = 2; i < n; ++i) {
      const IntervalInput& src = var.intervals[i];
      IntervalResult r;
      r.mesh = static_cast<int>(i) + 1;
      r.h = run.h[i];
      r.applies = src.applies;
      if (src.applies) {
        r.tq = src.tq;
        r.uq = src.uq;
        r.exact_inside = src.exact_inside;
      }
      v.intervals.push_back(r);
    }
    out.variables.push_back(std::move(v));
  }
  return out;
}

}  // namespace results
