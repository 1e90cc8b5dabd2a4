// The report on unit 10: every line is a record written through one of eleven compiled formats.
#include <cstdint>

#include "analysis/io.h"
#include "analysis/report_formats.h"
#include "analysis/run_numbers.h"
#include "analysis/state.h"
#include "recio/made_statements.h"
#include "recio/statements.h"

namespace analysis {
namespace {

using recio::Item;

constexpr int kReportUnit = 10;

template <std::size_t N>
Item text(Text<N>& t) {
  return Item::text(t.data(), N);
}

void write(std::span<const std::uint32_t> format, std::initializer_list<Item> items) {
  recio::write_formatted(kReportUnit, format, items);
}

// The two texts of an interval verdict: "aplica-se?" and "<Te>".
struct VerdictTexts {
  Text<3> applies;
  Text<3> exact_inside;
};
VerdictTexts texts_of(model::Interval result) {
  VerdictTexts t;
  switch (result) {
    case model::Interval::DoesNotApply:
      t.applies = "N\xE3o";
      t.exact_inside = "---";
      break;
    case model::Interval::ExactOutside:
      t.applies = "SIM";
      t.exact_inside = "N\xC3O";
      break;
    case model::Interval::ExactInside:
      t.applies = "SIM";
      t.exact_inside = "sim";
      break;
  }
  return t;
}

// A variable's three tables (blocks V2, V3, V4), statement by statement into `out`: an
// out(format, items) call per statement. Only formats what the analysis stored.
template <class Out>
void variable_tables(const State& s, std::int32_t var, Out&& out) {
  out(formats::kIntervalHeading, {});
  const model::Intervals tests = intervals(s, var);
  for (std::size_t j = model::kFirstTripletMesh; j < tests.h.size(); ++j) {
    VerdictTexts t = texts_of(tests.result[j]);
    out(formats::kIntervalLine, {Item::value(tests.h[j]), Item::value(tests.tq[j]),
                                 Item::value(tests.uq[j]), text(t.applies), text(t.exact_inside)});
  }
  // One line per mesh of a scheme's table: Th on every mesh, Ti_12 and Ti_a where they are
  // defined.
  for (std::size_t k : {kLowScheme, kHighScheme}) {
    out(k == kLowScheme ? formats::kLowOrderHeading : formats::kHighOrderHeading, {});
    const model::Series scheme = series(s, var, k);
    for (std::size_t j = 0; j < scheme.mesh_count(); ++j) {
      Item h = Item::value(scheme.h[j]);
      Item th = Item::value(scheme.value[j]);
      if (model::ends_triplet(j)) {
        out(formats::kSchemeLine,
            {h, th, Item::value(scheme.ti_12[j]), Item::value(scheme.ti_a[j])});
      } else if (model::ends_pair(j)) {
        out(formats::kSchemeLine, {h, th, Item::value(scheme.ti_12[j])});
      } else {
        out(formats::kSchemeLine, {h, th});
      }
    }
  }
}

// A variable's heading (block V1), as one statement into `out`.
template <class Out>
void variable_heading(State& s, std::int32_t var, Out&& out) {
  out(formats::kVariableHeading,
      {text(s.var_name(var)), Item::value(s.exact_value(var)), Item::value(s.formal_order(var, 1)),
       Item::value(s.formal_order(var, 2))});
}

// The statements that `statements(out)` sends to `out`, made into `made` in place of writing them:
// false as soon as one cannot be made.
template <class Statements>
bool make_statements(recio::MadeStatements& made, Statements&& statements) {
  made.clear();
  bool complete = true;
  statements([&](std::span<const std::uint32_t> format, std::initializer_list<Item> items) {
    if (complete) complete = made.add(format, items) == recio::kOk;
  });
  return complete;
}

}  // namespace

void write_report_header() {
  State& s = state();
  write(formats::kFileDateTitle,
        {text(s.report_file_name), text(s.date_text), text(s.time_text), text(s.run_title)});
  write(formats::kParameters,
        {Item::value(s.var_count), Item::value(s.mesh_count), Item::value(s.iq),
         Item::value(s.pa_max_iterations), Item::value(s.pa_tolerance),
         Item::value(s.pa_lower_limit), Item::value(s.pa_upper_limit), text(s.exact_file_name)});
  write(formats::kMeshHeading, {});
  write(formats::kFirstMesh, {Item::value(s.mesh_h(1)), text(s.solution_file_name(1, 1)),
                              text(s.solution_file_name(1, 2))});
  for (std::int32_t j = 2; j <= s.mesh_count; ++j) {
    double q21 = s.mesh_h(j - 1) / s.mesh_h(j);
    write(formats::kOtherMesh,
          {Item::value(s.mesh_h(j)), Item::value(q21), text(s.solution_file_name(j, 1)),
           text(s.solution_file_name(j, 2))});
  }
}

void write_variable_heading(State& s, std::int32_t var) {
  variable_heading(s, var, write);
}

void write_variable_report(const State& s, std::int32_t var) {
  variable_tables(s, var, write);
}

bool make_variable_heading(State& s, std::int32_t var, recio::MadeStatements& made) {
  return make_statements(made, [&](auto out) { variable_heading(s, var, out); });
}

bool make_variable_report(const State& s, std::int32_t var, recio::MadeStatements& made) {
  return make_statements(made, [&](auto out) { variable_tables(s, var, out); });
}

void write_made(const recio::MadeStatements& made) {
  for (std::size_t i = 0; i < made.size(); ++i) recio::write_made(kReportUnit, made, i);
}

}  // namespace analysis
