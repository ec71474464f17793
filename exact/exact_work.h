#pragma once
// How an exact routine runs: who may stop it, where its progress goes, and whether it runs in
// a process of its own.
//
// FLINT's routines cannot be interrupted, and when memory runs out they abort the process.
// So a routine whose work is more than a blink runs in a child process: Cancel kills the
// child, which gives back at once all it built, and a child that runs out of memory ends
// with a message instead of taking the calculator with it.

#include <cstdint>

#include "numbers/cancel_flag.h"

namespace kelvaro::exact {

// Where a routine reports how far it has come (the calculator's work token, through a small
// adapter; a child process sends it to its parent).
class Progress {
 public:
  virtual ~Progress() = default;
  virtual void begin(std::uint64_t known) = 0;
  virtual void advance(std::uint64_t count) = 0;
};

enum class Isolation {
  Auto,    // a child process for work beyond a blink, in-process otherwise
  Always,  // tests of the child process
  Never,   // fuzzing, and the child itself
};

struct Work {
  const CancelFlag* cancel = nullptr;
  Progress* progress = nullptr;
  Isolation isolation = Isolation::Auto;
  // Threads the largest routines may share their work out over (the results never depend
  // on it).
  int threads = 1;

  void begin(std::uint64_t known) const {
    if (progress) progress->begin(known);
  }
  void advance(std::uint64_t count = 1) const {
    if (progress) progress->advance(count);
  }
  // Throws CommandCancelled once a stop was asked for.
  void check() const { checkCancel(cancel); }
};

}  // namespace kelvaro::exact
