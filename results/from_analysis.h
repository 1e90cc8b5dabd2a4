// The one place that reads the analysis's tables for the extras.
#pragma once

#include "results/run_input.h"

namespace results {

// Copies the run's tables (analysis::state()) into a RunInput: meshes, iq, title, report name,
// and every selected variable's values, ratios, apparent orders, estimates and interval test.
// Only after a run that ended normally: the interval texts are not kept by the run, so they are
// found again with the analysis's own interval test, mesh by mesh, which rewrites the Tq and Uq
// it wrote before with the same values and moves the run's current variable and mesh.
RunInput from_analysis_state();

}  // namespace results
