// The run's charts as windows in the desktop frame (built with the window front end and plots).
#pragma once

#include <memory>

#include "results/results.h"

namespace app {

// Under the desktop front end: opens one window per selected variable in the frame, showing its
// charts, titled with the variable's index and name; Save offers, besides the bitmap, the chart
// drawn anew as SVG, PNG or PDF. The frame then stays after the run until the user closes it.
// Does nothing under any other front end.
void open_chart_windows(std::shared_ptr<const results::Results> r);

}  // namespace app
