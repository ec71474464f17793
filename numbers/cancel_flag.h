#pragma once
// A request to stop the running command, shared between the thread that runs it and the one
// that may ask it to stop. Long loops look at it now and then and end the command by
// throwing CommandCancelled; the caller then throws away the copy of the state it ran on.

#include <atomic>
#include <exception>

namespace kelvaro {

// Ends a command whose stop was asked for. Not a CalcError: nothing is shown for it.
class CommandCancelled : public std::exception {
 public:
  const char* what() const noexcept override { return "command cancelled"; }
};

class CancelFlag {
 public:
  void requestCancel() noexcept { requested_.store(true, std::memory_order_relaxed); }
  bool cancelRequested() const noexcept { return requested_.load(std::memory_order_relaxed); }
  void throwIfCancelled() const {
    if (cancelRequested()) throw CommandCancelled();
  }

 private:
  std::atomic<bool> requested_{false};
};

// For the loops that may run without a flag.
inline void checkCancel(const CancelFlag* flag) {
  if (flag) flag->throwIfCancelled();
}

}  // namespace kelvaro
