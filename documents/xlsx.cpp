// The results as a workbook, with libxlsxwriter. It writes to a file name only (1.1.4 has no
// memory target), so the workbook is made in a private scratch folder and its bytes handed to
// the caller's stream, which replaces the target only once they are complete.
#include <stdlib.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "documents/documents.h"

namespace documents {
namespace {

namespace fs = std::filesystem;

// A folder of its own under the system's temporary folder, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::error_code ec;
    std::string pattern = (fs::temp_directory_path(ec) / "tavo-xlsx-XXXXXX").string();
    if (ec) pattern = "/tmp/tavo-xlsx-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    error_ = path_.empty() ? std::strerror(errno) : "";
  }
  ~ScratchFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }
  const std::string& error() const { return error_; }

 private:
  std::string path_;
  std::string error_;
};

// A sheet's name: at most 31 characters, none of []:*?/\, not starting or ending with an
// apostrophe, and unlike the names before it (case aside, as spreadsheets compare them).
std::string sheet_name(std::string_view scheme, const std::vector<std::string>& taken) {
  std::string base;
  std::size_t characters = 0;
  for (std::size_t at = 0; at < scheme.size() && characters < 28; ++at) {
    const char c = scheme[at];
    if (std::string_view("[]:*?/\\").find(c) != std::string_view::npos ||
        static_cast<unsigned char>(c) < 0x20)
      continue;
    base += c;
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;
  }
  // A cut inside a character leaves its lead byte: drop the partial sequence.
  while (!base.empty() && (static_cast<unsigned char>(base.back()) & 0xC0) == 0xC0) base.pop_back();
  while (!base.empty() && base.front() == '\'') base.erase(0, 1);
  while (!base.empty() && base.back() == '\'') base.pop_back();
  if (base.empty()) base = "scheme";
  auto same = [](const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
             return std::tolower(static_cast<unsigned char>(x)) ==
                    std::tolower(static_cast<unsigned char>(y));
           });
  };
  std::string name = base;
  for (int n = 2;
       std::any_of(taken.begin(), taken.end(), [&](const std::string& t) { return same(t, name); });
       ++n)
    name = base + " " + std::to_string(n);
  return name;
}

double at_triplet(model::Strided<const double> v, std::size_t j) {
  return model::ends_triplet(j) ? v[j] : model::kUndefined;
}

// A workbook being written: the first error of any call is kept for close().
class Book {
 public:
  Book(const std::string& file, std::string scratch) : scratch_(std::move(scratch)) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;  // each sheet's rows go to a scratch file as they come
    options.tmpdir = scratch_.data();
    book_ = workbook_new_opt(file.c_str(), &options);
    if (book_ != nullptr) {
      bold_ = workbook_add_format(book_);
      format_set_bold(bold_);
    }
  }
  ~Book() {
    if (book_ != nullptr) workbook_close(book_);
  }
  Book(const Book&) = delete;
  Book& operator=(const Book&) = delete;

  bool made() const { return book_ != nullptr; }

  void set_title(const std::string& title) {
    title_ = title;
    lxw_doc_properties properties{};
    properties.title = title_.data();
    keep(workbook_set_properties(book_, &properties));
  }

  // The sheet of `scheme`, added with its headings the first time.
  lxw_worksheet* sheet(std::string_view scheme, const std::vector<std::string>& headings,
                       lxw_row_t*& next_row) {
    for (Sheet& s : sheets_) {
      if (s.scheme == scheme) {
        next_row = &s.next_row;
        return s.worksheet;
      }
    }
    std::vector<std::string> taken;
    for (const Sheet& s : sheets_) taken.push_back(s.name);
    Sheet& s = sheets_.emplace_back();
    s.scheme = std::string(scheme);
    s.name = sheet_name(scheme, taken);
    s.worksheet = workbook_add_worksheet(book_, s.name.c_str());
    next_row = &s.next_row;
    if (s.worksheet == nullptr) {
      keep(LXW_ERROR_MEMORY_MALLOC_FAILED);
      return nullptr;
    }
    for (std::size_t c = 0; c < headings.size(); ++c) {
      const auto col = static_cast<lxw_col_t>(c);
      keep(worksheet_write_string(s.worksheet, 0, col, headings[c].c_str(), bold_));
      keep(worksheet_set_column(s.worksheet, col, col, c == 1 ? 28 : 12, nullptr));
    }
    worksheet_freeze_panes(s.worksheet, 1, 0);
    return s.worksheet;
  }

  void number(lxw_worksheet* w, lxw_row_t row, lxw_col_t col, double v) {
    if (std::isfinite(v)) keep(worksheet_write_number(w, row, col, v, nullptr));
  }
  void text(lxw_worksheet* w, lxw_row_t row, lxw_col_t col, const std::string& v) {
    if (!v.empty()) keep(worksheet_write_string(w, row, col, v.c_str(), nullptr));
  }

  // Writes the file: the first error met on the way, or LXW_NO_ERROR.
  lxw_error close() {
    const lxw_error e = workbook_close(book_);
    book_ = nullptr;
    return error_ != LXW_NO_ERROR ? error_ : e;
  }

 private:
  struct Sheet {
    std::string scheme;
    std::string name;
    lxw_worksheet* worksheet = nullptr;
    lxw_row_t next_row = 1;  // below the headings
  };
  void keep(lxw_error e) {
    if (error_ == LXW_NO_ERROR) error_ = e;
  }

  std::string scratch_;
  std::string title_;
  lxw_workbook* book_ = nullptr;
  lxw_format* bold_ = nullptr;
  std::vector<Sheet> sheets_;
  lxw_error error_ = LXW_NO_ERROR;
};

std::vector<std::string> headings(const results::Texts& t) {
  const std::string fraction = std::string(" (") + std::string(t.fraction) + ")";
  return {std::string(t.variable),
          std::string(t.name),
          std::string(t.mesh),
          "h",
          "r",
          std::string(t.value),
          "R",
          "p",
          "φ_ext",
          "φ_ext (" + std::string(t.formal_order) + ")",
          "e_a" + fraction,
          "e_ext" + fraction,
          "GCI" + fraction,
          std::string(t.asymptotic_ratio),
          "U",
          std::string(t.convergence),
          std::string(t.formal_order),
          std::string(t.exact),
          std::string(t.error),
          std::string(t.exact_order)};
}

}  // namespace

std::string write_xlsx(const results::Results& r, const Context& c, results::TextOut& out) {
  const results::Texts& t = results::texts(c.language);
  ScratchFolder scratch;
  if (scratch.path().empty()) return "cannot make a scratch folder: " + scratch.error();
  const std::string file = scratch.path() + "/book.xlsx";
  lxw_error error = LXW_NO_ERROR;
  {
    Book book(file, scratch.path());
    if (!book.made()) return "cannot start the workbook";
    book.set_title(r.numbers.title);
    const std::vector<std::string> heads = headings(t);
    for (std::size_t i = 0; i < r.size(); ++i) {
      const results::VariableResult v = r.variable(i);
      for (std::size_t k = 0; k < v.numbers.schemes.size(); ++k) {
        const model::Series& s = v.numbers.schemes[k];
        const results::SchemeMeasures& m = v.measures.schemes[k];
        lxw_row_t* next = nullptr;
        lxw_worksheet* w = book.sheet(s.scheme, heads, next);
        if (w == nullptr) break;
        for (std::size_t j = 0; j < s.mesh_count(); ++j) {
          const lxw_row_t row = (*next)++;
          lxw_col_t col = 0;
          book.number(w, row, col++, v.numbers.number);
          book.text(w, row, col++, v.numbers.name);
          book.number(w, row, col++, static_cast<double>(j + 1));
          for (double x :
               {s.h[j], model::ends_pair(j) ? s.q21(j) : model::kUndefined, s.value[j],
                at_triplet(s.convergence_ratio, j), at_triplet(s.apparent_order, j),
                at_triplet(s.ti_a, j), model::ends_pair(j) ? s.ti_12[j] : model::kUndefined,
                m.approximate_error[j], m.extrapolated_error[j], m.gci[j], m.asymptotic_ratio[j],
                m.u[j]})
            book.number(w, row, col++, x);
          book.text(w, row, col++, std::string(results::convergence_text(m.convergence[j], t)));
          for (double x : {s.formal_order, v.numbers.exact, m.error[j], m.exact_order[j]})
            book.number(w, row, col++, x);
        }
      }
    }
    error = book.close();
  }
  if (error != LXW_NO_ERROR) return lxw_strerror(error);
  std::ifstream in(file, std::ios::binary);
  out.text().assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) return "cannot read the workbook back from " + scratch.path();
  out.piece_done();
  return {};
}

}  // namespace documents
