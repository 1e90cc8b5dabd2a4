// The view of a run's or a study's results that the document templates are filled with, and
// how each format writes texts and numbers into it.
#pragma once

#include <functional>
#include <kainjow/mustache.hpp>
#include <span>
#include <string>
#include <string_view>

#include "documents/documents.h"

namespace documents::detail {

// How one format writes what a template fills in. Texts are escaped at rendering (the
// template's {{name}}); numbers are written here, ready for the format ({{{name}}}).
struct Style {
  std::string (*escape)(const std::string& text);
  // `v` to `digits` significant digits; empty when not finite.
  std::string (*number)(double v, int digits);
  // The template's tag delimiters once its first tag has set them.
  std::string_view open = "{{";
  std::string_view close = "}}";
};

// Markdown: ASCII punctuation that could start markup gets a backslash; numbers as %g.
std::string escape_markdown(const std::string& text);
// LaTeX in T1 with UTF-8 input: the special characters as commands, letters beyond Latin
// Extended-A (Greek, dashes, some symbols) as their commands, anything else as its code point.
std::string escape_latex(const std::string& text);
std::string escape_html(const std::string& text);
std::string plain_number(double v, int digits);
std::string latex_number(double v, int digits);  // \ensuremath{1.5\times10^{-7}}
std::string html_number(double v, int digits);   // 1.5×10<sup>−7</sup>

inline constexpr Style kMarkdownStyle{escape_markdown, plain_number};
inline constexpr Style kLatexStyle{escape_latex, latex_number, "<@", "@>"};
inline constexpr Style kHtmlStyle{escape_html, html_number};

enum class Inputs { Skip, Digest };

// The data the templates read, the names they use being the keys set in view.cpp: the
// document's own (with Inputs::Digest the input files are read for their SHA-256), one item of
// the summary (a variable with a row per scheme on its finest mesh), and one item of the
// variables (its tables, numbered from `first_table`, and its charts).
kainjow::mustache::data document_view(const results::Results& r, const Context& c,
                                      const Style& style, Inputs inputs);
kainjow::mustache::data summary_item(const results::Results& r, std::size_t i, const Context& c,
                                     const Style& style);
kainjow::mustache::data variable_item(const results::Results& r, std::size_t i, const Context& c,
                                      const Style& style, int first_table);

// A top-level section of a template rendered once per item, each item's data made when it is
// reached and dropped after.
struct StreamedSection {
  std::string_view name;
  std::size_t count = 0;
  std::function<kainjow::mustache::data(std::size_t)> item;
};

// Renders `template_text` with `document` into `out`. Each streamed section, in the order
// they appear in the template, is cut out of it and rendered once per item, with the item's
// data over the document's; `out` gets a piece after each item.
void render(std::string_view template_text, const kainjow::mustache::data& document,
            std::span<const StreamedSection> sections, const Style& style, results::TextOut& out);

// An SVG file's text made fit to stand inside an HTML page: what comes before the root element
// (the XML prologue, a document type) is dropped, the root's width and height give way to the
// page's style (its viewBox keeps the proportions), it gets role="img" and `label`, and every
// id and reference to one is prefixed with `prefix` so that charts never share an id.
std::string inline_svg(std::string_view svg, std::string_view prefix, std::string_view label);

}  // namespace documents::detail
