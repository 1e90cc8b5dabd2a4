#include "app/desktop.h"

#include <QApplication>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/results_window.h"
#include "console/core/console.h"
#include "console/core/frontend.h"
#include "console/core/program_end.h"
#include "console/window/frame.h"
#include "console/window/picture_window.h"
#include "console/window/text.h"
#include "console/window/window_front_end.h"
#include "plots/charts.h"
#include "plots/in_order.h"
#include "results/output_file.h"

namespace app {
namespace {

constexpr std::size_t kPerVariable = std::size(plots::kCharts);
constexpr std::size_t kCascadeSteps = 8;

// A chart window's variable, kept alive with the results it belongs to for as long as the
// window may save it.
struct ChartSource {
  std::shared_ptr<const results::Results> results;
  std::size_t index = 0;
  plots::Chart chart = plots::Chart::Values;
  results::Language language = results::Language::English;
  results::VariableResult variable() const { return results->variable(index); }
};

std::vector<console::window::SaveFormat> chart_formats(const ChartSource& source) {
  std::vector<console::window::SaveFormat> formats;
  for (const auto& [format, filter] : {std::pair{plots::Format::Svg, "SVG Files(*.svg)"},
                                       std::pair{plots::Format::Png, "PNG Files(*.png)"},
                                       std::pair{plots::Format::Pdf, "PDF Files(*.pdf)"}}) {
    formats.push_back({filter, [source, format](const QString& path) {
                         const QByteArray bytes = plots::encode(source.variable(), source.chart,
                                                                format, source.language);
                         return results::write_output(
                             QFile::encodeName(path).toStdString(),
                             std::string_view(bytes.constData(), std::size_t(bytes.size())));
                       }});
  }
  return formats;
}

}  // namespace

QRect DesktopLayout::chart(std::size_t variable, std::size_t k) const {
  const int last = int(std::clamp<std::size_t>(variables, 1, kCascadeSteps) - 1);
  const int shift = (last - int(variable % kCascadeSteps)) * step;
  const int width = charts.width() / int(kPerVariable);
  const QSize size =
      (QSize(width, charts.height()) - QSize(last * step, last * step)).expandedTo(QSize(1, 1));
  return {charts.topLeft() + QPoint(int(k) * width + shift, shift), size};
}

DesktopLayout desktop_layout(QSize room, int step, std::size_t variables) {
  DesktopLayout layout;
  layout.results = QRect(0, 0, room.width(), room.height() * 2 / 5);
  layout.charts =
      QRect(0, layout.results.height(), room.width(), room.height() - layout.results.height());
  layout.step = step;
  layout.variables = variables;
  return layout;
}

QSize fitted_chart_size(QSize file, QSize inside) {
  const double scale = std::min(
      {double(inside.width()) / file.width(), double(inside.height()) / file.height(), 1.0});
  return QSize(int(file.width() * scale), int(file.height() * scale)).expandedTo(QSize(1, 1));
}

namespace {

QString chart_title(const ChartSource& s) {
  const model::Variable& numbers = s.results->numbers.variables[s.index];
  QString title = QString::number(numbers.number) + QStringLiteral(" - ") +
                  QString::fromStdString(numbers.name).trimmed();
  if (s.chart == plots::Chart::Values) {
    const std::string_view word = results::texts(s.language).chart.values_window;
    title += " (" + console::window::from_utf8(word) + ")";
  }
  return title;
}

// Where the windows go, worked out on the GUI thread once the frame fills the screen.
struct Places {
  DesktopLayout layout;
  QSize decoration;  // a child window's caption and borders

  // The size a chart's picture is drawn at, to fill its window's place (slot) without scroll
  // bars.
  QSize picture(const ChartSource& s) const {
    return fitted_chart_size(plots::file_size(s.chart, s.variable().numbers),
                             slot(s).size() - decoration);
  }
  QRect slot(const ChartSource& s) const {
    return layout.chart(s.index, std::size_t(s.chart == plots::Chart::Convergence));
  }
};

// On the GUI thread: raises the chart windows of variable `v`, or draws and opens them.
void open_charts_of(console::window::WindowFrontEnd& front, const Places& places,
                    std::shared_ptr<const results::Results> r, results::Language language,
                    std::size_t v) {
  console::window::FrameWindow* frame = front.frame();
  if (frame == nullptr) return;
  for (std::size_t k = 0; k < kPerVariable; ++k) {
    const ChartSource s{r, v, plots::kCharts[k], language};
    const QString title = chart_title(s);
    QMdiSubWindow* open = nullptr;
    for (QMdiSubWindow* sub : frame->client()->subWindowList()) {
      auto* picture = qobject_cast<console::window::PictureWindow*>(sub->widget());
      if (picture != nullptr && picture->plain_title() == title) open = sub;
    }
    if (open != nullptr) {
      open->showNormal();
      open->raise();
      frame->client()->setActiveSubWindow(open);
      continue;
    }
    front.create_picture_window(
        plots::render_image(s.variable(), s.chart, language, places.picture(s)), title,
        chart_formats(s), places.slot(s));
  }
}

// The frame's client area (GUI thread), or an empty size once the frame has closed.
QSize client_size(console::window::WindowFrontEnd& front) {
  auto size = std::make_shared<QSize>();
  front.run_on_gui_thread([&front, size] {
    if (console::window::FrameWindow* frame = front.frame())
      *size = frame->client()->viewport()->size();
  });
  return *size;
}

// Maximises the frame and waits (on the program thread) until the window manager has settled
// its size, which it does in its own time: the size of the client area then. Settled means
// unchanged over 100 ms after it changed, or after a second at most.
QSize maximised_client_size(console::window::WindowFrontEnd& front) {
  const QSize before = client_size(front);
  front.run_on_gui_thread([&front] {
    if (console::window::FrameWindow* frame = front.frame()) frame->showMaximized();
  });
  QSize size = before;
  int unchanged = 0;
  for (int tick = 0; tick < 40 && (size == before || unchanged < 4); ++tick) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    const QSize now = client_size(front);
    unchanged = now == size ? unchanged + 1 : 0;
    size = now;
  }
  return size;
}

}  // namespace

void open_result_windows(std::shared_ptr<const results::Results> r, results::Language language,
                         bool charts) {
  auto* front = dynamic_cast<console::window::WindowFrontEnd*>(console::front_end());
  if (front == nullptr) return;
  auto places = std::make_shared<Places>();
  auto results_window = std::make_shared<console::WindowHandle>(console::kInvalidWindow);
  const QSize room = maximised_client_size(*front);
  const bool open = front->run_on_gui_thread([front, places, results_window, r, language, room] {
    console::window::FrameWindow* frame = front->frame();
    if (frame == nullptr) return;
    // A child window's caption and borders, as the style draws them.
    {
      auto* probe = new QMdiSubWindow;
      probe->setWidget(new QWidget);
      frame->client()->addSubWindow(probe);
      probe->setGeometry(0, 0, 320, 240);
      probe->show();
      places->decoration = probe->size() - probe->widget()->size();
      delete probe;
    }
    // The cascade's step: a caption and the border above it (the decoration's height is a
    // caption and two borders, its width two borders).
    const int step = places->decoration.height() - places->decoration.width() / 2;
    places->layout = desktop_layout(room, step, r->size());

    const Places at = *places;
    auto* window = new ResultsWindow(
        console::process_console(), r, language,
        [front, at, r, language](std::size_t v) { open_charts_of(*front, at, r, language, v); });
    auto* sub = new QMdiSubWindow;
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setObjectName("Results");
    sub->setWidget(window);
    sub->setWindowTitle(window->windowTitle());
    sub->setWindowIcon(console::window::FrameWindow::picture());
    *results_window = front->add_child_window(sub, places->layout.results);
  });
  // The frame closed meanwhile: the process is ending with it.
  if (!open || *results_window == console::kInvalidWindow) console::park_thread_forever();

  if (charts) {
    // The last variable's first, so that the first variable's charts end on top.
    auto source = [&](std::size_t i) {
      return ChartSource{r, r->size() - 1 - i / kPerVariable, plots::kCharts[i % kPerVariable],
                         language};
    };
    // Drawn on every core while the windows open here, in order.
    plots::make_in_order<QImage>(
        r->size() * kPerVariable, plots::drawing_threads(),
        [&](std::size_t i) {
          const ChartSource s = source(i);
          return plots::render_image(s.variable(), s.chart, language, places->picture(s));
        },
        [&](std::size_t i, QImage image) {
          const ChartSource s = source(i);
          const console::WindowHandle handle = front->open_picture_window(
              std::move(image), chart_title(s), chart_formats(s), places->slot(s));
          if (handle == console::kInvalidWindow) console::park_thread_forever();
          return true;
        });
  }
  // The results window is where the keyboard starts.
  front->activate_window(*results_window);
  // The windows stay until the user closes the frame, which then ends the process with 0.
  console::set_exit_mode(static_cast<int>(console::ExitMode::Persist));
}

}  // namespace app
