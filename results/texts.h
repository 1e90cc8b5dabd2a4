// The texts of the extras a person reads (the study's summary, the documents, the charts), one
// table per language. The report of the dados.r33 run is not among them: it stays Portuguese.
// Numbers are written with a decimal point in every language.
#pragma once

#include <optional>
#include <string_view>

#include "results/eca_hoekstra.h"
#include "results/measures.h"

namespace results {

enum class Language { English, Portuguese };

// "en" or "pt": the language, or none.
std::optional<Language> language_named(std::string_view name);
// The user's language from the locale: Portuguese where LC_ALL, else LC_MESSAGES, else LANG
// (the first of them set and not empty) starts with "pt", English otherwise.
Language language_from_environment();

// Every text is UTF-8.
struct Texts {
  std::string_view scheme;        // "scheme"
  std::string_view formal_order;  // "formal order"
  std::string_view quantity;      // "Quantity"
  std::string_view variable;      // "Variable"
  std::string_view mesh;
  std::string_view value;
  std::string_view extrapolated;
  std::string_view convergence;  // the class column
  std::string_view exact;
  std::string_view point;
  // Why a scheme has no triplet: "fewer than 3 meshes: no convergence ratio, order or GCI"
  std::string_view fewer_than_three;
  std::string_view uncertainty;  // "Eca-Hoekstra uncertainty"
  std::string_view weighted;
  std::string_view unweighted;
  std::string_view no_uncertainty;  // "no uncertainty estimate"
  // The convergence classes and the uncertainty outcomes, as people read them.
  std::string_view monotonic, divergent, oscillatory, oscillatory_divergent;
  std::string_view too_few_meshes, grid_independent, invalid_data, no_fit;

  // The documents (--markdown, --latex, --html, --xlsx). Notation (h, r, p, GCI, U, the
  // column symbols) stays in the templates; these are the words around it.
  std::string_view language_name;  // "English"
  std::string_view report;         // "Verification report"
  std::string_view table;          // "Table", as in "Table 3."
  std::string_view scheme_heading, class_heading, flags_heading;
  std::string_view name;   // a spreadsheet's column
  std::string_view power;  // the power-series estimator of the uncertainty
  std::string_view estimator;
  std::string_view per_cent;                               // "in per cent"
  std::string_view variable_units;                         // "in the units of the variable"
  std::string_view fraction;                               // "fraction"
  std::string_view refinement_ratio;                       // r
  std::string_view apparent_order;                         // p
  std::string_view extrapolated_with;                      // phi_ext: "extrapolated with p"
  std::string_view approximate_error, extrapolated_error;  // e_a, e_ext
  std::string_view asymptotic_ratio;
  std::string_view far_from_one;         // "far from 1", after the asymptotic ratio
  std::string_view oscillating_at_mesh;  // "oscillating triplet ending at mesh", then its number
  std::string_view finest_mesh;          // "on the finest mesh"
  std::string_view none;                 // a summary cell without a flag
  std::string_view error, exact_order;
  std::string_view inputs, file, content, sha256_unreadable, standard_input;
  std::string_view run_input, exact_values, solution, study_table;
  std::string_view options, command_line, version, date, safety_factor, target_gci, digits,
      language;
  std::string_view summary, charts, no_charts;
  std::string_view references, procedures;  // the lead sentence of the references

  // The desktop's results window.
  struct Window {
    std::string_view title;    // "Results"
    std::string_view filter;   // the label of the variable filter
    std::string_view sort_by;  // "Sort by %2", a column's header for %2
  } window;

  // The charts' texts. %1 stands for a number (a count where it says so), %2 for a text.
  struct Charts {
    std::string_view values_title;    // "Value against mesh size h"
    std::string_view errors_title;    // "Error against the exact solution"
    std::string_view orders_title;    // "Apparent order"
    std::string_view values_window;   // "values": the value chart's window, beside the name
    std::string_view low_scheme;      // the legend's title of the run's scheme "low"
    std::string_view high_scheme;     // and of "high"
    std::string_view exact_solution;  // the legend's title of the exact value
    std::string_view value_with_u;    // "Th ± U (Eça-Hoekstra)"
    std::string_view gci_band;        // "Th ± GCI·|Th|"
    std::string_view phi0;            // "φ0 = %1 (Eça-Hoekstra, %2)"
    std::string_view finest_ti_a;     // "Ti_a = %1 (finest triplet)"
    std::string_view slope;           // "slope pL = %1"
    std::string_view formal_order;    // "formal order pL = %1"
    std::string_view one_omitted;     // "1 point omitted"
    std::string_view omitted;         // "%1 points omitted" (a count)
    std::string_view more_schemes;    // "%1 more schemes not shown" (a count)
  } chart;
};

const Texts& texts(Language language);

// A convergence class or an uncertainty outcome as a person reads it: empty for None and for
// Estimated.
std::string_view convergence_text(Convergence c, const Texts& t);
std::string_view outcome_text(UncertaintyOutcome o, const Texts& t);
// The uncertainty's estimator as a person reads it: "power", "h", "h²", "h + h²".
std::string_view expansion_text(Expansion e, const Texts& t);

}  // namespace results
