// The run's input readers and report writers, and the run sequence that ties them together.
#pragma once

#include <cstdint>

#include "analysis/run_sequence.h"
#include "analysis/state.h"
#include "recio/made_statements.h"

namespace analysis {

// Lets the user edit "dados.r33" (unless `editor` is Skip), then reads it on unit 7 and
// allocates the tables it sizes.
void read_input_data(EditorUse editor = EditorUse::Open);
// Reads the exact-results file: the count of variables, their names and exact values.
void read_exact_results();
// Allocates the result tables and reads every solution file, low-order scheme first.
void read_solution_tables();

// The report on unit 10: header (file, date, title, parameters, mesh table), then per selected
// variable of `s` (the run's state) its heading and, after the analysis, its three tables,
// formatted from what analyse_variable stored.
void write_report_header();
void write_variable_heading(State& s, std::int32_t var);
void write_variable_report(const State& s, std::int32_t var);

// The statements of write_variable_heading(s, var) and write_variable_report(s, var) made ahead
// in memory (no I/O, any thread): false when one of them cannot be made, and then they are
// written by the functions above instead. The thread that owns the report writes them, in
// order, with write_made.
bool make_variable_heading(State& s, std::int32_t var, recio::MadeStatements& made);
bool make_variable_report(const State& s, std::int32_t var, recio::MadeStatements& made);
void write_made(const recio::MadeStatements& made);

}  // namespace analysis
