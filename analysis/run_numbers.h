// The run's tables read as the model's numbers (model/numbers.h), in place: the one way the
// report, the extras and everything after the run read what the analysis found.
//
// Variables are named by their number in the input (1 to var_count), schemes by their index in
// the model (kLowScheme, kHighScheme). A variable's numbers are its analysis's once
// analyse_variable has run for it; the tables live until the process ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "analysis/state.h"
#include "model/numbers.h"

namespace analysis {

inline constexpr std::size_t kLowScheme = 0;
inline constexpr std::size_t kHighScheme = 1;
// The schemes' names in the extras.
inline constexpr std::string_view kSchemeNames[] = {"low", "high"};

// A text field without its padding: trailing blanks, and the zero bytes of a field the input
// never set (code page 1252).
std::string_view unpadded(std::string_view field);

// Variable `var` in `scheme`. Allocates nothing.
model::Series series(const State& s, std::int32_t var, std::size_t scheme);
// Variable `var`'s interval tests. Allocates nothing.
model::Intervals intervals(const State& s, std::int32_t var);
// Variable `var` whole, its name converted to UTF-8.
model::Variable variable(const State& s, std::int32_t var);
// The files the run read, in its order: dados.r33, the exact-results file, then the solution
// files of the low-order scheme and of the high-order one, coarse to fine.
std::vector<model::InputFile> input_files(const State& s);
// The finished run: title, report name, its input files, iq and meshes, and every selected
// variable in increasing number.
model::Numbers run_numbers(const State& s);

}  // namespace analysis
