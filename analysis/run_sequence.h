// The program's main routine: edit and read the input, analyse every selected variable, write
// the report and show it.
#pragma once

#include "analysis/pipeline.h"

namespace analysis {

inline constexpr char kFrameCaption[] = "TAVO 1.0 - Tavorama";

// Whether the run opens the editor, on "dados.r33" before reading it and on the report at the
// end (Skip: for scripts and pipelines).
enum class EditorUse { Open, Skip };

struct RunSettings {
  EditorUse editor = EditorUse::Open;
  Pipeline pipeline = Pipeline::Auto;  // whether the analysis may go ahead on a worker thread
};

void run_sequence(const RunSettings& settings = {});

}  // namespace analysis
