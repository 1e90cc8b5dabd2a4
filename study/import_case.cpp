#include "study/import_case.h"

#include <cmath>
#include <filesystem>
#include <system_error>

#include "console/core/cp1252.h"
#include "results/export.h"
#include "results/file_safe.h"
#include "results/output_file.h"

namespace study {
namespace {

namespace fs = std::filesystem;

// Field widths of the run's input: names of files and variables, and the title.
constexpr std::size_t kFileName = 60;
constexpr std::size_t kVariableName = 80;
constexpr std::size_t kTitle = 40;

// A list-directed text value: between quotes, its quotes doubled (code page 1252).
std::string text_value(std::string_view cp1252) {
  std::string out = "'";
  for (char c : cp1252) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

std::string number(double v) {
  return results::shortest(v);
}

Error fail(std::string message) {
  return Error{std::move(message), 0};
}

// The names and meshes the case needs, checked: the two schemes, low order first.
struct CaseScheme {
  const Scheme* scheme;
  double formal_order;
  std::string file_stem;
};

}  // namespace

Error write_case(const MeshTable& table, const FormalOrders& orders, const std::string& folder,
                 const std::string& title) {
  if (table.schemes.size() != 2)
    return fail("a case needs two schemes (a scheme column with two names); the table has " +
                std::to_string(table.schemes.size()));
  CaseScheme schemes[2];
  for (int k = 0; k < 2; ++k) {
    const Scheme& s = table.schemes[k];
    std::string stem = results::file_safe(s.name, 40);
    if (stem.empty()) stem.assign(1, k == 0 ? 'a' : 'b');
    schemes[k] = {&s, orders.of(s.name), stem};
  }
  if (schemes[1].formal_order < schemes[0].formal_order) std::swap(schemes[0], schemes[1]);
  if (schemes[0].file_stem == schemes[1].file_stem) {
    schemes[0].file_stem += "-low";
    schemes[1].file_stem += "-high";
  }
  const std::vector<Mesh>& meshes = schemes[0].scheme->meshes;
  const std::vector<Mesh>& other = schemes[1].scheme->meshes;
  bool same = meshes.size() == other.size();
  for (std::size_t j = 0; same && j < meshes.size(); ++j) same = meshes[j].h == other[j].h;
  if (!same) return fail("the two schemes of a case must have the same meshes");
  for (std::size_t q = 0; q < table.quantities.size(); ++q) {
    const std::string& name = table.quantities[q];
    if (q >= table.exact.size() || !std::isfinite(table.exact[q]))
      return fail("quantity \"" + name + "\" has no exact value (an exact row gives it)");
    for (const CaseScheme& s : schemes)
      for (const Mesh& m : s.scheme->meshes)
        if (std::isnan(m.values[q]))
          return fail("line " + std::to_string(m.line) + ": quantity \"" + name +
                      "\" has no value, which a case needs on every mesh");
    if (console::cp1252::from_utf8(name).size() > kVariableName)
      return fail("quantity \"" + name + "\" has a name longer than the run's 80 characters");
  }

  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) return fail("cannot make the folder " + folder + ": " + ec.message());
  if (fs::exists(fs::path(folder) / "dados.r33"))
    return fail(folder + " holds a case already (dados.r33)");

  auto write = [&](const std::string& name, const std::string& text) -> Error {
    const std::string path = (fs::path(folder) / name).string();
    if (std::error_code e = results::write_output(path, text))
      return fail("cannot write " + path + ": " + e.message());
    return {};
  };
  const std::size_t n = table.quantities.size();
  const std::size_t m = meshes.size();
  std::vector<std::string> files[2];
  for (int k = 0; k < 2; ++k) {
    for (std::size_t j = 0; j < m; ++j) {
      files[k].push_back(schemes[k].file_stem + std::to_string(j + 1) + ".txt");
      if (files[k].back().size() > kFileName) return fail("a file name is too long");
      std::string text = number(meshes[j].h) + "   h\n#\n#\n";
      for (std::size_t q = 0; q < n; ++q)
        text += "#\n# " + console::cp1252::from_utf8(table.quantities[q]) + "\n" +
                number(schemes[k].scheme->meshes[j].values[q]) + "\n";
      if (Error e = write(files[k].back(), text); e.failed()) return e;
    }
  }
  std::string exact = std::to_string(n) + "      numero de variaveis\n";
  for (std::size_t q = 0; q < n; ++q)
    exact += "# variavel " + std::to_string(q + 1) + "\n" +
             text_value(console::cp1252::from_utf8(table.quantities[q])) + "\n" +
             number(table.exact[q]) + "\n0.0\n";
  if (Error e = write("exatos.txt", exact); e.failed()) return e;

  // A list of n values, ten to a line (the run reads lists over several lines).
  auto list = [&](auto value) {
    std::string out;
    for (std::size_t q = 0; q < n; ++q)
      out += value(q) + ((q + 1) % 10 == 0 || q + 1 == n ? "\n" : " ");
    return n == 0 ? std::string("\n") : out;
  };
  std::vector<double> h;
  for (const Mesh& mesh : meshes) h.push_back(mesh.h);
  const bool constant = constant_ratio(h);
  std::string title_text = console::cp1252::from_utf8(title);
  if (title_text.size() > kTitle) title_text.resize(kTitle);
  std::string dados =
      "Caso importado por tavo import\n#\nrelatorio.txt      arquivo de saida\n#\n"
      "exatos.txt         arquivo com resultados exatos\n#\n" +
      std::to_string(n) + "      numero de variaveis\n# selecao\n" +
      list([](std::size_t) { return std::string("1"); }) +
      "# ordem assintotica do esquema de ordem baixa\n" +
      list([&](std::size_t) { return number(schemes[0].formal_order); }) +
      "# ordem assintotica do esquema de ordem alta\n" +
      list([&](std::size_t) { return number(schemes[1].formal_order); }) + "#\n" +
      std::to_string(m) + "      numero de malhas\n#\n" + (constant ? "0" : "1") +
      "      iq: =0, q constante; =1, q variavel\n" +
      std::to_string(kStudyBisection.max_iterations) + "\n" + number(kStudyBisection.tolerance) +
      "\n" + number(kStudyBisection.lower) + "\n" + number(kStudyBisection.upper) +
      "\n# esquema de ordem baixa\n";
  for (const std::string& f : files[0]) dados += f + "\n";
  dados += "# esquema de ordem alta\n";
  for (const std::string& f : files[1]) dados += f + "\n";
  dados += "#\n" + text_value(title_text) + "\n";
  return write("dados.r33", dados);
}

}  // namespace study
