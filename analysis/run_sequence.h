// The program's main routine: edit and read the input, analyse every selected variable, write
// the report and show it.
#pragma once

namespace analysis {

inline constexpr char kFrameCaption[] = "TAVO 1.0 - Tavorama";

void run_sequence();

}  // namespace analysis
