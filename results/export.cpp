#include "results/export.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "results/json_writer.h"

namespace results {

std::string shortest(double v) {
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return ec == std::errc() ? std::string(buf, end) : std::string();
}

void append_shortest(std::string& out, double v) {
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  if (ec == std::errc()) out.append(buf, end);
}

void append_csv_field(std::string& out, std::string_view s) {
  if (s.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += s;
    return;
  }
  out += '"';
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

void append_markup_escaped(std::string& out, std::string_view s) {
  for (char c : s) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default: {
        const auto b = static_cast<unsigned char>(c);
        out += (b < 0x20 && c != '\t' && c != '\n') || b == 0x7F ? ' ' : c;
      }
    }
  }
}

std::string significant(double v, int digits) {
  if (!std::isfinite(v)) return {};
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, digits);
  return ec == std::errc() ? std::string(buf, end) : std::string();
}

namespace {

using Layout = JsonWriter::Layout;

constexpr double kUndefined = model::kUndefined;

// The value of a number that `mesh` defines only from the pair or triplet it ends.
double from_pair(model::Strided<const double> v, std::size_t mesh) {
  return model::ends_pair(mesh) ? v[mesh] : kUndefined;
}
double from_triplet(model::Strided<const double> v, std::size_t mesh) {
  return model::ends_triplet(mesh) ? v[mesh] : kUndefined;
}

void convergence_json(JsonWriter& json, Convergence c) {
  const std::string_view name = convergence_name(c);
  if (name.empty()) return json.null();
  json.text(name);
}

void fit_json(JsonWriter& json, const PowerLawFit& fit) {
  if (fit.outcome != FitOutcome::Fitted) return json.null();
  json.begin_object(Layout::Line);
  json.key("phi0").number(fit.phi0);
  json.key("alpha").number(fit.alpha);
  json.key("p").number(fit.p);
  json.key("sigma").number(fit.sigma);
  json.end_object();
}

void uncertainty_json(JsonWriter& json, const Uncertainty& u) {
  if (u.outcome != UncertaintyOutcome::Estimated) return json.null();
  json.begin_object(Layout::Line);
  json.key("estimator").text(expansion_name(u.estimator));
  json.key("weighted").boolean(u.weighting == Weighting::Weighted);
  json.key("p").number(u.observed_order.value_or(kUndefined));
  json.key("phi0").number(u.phi0);
  json.key("sigma").number(u.sigma);
  json.key("data_range").number(u.data_range);
  json.key("fs").number(u.safety_factor);
  json.end_object();
}

// Why there is no uncertainty estimate, or null when there is one.
void uncertainty_note_json(JsonWriter& json, const Uncertainty& u) {
  if (u.outcome == UncertaintyOutcome::Estimated) return json.null();
  json.text(outcome_name(u.outcome));
}

void scheme_json(JsonWriter& json, const model::Series& s, const SchemeMeasures& m,
                 bool exact_known, double target_gci) {
  json.begin_object();
  json.key("formal_order").number(s.formal_order);
  json.key("meshes").begin_array();
  for (std::size_t j = 0; j < s.mesh_count(); ++j) {
    json.begin_object(Layout::Line);
    json.key("h").number(s.h[j]);
    json.key("value").number(s.value[j]);
    json.key("convergence_ratio").number(from_triplet(s.convergence_ratio, j));
    json.key("apparent_order").number(from_triplet(s.apparent_order, j));
    json.key("ti_12").number(from_pair(s.ti_12, j));
    json.key("ti_a").number(from_triplet(s.ti_a, j));
    convergence_json(json.key("convergence"), m.convergence[j]);
    json.key("gci").number(m.gci[j]);
    json.key("asymptotic_ratio").number(m.asymptotic_ratio[j]);
    json.key("u_eh2014").number(m.u[j]);
    if (exact_known) {
      json.key("error").number(m.error[j]);
      json.key("exact_order").number(m.exact_order[j]);
    }
    json.end_object();
  }
  json.end_array();
  fit_json(json.key("least_squares"), m.fit);
  uncertainty_json(json.key("eh2014"), m.uncertainty);
  uncertainty_note_json(json.key("eh2014_note"), m.uncertainty);
  if (m.target) {
    json.key("target").begin_object(Layout::Line);
    json.key("gci").number(target_gci);
    json.key("ratio").number(m.target->ratio);
    json.key("h").number(m.target->h);
    json.end_object();
  }
  json.end_object();
}

void intervals_json(JsonWriter& json, const model::Intervals& tests) {
  json.begin_array();
  for (std::size_t j = model::kFirstTripletMesh; j < tests.h.size(); ++j) {
    const bool applies = tests.result[j] != model::Interval::DoesNotApply;
    json.begin_object(Layout::Line);
    json.key("h").number(tests.h[j]);
    json.key("tq").number(applies ? tests.tq[j] : kUndefined);
    json.key("uq").number(applies ? tests.uq[j] : kUndefined);
    json.key("applies").boolean(applies);
    if (applies) {
      json.key("exact_inside").boolean(tests.result[j] == model::Interval::ExactInside);
    } else {
      json.key("exact_inside").null();
    }
    json.end_object();
  }
  json.end_array();
}

void csv_number(std::string& out, double v) {
  if (std::isfinite(v)) append_shortest(out, v);
}

}  // namespace

void variable_json(JsonWriter& json, const VariableResult& v, const Settings& settings) {
  json.begin_object();
  json.key("index").integer(v.numbers.number);
  json.key("name").text(v.numbers.name);
  json.key("exact").number(v.numbers.exact);
  json.key("schemes").begin_object();
  for (std::size_t k = 0; k < v.numbers.schemes.size(); ++k) {
    const model::Series& s = v.numbers.schemes[k];
    json.key(s.scheme);
    scheme_json(json, s, v.measures.schemes[k], std::isfinite(v.numbers.exact),
                settings.target_gci.value_or(kUndefined));
  }
  json.end_object();
  if (v.numbers.intervals) intervals_json(json.key("intervals"), *v.numbers.intervals);
  json.end_object();
}

void begin_json(JsonWriter& json, const model::Numbers& run, const std::string& version) {
  json.begin_object();
  json.key("program").text("Tavo");
  json.key("version").text(version);
  json.key("title").text(run.title);
  json.key("report").text(run.source);
  if (run.iq) {
    json.key("iq").integer(*run.iq);
  } else {
    json.key("iq").null();
  }
  json.key("meshes").begin_array();
  for (std::size_t j = 0; j < run.h.size(); ++j) {
    json.begin_object(Layout::Line);
    json.key("h").number(run.h[j]);
    json.key("ratio").number(model::ends_pair(j) ? run.h[j - 1] / run.h[j] : kUndefined);
    json.end_object();
  }
  json.end_array();
  json.key("variables").begin_array();
}

void end_json(JsonWriter& json, std::string& out) {
  json.end_array();
  json.end_object();
  out += '\n';
}

void write_json(const Results& results, TextOut& sink) {
  JsonWriter json(sink.text());
  begin_json(json, results.numbers, results.version);
  for (std::size_t i = 0; i < results.size(); ++i) {
    variable_json(json, results.variable(i), results.settings);
    sink.piece_done();
  }
  end_json(json, sink.text());
}

void write_csv(const Results& results, TextOut& sink) {
  std::string& out = sink.text();
  bool first = true;
  for (const char* column : kCsvColumns) {
    if (!first) out += ',';
    first = false;
    out += column;
  }
  out += "\r\n";
  for (std::size_t i = 0; i < results.size(); ++i) {
    const VariableResult v = results.variable(i);
    std::string name;
    append_csv_field(name, v.numbers.name);
    for (std::size_t k = 0; k < v.numbers.schemes.size(); ++k) {
      const model::Series& s = v.numbers.schemes[k];
      const SchemeMeasures& m = v.measures.schemes[k];
      const bool fitted = m.fit.outcome == FitOutcome::Fitted;
      for (std::size_t j = 0; j < s.mesh_count(); ++j) {
        const bool tested = v.numbers.intervals && model::ends_triplet(j);
        const model::Interval verdict =
            tested ? v.numbers.intervals->result[j] : model::Interval::DoesNotApply;
        const bool applies = verdict != model::Interval::DoesNotApply;
        out += std::to_string(v.numbers.number);
        out += ',';
        out += name;
        out += ',';
        csv_number(out, v.numbers.exact);
        out += ',';
        out += s.scheme;
        out += ',';
        csv_number(out, s.formal_order);
        out += ',';
        out += std::to_string(j + 1);  // meshes count from 1 in the file, as in the report
        for (double x :
             {s.h[j], s.value[j], from_triplet(s.convergence_ratio, j),
              from_triplet(s.apparent_order, j), from_pair(s.ti_12, j), from_triplet(s.ti_a, j)}) {
          out += ',';
          csv_number(out, x);
        }
        out += ',';
        out += convergence_name(m.convergence[j]);
        out += ',';
        csv_number(out, m.gci[j]);
        for (double x : {m.fit.phi0, m.fit.alpha, m.fit.p, m.fit.sigma}) {
          out += ',';
          if (fitted) csv_number(out, x);
        }
        out += ',';
        if (tested && applies) csv_number(out, v.numbers.intervals->tq[j]);
        out += ',';
        if (tested && applies) csv_number(out, v.numbers.intervals->uq[j]);
        out += ',';
        if (tested) out += applies ? "true" : "false";
        out += ',';
        if (tested && applies) out += verdict == model::Interval::ExactInside ? "true" : "false";
        out += ',';
        csv_number(out, m.asymptotic_ratio[j]);
        out += ',';
        csv_number(out, m.u[j]);
        const Uncertainty& u = m.uncertainty;
        const bool estimated = u.outcome == UncertaintyOutcome::Estimated;
        out += ',';
        if (estimated) out += expansion_name(u.estimator);
        out += ',';
        if (estimated) out += u.weighting == Weighting::Weighted ? "true" : "false";
        for (double x : {u.observed_order.value_or(kUndefined), u.phi0, u.sigma, u.data_range,
                         u.safety_factor}) {
          out += ',';
          if (estimated) csv_number(out, x);
        }
        out += ',';
        if (!estimated) out += outcome_name(u.outcome);
        out += ',';
        csv_number(out, m.error[j]);
        out += ',';
        csv_number(out, m.exact_order[j]);
        for (double x :
             {results.settings.target_gci.value_or(kUndefined),
              m.target ? m.target->ratio : kUndefined, m.target ? m.target->h : kUndefined}) {
          out += ',';
          if (m.target) csv_number(out, x);
        }
        out += "\r\n";
      }
    }
    sink.piece_done();
  }
}

std::string to_json(const Results& results) {
  TextOut out;
  write_json(results, out);
  return std::move(out.text());
}

std::string to_csv(const Results& results) {
  TextOut out;
  write_csv(results, out);
  return std::move(out.text());
}

}  // namespace results
