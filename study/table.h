// Reading the tables of `tavo study`: results of a mesh refinement study pasted from a
// spreadsheet or written by a solver, in one of two layouts.
//
// Meshes as rows (a small table, read whole):
//
//     h,      scheme, lift,  drag          cells, volume, lift        h;lift
//     0.1,    low,    1.52,  0.031         1000,  2.0,    1.52        0,1;1,52
//     0.05,   low,    1.505,               8000,  2.0,    1.505       exact;1,5
//     exact,  ,       1.5,   0.03
//
// Points as rows (a field, read in chunks of points):
//
//     point, x,    y,   h=0.1, h=0.05, h=0.025, exact
//     p1,    0.0,  0.5, 1.52,  1.505,  1.501,   1.5
//
// The text: delimiter comma, semicolon or tab (the one the header line holds most of outside
// quotes; ties go to tab, then semicolon); RFC 4180 quoting; LF, CR LF or CR line ends; lines
// whose first character is `#` and lines without a value are skipped. UTF-8 with or without a
// byte-order mark, or code page 1252: the first bytes that are not ASCII decide, by whether they
// are valid UTF-8 (as far as they have been read: the first MiB of a file); every text comes out
// as UTF-8. Numbers are exact decimal conversions without any locale (`1e-3`, `1E-3`, `.5`,
// `-0.5`, `+1`; not `nan`, `inf`, hex or blanks inside); with semicolon or tab a decimal comma
// is accepted too (`0,125`). A blank cell is a value the table does not have.
//
// A bad table comes back as an Error, never as an exception (std::bad_alloc aside).
#pragma once

#include <cstddef>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace study {

inline constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();
// The longest row the reader takes; a longer one is a bad table, not a memory hog.
inline constexpr std::size_t kMaxRowBytes = std::size_t{64} << 20;

enum class Layout {
  MeshesAsRows,  // first column h or cells
  PointsAsRows,  // any column headed h=VALUE or cells=N
};

struct ReadOptions {
  // The table's name in messages: its file name, or "-" for standard input.
  std::string source_name = "-";
  // The space dimension (1, 2 or 3) that turns cell counts into h; 0 when none is given.
  int dimension = 0;
  // The domain's volume for cell counts, when the table has no volume column (then 1 if absent).
  // It only scales h: h = (V / N)^(1 / D) (Celik et al., J. Fluids Eng. 130, 078001, 2008).
  std::optional<double> volume;
  // Bytes read from the source at a time; a longer row grows the buffer up to kMaxRowBytes.
  std::size_t buffer_bytes = std::size_t{1} << 20;
};

// A bad table or a failed read: one line without the program's prefix, such as
// `study.csv:7: column "lift": "1,2.3" is not a number`. Empty when all went well.
struct Error {
  std::string message;
  std::size_t line = 0;  // the file's physical line (1-based) the message names; 0 for none

  bool failed() const { return !message.empty(); }
};

struct Mesh {
  double h = kNoValue;
  double cells = kNoValue;     // the cell count when the table gives cells, else kNoValue
  std::size_t line = 0;        // the line of its row
  std::vector<double> values;  // one per quantity, kNoValue where the cell is blank
};

struct Scheme {
  std::string name;          // UTF-8; empty when the table has no scheme column
  std::vector<Mesh> meshes;  // coarse to fine: h strictly decreasing
};

struct MeshTable {
  std::vector<std::string> quantities;  // UTF-8, in column order
  std::vector<Scheme> schemes;          // in order of first appearance
  std::vector<double> exact;            // one per quantity, kNoValue where unknown
  bool has_exact = false;               // whether any exact value is known
};

struct FieldHeader {
  std::vector<std::string> labels;  // the label columns' names (UTF-8), in column order
  std::vector<double> h;            // the meshes' sizes, coarse to fine: strictly decreasing
  std::vector<double> cells;        // their cell counts when the columns are cells=N, else empty
  bool has_exact = false;           // whether there is an exact column
};

// Consecutive points of a field. A chunk given to next_chunk again keeps its capacity, so a
// stream of chunks allocates only while the first ones grow.
struct FieldChunk {
  std::size_t first_point = 0;  // the table's index (0-based) of the chunk's first point
  std::size_t points = 0;
  std::size_t meshes = 0;
  std::size_t label_columns = 0;
  std::vector<double> values;  // point-major, meshes coarse to fine: values[p * meshes + m]
  std::vector<double> exact;   // one per point with an exact column (else empty); kNoValue blank
  std::string label_text;      // the labels' UTF-8 bytes end to end, point-major
  std::vector<std::size_t> label_ends;  // where each label ends in label_text

  double value(std::size_t point, std::size_t mesh) const { return values[point * meshes + mesh]; }
  std::string_view label(std::size_t point, std::size_t column) const {
    const std::size_t i = point * label_columns + column;
    const std::size_t begin = i == 0 ? 0 : label_ends[i - 1];
    return std::string_view(label_text).substr(begin, label_ends[i] - begin);
  }
};

namespace detail {
class Reader;
}

// Reads one table from a byte source in one pass: first its header, then either the whole
// table (meshes as rows) or chunk after chunk of points (points as rows), with memory bounded
// by the read buffer and the chunk. Not copyable; not for use by two threads at once.
// After an error every later call returns the same error.
class TableReader {
 public:
  // Reads the file descriptor `fd` (left open; 0 is standard input). A read interrupted by a
  // signal is retried.
  TableReader(int fd, ReadOptions options);
  // Reads `bytes`, which must outlive the reader (they are copied a buffer at a time).
  TableReader(std::string_view bytes, ReadOptions options);
  ~TableReader();
  TableReader(TableReader&&) noexcept;
  TableReader& operator=(TableReader&&) noexcept;

  // Reads up to the end of the header line and interprets it; blocks until the source has
  // given it. Call once, before anything else. The errors of a header: none at all (an empty
  // table), numbers where names belong, a blank or repeated name, a first column that is none
  // of h, cells or a mesh column, cells without a dimension, no quantity column...
  Error read_header();
  // Meaningful after read_header succeeded.
  Layout layout() const;
  // PointsAsRows only.
  const FieldHeader& field_header() const;

  // MeshesAsRows only: reads the rest of the table into `table` (replacing its contents).
  // A table whose quantities have fewer than three meshes is not an error; one without any
  // mesh row is.
  Error read_meshes(MeshTable& table);

  // PointsAsRows only: replaces `chunk` with the next points, at most `max_points` (at least 1).
  // Points = 0 without an error is the end of the table. On a file descriptor that is not a
  // regular file, a chunk ends early when the source has given nothing more for 50 ms, so that
  // points typed or piped slowly come out as they arrive. On an error the chunk is left empty.
  Error next_chunk(FieldChunk& chunk, std::size_t max_points);

 private:
  std::unique_ptr<detail::Reader> reader_;
};

// Reads a whole meshes-as-rows table held in memory. Points as rows is an error here.
Error read_mesh_table(std::string_view bytes, const ReadOptions& options, MeshTable& table);

}  // namespace study
