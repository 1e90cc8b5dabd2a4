#include "documents/documents.h"

#include <charconv>
#include <cstdlib>
#include <ctime>
#include <string_view>

#include "documents/templates.h"
#include "documents/view.h"

namespace documents {
namespace {

using detail::StreamedSection;

void write(std::string_view template_text, const detail::Style& style, detail::Inputs inputs,
           const results::Results& r, const Context& c, results::TextOut& out) {
  // Tables are numbered through the document; items are made in order.
  int next_table = 1;
  const StreamedSection sections[] = {
      {.name = "summary",
       .count = r.size(),
       .item = [&](std::size_t i) { return detail::summary_item(r, i, c, style); }},
      {.name = "variables",
       .count = r.size(),
       .item =
           [&](std::size_t i) {
             const int first = next_table;
             next_table += static_cast<int>(r.variable(i).numbers.schemes.size());
             return detail::variable_item(r, i, c, style, first);
           }},
  };
  detail::render(template_text, detail::document_view(r, c, style, inputs), sections, style, out);
}

}  // namespace

std::string date_now() {
  std::time_t now = std::time(nullptr);
  bool utc = false;
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr && *epoch != '\0') {
    long long seconds = 0;
    const char* end = epoch + std::char_traits<char>::length(epoch);
    auto [ptr, ec] = std::from_chars(epoch, end, seconds);
    if (ec == std::errc() && ptr == end) {
      now = static_cast<std::time_t>(seconds);
      utc = true;
    }
  }
  std::tm parts{};
  if (utc ? gmtime_r(&now, &parts) == nullptr : localtime_r(&now, &parts) == nullptr) return {};
  char text[64];
  const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S %z", &parts);
  return std::string(text, n);
}

void write_markdown(const results::Results& r, const Context& c, results::TextOut& out) {
  write(templates::kMarkdown, detail::kMarkdownStyle, detail::Inputs::Skip, r, c, out);
}

void write_latex(const results::Results& r, const Context& c, results::TextOut& out) {
  write(templates::kLatex, detail::kLatexStyle, detail::Inputs::Skip, r, c, out);
}

void write_html(const results::Results& r, const Context& c, results::TextOut& out) {
  write(templates::kHtml, detail::kHtmlStyle, detail::Inputs::Digest, r, c, out);
}

}  // namespace documents
