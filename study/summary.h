// The study's summary for a person at a terminal: per quantity and scheme one line per mesh with
// h, the value, R, p, the extrapolated value, the GCI, the Eca-Hoekstra U and the convergence
// class, in aligned columns, and what could not be computed and why.
#pragma once

#include "results/output_file.h"
#include "results/results.h"
#include "results/texts.h"

namespace study {

// Numbers to six significant digits; blank where a mesh does not define them.
void write_summary(const results::Results& r, const results::Texts& texts, results::TextOut& out);

// One line of columns, each right-aligned in its width (texts may be UTF-8).
void append_columns(std::string& out, std::initializer_list<std::string_view> cells);

}  // namespace study
