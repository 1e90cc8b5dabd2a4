// The extras as text for scripts: JSON and CSV, both UTF-8. Numbers are written with the shortest
// decimal form that reads back as the same double; numbers that are undefined or not finite
// are null in JSON and empty fields in CSV.
#pragma once

#include <string>

#include "results/json_writer.h"
#include "results/output_file.h"
#include "results/results.h"

namespace results {

// One JSON object (two-space indentation, a line feed at the end), written a variable at a time:
//   {"program": "Tavo", "version", "title", "report", "iq",
//    "meshes": [{"h", "ratio"}],
//    "variables": [{"index", "name", "exact",
//                   "schemes": {"low": S, "high": S},
//                   "intervals": [{"h", "tq", "uq", "applies", "exact_inside"}]}]}
// with S = {"formal_order", "meshes": [{"h", "value", "convergence_ratio", "apparent_order",
// "ti_12", "ti_a", "convergence", "gci"}], "least_squares": {"phi0", "alpha", "p", "sigma"} or
// null}. "intervals" holds meshes 3..n; "tq", "uq" and "exact_inside" are null where the
// interval does not apply; "convergence" is null where R is not a number.
void write_json(const Results& results, TextOut& out);
// The parts of write_json, for a writer that streams its variables itself (a field): the head
// of the object up to the opening of "variables" (`run`'s variables are not read), one
// variable, and the rest.
void begin_json(JsonWriter& json, const model::Numbers& run, const std::string& version);
void variable_json(JsonWriter& json, const VariableResult& v, const Settings& settings);
void end_json(JsonWriter& json, std::string& out);
std::string to_json(const Results& results);

// RFC 4180: a header row, then one row per variable, scheme and mesh, CR LF line ends. The
// columns are kCsvColumns; the scheme's least-squares fit, uncertainty estimate and target and
// the mesh's interval test are repeated on every row they belong to (the interval test empty on
// meshes 1 and 2); eh2014_note says why a scheme has no uncertainty estimate.
void write_csv(const Results& results, TextOut& out);
std::string to_csv(const Results& results);

inline constexpr const char* kCsvColumns[] = {"variable",
                                              "name",
                                              "exact",
                                              "scheme",
                                              "formal_order",
                                              "mesh",
                                              "h",
                                              "value",
                                              "convergence_ratio",
                                              "apparent_order",
                                              "ti_12",
                                              "ti_a",
                                              "convergence",
                                              "gci",
                                              "ls_phi0",
                                              "ls_alpha",
                                              "ls_p",
                                              "ls_sigma",
                                              "tq",
                                              "uq",
                                              "applies",
                                              "exact_inside",
                                              "asymptotic_ratio",
                                              "u_eh2014",
                                              "eh2014_estimator",
                                              "eh2014_weighted",
                                              "eh2014_p",
                                              "eh2014_phi0",
                                              "eh2014_sigma",
                                              "eh2014_data_range",
                                              "eh2014_fs",
                                              "eh2014_note",
                                              "error",
                                              "exact_order",
                                              "target_gci",
                                              "target_ratio",
                                              "target_h"};

// The shortest decimal text that reads back as `v` ("1.25", "1e-05"); for finite values only.
std::string shortest(double v);
// The same appended to `out` (no allocation of its own: the writers' hot path).
void append_shortest(std::string& out, double v);
// A text as an RFC 4180 field, appended: between quotes, its quotes doubled, when it holds a
// comma, a quote or a line break.
void append_csv_field(std::string& out, std::string_view s);
// A text for XML or HTML content and attribute values, appended: & < > " ' escaped, and every
// control character but tab and line feed (which XML 1.0 cannot hold) a blank.
void append_markup_escaped(std::string& out, std::string_view s);

// `v` to `digits` significant digits as %g writes it, without the locale ("0.0123", "1.5e-07");
// empty when not finite.
std::string significant(double v, int digits);

}  // namespace results
