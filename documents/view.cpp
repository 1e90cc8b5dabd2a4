#include "documents/view.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "documents/digest.h"
#include "results/export.h"

namespace documents::detail {
namespace {

using kainjow::mustache::data;

constexpr double kUndefined = model::kUndefined;

// The significant digits of `v` split into mantissa and exponent ("1.5e-07" -> "1.5", -7);
// exponent 0 when %g writes none.
struct Parts {
  std::string mantissa;
  int exponent = 0;
  bool scientific = false;
};
Parts parts(double v, int digits) {
  Parts p;
  p.mantissa = results::significant(v, digits);
  const std::size_t e = p.mantissa.find('e');
  if (e != std::string::npos) {
    p.exponent = std::stoi(p.mantissa.substr(e + 1));
    p.mantissa.resize(e);
    p.scientific = true;
  }
  return p;
}

// The next code point of UTF-8 `s` from `at` (advanced past it); a byte that starts no valid
// sequence is taken alone.
std::uint32_t next_code_point(const std::string& s, std::size_t& at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char b = byte(at);
  const int length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
  if (length <= 1 || at + length > s.size()) {
    ++at;
    return b;
  }
  std::uint32_t cp = b & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) {
      ++at;
      return b;
    }
    cp = (cp << 6) | (byte(at + i) & 0x3F);
  }
  at += length;
  return cp;
}

// Line ends, tabs and other control characters would break a heading or a table row: a blank.
bool is_control(unsigned char c) {
  return c < 0x20 || c == 0x7F;
}

// The LaTeX for a code point beyond what T1 with UTF-8 input takes as it is.
std::string latex_symbol(std::uint32_t cp) {
  static constexpr const char* kGreek[] = {
      "\\alpha", "\\beta", "\\gamma", "\\delta",    "\\epsilon", "\\zeta", "\\eta",
      "\\theta", "\\iota", "\\kappa", "\\lambda",   "\\mu",      "\\nu",   "\\xi",
      "o",       "\\pi",   "\\rho",   "\\varsigma", "\\sigma",   "\\tau",  "\\upsilon",
      "\\phi",   "\\chi",  "\\psi",   "\\omega"};
  static constexpr const char* kCapitalGreek[] = {
      "A",       "B",        "\\Gamma",   "\\Delta", "E",    "Z",     "H",      "\\Theta", "I",
      "K",       "\\Lambda", "M",         "N",       "\\Xi", "O",     "\\Pi",   "P",       nullptr,
      "\\Sigma", "T",        "\\Upsilon", "\\Phi",   "X",    "\\Psi", "\\Omega"};
  if (cp >= 0x3B1 && cp <= 0x3C9) return std::string("\\ensuremath{") + kGreek[cp - 0x3B1] + "}";
  if (cp >= 0x391 && cp <= 0x3A9 && kCapitalGreek[cp - 0x391] != nullptr)
    return std::string("\\ensuremath{") + kCapitalGreek[cp - 0x391] + "}";
  switch (cp) {
    case 0x00B5:
      return "\\ensuremath{\\mu}";
    case 0x00B2:
      return "\\textsuperscript{2}";
    case 0x00B3:
      return "\\textsuperscript{3}";
    case 0x00B9:
      return "\\textsuperscript{1}";
    case 0x00B0:
      return "\\ensuremath{^\\circ}";
    case 0x00B1:
      return "\\ensuremath{\\pm}";
    case 0x00B7:
      return "\\ensuremath{\\cdot}";
    case 0x00D7:
      return "\\ensuremath{\\times}";
    case 0x00F7:
      return "\\ensuremath{\\div}";
    case 0x2013:
      return "--";
    case 0x2014:
      return "---";
    case 0x2212:
      return "\\ensuremath{-}";
    case 0x2018:
      return "`";
    case 0x2019:
      return "'";
    case 0x201C:
      return "``";
    case 0x201D:
      return "''";
    case 0x2026:
      return "\\ldots{}";
    case 0x2248:
      return "\\ensuremath{\\approx}";
    case 0x2264:
      return "\\ensuremath{\\leq}";
    case 0x2265:
      return "\\ensuremath{\\geq}";
  }
  // Latin-1 and Latin Extended-A: T1 has them.
  if (cp >= 0xA0 && cp <= 0x17F) return {};
  char buf[32];
  std::snprintf(buf, sizeof buf, "\\texttt{[U+%04X]}", static_cast<unsigned>(cp));
  return buf;
}

}  // namespace

std::string escape_markdown(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (is_control(static_cast<unsigned char>(c))) {
      out += ' ';
      continue;
    }
    if (std::string_view("\\`*_{}[]<>#|$&~!").find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

std::string escape_latex(const std::string& text) {
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t begin = at;
    const std::uint32_t cp = next_code_point(text, at);
    if (cp < 0x80) {
      const char c = static_cast<char>(cp);
      if (is_control(static_cast<unsigned char>(c))) {
        out += ' ';
      } else if (std::string_view("_%&#${}").find(c) != std::string_view::npos) {
        out += '\\';
        out += c;
      } else if (c == '\\') {
        out += "\\textbackslash{}";
      } else if (c == '|') {
        out += "\\textbar{}";
      } else if (c == '~') {
        out += "\\textasciitilde{}";
      } else if (c == '^') {
        out += "\\textasciicircum{}";
      } else if (c == '<') {
        out += "\\textless{}";
      } else if (c == '>') {
        out += "\\textgreater{}";
      } else if (c == '-' && at < text.size() && text[at] == '-') {
        out += "-{}";  // not a dash ligature
      } else {
        out += c;
      }
      continue;
    }
    const std::string symbol = latex_symbol(cp);
    if (symbol.empty()) {
      out.append(text, begin, at - begin);
    } else {
      out += symbol;
    }
  }
  return out;
}

std::string escape_html(const std::string& text) {
  std::string out;
  results::append_markup_escaped(out, text);
  return out;
}

std::string plain_number(double v, int digits) {
  return results::significant(v, digits);
}

std::string latex_number(double v, int digits) {
  if (!std::isfinite(v)) return {};
  const Parts p = parts(v, digits);
  if (!p.scientific) return "\\ensuremath{" + p.mantissa + "}";
  return "\\ensuremath{" + p.mantissa + "\\times10^{" + std::to_string(p.exponent) + "}}";
}

std::string html_number(double v, int digits) {
  if (!std::isfinite(v)) return {};
  const Parts p = parts(v, digits);
  auto minus = [](std::string s) {
    if (!s.empty() && s[0] == '-') s.replace(0, 1, "\u2212");
    return s;
  };
  if (!p.scientific) return minus(p.mantissa);
  return minus(p.mantissa) + "×10<sup>" + minus(std::to_string(p.exponent)) + "</sup>";
}

std::string inline_svg(std::string_view svg, std::string_view prefix, std::string_view label) {
  const std::size_t root = svg.find("<svg");
  if (root == std::string_view::npos) return {};
  svg.remove_prefix(root);
  const std::size_t root_end = svg.find('>');
  if (root_end == std::string_view::npos) return {};
  // The root's attributes without width and height.
  std::string out = "<svg";
  std::string_view attributes = svg.substr(4, root_end - 4);
  const bool self_closing = !attributes.empty() && attributes.back() == '/';
  if (self_closing) attributes.remove_suffix(1);
  for (std::size_t at = 0; at < attributes.size();) {
    const std::size_t eq = attributes.find('=', at);
    if (eq == std::string_view::npos) break;
    const std::size_t open = attributes.find_first_of("\"'", eq);
    if (open == std::string_view::npos) break;
    const std::size_t close = attributes.find(attributes[open], open + 1);
    if (close == std::string_view::npos) break;
    std::string_view name = attributes.substr(at, eq - at);
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.front())))
      name.remove_prefix(1);
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back())))
      name.remove_suffix(1);
    if (name != "width" && name != "height" && name != "role" && name != "aria-label") {
      out += ' ';
      out += name;
      out += '=';
      out += attributes.substr(open, close - open + 1);
    }
    at = close + 1;
  }
  out += " role=\"img\" aria-label=\"" + escape_html(std::string(label)) + "\"";
  out += self_closing ? "/>" : ">";
  // The rest, ids and references to them prefixed.
  std::string_view rest = svg.substr(root_end + 1);
  static constexpr std::string_view kMarks[] = {" id=\"", "url(#", "href=\"#"};
  for (;;) {
    std::size_t best = std::string_view::npos, length = 0;
    for (std::string_view mark : kMarks) {
      const std::size_t at = rest.find(mark);
      if (at < best) best = at, length = mark.size();
    }
    if (best == std::string_view::npos) break;
    out += rest.substr(0, best + length);
    out += prefix;
    rest.remove_prefix(best + length);
  }
  out += rest;
  while (!out.empty() && std::isspace(static_cast<unsigned char>(out.back()))) out.pop_back();
  return out;
}

namespace {

data flag(bool b) {
  return data(b ? data::type::bool_true : data::type::bool_false);
}

// The texts object: every word the templates use, in the document's language.
data texts_view(const results::Texts& t) {
  data d;
  const std::pair<const char*, std::string_view> entries[] = {
      {"scheme", t.scheme},
      {"formal_order", t.formal_order},
      {"variable", t.variable},
      {"mesh", t.mesh},
      {"value", t.value},
      {"extrapolated", t.extrapolated},
      {"convergence", t.convergence},
      {"exact", t.exact},
      {"fewer_than_three", t.fewer_than_three},
      {"uncertainty", t.uncertainty},
      {"no_uncertainty", t.no_uncertainty},
      {"language_name", t.language_name},
      {"report", t.report},
      {"table", t.table},
      {"scheme_heading", t.scheme_heading},
      {"class_heading", t.class_heading},
      {"flags_heading", t.flags_heading},
      {"estimator", t.estimator},
      {"per_cent", t.per_cent},
      {"variable_units", t.variable_units},
      {"refinement_ratio", t.refinement_ratio},
      {"apparent_order", t.apparent_order},
      {"extrapolated_with", t.extrapolated_with},
      {"approximate_error", t.approximate_error},
      {"extrapolated_error", t.extrapolated_error},
      {"asymptotic_ratio", t.asymptotic_ratio},
      {"far_from_one", t.far_from_one},
      {"oscillating_at_mesh", t.oscillating_at_mesh},
      {"finest_mesh", t.finest_mesh},
      {"none", t.none},
      {"inputs", t.inputs},
      {"file", t.file},
      {"content", t.content},
      {"options", t.options},
      {"command_line", t.command_line},
      {"version", t.version},
      {"date", t.date},
      {"safety_factor", t.safety_factor},
      {"target_gci", t.target_gci},
      {"digits", t.digits},
      {"language", t.language},
      {"summary", t.summary},
      {"charts", t.charts},
      {"no_charts", t.no_charts},
      {"references", t.references},
      {"procedures", t.procedures},
  };
  for (const auto& [key, text] : entries) d[key] = std::string(text);
  return d;
}

std::string role_text(const model::InputFile& f, const results::Results& r,
                      const results::Texts& t) {
  using Role = model::InputFile::Role;
  switch (f.role) {
    case Role::RunInput:
      return std::string(t.run_input);
    case Role::ExactValues:
      return std::string(t.exact_values);
    case Role::Solution: {
      std::string scheme = std::to_string(f.scheme);
      if (!r.numbers.variables.empty() && f.scheme < r.numbers.variables[0].schemes.size())
        scheme = std::string(r.numbers.variables[0].schemes[f.scheme].scheme);
      return std::string(t.solution) + ", " + std::string(t.scheme) + " " + scheme + ", " +
             std::string(t.mesh) + " " + std::to_string(f.mesh + 1);
    }
    case Role::Table:
    case Role::StandardInput:
      return std::string(t.study_table);
  }
  return {};
}

data inputs_view(const results::Results& r, const results::Texts& t) {
  data list(data::type::list);
  for (const model::InputFile& f : r.numbers.inputs) {
    data d;
    d["role"] = role_text(f, r, t);
    if (f.role == model::InputFile::Role::StandardInput) {
      d["name"] = std::string("-");
      d["problem"] = std::string(t.standard_input);
      d["has_digest"] = flag(false);
    } else {
      std::string error;
      std::string digest = file_sha256(f.path, error);
      d["name"] = f.name;
      d["has_digest"] = flag(!digest.empty());
      d["sha256"] = std::move(digest);
      d["problem"] = std::string(t.sha256_unreadable) + ": " + error;
    }
    list.push_back(d);
  }
  return list;
}

double at_triplet(model::Strided<const double> v, std::size_t j) {
  return model::ends_triplet(j) ? v[j] : kUndefined;
}

data scheme_view(const model::Series& s, const results::SchemeMeasures& m, const results::Texts& t,
                 const Style& style, int digits) {
  auto number = [&](double v) { return style.number(v, digits); };
  auto per_cent = [&](double v) { return style.number(100 * v, digits); };
  data d;
  d["scheme"] = std::string(s.scheme);
  d["formal_order"] = number(s.formal_order);
  data rows(data::type::list);
  for (std::size_t j = 0; j < s.mesh_count(); ++j) {
    data row;
    row["mesh"] = std::to_string(j + 1);
    row["h"] = number(s.h[j]);
    row["r"] = number(model::ends_pair(j) ? s.q21(j) : kUndefined);
    row["phi"] = number(s.value[j]);
    row["p"] = number(at_triplet(s.apparent_order, j));
    row["phi_ext"] = number(at_triplet(s.ti_a, j));
    row["e_a"] = per_cent(m.approximate_error[j]);
    row["e_ext"] = per_cent(m.extrapolated_error[j]);
    row["gci"] = per_cent(m.gci[j]);
    row["u"] = number(m.u[j]);
    rows.push_back(row);
  }
  d["rows"] = std::move(rows);
  d["few_meshes"] = flag(s.mesh_count() < 3);
  const results::Uncertainty& u = m.uncertainty;
  const bool estimated = u.outcome == results::UncertaintyOutcome::Estimated;
  d["estimated"] = flag(estimated);
  d["estimator"] = std::string(results::expansion_text(u.estimator, t));
  d["weighting"] =
      std::string(u.weighting == results::Weighting::Weighted ? t.weighted : t.unweighted);
  d["has_observed_p"] = flag(estimated && u.observed_order.has_value());
  d["observed_p"] = number(u.observed_order.value_or(kUndefined));
  d["eh_fs"] = number(u.safety_factor);
  d["reason"] = std::string(results::outcome_text(u.outcome, t));
  return d;
}

// One row of the summary: a variable and scheme on its finest mesh, with its flags.
data summary_view(const results::VariableResult& v, std::size_t k, const results::Texts& t,
                  const Style& style, int digits) {
  const model::Series& s = v.numbers.schemes[k];
  const results::SchemeMeasures& m = v.measures.schemes[k];
  auto number = [&](double x) { return style.number(x, digits); };
  const std::size_t n = s.mesh_count();
  const std::size_t last = n > 0 ? n - 1 : 0;
  data d;
  d["scheme"] = std::string(s.scheme);
  d["class"] = std::string(n > 0 ? results::convergence_text(m.convergence[last], t) : "");
  d["p"] = number(n > 0 ? at_triplet(s.apparent_order, last) : kUndefined);
  d["formal_order"] = number(s.formal_order);
  d["gci"] = number(n > 0 ? 100 * m.gci[last] : kUndefined);
  d["u"] = number(n > 0 ? m.u[last] : kUndefined);
  const double ratio = n > 0 ? m.asymptotic_ratio[last] : kUndefined;
  const bool far = std::isfinite(ratio) && std::fabs(ratio - 1) > kAsymptoticTolerance;
  d["ratio_far"] = flag(far);
  d["ratio"] = number(ratio);
  std::string oscillating;
  for (std::size_t j = 0; j < n; ++j) {
    if (m.convergence[j] != results::Convergence::Oscillatory &&
        m.convergence[j] != results::Convergence::OscillatoryDivergent)
      continue;
    if (!oscillating.empty()) oscillating += ", ";
    oscillating += std::to_string(j + 1);
  }
  d["oscillating"] = flag(!oscillating.empty());
  d["oscillating_meshes"] = oscillating;
  d["flagged"] = flag(far || !oscillating.empty());
  return d;
}

}  // namespace

data document_view(const results::Results& r, const Context& c, const Style& style, Inputs inputs) {
  const results::Texts& t = results::texts(c.language);
  const int digits = c.digits;
  data d;
  d["lang"] = std::string(c.language == results::Language::Portuguese ? "pt" : "en");
  d["t"] = texts_view(t);
  d["title"] = r.numbers.title;
  d["source"] = r.numbers.source;
  d["version"] = r.version;
  d["date"] = c.date;
  d["command_line"] = c.command_line;
  d["digits"] = std::to_string(digits);
  d["fs"] = style.number(r.settings.safety_factor, digits);
  d["has_target"] = flag(r.settings.target_gci.has_value());
  d["target_gci"] = style.number(r.settings.target_gci.value_or(kUndefined), digits);
  d["inputs"] = inputs == Inputs::Digest ? inputs_view(r, t) : data(data::type::list);
  d["charts_available"] = flag(c.charts_available);
  return d;
}

namespace {

// What the summary and the variables sections both say of variable i.
data variable_heading(const results::VariableResult& v) {
  const std::string number = std::to_string(v.numbers.number);
  data d;
  d["number"] = number;
  d["name"] = v.numbers.name;
  d["anchor"] = "var-" + number;
  return d;
}

}  // namespace

data summary_item(const results::Results& r, std::size_t i, const Context& c, const Style& style) {
  const results::Texts& t = results::texts(c.language);
  const results::VariableResult v = r.variable(i);
  data d = variable_heading(v);
  data rows(data::type::list);
  for (std::size_t k = 0; k < v.numbers.schemes.size(); ++k)
    rows.push_back(summary_view(v, k, t, style, c.digits));
  d["schemes"] = std::move(rows);
  return d;
}

data variable_item(const results::Results& r, std::size_t i, const Context& c, const Style& style,
                   int first_table) {
  const results::Texts& t = results::texts(c.language);
  const results::VariableResult v = r.variable(i);
  const std::string number = std::to_string(v.numbers.number);
  data d = variable_heading(v);
  d["has_exact"] = flag(std::isfinite(v.numbers.exact));
  d["exact"] = style.number(v.numbers.exact, c.digits);
  data schemes(data::type::list);
  for (std::size_t k = 0; k < v.numbers.schemes.size(); ++k) {
    data s = scheme_view(v.numbers.schemes[k], v.measures.schemes[k], t, style, c.digits);
    s["table_number"] = std::to_string(first_table + static_cast<int>(k));
    s["label"] = number + "-" + std::to_string(k + 1);
    schemes.push_back(s);
  }
  d["schemes"] = std::move(schemes);
  data charts(data::type::list);
  const std::vector<std::string> svgs = c.charts ? c.charts(v) : std::vector<std::string>();
  for (std::size_t k = 0; k < svgs.size(); ++k) {
    data chart;
    chart["svg"] = inline_svg(svgs[k], "c" + number + "-" + std::to_string(k + 1) + "-",
                              std::string(t.variable) + " " + number + ": " + v.numbers.name);
    charts.push_back(chart);
  }
  d["has_charts"] = flag(!charts.is_empty_list());
  d["charts"] = std::move(charts);
  return d;
}

namespace {

// Where a tag lies in `text` from `from` on: the tag alone, or its whole line (line end
// included) when nothing but blanks shares it, as Mustache drops such a line. `begin` is npos
// when the tag is not there.
struct Extent {
  std::size_t begin = std::string_view::npos;
  std::size_t end = std::string_view::npos;
};
Extent find_tag(std::string_view text, std::string_view tag, std::size_t from) {
  const std::size_t at = text.find(tag, from);
  if (at == std::string_view::npos) return {};
  Extent e{at, at + tag.size()};
  const std::size_t line = text.rfind('\n', at == 0 ? 0 : at - 1);
  const std::size_t line_begin = at == 0 || line == std::string_view::npos ? 0 : line + 1;
  const std::size_t line_end = std::min(text.find('\n', e.end), text.size());
  auto blank = [&](std::size_t a, std::size_t b) {
    return text.substr(a, b - a).find_first_not_of(" \t\r") == std::string_view::npos;
  };
  if (line_begin >= from && blank(line_begin, at) && blank(e.end, line_end))
    e = {line_begin, std::min(line_end + 1, text.size())};
  return e;
}

// `TextOut` as the stream kainjow renders into.
struct Sink {
  results::TextOut& out;
  Sink& operator<<(const std::string& s) {
    out.text() += s;
    return *this;
  }
};

}  // namespace

void render(std::string_view template_text, const data& document,
            std::span<const StreamedSection> sections, const Style& style, results::TextOut& out) {
  // A piece cut from the middle starts with the template's own delimiters set again.
  const std::string delimiters =
      style.open == "{{" ? std::string()
                         : "{{=" + std::string(style.open) + " " + std::string(style.close) + "=}}";
  Sink sink{out};
  auto compile = [&](std::string_view piece, bool first) {
    kainjow::mustache::mustache m{(first ? std::string() : delimiters) + std::string(piece)};
    m.set_custom_escape(style.escape);
    if (!m.is_valid()) out.text() += "\n[template error: " + m.error_message() + "]\n";
    return m;
  };
  auto write = [&](kainjow::mustache::mustache& m, const data* item) {
    kainjow::mustache::context<std::string> ctx(&document);
    if (item != nullptr) ctx.push(item);
    m.render(ctx, sink);
    out.piece_done();
  };
  std::size_t at = 0;
  for (const StreamedSection& section : sections) {
    const std::string name(section.name);
    const Extent open = find_tag(
        template_text, std::string(style.open) + "#" + name + std::string(style.close), at);
    const Extent close =
        find_tag(template_text, std::string(style.open) + "/" + name + std::string(style.close),
                 open.begin == std::string_view::npos ? at : open.end);
    if (open.begin == std::string_view::npos || close.begin == std::string_view::npos) continue;
    kainjow::mustache::mustache before =
        compile(template_text.substr(at, open.begin - at), at == 0);
    write(before, nullptr);
    kainjow::mustache::mustache body =
        compile(template_text.substr(open.end, close.begin - open.end), false);
    for (std::size_t i = 0; i < section.count; ++i) {
      const data item = section.item(i);
      write(body, &item);
    }
    at = close.end;
  }
  kainjow::mustache::mustache rest = compile(template_text.substr(at), at == 0);
  write(rest, nullptr);
}

}  // namespace documents::detail
