#pragma once
// The check of a result's printed entries against the true result, run beside the window
// after the result is shown: one at a time, within its budget, stopped by the next command.

#include <QObject>
#include <functional>
#include <memory>
#include <thread>

#include "commands/accuracy.h"

namespace kelvaro::shell {

class AccuracyCheckRunner : public QObject {
 public:
  using Done = std::function<void(const AccuracyCheck& check)>;

  explicit AccuracyCheckRunner(QObject* parent) : QObject(parent) {}
  ~AccuracyCheckRunner() override { stop(); }

  // Checks `command`'s result in `state` (copied first) on a thread of its own; `done` runs on
  // the window's thread, unless the check was stopped before.
  void start(const CalcState& state, const CommandInfo& command, double seconds, Done done);
  // Cancels a check still running and waits for its thread; its verdict never arrives.
  void stop();

 private:
  std::thread thread_;
  std::unique_ptr<WorkToken> token_;
  std::uint64_t generation_ = 0;
};

}  // namespace kelvaro::shell
