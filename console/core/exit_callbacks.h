// Functions run when the library ends the process after a fatal diagnostic.
#pragma once

#include <array>
#include <mutex>

namespace console {

using ExitCallback = void (*)();

class ExitCallbackList {
 public:
  static constexpr int kCapacity = 32;

  // 1, or 0 when 32 are already registered (or the callback is null).
  int add(ExitCallback callback);
  // Runs every entry in the order registered.
  void run_all() const;
  int size() const;

 private:
  mutable std::mutex mutex_;
  std::array<ExitCallback, kCapacity> entries_{};
  int count_ = 0;
};

}  // namespace console
