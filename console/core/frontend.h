// The console library's platform seam. A front end (desktop window or terminal) implements
// FrontEnd and installs it once at start-up; everything below the front ends talks to it only
// through the free functions here, which fall back to plain standard streams when none is
// installed (tests, tools).
#pragma once

#include <string_view>

namespace console {

enum class BoxAnswer { Ok, Yes, No, Cancel };

enum class BoxKind {
  RuntimeError,  // task-modal, error icon, OK
  ExitPrompt,    // Yes and No, warning icon, No the default
  Information,   // OK, information icon
};

class FrontEnd {
 public:
  virtual ~FrontEnd() = default;

  // The caption of the library's own boxes (the application name).
  virtual std::string_view application_name() const = 0;
  // True when run-time messages are shown in message boxes rather than on standard error.
  virtual bool shows_message_boxes() const = 0;
  virtual BoxAnswer message_box(std::string_view text, std::string_view caption, BoxKind kind) = 0;

  // Asks the frame to close; the process then ends with the quit code 0.
  virtual void post_close() = 0;
  // Blocks the calling (program) thread for good; the user ends the process from the windows.
  [[noreturn]] virtual void wait_forever() = 0;
};

// Installs the process's front end (nullptr removes it). Not thread-safe: call at start-up.
void install_front_end(FrontEnd* front_end);
FrontEnd* front_end();

}  // namespace console
