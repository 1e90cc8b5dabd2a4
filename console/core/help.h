// Help: the help file, the context numbers of the menu commands, and the texts of Help > About and
// Help > Using Help.
//
// On this platform the help file is Tavo's manual, an HTML document named FPKIT.html (built from
// docs/help/FPKIT.html and installed beside the executable), opened by the desktop's browser or a
// help viewer. Each context number has a section whose anchor is "context-" and the number.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace console {

inline constexpr std::string_view kHelpBaseName = "FPKIT";
inline constexpr std::string_view kHelpExtension = ".html";
inline constexpr std::string_view kHelpFileName = "FPKIT.html";
// Shown in help mode for a command without a context (owner the window, captioned with the
// application name, OK).
inline constexpr std::string_view kHelpNotAvailable = "Help not available for menu item";

// The help context of a menu command in help mode (F1 held while it is chosen): Exit 1000,
// About 1001, Copy 1002, Input 1004, Paste 1007, Status Bar 1008, Arrange Icons 1009, Cascade
// 1010, Tile 1011, Pause 1012, Resume 1013, Clear Paste 1014, Size To Fit 1015, Full Screen
// 1016, Print 1017, Save 1018. None for the Select items, Contents, Using Help and any other id.
std::optional<int> help_context(int command_id);

// Where the help file is looked for.
struct HelpSearch {
  std::string fpkit_hlp;       // the value of FPKIT_HLP; empty when unset
  std::string path;            // the value of PATH
  std::string executable_dir;  // the folder of the running executable
};

struct HelpFile {
  std::string path;
  bool exists = false;
};

// FPKIT_HLP's value with the base name "FPKIT" and the extension ".html" filled in where they
// are missing: a folder (an existing one, or a value ending in '/') gets "FPKIT.html", a name
// without a dot gets ".html", a bare extension (".html") gets "FPKIT" before it.
std::string complete_help_name(std::string_view value);

// The help file: FPKIT_HLP completed, when that file exists; else FPKIT.html beside the
// executable, then in each folder of PATH in order (empty entries, which would mean the current
// folder, are skipped); else the bare name FPKIT.html, which may not exist.
HelpFile find_help_file(const HelpSearch& search);

// find_help_file for this process (FPKIT_HLP, PATH and /proc/self/exe), looked up on the first
// call and kept. Thread-safe.
const HelpFile& help_file();

// "context-1012".
std::string help_anchor(int context);
// A file URL for the help file (made absolute against the current folder, bytes outside the
// unreserved set percent-encoded), at the context's section, or at the top without one.
std::string help_url(std::string_view help_path, std::optional<int> context);

// "Tavo console library 1.0": the version text of the console library.
std::string library_version_text();
// The About box's text: the program's name and version, what it does, and the library's
// version text.
std::string about_text();
// Help > Using Help: the platform has no help on help, so the library explains its own.
std::string_view using_help_text();

}  // namespace console
