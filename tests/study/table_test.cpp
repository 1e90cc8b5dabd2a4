#include "study/table.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace study {
namespace {

using namespace std::string_literals;

// Tables rendered as text, so that a case is one line of input and one of expected output.
// Numbers shortest round-trip, blank "-"; a mesh is h@line, with (cells) when given.
std::string num(double v) {
  if (std::isnan(v)) return "-";
  char buf[32];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

std::string render(const MeshTable& t) {
  std::string s;
  for (const std::string& q : t.quantities) s += (s.empty() ? "" : "|") + q;
  for (const Scheme& scheme : t.schemes) {
    s += "\n" + scheme.name + ":";
    for (const Mesh& m : scheme.meshes) {
      s += " " + num(m.h) + "@" + std::to_string(m.line);
      if (!std::isnan(m.cells)) s += "(" + num(m.cells) + ")";
      for (double v : m.values) s += " " + num(v);
      s += ";";
    }
  }
  if (t.has_exact) {
    s += "\nexact";
    for (double v : t.exact) s += " " + num(v);
  }
  return s;
}

std::string render(const FieldHeader& h) {
  std::string s;
  for (const std::string& l : h.labels) s += l + "|";
  s += " h";
  for (double v : h.h) s += " " + num(v);
  if (!h.cells.empty()) s += " cells";
  for (double v : h.cells) s += " " + num(v);
  return s + (h.has_exact ? " exact" : "");
}

void append_points(const FieldChunk& c, std::string& s) {
  for (std::size_t p = 0; p < c.points; ++p) {
    s += "\n";
    for (std::size_t l = 0; l < c.label_columns; ++l) s += std::string(c.label(p, l)) + "|";
    for (std::size_t m = 0; m < c.meshes; ++m) s += " " + num(c.value(p, m));
    if (!c.exact.empty()) s += " = " + num(c.exact[p]);
  }
}

// The whole table through TableReader, as a rendering or as the error's message.
std::string read_all(std::string_view text, ReadOptions options, std::size_t chunk = 1000) {
  TableReader reader(text, options);
  Error e = reader.read_header();
  if (e.failed()) return e.message;
  if (reader.layout() == Layout::MeshesAsRows) {
    MeshTable table;
    e = reader.read_meshes(table);
    return e.failed() ? e.message : render(table);
  }
  std::string s = render(reader.field_header());
  FieldChunk c;
  std::size_t next = 0;
  for (;;) {
    e = reader.next_chunk(c, chunk);
    if (e.failed()) return e.message;
    if (c.points == 0) return s;
    EXPECT_EQ(c.first_point, next);
    EXPECT_LE(c.points, chunk);
    next += c.points;
    append_points(c, s);
  }
}

struct Case {
  Case(std::string t, std::string e, int d = 0, std::optional<double> v = {})
      : text(std::move(t)), expected(std::move(e)), dimension(d), volume(v) {}
  std::string text;
  std::string expected;
  int dimension;
  std::optional<double> volume;
};

// Every case is read with the default buffer and again with a tiny one, whose reads cut rows,
// quoted cells, CR LF pairs and UTF-8 sequences at every place.
void check(const Case& c) {
  ReadOptions o;
  o.source_name = "t.csv";
  o.dimension = c.dimension;
  o.volume = c.volume;
  EXPECT_EQ(read_all(c.text, o), c.expected) << c.text;
  o.buffer_bytes = 4;
  EXPECT_EQ(read_all(c.text, o, 2), c.expected) << "tiny buffer, chunks of 2: " << c.text;
}

TEST(MeshTable, Tables) {
  const Case cases[] = {
      // Rows in any order come out coarse to fine; a blank cell has no value; the exact row.
      {"h,lift,drag\n0.025,1.501,0.0301\n0.1,1.52,\n0.05,1.505,0.031\nexact,1.5,\n",
       "lift|drag\n: 0.1@3 1.52 -; 0.05@4 1.505 0.031; 0.025@2 1.501 0.0301;\nexact 1.5 -"},
      // Semicolon and tab take a decimal comma (and still a point); CR LF; a lone CR.
      {"h;lift\r\n0,1;1,52\r\n0.05;1,505\r\n", "lift\n: 0.1@2 1.52; 0.05@3 1.505;"},
      {"h\tlift\tdrag\r0,1\t1,5\t\r0,05\t-2,5e-3\t7\r",
       "lift|drag\n: 0.1@2 1.5 -; 0.05@3 -0.0025 7;"},
      // The delimiter the header holds most of; names trimmed; keywords in any case.
      {" H ;drag, N;lift\n1;2;3\n", "drag, N|lift\n: 1@2 2 3;"},
      // Quoting: delimiters, doubled quotes and a line end inside; lines counted through it.
      {"\"h\",\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\"\n\"0.5\", 1 ,\"\",\"2\"\n",
       "a,b|say \"hi\"|two\nlines\n: 0.5@3 1 - 2;"},
      // Comments and blank lines anywhere, rows of empty cells too; the lines still counted.
      {"# made by hand\n\n  \nh,q\n# a note, \"quoted\n,\n1,2\n\n,  ,\n0.5,3",
       "q\n: 1@7 2; 0.5@10 3;"},
      // Number forms a spreadsheet writes; an underflow is the nearest double.
      {"h,a,b,c,d,e,f\n1,1e-3,1E-3,.5,-0.5,+1,1e-400\n",
       "a|b|c|d|e|f\n: 1@2 0.001 0.001 0.5 -0.5 1 0;"},
      // UTF-8 with a byte-order mark, UTF-8 without, code page 1252: names come out UTF-8.
      {"\xEF\xBB\xBFh,press\xC3\xA3o\n1,2\n", "press\xC3\xA3o\n: 1@2 2;"},
      {"h,\xCE\xB8\n1,2\n", "\xCE\xB8\n: 1@2 2;"},
      {"h;press\xE3o;\x80\n1;2;3\n", "press\xC3\xA3o|\xE2\x82\xAC\n: 1@2 2 3;"},
      // Schemes in order of first appearance, each sorted; scheme names as text.
      {"h,scheme,q\n0.1,high,1\n0.2,low,2\n0.05,high,3\n0.1,low,4\nEXACT,,9\n",
       "q\nhigh: 0.1@2 1; 0.05@4 3;\nlow: 0.2@3 2; 0.1@5 4;\nexact 9"},
      // Cells: h = (V/N)^(1/D), V from a volume column, the caller, or 1.
      {"cells,volume,q\n100,4,1\n400,4,2\nexact,,3\n", "q\n: 0.2@2(100) 1; 0.1@3(400) 2;\nexact 3",
       2},
      {"Cells,q\n10,1\n80,2\n", "q\n: 0.5@2(10) 1; 0.25@3(80) 2;", 3, 1.25},
      {"cells,q\n1000,1\n1e6,2\n", "q\n: 0.1@2(1000) 1; 0.01@3(1e+06) 2;", 3},
      {"cells,q\n4,1\n", "q\n: 0.25@2(4) 1;", 1},
      // Fewer than three meshes, or none for a quantity, is the study's matter.
      {"h,a,b\n1,2,\n", "a|b\n: 1@2 2 -;"},
  };
  for (const Case& c : cases) check(c);
}

TEST(FieldTable, Tables) {
  const Case cases[] = {
      // Labels carried as text; mesh columns in any order come out coarse to fine.
      {"point,x,h=0.05,h=0.1,exact\np1,0.5,1.4,1.5,1.3\np2,\"a, b\",2.4,2.5,\n",
       "point|x| h 0.1 0.05 exact\np1|0.5| 1.5 1.4 = 1.3\np2|a, b| 2.5 2.4 = -"},
      // No labels, exact first, keys in any case, blanks around '='; a blank value.
      {"Exact;H = 0,1;h=0,025;h=0,05\n1;2;;4\n", " h 0.1 0.05 0.025 exact\n 2 4 - = 1"},
      // Cell counts; code page 1252 labels; CR LF.
      {"n\xF3,cells=64,cells=8\r\nv\xE9rtice,2,1\r\n",
       "n\xC3\xB3| h 1 0.5 cells 8 64\nv\xC3\xA9rtice| 1 2", 3, 8},
      // A header and no point.
      {"id,h=1\n", "id| h 1"},
  };
  for (const Case& c : cases) check(c);
}

TEST(Table, BadTables) {
  const Case cases[] = {
      // The text itself.
      {"", "t.csv: the table is empty: no header line"},
      {"# only a note\n\n,,\n", "t.csv: the table is empty: no header line"},
      {"h,q\n1,2\0\n"s, "t.csv:2: a NUL byte: this is not a text table"},
      {"# \0\nh,q\n"s, "t.csv:1: a NUL byte: this is not a text table"},
      {"\xFF\xFEh\0,\0"s, "t.csv: UTF-16 text: save the table as UTF-8 or as CSV"},
      {"h,q\n1,\"2\n", "t.csv:2: column \"q\": a quoted cell that does not close"},
      {"h,q\n1,\"2\"x\n", "t.csv:2: column \"q\": text after the closing quote of a cell"},
      {"h,q\n1,\"\xE9\"\n", "t.csv:2: column \"q\": \"\xC3\xA9\" is not a number"},  // 1252
      // The header.
      {"0.1,1.5,2\n", "t.csv:1: no header line: the first row holds numbers, not names"},
      {"h,,q\n", "t.csv:1: column 2: a blank column name"},
      {"h,q, q\n", "t.csv:1: column 3: \"q\" names column 2 already"},
      {"mesh,q\n",
       "t.csv:1: column \"mesh\": the first column must be h or cells (meshes as "
       "rows), or mesh columns must be headed h=VALUE or cells=N (points as rows)"},
      {"h,scheme\n", "t.csv:1: no quantity column"},
      {"cells,q\n", "t.csv:1: column \"cells\": cells need the dimension (1, 2 or 3) to give h"},
      {"h,volume,q\n", "t.csv:1: column \"volume\": a volume goes with cells, not with h", 3},
      {"cells,volume,q\n",
       "t.csv:1: column \"volume\": a volume is given besides the volume column", 3, 2},
      {"h,q,Cells\n",
       "t.csv:1: column \"Cells\": a second mesh size column (the first column gives it)"},
      {"h,q,exact\n",
       "t.csv:1: column \"exact\": exact values go in a row whose first cell is exact"},
      {"h,scheme,q,Scheme\n", "t.csv:1: column \"Scheme\": a second scheme column"},
      {"x,h=0.1,y\n",
       "t.csv:1: column \"y\": neither h=VALUE, cells=N nor exact, after the mesh "
       "columns (label columns come first)"},
      {"h=0.1,cells=8\n", "t.csv:1: column \"cells=8\": columns h= and cells= in one table", 3},
      {"h=0.1,h=1/2\n", "t.csv:1: column \"h=1/2\": \"1/2\" is not a number"},
      {"h=0.1,h=-1\n", "t.csv:1: column \"h=-1\": \"-1\" is not > 0"},
      {"h=0.1,h=0.10\n", "t.csv:1: column \"h=0.10\": the same h as column \"h=0.1\""},
      {"cells=8,cells=8.5\n",
       "t.csv:1: column \"cells=8.5\": \"8.5\" is not a whole number of cells", 3},
      {"cells=8\n", "t.csv:1: column \"cells=8\": cells need the dimension (1, 2 or 3) to give h"},
      {"exact,h=1,EXACT\n", "t.csv:1: column \"EXACT\": a second exact column"},
      // The rows.
      {"h,q\n1,2\n2,3,4\n", "t.csv:3: 3 cells where the header has 2"},
      {"h,q,r\n\n1,2\n", "t.csv:3: 2 cells where the header has 3"},
      {"p,h=1\nx\n", "t.csv:2: 1 cell where the header has 2"},
      {"h;lift\n0,1;1,2.3\n", "t.csv:2: column \"lift\": \"1,2.3\" is not a number"},
      {"h,q\n1,1,5\n", "t.csv:2: 3 cells where the header has 2"},  // no decimal comma here
      {"h,q\n1,nan\n", "t.csv:2: column \"q\": \"nan\" is not a number"},
      {"h,q\n1,-inf\n", "t.csv:2: column \"q\": \"-inf\" is not a number"},
      {"h,q\n1,0x1p3\n", "t.csv:2: column \"q\": \"0x1p3\" is not a number"},
      {"h,q\n1,1 000\n", "t.csv:2: column \"q\": \"1 000\" is not a number"},
      {"h,q\n1,1e999\n", "t.csv:2: column \"q\": \"1e999\" is not a finite number"},
      {"h,q\n1,\"\x01\x02"
       "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz\"\n",
       "t.csv:2: column \"q\": \"??abcdefghijklmnopqrstuvwxyzabcdefghi...\" is not a number"},
      {"h,q\n0,1\n", "t.csv:2: column \"h\": \"0\" is not > 0"},
      {"h,q\n-0.1,1\n", "t.csv:2: column \"h\": \"-0.1\" is not > 0"},
      {"h,q\n,1\n", "t.csv:2: column \"h\": blank, but every mesh needs its h"},
      {"cells,q\n0,1\n", "t.csv:2: column \"cells\": \"0\" is not > 0", 2},
      {"cells,q\n10.5,1\n", "t.csv:2: column \"cells\": \"10.5\" is not a whole number", 2},
      {"cells,volume,q\n10,,1\n",
       "t.csv:2: column \"volume\": blank, but every mesh needs its volume", 2},
      {"h,scheme,q\n1,,1\n", "t.csv:2: column \"scheme\": blank, but every mesh needs its scheme"},
      {"h,scheme,q\nexact,low,1\n", "t.csv:2: column \"scheme\": the exact row takes no scheme"},
      {"h,q\nexact,1\n1,2\nexact,3\n", "t.csv:4: a second exact row (line 2 has the first)"},
      {"h,q\n0.5,1\n0.25,2\n0.50,3\n",
       "t.csv:4: a second mesh with h = 0.5 (line 2 has the first)"},
      {"h,scheme,q\n1,a,1\n1,b,1\n2,b,1\n1,b,1\n",
       "t.csv:5: a second mesh with h = 1 in scheme \"b\" (line 3 has the first)"},
      {"cells,volume,q\n10,1,1\n20,2,1\n",
       "t.csv:3: a second mesh with h = 0.1 (line 2 has the first)", 1},
      {"h,q\nexact,1\n", "t.csv: the table has no mesh rows"},
      {"h,\"a\nb\"\n1,x\n", "t.csv:3: column \"a?b\": \"x\" is not a number"},  // one line
      {"p,h=1,h=2\na,1,x\n", "t.csv:2: column \"h=2\": \"x\" is not a number"},
      {"p,h=1\n\"a\nb\",1,2\n", "t.csv:2: 3 cells where the header has 2"},
  };
  for (const Case& c : cases) check(c);
}

// The first bytes beyond ASCII that have been read decide: valid UTF-8 there, and text that is
// not UTF-8 later is an error.
TEST(Table, EncodingIsDecidedByTheFirstBytesBeyondAscii) {
  const std::string text = "id,h=1\nok\xC3\xA9,1\nbad\xE9,2\n";
  ReadOptions o;
  o.source_name = "t.csv";
  EXPECT_EQ(read_all(text, o), "id| h 1\nok\xC3\x83\xC2\xA9| 1\nbad\xC3\xA9| 2");  // 1252
  o.buffer_bytes = 12;
  EXPECT_EQ(read_all(text, o),
            "t.csv:3: column \"id\": text that is not UTF-8, in a table whose first letters beyond "
            "ASCII are UTF-8");
}

// A field read in chunks gives the same points whatever the chunk and buffer sizes.
TEST(FieldTable, ChunksAndBuffersDoNotChangeThePoints) {
  std::string text = "id,\"x\",h=0.1,h=0.05,h=0.025,exact\r\n";
  for (int p = 0; p < 300; ++p) {
    text += "p" + std::to_string(p) + ",\"q\"\"" + std::to_string(p % 7) + "\"," + num(p * 0.125) +
            "," + (p % 5 == 0 ? "" : num(-p * 1e-3)) + "," + num(p + 0.5) + ",1e" +
            std::to_string(p % 30 - 15) + (p % 3 ? "\r\n" : "\n");
    if (p % 50 == 0) text += "# a comment\n\n";
  }
  ReadOptions o;
  const std::string whole = read_all(text, o, 1'000'000);
  ASSERT_EQ(whole.substr(0, 44), "id|x| h 0.1 0.05 0.025 exact\np0|q\"0| 0 - 0.5");
  for (std::size_t buffer : {4, 5, 17, 64, 1000})
    for (std::size_t chunk : {1, 2, 3, 64, 299, 300}) {
      o.buffer_bytes = buffer;
      EXPECT_EQ(read_all(text, o, chunk), whole) << buffer << " " << chunk;
    }
}

// A field on a pipe that has not ended comes out as far as it has been written.
TEST(FieldTable, PipeStreamsWhatHasArrived) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const auto put = [&](std::string_view s) {
    ASSERT_EQ(::write(fds[1], s.data(), s.size()), static_cast<ssize_t>(s.size()));
  };
  ReadOptions o;
  o.source_name = "-";
  TableReader reader(fds[0], o);
  put("p,h=1,h=0.5\na,1,2\nb,3,");
  ASSERT_FALSE(reader.read_header().failed());
  FieldChunk c;
  ASSERT_FALSE(reader.next_chunk(c, 100).failed());
  std::string s;
  append_points(c, s);
  EXPECT_EQ(s, "\na| 1 2");
  put("4\nc,5,6\n");
  ::close(fds[1]);
  s.clear();
  ASSERT_FALSE(reader.next_chunk(c, 100).failed());
  append_points(c, s);
  EXPECT_EQ(c.first_point, 1u);
  EXPECT_EQ(s, "\nb| 3 4\nc| 5 6");
  ASSERT_FALSE(reader.next_chunk(c, 100).failed());
  EXPECT_EQ(c.points, 0u);
  ::close(fds[0]);
}

// A regular file reads as its bytes do; a read that fails is the system's message.
TEST(Table, FileDescriptors) {
  const std::string text = "\xEF\xBB\xBFp,h=0.5,h=1\r\na,1,2\r\n";
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), f), text.size());
  std::fflush(f);
  ASSERT_EQ(::lseek(::fileno(f), 0, SEEK_SET), 0);
  ReadOptions o;
  TableReader reader(::fileno(f), o);
  ASSERT_FALSE(reader.read_header().failed());
  FieldChunk c;
  ASSERT_FALSE(reader.next_chunk(c, 10).failed());
  std::string s = render(reader.field_header());
  append_points(c, s);
  EXPECT_EQ(s, read_all(text, o));
  std::fclose(f);

  const int dir = ::open(".", O_RDONLY | O_DIRECTORY);
  o.source_name = "(standard input)";
  EXPECT_EQ(TableReader(dir, o).read_header().message,
            "(standard input): cannot read: Is a directory");
  ::close(dir);
}

// The convenience reader, and the layout kept to its own call.
TEST(Table, WholeMeshTableAndWrongCalls) {
  MeshTable t;
  EXPECT_FALSE(read_mesh_table("h,q\n1,2\n", {}, t).failed());
  EXPECT_EQ(render(t), "q\n: 1@2 2;");
  EXPECT_EQ(read_mesh_table("p,h=1\n", {}, t).message,
            "-: the table has points as rows, not meshes");
  TableReader reader(std::string_view("h,q\n1,2\n"), {});
  FieldChunk c;
  EXPECT_EQ(reader.next_chunk(c, 1).message, "-: the table's header is not read");
  EXPECT_EQ(reader.read_header().message, "-: the table's header is not read");  // sticky
}

}  // namespace
}  // namespace study
