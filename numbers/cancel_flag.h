#pragma once
// A request to stop the running command, shared between the thread that runs it and the one
// that may ask it to stop. Long loops look at it now and then and end the command by
// throwing CommandCancelled; the caller then throws away the copy of the state it ran on.

#include <atomic>
#include <cstddef>
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

// Looks at the flag once per so many items, for loops over many small ones (the tokens of a
// pane), where a look at each would cost more than it is worth.
class CancelCountdown {
 public:
  explicit CancelCountdown(const CancelFlag* flag) : flag_(flag) {}
  // `items` more items done.
  void tick(std::size_t items = 1) {
    if (!flag_) return;
    if (left_ > items) {
      left_ -= items;
      return;
    }
    left_ = kEvery;
    flag_->throwIfCancelled();
  }

 private:
  static constexpr std::size_t kEvery = 4096;
  const CancelFlag* flag_;
  std::size_t left_ = kEvery;
};

}  // namespace kelvaro
