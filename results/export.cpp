#include "results/export.h"

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>
#include <string_view>

#include "console/core/cp1252.h"

namespace results {

std::string shortest(double v) {
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return ec == std::errc() ? std::string(buf, end) : std::string();
}

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kSchemeKeys[] = {"low", "high"};

Json number(double v) {
  return std::isfinite(v) ? Json(v) : Json(nullptr);
}

Json text(std::string_view cp1252) {
  return Json(console::cp1252::to_utf8(cp1252));
}

Json fit_json(const PowerLawFit& fit) {
  if (fit.outcome != FitOutcome::Fitted) return nullptr;
  return Json{{"phi0", number(fit.phi0)},
              {"alpha", number(fit.alpha)},
              {"p", number(fit.p)},
              {"sigma", number(fit.sigma)}};
}

Json scheme_json(const SchemeResult& s) {
  Json meshes = Json::array();
  for (const MeshResult& m : s.meshes) {
    std::string_view c = convergence_name(m.convergence);
    meshes.push_back({{"h", number(m.h)},
                      {"value", number(m.value)},
                      {"convergence_ratio", number(m.convergence_ratio)},
                      {"apparent_order", number(m.apparent_order)},
                      {"ti_12", number(m.ti_12)},
                      {"ti_a", number(m.ti_a)},
                      {"convergence", c.empty() ? Json(nullptr) : Json(c)},
                      {"gci", number(m.gci)}});
  }
  return Json{{"formal_order", number(s.formal_order)},
              {"meshes", std::move(meshes)},
              {"least_squares", fit_json(s.fit)}};
}

Json variable_json(const VariableResult& v) {
  Json intervals = Json::array();
  for (const IntervalResult& r : v.intervals) {
    intervals.push_back({{"h", number(r.h)},
                         {"tq", number(r.tq)},
                         {"uq", number(r.uq)},
                         {"applies", r.applies},
                         {"exact_inside", r.exact_inside ? Json(*r.exact_inside) : Json(nullptr)}});
  }
  Json schemes = Json::object();
  for (int k : {kLow, kHigh}) schemes[kSchemeKeys[k]] = scheme_json(v.schemes[k]);
  return Json{{"index", v.index},
              {"name", text(v.name)},
              {"exact", number(v.exact)},
              {"schemes", std::move(schemes)},
              {"intervals", std::move(intervals)}};
}

bool is_scalar(const Json& j) {
  return !j.is_object() && !j.is_array();
}

// Like Json::dump(2), except that doubles take their shortest round-trip form (the library's
// own conversion does not promise the shortest) and that an object or array of scalars stays
// on one line.
void emit(const Json& j, int depth, std::string& out) {
  if (j.is_number_float()) {
    out += shortest(j.get<double>());
    return;
  }
  if (is_scalar(j)) {
    out += j.dump();
    return;
  }
  const bool object = j.is_object();
  out += object ? '{' : '[';
  if (j.empty()) {
    out += object ? '}' : ']';
    return;
  }
  bool flat = true;
  for (const Json& e : j) flat = flat && is_scalar(e);
  const std::string indent(2 * (depth + 1), ' ');
  bool first = true;
  for (auto it = j.begin(); it != j.end(); ++it) {
    if (!first) out += flat ? ", " : ",";
    first = false;
    if (!flat) out.append(1, '\n').append(indent);
    if (object) out += Json(it.key()).dump() + ": ";
    emit(it.value(), depth + 1, out);
  }
  if (!flat) out.append(1, '\n').append(2 * static_cast<std::size_t>(depth), ' ');
  out += object ? '}' : ']';
}

// RFC 4180: a field with a comma, a quote or a line break goes between quotes, its quotes
// doubled.
std::string csv_field(std::string_view s) {
  if (s.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(s);
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string csv_number(double v) {
  return std::isfinite(v) ? shortest(v) : std::string();
}

std::string csv_bool(std::optional<bool> b) {
  return b ? (*b ? "true" : "false") : "";
}

}  // namespace

std::string to_json(const Results& results) {
  Json meshes = Json::array();
  for (std::size_t i = 0; i < results.h.size(); ++i)
    meshes.push_back({{"h", number(results.h[i])}, {"ratio", number(results.ratio[i])}});
  Json variables = Json::array();
  for (const VariableResult& v : results.variables) variables.push_back(variable_json(v));
  Json root{{"program", "Tavo"},
            {"version", results.version},
            {"title", text(results.title)},
            {"report", text(results.report_name)},
            {"iq", results.iq},
            {"meshes", std::move(meshes)},
            {"variables", std::move(variables)}};
  std::string out;
  emit(root, 0, out);
  out += '\n';
  return out;
}

std::string to_csv(const Results& results) {
  std::string out;
  bool first = true;
  for (const char* column : kCsvColumns) {
    if (!first) out += ',';
    first = false;
    out += column;
  }
  out += "\r\n";
  for (const VariableResult& v : results.variables) {
    const std::string name = csv_field(console::cp1252::to_utf8(v.name));
    for (int k : {kLow, kHigh}) {
      const SchemeResult& s = v.schemes[k];
      const bool fitted = s.fit.outcome == FitOutcome::Fitted;
      for (std::size_t i = 0; i < s.meshes.size(); ++i) {
        const MeshResult& m = s.meshes[i];
        const IntervalResult* r =
            i >= 2 && i - 2 < v.intervals.size() ? &v.intervals[i - 2] : nullptr;
        const std::string fields[] = {
            std::to_string(v.index),
            name,
            csv_number(v.exact),
            kSchemeKeys[k],
            csv_number(s.formal_order),
            std::to_string(i + 1),
            csv_number(m.h),
            csv_number(m.value),
            csv_number(m.convergence_ratio),
            csv_number(m.apparent_order),
            csv_number(m.ti_12),
            csv_number(m.ti_a),
            std::string(convergence_name(m.convergence)),
            csv_number(m.gci),
            fitted ? csv_number(s.fit.phi0) : "",
            fitted ? csv_number(s.fit.alpha) : "",
            fitted ? csv_number(s.fit.p) : "",
            fitted ? csv_number(s.fit.sigma) : "",
            r != nullptr ? csv_number(r->tq) : "",
            r != nullptr ? csv_number(r->uq) : "",
            r != nullptr ? csv_bool(r->applies) : "",
            r != nullptr ? csv_bool(r->exact_inside) : "",
        };
        static_assert(sizeof fields / sizeof fields[0] == std::size(kCsvColumns));
        for (std::size_t f = 0; f < std::size(fields); ++f) {
          if (f > 0) out += ',';
          out += fields[f];
        }
        out += "\r\n";
      }
    }
  }
  return out;
}

}  // namespace results
