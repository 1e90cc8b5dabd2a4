#include "results/results.h"

#include <utility>

namespace results {

SchemeMeasures measure(const model::Series& series, const Settings& settings) {
  const std::size_t n = series.mesh_count();
  SchemeMeasures m;
  m.convergence.assign(n, Convergence::None);
  m.gci.assign(n, model::kUndefined);
  std::vector<double> h(n), values(n);
  for (std::size_t j = 0; j < n; ++j) {
    h[j] = series.h[j];
    values[j] = series.value[j];
    if (!model::ends_triplet(j)) continue;
    m.convergence[j] = classify(series.convergence_ratio[j]);
    m.gci[j] = gci(settings.safety_factor, series.value[j], series.value[j - 1], series.q21(j),
                   series.apparent_order[j]);
  }
  m.fit = fit_power_law(h, values);
  return m;
}

VariableMeasures measure(const model::Variable& variable, const Settings& settings) {
  VariableMeasures m;
  for (const model::Series& s : variable.schemes) m.schemes.push_back(measure(s, settings));
  return m;
}

Results compute(model::Numbers numbers, const Settings& settings, std::string version) {
  Results r;
  r.version = std::move(version);
  r.settings = settings;
  r.numbers = std::move(numbers);
  for (const model::Variable& v : r.numbers.variables) r.measures.push_back(measure(v, settings));
  return r;
}

}  // namespace results
