#include "app/chart_windows.h"

#include <QFile>

#include <memory>
#include <string>
#include <vector>

#include "console/core/frontend.h"
#include "console/core/program_end.h"
#include "console/window/window_front_end.h"
#include "plots/application.h"
#include "plots/charts.h"
#include "results/output_file.h"

namespace app {
namespace {

// A window's picture: 3/4 of a chart file's size, so that it fits a common screen's frame.
constexpr QSize kWindowChartSize{1200, 480};

// A chart window's variable, kept alive with the results it belongs to for as long as the
// window may save it.
struct ChartSource {
  std::shared_ptr<const results::Results> results;
  std::size_t index = 0;
  results::VariableResult variable() const { return results->variable(index); }
};

std::vector<console::window::SaveFormat> chart_formats(const ChartSource& var) {
  std::vector<console::window::SaveFormat> formats;
  for (const auto& [format, filter] : {std::pair{plots::Format::Svg, "SVG Files(*.svg)"},
                                       std::pair{plots::Format::Png, "PNG Files(*.png)"},
                                       std::pair{plots::Format::Pdf, "PDF Files(*.pdf)"}}) {
    // Save runs on the GUI thread, where the charts may be drawn.
    formats.push_back({filter, [var, format](const QString& path) {
                         const QByteArray bytes = plots::encode(var.variable(), format);
                         return results::write_output(
                             QFile::encodeName(path).toStdString(),
                             std::string_view(bytes.constData(), std::size_t(bytes.size())));
                       }});
  }
  return formats;
}

}  // namespace

void open_chart_windows(std::shared_ptr<const results::Results> r) {
  auto* front = dynamic_cast<console::window::WindowFrontEnd*>(console::front_end());
  if (front == nullptr) return;
  plots::ChartThread charts;
  for (std::size_t i = 0; i < r->size(); ++i) {
    const ChartSource var{r, i};
    QImage image;
    // The frame closed meanwhile: the process is ending with it.
    if (!charts.run([&] { image = plots::render_image(var.variable(), kWindowChartSize); }))
      console::park_thread_forever();
    const model::Variable& numbers = r->numbers.variables[i];
    const QString title = QString::number(numbers.number) + QStringLiteral(" - ") +
                          QString::fromStdString(numbers.name).trimmed();
    if (front->open_picture_window(std::move(image), title, chart_formats(var)) ==
        console::kInvalidWindow)
      console::park_thread_forever();
  }
  // The charts stay until the user closes the frame, which then ends the process with 0.
  console::set_exit_mode(static_cast<int>(console::ExitMode::Persist));
}

}  // namespace app
