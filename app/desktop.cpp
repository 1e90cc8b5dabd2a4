#include "app/chart_windows.h"

#include <QFile>

#include <memory>
#include <string>
#include <vector>

#include "console/core/frontend.h"
#include "console/core/program_end.h"
#include "console/window/window_front_end.h"
#include "plots/charts.h"
#include "plots/in_order.h"
#include "results/output_file.h"

namespace app {
namespace {

// A window's picture: 3/4 of the chart file's size, so that it fits a common screen's frame.
QSize window_size(plots::Chart chart, const model::Variable& var) {
  return plots::file_size(chart, var) * 3 / 4;
}

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

void open_chart_windows(std::shared_ptr<const results::Results> r, results::Language language) {
  auto* front = dynamic_cast<console::window::WindowFrontEnd*>(console::front_end());
  if (front == nullptr) return;
  constexpr std::size_t kPerVariable = std::size(plots::kCharts);
  auto source = [&](std::size_t i) {
    return ChartSource{r, i / kPerVariable, plots::kCharts[i % kPerVariable], language};
  };
  // Drawn on every core while the windows open here, in order.
  plots::make_in_order<QImage>(
      r->size() * kPerVariable, plots::drawing_threads(),
      [&](std::size_t i) {
        const ChartSource s = source(i);
        const results::VariableResult var = s.variable();
        return plots::render_image(var, s.chart, language, window_size(s.chart, var.numbers));
      },
      [&](std::size_t i, QImage image) {
        const ChartSource s = source(i);
        const model::Variable& numbers = r->numbers.variables[s.index];
        QString title = QString::number(numbers.number) + QStringLiteral(" - ") +
                        QString::fromStdString(numbers.name).trimmed();
        if (s.chart == plots::Chart::Values) {
          const std::string_view word = results::texts(language).chart.values_window;
          title += " (" + QString::fromUtf8(word.data(), qsizetype(word.size())) + ")";
        }
        // The frame closed meanwhile: the process is ending with it.
        if (front->open_picture_window(std::move(image), title, chart_formats(s)) ==
            console::kInvalidWindow)
          console::park_thread_forever();
        return true;
      });
  // The charts stay until the user closes the frame, which then ends the process with 0.
  console::set_exit_mode(static_cast<int>(console::ExitMode::Persist));
}

}  // namespace app
