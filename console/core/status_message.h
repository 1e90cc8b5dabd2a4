// The status line's right pane: a message that the program or the library replaces, and the
// locked input prompt that holds new messages back while it is shown.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "console/core/safe_lock.h"

namespace console {

class StatusMessage {
 public:
  // A text replaces the message; none clears the pane. While a prompt is locked in, the prompt
  // stays: a text is held back and clearing discards it, and since removing the prompt leaves
  // the pane empty, a held-back text is never shown.
  void set(std::optional<std::string_view> text);
  // Shows a locked prompt ("Input pending in " and a window title).
  void lock_prompt(std::string_view prompt);
  // Removes the prompt; the pane is left empty, whatever was held back.
  void remove_prompt();

  // What the pane shows.
  std::string shown() const;
  bool prompt_locked() const;

 private:
  mutable SafeMutex mutex_;
  std::string shown_;
  bool locked_ = false;
};

}  // namespace console
