// The report on unit 10: every line is a record written through one of eleven compiled formats.
#include <cstdint>

#include "analysis/io.h"
#include "analysis/order_analysis.h"
#include "analysis/report_formats.h"
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
VerdictTexts texts_of(Interval result) {
  VerdictTexts t;
  switch (result) {
    case Interval::DoesNotApply:
      t.applies = "N\xE3o";
      t.exact_inside = "---";
      break;
    case Interval::ExactOutside:
      t.applies = "SIM";
      t.exact_inside = "N\xC3O";
      break;
    case Interval::ExactInside:
      t.applies = "SIM";
      t.exact_inside = "sim";
      break;
  }
  return t;
}

// A variable's three tables (blocks V2, V3, V4), statement by statement into `out`: an
// out(format, items) call per statement. Stores the variable's interval verdicts on the way.
template <class Out>
void variable_tables(State& s, std::int32_t var, Out&& out) {
  out(formats::kIntervalHeading, {});
  for (std::int32_t j = 1; j <= s.mesh_count; ++j) {
    s.tq_estimate(var, j) = 0;
    s.uq_uncertainty(var, j) = 0;
  }
  for (std::int32_t j = 3; j <= s.mesh_count; ++j) {
    VerdictTexts t = texts_of(assess_intervals(s, var, j).result);
    out(formats::kIntervalLine,
        {Item::value(s.mesh_h(j)), Item::value(s.tq_estimate(var, j)),
         Item::value(s.uq_uncertainty(var, j)), text(t.applies), text(t.exact_inside)});
  }
  // One line per mesh of a scheme's table: Th on every mesh, Ti_12 from mesh 2 on, Ti_a from
  // mesh 3 on.
  for (std::int32_t k = 1; k <= 2; ++k) {
    if (k == 1) {
      out(formats::kLowOrderHeading, {});
    } else {
      out(formats::kHighOrderHeading, {});
    }
    for (std::int32_t j = 1; j <= s.mesh_count; ++j) {
      Item h = Item::value(s.mesh_h(j));
      Item th = Item::value(s.numerical_solution(var, j, k));
      if (j == 1) {
        out(formats::kSchemeLine, {h, th});
      } else if (j == 2) {
        out(formats::kSchemeLine, {h, th, Item::value(s.extrapolated_asymptotic(var, j, k))});
      } else {
        out(formats::kSchemeLine, {h, th, Item::value(s.extrapolated_asymptotic(var, j, k)),
                                   Item::value(s.extrapolated_apparent(var, j, k))});
      }
    }
  }
}

// A variable's heading (block V1), as one statement into `out`.
template <class Out>
void variable_heading(State& s, std::int32_t var, Out&& out) {
  out(formats::kVariableHeading,
      {text(s.var_name(var)), Item::value(s.exact_value(var)),
       Item::value(s.asymptotic_order(var, 1)), Item::value(s.asymptotic_order(var, 2))});
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

void write_variable_report(State& s, std::int32_t var) {
  variable_tables(s, var, write);
}

bool make_variable_heading(State& s, std::int32_t var, recio::MadeStatements& made) {
  return make_statements(made, [&](auto out) { variable_heading(s, var, out); });
}

bool make_variable_report(State& s, std::int32_t var, recio::MadeStatements& made) {
  return make_statements(made, [&](auto out) { variable_tables(s, var, out); });
}

void write_made(const recio::MadeStatements& made) {
  for (std::size_t i = 0; i < made.size(); ++i) recio::write_made(kReportUnit, made, i);
}

}  // namespace analysis
