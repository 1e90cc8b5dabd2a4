#include "study/field_study.h"

#include <oneapi/tbb/info.h>
#include <oneapi/tbb/parallel_pipeline.h>

#include <cmath>
#include <memory>
#include <mutex>

#include "model/formulas.h"
#include "recio/math_functions.h"
#include "results/export.h"
#include "study/mesh_study.h"
#include "study/summary.h"

namespace study {
namespace {

constexpr std::string_view kTripletColumns[] = {
    "convergence_ratio", "apparent_order", "ti_a", "gci", "convergence", "asymptotic_ratio"};
constexpr std::string_view kSchemeColumns[] = {"eh2014_estimator", "eh2014_weighted", "eh2014_p",
                                               "eh2014_fs", "eh2014_note"};

void number(std::string& out, double v) {
  if (std::isfinite(v)) results::append_shortest(out, v);
}

// One chunk of points on its way through the pipeline, and what it gives. Each stage holds its
// lock while it works on it (never contended: one stage at a time has it), which hands it from
// thread to thread in a way the thread checker sees, whatever the pool's own handing does.
struct ChunkWork {
  std::mutex handed;
  FieldChunk chunk;
  std::string summary, csv, json, failures;
  std::size_t failed = 0;
};

// What a worker reuses from point to point, so that a stream allocates only while it warms up.
struct Scratch {
  std::vector<double> r, pa, ti_12, ti_a;
  results::SchemeMeasures measures;
  model::Variable variable;
  results::VariableMeasures variable_measures;
};

class FieldStudy {
 public:
  FieldStudy(const FieldHeader& header, const FieldSettings& settings, const FieldSinks& sinks)
      : header_(header),
        settings_(settings),
        sinks_(sinks),
        solver_{.method = constant_ratio(header.h) ? model::OrderMethod::ClosedForm
                                                   : model::OrderMethod::Bisection,
                .bisection = kStudyBisection} {
    measures_ = settings.measures;
    measures_.least_squares = false;
  }

  void analyse(ChunkWork& w) const {
    thread_local Scratch scratch;
    thread_local recio::MathErrorHold hold;  // sizes > 0 and decreasing: only a guard
    const std::size_t meshes = header_.h.size();
    for (auto* v : {&scratch.r, &scratch.pa, &scratch.ti_12, &scratch.ti_a})
      v->assign(meshes, model::kUndefined);
    w.summary.clear();
    w.csv.clear();
    w.json.clear();
    w.failures.clear();
    w.failed = 0;
    const FieldChunk& c = w.chunk;
    for (std::size_t p = 0; p < c.points; ++p) {
      const model::SeriesWindows windows{.h = {header_.h.data(), meshes},
                                         .value = {c.values.data() + p * meshes, meshes},
                                         .formal_order = settings_.formal_order,
                                         .convergence_ratio = {scratch.r.data(), meshes},
                                         .apparent_order = {scratch.pa.data(), meshes},
                                         .ti_12 = {scratch.ti_12.data(), meshes},
                                         .ti_a = {scratch.ti_a.data(), meshes}};
      const double exact = header_.has_exact ? c.exact[p] : model::kUndefined;
      model::analyse_variable({&windows, 1}, solver_, exact, nullptr);
      hold.take();
      const model::Series series = windows.series(kSolutionScheme);
      results::measure(series, exact, measures_, scratch.measures);
      const std::size_t index = c.first_point + p;
      if (sinks_.csv != nullptr) csv_row(w.csv, c, p, exact, series, scratch.measures);
      if (sinks_.summary != nullptr) summary_line(w.summary, c, p, series, scratch.measures);
      if (settings_.checks.any()) {
        results::Check check = results::check_scheme(series, scratch.measures, settings_.checks);
        if (!check.passed()) {
          check.number = static_cast<int>(index + 1);
          check.name = name(c, p);
          w.failures += "tavo: " + results::failure_line(check) + "\n";
          ++w.failed;
        }
      }
      if (sinks_.json != nullptr) json_variable(w.json, scratch, c, p, exact, series, index);
    }
  }

 private:
  // The labels of a point, or its number when the table has none.
  std::string name(const FieldChunk& c, std::size_t p) const {
    std::string s;
    for (std::size_t l = 0; l < c.label_columns; ++l) {
      if (l > 0) s += ' ';
      s += c.label(p, l);
    }
    return s.empty() ? std::to_string(c.first_point + p + 1) : s;
  }

  void csv_row(std::string& out, const FieldChunk& c, std::size_t p, double exact,
               const model::Series& s, const results::SchemeMeasures& m) const {
    for (std::size_t l = 0; l < c.label_columns; ++l) {
      results::append_csv_field(out, c.label(p, l));
      out += ',';
    }
    if (header_.has_exact) {
      number(out, exact);
      out += ',';
    }
    const std::size_t n = s.mesh_count();
    for (std::size_t j = 0; j < n; ++j) {
      number(out, s.value[j]);
      out += ',';
    }
    for (int column = 0; column < 6; ++column) {
      for (std::size_t j = model::kFirstTripletMesh; j < n; ++j) {
        switch (column) {
          case 0:
            number(out, s.convergence_ratio[j]);
            break;
          case 1:
            number(out, s.apparent_order[j]);
            break;
          case 2:
            number(out, s.ti_a[j]);
            break;
          case 3:
            number(out, m.gci[j]);
            break;
          case 4:
            out += results::convergence_name(m.convergence[j]);
            break;
          case 5:
            number(out, m.asymptotic_ratio[j]);
            break;
        }
        out += ',';
      }
    }
    for (std::size_t j = 0; j < n; ++j) {
      number(out, m.u[j]);
      out += ',';
    }
    const results::Uncertainty& u = m.uncertainty;
    if (u.outcome == results::UncertaintyOutcome::Estimated) {
      out += results::expansion_name(u.estimator);
      out += u.weighting == results::Weighting::Weighted ? ",true," : ",false,";
      number(out, u.observed_order.value_or(model::kUndefined));
      out += ',';
      number(out, u.safety_factor);
      out += ',';
    } else {
      out += ",,,,";
      out += results::outcome_name(u.outcome);
    }
    if (header_.has_exact) {
      for (std::size_t j = 0; j < n; ++j) {
        out += ',';
        number(out, m.error[j]);
      }
      for (std::size_t j = model::kFirstPairMesh; j < n; ++j) {
        out += ',';
        number(out, m.exact_order[j]);
      }
    }
    out += "\r\n";
  }

  void summary_line(std::string& out, const FieldChunk& c, std::size_t p, const model::Series& s,
                    const results::SchemeMeasures& m) const {
    const std::size_t f = s.mesh_count() - 1;
    auto six = [](double v) { return results::significant(v, 6); };
    const bool triplet = model::ends_triplet(f);
    std::string_view cls = results::convergence_name(m.convergence[f]);
    append_columns(out, {name(c, p), six(s.value[f]), triplet ? six(s.convergence_ratio[f]) : "",
                         triplet ? six(s.apparent_order[f]) : "", triplet ? six(s.ti_a[f]) : "",
                         six(m.gci[f]), six(m.u[f]), cls});
  }

  void json_variable(std::string& out, Scratch& scratch, const FieldChunk& c, std::size_t p,
                     double exact, const model::Series& s, std::size_t index) const {
    scratch.variable.number = static_cast<int>(index + 1);
    scratch.variable.name = name(c, p);
    scratch.variable.exact = exact;
    scratch.variable.schemes.assign(1, s);
    scratch.variable_measures.schemes.resize(1);
    std::swap(scratch.variable_measures.schemes[0], scratch.measures);
    results::JsonWriter json(out, 2, index > 0);
    results::variable_json(json, {scratch.variable, scratch.variable_measures}, measures_);
    std::swap(scratch.variable_measures.schemes[0], scratch.measures);
  }

  const FieldHeader& header_;
  const FieldSettings& settings_;
  const FieldSinks& sinks_;
  const model::OrderSolver solver_;
  results::Settings measures_;
};

}  // namespace

std::vector<std::string> field_csv_columns(const FieldHeader& header) {
  std::vector<std::string> columns(header.labels.begin(), header.labels.end());
  if (header.has_exact) columns.emplace_back("exact");
  const std::size_t n = header.h.size();
  auto per_mesh = [&](std::string_view name, std::size_t from) {
    for (std::size_t j = from; j < n; ++j)
      columns.push_back(std::string(name) + "_" + std::to_string(j + 1));
  };
  per_mesh("value", 0);
  for (std::string_view c : kTripletColumns) per_mesh(c, model::kFirstTripletMesh);
  per_mesh("u_eh2014", 0);
  for (std::string_view c : kSchemeColumns) columns.emplace_back(c);
  if (header.has_exact) {
    per_mesh("error", 0);
    per_mesh("exact_order", model::kFirstPairMesh);
  }
  return columns;
}

FieldOutcome study_field(TableReader& reader, const FieldSettings& settings, FieldSinks& sinks) {
  const FieldHeader& header = reader.field_header();
  FieldOutcome outcome;
  const FieldStudy study(header, settings, sinks);

  if (sinks.csv != nullptr) {
    std::string& out = sinks.csv->text();
    bool first = true;
    for (const std::string& column : field_csv_columns(header)) {
      if (!first) out += ',';
      first = false;
      results::append_csv_field(out, column);
    }
    out += "\r\n";
  }
  if (sinks.summary != nullptr) {
    const results::Texts& t = results::texts(settings.language);
    append_columns(sinks.summary->text(),
                   {t.point, t.value, "R", "p", t.extrapolated, "GCI", "U", t.convergence});
  }
  model::Numbers head;
  head.title = settings.source;
  head.source = settings.source;
  head.iq = constant_ratio(header.h) ? 0 : 1;
  head.h = header.h;
  results::JsonWriter json(sinks.json != nullptr ? sinks.json->text() : head.title);
  if (sinks.json != nullptr) results::begin_json(json, head, settings.version);

  // A few chunks per core in flight bound the memory; the reader and the writer keep order.
  // What the serial stages share with each other and with this thread afterwards (the free
  // chunks, the sinks, the outcome) is taken under one lock, once per chunk: the stages may run
  // on any of the pool's threads.
  const std::size_t tokens = 2 * static_cast<std::size_t>(oneapi::tbb::info::default_concurrency());
  std::vector<std::unique_ptr<ChunkWork>> pool;
  std::vector<ChunkWork*> free;
  std::mutex shared;
  std::mutex reading;  // the reader, from one chunk to the next
  for (std::size_t i = 0; i < tokens; ++i) {
    pool.push_back(std::make_unique<ChunkWork>());
    free.push_back(pool.back().get());
  }
  const std::size_t chunk_points = std::max<std::size_t>(settings.chunk_points, 1);
  oneapi::tbb::parallel_pipeline(
      tokens,
      oneapi::tbb::make_filter<void, ChunkWork*>(
          oneapi::tbb::filter_mode::serial_in_order,
          [&](oneapi::tbb::flow_control& fc) -> ChunkWork* {
            ChunkWork* w = nullptr;
            {
              const std::lock_guard lock(shared);
              w = free.back();  // a chunk is free whenever the reader runs: one per token
              free.pop_back();
            }
            Error e;
            {
              const std::lock_guard read(reading);
              const std::lock_guard hand(w->handed);
              e = reader.next_chunk(w->chunk, chunk_points);
            }
            if (e.failed() || w->chunk.points == 0) {
              const std::lock_guard lock(shared);
              if (e.failed()) outcome.error = e;
              free.push_back(w);
              fc.stop();
              return nullptr;
            }
            return w;
          }) &
          oneapi::tbb::make_filter<ChunkWork*, ChunkWork*>(oneapi::tbb::filter_mode::parallel,
                                                           [&](ChunkWork* w) {
                                                             const std::lock_guard hand(w->handed);
                                                             study.analyse(*w);
                                                             return w;
                                                           }) &
          oneapi::tbb::make_filter<ChunkWork*, void>(
              oneapi::tbb::filter_mode::serial_in_order, [&](ChunkWork* w) {
                const std::lock_guard lock(shared);
                const std::lock_guard hand(w->handed);
                for (auto [sink, text] :
                     {std::pair{sinks.summary, &w->summary}, std::pair{sinks.csv, &w->csv},
                      std::pair{sinks.json, &w->json}, std::pair{sinks.failures, &w->failures}}) {
                  if (sink == nullptr) continue;
                  sink->text() += *text;
                  sink->piece_done();
                }
                outcome.points += w->chunk.points;
                outcome.failed += w->failed;
                free.push_back(w);
              }));
  const std::lock_guard lock(shared);
  if (sinks.json != nullptr && !outcome.error.failed()) results::end_json(json, sinks.json->text());
  return outcome;
}

}  // namespace study
