// Writes the seed inputs of the fuzz targets: the golden cases and examples as whole folders and
// as the list-directed statements the run reads them with, the report's eleven formats with
// items like the run's, and format texts of the tests. The committed corpora started from these
// (merged with what fuzzing found): fuzz_seeds OUTPUT-FOLDER.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "analysis/report_formats.h"
#include "recio/buffer_source.h"
#include "recio/format_builder.h"
#include "recio/list_reader.h"

namespace {

namespace fs = std::filesystem;
namespace build = recio::build;
namespace formats = analysis::formats;

std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_seed(const fs::path& dir, const std::string& name, const std::string& bytes) {
  fs::create_directories(dir);
  std::ofstream(dir / name, std::ios::binary) << bytes;
}

// The item line of the list-directed target for every statement the run makes on a folder.
struct Counts {
  int vars = 0, meshes = 0;
};
Counts counts_of(const std::string& dados) {
  recio::BufferSource src(dados);
  recio::ListReader r(src);
  Counts c;
  // A malformed case gives what it gives: every status is dropped.
  auto statement = [&r](std::initializer_list<recio::Item> items) {
    static_cast<void>(r.begin());
    for (const recio::Item& item : items) static_cast<void>(r.transfer(item));
    static_cast<void>(r.finish());
  };
  auto skip = [&](int n) {
    for (int i = 0; i < n; ++i) statement({});
  };
  skip(6);
  statement({recio::Item::of(c.vars)});
  std::vector<double> values(static_cast<std::size_t>(std::max(c.vars, 0)));
  for (int list = 0; list < 3; ++list) {
    skip(1);
    statement({recio::Item::array(values.data(), values.size())});
  }
  skip(1);
  statement({recio::Item::of(c.meshes)});
  return c;
}

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

std::string dados_items(Counts c) {
  const std::string n = std::to_string(c.vars);
  return ";;c60;;c60;;i;;" + n + "i;;" + n + "d;;" + n + "d;;i;;i;i;d;d;d;;" +
         repeat("c60;", c.meshes) + ";" + repeat("c60;", c.meshes) + ";c40\n";
}
std::string exact_items(int vars) {
  return "i;" + repeat(";c80;d;d;", vars) + "\n";
}
std::string solution_items(int vars) {
  return "d;;;" + repeat(";;d;", vars) + "\n";
}

// Items of the format targets, as WriteItems takes them.
class Items {
 public:
  Items& real(double v) {
    bytes_ += '\x09';
    u64(std::bit_cast<std::uint64_t>(v));
    ++n_;
    return *this;
  }
  Items& integer(std::int32_t v) {
    bytes_ += '\x08';
    u32(static_cast<std::uint32_t>(v));  // the 32-bit value, then the stored 64-bit one
    u32(static_cast<std::uint32_t>(v));
    u32(v < 0 ? 0xffffffffu : 0);
    ++n_;
    return *this;
  }
  Items& text(const std::string& s) {
    bytes_ += '\x07';
    bytes_ += static_cast<char>(s.size());
    bytes_ += s;
    ++n_;
    return *this;
  }
  Items& doubles(const std::vector<double>& v) {
    bytes_ += static_cast<char>(0x86);
    bytes_ += static_cast<char>(v.size());
    for (double d : v) u64(std::bit_cast<std::uint64_t>(d));
    ++n_;
    return *this;
  }
  std::string bytes() const { return static_cast<char>(n_) + bytes_; }

 private:
  void u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_ += static_cast<char>(v >> (8 * i));
  }
  void u64(std::uint64_t v) {
    for (int i = 0; i < 8; ++i) bytes_ += static_cast<char>(v >> (8 * i));
  }
  std::string bytes_;
  int n_ = 0;
};

std::string format_writer_seed(std::span<const std::uint32_t> words, const Items& items,
                               const std::string& args = std::string(1, '\0')) {
  std::string s;
  s += static_cast<char>(words.size() & 0xff);
  s += static_cast<char>(words.size() >> 8);
  for (std::uint32_t w : words)
    for (int i = 0; i < 4; ++i) s += static_cast<char>(w >> (8 * i));
  s += args;
  s += '\0';  // finish() rather than the end-of-list item
  return s + items.bytes();
}

std::string pad(std::string s, std::size_t n) {
  s.resize(n, ' ');
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
    return 2;
  }
  const fs::path out = argv[1];
  const fs::path src = TAVO_SOURCE_DIR;

  // Whole folders and their list-directed statements.
  std::vector<fs::path> folders;
  for (const auto& e : fs::directory_iterator(src / "tests/data/golden")) folders.push_back(e);
  for (const char* ex : {"constant-ratio", "variable-ratio"})
    folders.push_back(src / "examples" / ex);
  for (const fs::path& folder : folders) {
    const std::string name = folder.filename().string();
    const std::string dados = read_file(folder / "dados.r33");
    const Counts counts = counts_of(dados);
    std::string run = dados;
    for (const auto& e : fs::directory_iterator(folder)) {
      const std::string file = e.path().filename().string();
      if (file == "dados.r33" || file == "expected-report.txt") continue;
      const std::string content = read_file(e.path());
      run += '\0' + file + '\n' + content;
      const bool exact = content.find('\'') != std::string::npos;
      write_seed(out / "list_reader", name + "-" + file,
                 (exact ? exact_items(counts.vars) : solution_items(counts.vars)) + content);
    }
    write_seed(out / "whole_run", name, run);
    write_seed(out / "list_reader", name + "-dados", dados_items(counts) + dados);
  }
  const std::pair<std::string, std::string> list_cases[] = {
      {"3i", "1,,3\n"},
      {"5i", "2*7 8\n2*,5\n"},
      {"4i", "1\n\n,3 /\n"},
      {"2c10 c4", "'ab''c' \"x y\"\n'continued\nover records' toolong\n"},
      {"3d;2r;k", "1.5D3 -2.5q-2 .5E+1\n1e39 -1e-50\n9223372036854775807\n"},
      {"2l;b;h", ".TRUE. f\n127\n-32768\n"},
      {"i;i;i", "1\n\x1a\n2\n"},
      {"c3000", "'" + std::string(2049, 'x') + "'\n"},
      {"n;z;0z", "1\n2\n3\n"},
      {"3i", "1 2 3\r\n4\r"},
  };
  int k = 0;
  for (const auto& [items, text] : list_cases)
    write_seed(out / "list_reader", "case" + std::to_string(k++), items + "\n" + text);

  // The report's formats with items like the run's.
  const std::vector<double> five = {0.1, 1.16, 1.04, 1.01, 1.0025};
  const struct {
    const char* name;
    std::span<const std::uint32_t> words;
    Items items;
  } report[] = {
      {"file-date-title", formats::kFileDateTitle,
       Items().text(pad("relatorio.txt", 60)).text("(1/2/2024)").text("9:5:7").text(pad("t", 40))},
      {"parameters", formats::kParameters,
       Items().integer(3).integer(5).integer(1).integer(100).real(1e-10).real(0.5).real(5.0).text(
           pad("exatos.txt", 60))},
      {"mesh-heading", formats::kMeshHeading, Items()},
      {"first-mesh", formats::kFirstMesh, Items().real(0.4).text("b1.dat").text("a1.dat")},
      {"other-mesh", formats::kOtherMesh,
       Items().real(0.2).real(2.0).text(pad("b2.dat", 60)).text(pad("a2.dat", 60))},
      {"variable-heading", formats::kVariableHeading,
       Items().text(pad("phi", 80)).real(1.0).real(1.0).real(2.0)},
      {"interval-heading", formats::kIntervalHeading, Items()},
      {"interval-line", formats::kIntervalLine,
       Items().real(0.1).real(1.0000001).real(2.5e-7).text("SIM").text("sim")},
      {"low-heading", formats::kLowOrderHeading, Items()},
      {"high-heading", formats::kHighOrderHeading, Items()},
      {"scheme-line", formats::kSchemeLine, Items().real(0.1).real(1.01).real(1.0).real(-INFINITY)},
      {"scheme-array", formats::kSchemeLine, Items().doubles(five).real(NAN)},
  };
  for (const auto& r : report)
    write_seed(out / "format_writer", r.name, format_writer_seed(r.words, r.items));
  // Operands fetched at run time, through a pointer and through a routine.
  constexpr auto kComputed = build::record(
      build::start(),
      build::computed(build::e(0, 0), {.w = build::value_at(0), .d = build::routine_at(1)}),
      build::computed(build::x(0), {.repeat = build::value_at(0)}), build::end());
  const std::string args = std::string("\x02\x00\x0c\x00\x00\x00\x01\x05\x00\x00\x00", 11);
  write_seed(out / "format_writer", "computed",
             format_writer_seed(kComputed, Items().real(3.25).real(-1e300), args));

  // Format texts of the tests, each with items after the NUL.
  const std::pair<const char*, Items> texts[] = {
      {"(1P,E11.2,3(1P,E24.15))", Items().doubles(five).real(2).real(3)},
      {"(I6,' x',I6)", Items().integer(1234567).integer(5)},
      {"(A5,T3,'xy')", Items().text("abcde")},
      {"(T10,'a',T2,'b',TL5,'c',TR3,2X)", Items()},
      {"(2(I1,2(I1)))", Items().integer(1).integer(2).integer(3).integer(4).integer(5)},
      {"(SP,I3,SS,I3,S,I3,SP,1P,E10.2)", Items().integer(1).integer(-2).integer(3).real(4)},
      {"('a',I2,:,'b')", Items().integer(1)},
      {"(I2,3/I2/)", Items().integer(1).integer(2)},
      {"(e12.4e3,en10.2,es10.2,g10.3e2,i5.3,o4,z4.2,b8,l2,d25.16,3i)",
       Items().real(1e-300).real(12345.678).real(-0.0).real(0.1).integer(7)},
      {"(5HAB CD,\"q\"\"x\",-2PF10.3,$)", Items().real(123.456)},
      {"(I,E,A,L,O,Z,B,G,D,F,EN,ES)", Items().integer(1).real(2).text("x")},
      {"(T2,TL3,TR4,X,SP,SS,S,BN,BZ,Q,:,$,\\)", Items()},
      {"(1(2(3(4(5(6(7(8(I1)))))))))", Items().integer(9)},
      {"()", Items()},
  };
  k = 0;
  for (const auto& [text, items] : texts)
    write_seed(out / "format_compile", "text" + std::to_string(k++),
               std::string(text) + '\0' + items.bytes());

  // Console sessions: grid, viewport, flags, then commands (see text_model_fuzz.cpp).
  auto header = [](int columns, int rows, int top, int left, int bottom, int right, int flags) {
    return std::string{static_cast<char>(columns - 1),  static_cast<char>(rows - 1),
                       static_cast<char>(top - 1),      static_cast<char>(left - 1),
                       static_cast<char>(bottom - top), static_cast<char>(right - left),
                       static_cast<char>(flags)};
  };
  using namespace std::string_literals;
  const std::string ten = header(10, 3, 1, 1, 3, 10, 0);
  const std::pair<const char*, std::string> sessions[] = {
      {"cr-overwrite", ten + "W\x05"
                             "abc\rx"},
      {"exact-columns", header(4, 3, 1, 1, 3, 4, 0) + "W\x04"
                                                      "abcdW\x02\r\nE"},
      {"scroll", header(6, 3, 1, 1, 3, 6, 0) + "R\x03"
                                               "oneR\x03"
                                               "twoR\x05"
                                               "threeR\0W\x01!"s},
      {"wrap-off", header(4, 2, 1, 1, 2, 4, 1) + "W\x08"
                                                 "abcdefghW\x02\r\nTW\x06"
                                                 "abcdef"},
      {"viewport", header(10, 6, 2, 3, 4, 7, 0) + "W\x0c"
                                                  "0123456789abV\0\0\x05\x09W\x03xyz"s},
      {"nul-lf-cr", header(8, 4, 1, 1, 4, 8, 0) + "W\x09"
                                                  "a\0b\n\rc\n\nd"s},
      {"typed-read", ten + "B\x7f"
                           "KaKbK\bK\tKcK\rB\x02"},
      {"backspace-first-cell", header(4, 2, 1, 1, 2, 4, 0) + "B\x10"
                                                             "KaK\bK\bS\x01\x01KbS\x01\x01K\bK\r"},
      {"paste-two-lines", ten + "P\x0b"
                                "first\nsec\nB\x7f"
                                "B\x7f"},
      {"paste-partial", ten + "B\x7f"
                              "P\x03"
                              "abcKdK\nC"},
      {"leftover", header(20, 2, 1, 1, 2, 20, 0) +
                       "B\x09"
                       "K1K2K3K4K5K6K7K8K9KaKbKcKdKeKfK\r" +
                       "B\x09"
                       "B\x09"},
      {"long-line", header(5, 4, 1, 1, 4, 5, 0) + "B\xff" + repeat("Kx", 140) + "K\r"},
      {"counter", header(16, 1, 1, 1, 1, 16, 0) + repeat("W\x05 12%\r", 20)},
      {"controls", ten + "B\x10"
                         "K\x1b"
                         "K\x03"
                         "K\x11"
                         "K\x13"
                         "KaK\r"},
  };
  for (const auto& [name, session] : sessions) write_seed(out / "text_model", name, session);

  // Tables for the study's reader: an options byte (dimension, a volume given, buffer size), a
  // chunk-size byte, the text.
  using namespace std::string_literals;
  const struct {
    const char* name;
    char options;
    std::string text;
  } tables[] = {
      {"meshes", 0x20,
       "h,lift,drag\n0.025,1.501,0.0301\n0.1,1.52,\n0.05,1.505,0.031\nexact,1.5,\n"},
      {"semicolon-crlf", 0x08, "h;lift\r\n0,1;1,52\r\n0.05;1,505\r\n"},
      {"tab-cr", 0x10, "h\tlift\tdrag\r0,1\t1,5\t\r0,05\t-2,5e-3\t7\r"},
      {"quoted", 0x00, "\"h\",\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\"\n\"0.5\", 1 ,\"\",\"2\"\n"},
      {"comments", 0x18, "# made by hand\n\n  \nh,q\n# a note, \"quoted\n,\n1,2\n\n,  ,\n0.5,3"},
      {"numbers", 0x00,
       "h,a,b,c,d,e,f\n1,1e-3,1E-3,.5,-0.5,+1,1e-400\n1e999,nan,0x1p3,1 0,-,+-1\n"},
      {"bom", 0x00, "\xEF\xBB\xBFh,press\xC3\xA3o\n1,2\n"},
      {"cp1252", 0x00, "h;press\xE3o;\x80\n1;2;3\n"},
      {"schemes", 0x00, "h,scheme,q\n0.1,high,1\n0.2,low,2\n0.05,high,3\n0.1,low,4\nEXACT,,9\n"},
      {"cells-volume", 0x02, "cells,volume,q\n100,4,1\n400,4,2\nexact,,3\n"},
      {"cells-given", 0x07, "Cells,q\n10,1\n80,2\n"},
      {"field", 0x28, "point,x,h=0.05,h=0.1,exact\np1,0.5,1.4,1.5,1.3\np2,\"a, b\",2.4,2.5,\n"},
      {"field-semicolon", 0x00, "Exact;H = 0,1;h=0,025;h=0,05\n1;2;;4\n"},
      {"field-cells", 0x03, "n\xF3,cells=64,cells=8\r\nv\xE9rtice,2,1\r\n"},
      {"field-utf8-late", 0x40, "id,h=1\nok\xC3\xA9,1\nbad\xE9,2\n"},
      {"ragged", 0x00, "h,q\n1,2\n2,3,4\n"},
      {"nul", 0x00, "h,q\n1,2\0\n"s},
      {"utf16", 0x00, "\xFF\xFEh\0,\0"s},
      {"unclosed", 0x00, "h,q\n1,\"2\n"},
      {"duplicate-h", 0x00, "h,scheme,q\n1,a,1\n1,b,1\n2,b,1\n1,b,1\n"},
  };
  for (const auto& [name, options, text] : tables)
    write_seed(out / "table_reader", name, std::string{options, '\x02'} + text);
  return 0;
}
