// The one place that reads the analysis's tables for the extras.
#pragma once

#include "analysis/run_view.h"
#include "results/run_input.h"

namespace results {

// Copies a finished run's tables, through the analysis's read-only view, into a RunInput:
// meshes, iq, title, report name, and every selected variable's values, ratios, apparent orders,
// estimates and interval verdicts (found again from the estimates, as the report found them).
// Only after a run that ended normally.
RunInput from_analysis(const analysis::RunView& view);
// The same for the run's own state (analysis::state()).
RunInput from_analysis_state();

}  // namespace results
