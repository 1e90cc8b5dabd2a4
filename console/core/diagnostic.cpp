#include "console/core/diagnostic.h"

#include <unistd.h>

#include <cstdlib>

#include "console/core/console.h"
#include "console/core/frontend.h"

namespace console {

std::string_view module_name(Module module) {
  static constexpr std::string_view kNames[] = {
      "pkintern", "pkkwnd",  "pkgread", "pkgclose", "pkgwnd",  "pkgutil", "pkkerr",  "pkkstat",
      "pkginit",  "pkkinit", "pkgsvid", "pkgmisc",  "pkkexit", "pkgswc",  "pkgsave", "pkgprint",
  };
  auto index = static_cast<std::size_t>(module);
  return index < std::size(kNames) ? kNames[index] : std::string_view();
}

std::string_view diagnostic_text(int code) {
  switch (code) {
    case diagnostic::kOutOfMemory:
      return "Out of Memory";
    case diagnostic::kInternalError:
      return "Internal Error - unexpected error";
    case diagnostic::kInconsistency:
      return "Possible internal inconsistency";
    case diagnostic::kInitialMenuFailed:
      return "INITIALMENU failed";
    default:
      return {};
  }
}

DiagnosticBox format_diagnostic(DiagnosticKind kind, int code, Module module, int line) {
  DiagnosticBox box;
  box.text = diagnostic_text(code);
  box.text += kind == DiagnosticKind::Fatal ? ", file \"" : "\nfile \"";
  box.text += module_name(module);
  box.text += "\", line ";
  box.text += std::to_string(line);
  switch (kind) {
    case DiagnosticKind::Warning:
      box.caption = "Panelkit Warning";
      break;
    case DiagnosticKind::Error:
      box.caption = "Panelkit Error";
      break;
    case DiagnosticKind::Fatal:
      box.caption = "Panelkit Fatal Error";
      break;
  }
  return box;
}

void raise_diagnostic(DiagnosticKind kind, int code, Module module, int line) {
  if (code != diagnostic::kNoBox) {
    DiagnosticBox box = format_diagnostic(kind, code, module, line);
    FrontEnd* fe = front_end();
    BoxAnswer answer = BoxAnswer::Ok;
    if (fe != nullptr && fe->shows_message_boxes()) {
      answer = fe->message_box(
          box.text, box.caption,
          kind == DiagnosticKind::Warning ? BoxKind::Warning : BoxKind::RuntimeError);
    } else {
      std::string out = box.caption + ": " + box.text + "\n";
      [[maybe_unused]] auto written = ::write(STDERR_FILENO, out.data(), out.size());
    }
    if (kind != DiagnosticKind::Fatal && answer == BoxAnswer::Ok) return;
  }
  process_console().exit_callbacks().run_all();
  std::_Exit(-1);
}

}  // namespace console
