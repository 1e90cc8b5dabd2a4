#include "study/summary.h"

#include <cmath>
#include <string>

#include "results/export.h"

namespace study {
namespace {

constexpr std::size_t kWidth = 14;
constexpr int kDigits = 6;

std::size_t shown_width(std::string_view utf8) {
  std::size_t n = 0;
  for (char c : utf8) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return n;
}

std::string number(double v) {
  return results::significant(v, kDigits);
}

}  // namespace

void append_columns(std::string& out, std::initializer_list<std::string_view> cells) {
  bool first = true;
  for (std::string_view cell : cells) {
    const std::size_t w = shown_width(cell);
    out.append(w < kWidth ? kWidth - w : 1, ' ');
    if (!first && w >= kWidth) out += ' ';
    out += cell;
    first = false;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  out += '\n';
}

void write_summary(const results::Results& r, const results::Texts& t, results::TextOut& sink) {
  std::string& out = sink.text();
  for (std::size_t i = 0; i < r.size(); ++i) {
    const results::VariableResult v = r.variable(i);
    for (std::size_t k = 0; k < v.numbers.schemes.size(); ++k) {
      const model::Series& s = v.numbers.schemes[k];
      const results::SchemeMeasures& m = v.measures.schemes[k];
      out += std::string(t.quantity) + " " + std::to_string(v.numbers.number) + ": " +
             v.numbers.name + ", " + std::string(t.scheme) + " " + std::string(s.scheme) + " (" +
             std::string(t.formal_order) + " " + number(s.formal_order);
      if (std::isfinite(v.numbers.exact))
        out += ", " + std::string(t.exact) + " " + number(v.numbers.exact);
      out += ")\n";
      append_columns(out, {"h", t.value, "R", "p", t.extrapolated, "GCI", "U"});
      out.pop_back();
      out += "  " + std::string(t.convergence) + "\n";
      for (std::size_t j = 0; j < s.mesh_count(); ++j) {
        const bool triplet = model::ends_triplet(j);
        append_columns(
            out, {number(s.h[j]), number(s.value[j]), triplet ? number(s.convergence_ratio[j]) : "",
                  triplet ? number(s.apparent_order[j]) : "", triplet ? number(s.ti_a[j]) : "",
                  number(m.gci[j]), number(m.u[j])});
        const std::string_view cls = results::convergence_text(m.convergence[j], t);
        if (!cls.empty()) {
          out.pop_back();
          out += "  " + std::string(cls) + "\n";
        }
      }
      if (s.mesh_count() < 3) out += "  (" + std::string(t.fewer_than_three) + ")\n";
      const results::Uncertainty& u = m.uncertainty;
      out += "  U: " + std::string(t.uncertainty) + ", ";
      if (u.outcome == results::UncertaintyOutcome::Estimated) {
        out +=
            std::string(results::expansion_name(u.estimator)) + " (" +
            std::string(u.weighting == results::Weighting::Weighted ? t.weighted : t.unweighted) +
            "), p = " + (u.observed_order ? number(*u.observed_order) : "-") +
            ", Fs = " + number(u.safety_factor) + "\n";
      } else {
        out += std::string(t.no_uncertainty) + ": " +
               std::string(results::outcome_text(u.outcome, t)) + "\n";
      }
      out += '\n';
      sink.piece_done();
    }
  }
}

}  // namespace study
