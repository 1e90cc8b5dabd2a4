// The results as windows in the desktop frame (built with the window front end and plots): the
// results window and a window per chart, laid out so that both fit the screen.
#pragma once

#include <QRect>
#include <QSize>

#include <cstddef>
#include <memory>

#include "results/results.h"
#include "results/texts.h"

namespace app {

// Where the windows go in a client area of `room`: the results window across the top two
// fifths; below it a row per variable with its charts side by side, the rows cascaded by `step`
// (a caption's height) from the bottom right up, so that the first variable's row, put on top,
// leaves every later row's captions in view (at most eight steps; the ninth row starts again).
struct DesktopLayout {
  QRect results;
  QRect charts;  // the area the rows of charts cascade in
  int step = 0;
  std::size_t variables = 0;
  // The largest place of a variable's k-th chart window.
  QRect chart(std::size_t variable, std::size_t k) const;
};
DesktopLayout desktop_layout(QSize room, int step, std::size_t variables);

// The size a chart of `file` size is drawn at to fill a window's inside of `inside` without
// scroll bars: the same shape, never larger than the file's.
QSize fitted_chart_size(QSize file, QSize inside);

// Under the desktop front end: the frame is maximised, the results window opens in it and,
// with `charts`, a window per chart of every variable (plots/charts.h: its value chart, then its
// convergence chart), titled with the variable's index and name, the value chart's with
// "(values)" after them; the texts in `language`. A chart's Save offers, besides the bitmap, the
// chart drawn anew as SVG, PNG or PDF. Opening a row of the results window (double-click or
// Enter) opens its variable's charts, or raises them when open. The frame then stays after the
// run until the user closes it. Does nothing under any other front end.
void open_result_windows(std::shared_ptr<const results::Results> r, results::Language language,
                         bool charts);

}  // namespace app
