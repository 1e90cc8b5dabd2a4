// The run's charts as windows in the desktop frame (built with the window front end and plots).
#pragma once

#include <memory>

#include "results/results.h"
#include "results/texts.h"

namespace app {

// Under the desktop front end: opens a window per chart of every selected variable in the frame
// (plots/charts.h: its value chart, then its convergence chart), titled with the variable's
// index and name, the value chart's with "(values)" after them; the texts in `language`. Save
// offers, besides the bitmap, the chart drawn anew as SVG, PNG or PDF. The frame then stays
// after the run until the user closes it. Does nothing under any other front end.
void open_chart_windows(std::shared_ptr<const results::Results> r, results::Language language);

}  // namespace app
