// The console's initialisation: the application name the front end shows, and the frame's
// handle once the front end has made it.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

#include "console/core/frontend.h"

namespace console {

// The executable's file name without directory and extension, converted to code page 1252;
// "Panelkit" when there is none.
std::string application_name_from_path(std::string_view executable_path);
// The same for this process's executable ("Panelkit" when it cannot be read).
std::string read_application_name();

class Initialisation {
 public:
  // Start of initialisation: a second one raises warning 6 ("Possible internal
  // inconsistency") and fails.
  bool begin_initialisation(std::string application_name);
  // End of initialisation: the frame's handle becomes known and queries answer.
  void complete_initialisation(WindowHandle frame);
  bool initialised() const { return initialised_.load(); }
  // kNoWindow until initialisation is complete (and for a front end without a frame).
  WindowHandle frame() const { return frame_.load(); }

  // Code page 1252. Set once by begin_initialisation, before any other thread starts.
  const std::string& application_name() const { return application_name_; }
  // The application name followed by a class suffix ("FRAME", "STATUSBAR", "Graphic",
  // "FullWnd").
  std::string class_name(std::string_view suffix) const;

 private:
  std::atomic<bool> initialising_{false};
  std::atomic<bool> initialised_{false};
  std::string application_name_ = "Panelkit";
  std::atomic<WindowHandle> frame_{kNoWindow};
};

}  // namespace console
