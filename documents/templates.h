// The document templates (templates/*.mustache), compiled into the program by embed.cmake so
// that an installed tavo needs no file beside it.
#pragma once

#include <string_view>

namespace documents::templates {

extern const std::string_view kMarkdown;  // templates/report.md.mustache
extern const std::string_view kLatex;     // templates/report.tex.mustache
extern const std::string_view kHtml;      // templates/report.html.mustache

}  // namespace documents::templates
