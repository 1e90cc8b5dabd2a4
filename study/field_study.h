// A study of a points-as-rows table (a field): every point is a variable of its own on the
// same meshes, analysed by the run's formulas and measured as the run's extras are, on every
// core, chunk by chunk as the reader gives them, with the outputs in the points' order.
#pragma once

#include <string>

#include "results/output_file.h"
#include "results/results.h"
#include "results/texts.h"
#include "results/verdict.h"
#include "study/table.h"

namespace study {

struct FieldSettings {
  double formal_order = 2;
  results::Settings measures;  // least_squares is ignored: a field's points go without
  results::CheckLimits checks;
  results::Language language = results::Language::English;
  std::string source;   // the table's name
  std::string version;  // the program's version text
  std::size_t chunk_points = 8192;
};

// Where the outputs go; a null sink is not written.
struct FieldSinks {
  results::TextOut* summary = nullptr;   // a line per point: its finest mesh
  results::TextOut* csv = nullptr;       // a row per point with its labels (field_csv_columns)
  results::TextOut* json = nullptr;      // the run's shape, one variable per point
  results::TextOut* failures = nullptr;  // a line per point that fails a check
};

struct FieldOutcome {
  Error error;             // the reader's first error, after which nothing more is written
  std::size_t points = 0;  // studied
  std::size_t failed = 0;  // points that failed a check
};

// Reads every remaining point of `reader` (its header read, points as rows).
FieldOutcome study_field(TableReader& reader, const FieldSettings& settings, FieldSinks& sinks);

// The columns of a field's CSV row for `header`: its labels, the exact value when it has one,
// then per measure one column per mesh where it is defined (value_1 ...), then the scheme's.
std::vector<std::string> field_csv_columns(const FieldHeader& header);

}  // namespace study
