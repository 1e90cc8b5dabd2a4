#include "results/results.h"

#include <cmath>
#include <utility>

namespace results {

void measure(const model::Series& series, double exact, const Settings& settings,
             SchemeMeasures& m) {
  const std::size_t n = series.mesh_count();
  const double undefined = model::kUndefined;
  m.convergence.assign(n, Convergence::None);
  for (auto* v : {&m.gci, &m.asymptotic_ratio, &m.approximate_error, &m.extrapolated_error,
                  &m.error, &m.exact_order, &m.u})
    v->assign(n, undefined);
  // The procedures take plain arrays; a series is at most a few dozen meshes in practice.
  thread_local std::vector<double> h, values;
  h.resize(n);
  values.resize(n);
  const bool known = std::isfinite(exact);
  for (std::size_t j = 0; j < n; ++j) {
    h[j] = series.h[j];
    values[j] = series.value[j];
    if (known) m.error[j] = series.value[j] - exact;
    if (known && model::ends_pair(j))
      m.exact_order[j] = std::log(std::fabs(m.error[j - 1] / m.error[j])) / std::log(series.q21(j));
    if (model::ends_pair(j))
      m.approximate_error[j] = relative_difference(series.value[j - 1], series.value[j]);
    if (!model::ends_triplet(j)) continue;
    m.extrapolated_error[j] = relative_difference(series.value[j], series.ti_a[j]);
    const double pa = series.apparent_order[j];
    m.convergence[j] = classify(series.convergence_ratio[j]);
    m.gci[j] = gci(settings.safety_factor, series.value[j], series.value[j - 1], series.q21(j), pa);
    m.asymptotic_ratio[j] =
        asymptotic_ratio(series.value[j], series.value[j - 1], series.value[j - 2], series.q21(j),
                         series.q21(j - 1), pa);
  }
  m.fit = settings.least_squares ? fit_power_law(h, values) : PowerLawFit{};
  m.uncertainty = estimate_uncertainty(h, values, m.u);
  m.target.reset();
  if (settings.target_gci && n > 0 && model::ends_triplet(n - 1))
    m.target = mesh_for_gci(*settings.target_gci, m.gci[n - 1], series.apparent_order[n - 1],
                            series.h[n - 1]);
}

VariableMeasures measure(const model::Variable& variable, const Settings& settings) {
  VariableMeasures m;
  m.schemes.resize(variable.schemes.size());
  for (std::size_t k = 0; k < variable.schemes.size(); ++k)
    measure(variable.schemes[k], variable.exact, settings, m.schemes[k]);
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
