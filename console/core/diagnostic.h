// The library's own failures: numbered diagnostics with the library module and line that raised
// them, shown in a box captioned "Panelkit Warning", "Panelkit Error" or "Panelkit Fatal Error".
#pragma once

#include <string>
#include <string_view>

namespace console {

enum class DiagnosticKind { Warning, Error, Fatal };

namespace diagnostic {
inline constexpr int kNoBox = 0;  // terminate without a box
inline constexpr int kOutOfMemory = 4;
inline constexpr int kInternalError = 5;
inline constexpr int kInconsistency = 6;
inline constexpr int kInitialMenuFailed = 7;
}  // namespace diagnostic

// The library modules a diagnostic names as its source file.
enum class Module {
  pkintern,
  pkkwnd,
  pkgread,
  pkgclose,
  pkgwnd,
  pkgutil,
  pkkerr,
  pkkstat,
  pkginit,
  pkkinit,
  pkgsvid,
  pkgmisc,
  pkkexit,
  pkgswc,
  pkgsave,
  pkgprint,
};
std::string_view module_name(Module module);

// "Out of Memory", "Internal Error - unexpected error", "Possible internal inconsistency",
// "INITIALMENU failed"; empty for other codes.
std::string_view diagnostic_text(int code);

struct DiagnosticBox {
  std::string text;
  std::string caption;
};
// Warning and error: "%s\nfile \"%s\", line %d"; fatal: "%s, file \"%s\", line %d". The text is
// built to its full length whatever the lengths of its parts.
DiagnosticBox format_diagnostic(DiagnosticKind kind, int code, Module module, int line);

// Reports a diagnostic through the front end (standard error without one) and acts on it:
// a warning or error acknowledged with OK returns; one that is not, a fatal diagnostic, and
// code 0 (no box) run the exit callbacks and end the process with exit code -1.
void raise_diagnostic(DiagnosticKind kind, int code, Module module, int line);

}  // namespace console
