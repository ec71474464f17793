#include "shell/accuracy_check.h"

#include <utility>

#include "commands/enclosure_check.h"

namespace kelvaro::shell {

void AccuracyCheckRunner::start(const CalcState& state, const CommandInfo& command, double seconds,
                                Done done) {
  stop();
  token_ = std::make_unique<WorkToken>();
  const std::uint64_t generation = ++generation_;
  auto copy = std::make_shared<const CalcState>(
      isEnclosedOperation(command) ? enclosedCheckState(state) : state);
  thread_ = std::thread(
      [this, copy, &command, seconds, done = std::move(done), generation, token = token_.get()] {
        AccuracyCheck check;
        try {
          check = checkWithinBudget(*copy, command, seconds, *token);
        } catch (const std::exception& e) {
          check.verdict = std::string("not checked: ") + e.what();
        }
        QMetaObject::invokeMethod(
            this,
            [this, check = std::move(check), done, generation] {
              if (generation == generation_) done(check);
            },
            Qt::QueuedConnection);
      });
}

void AccuracyCheckRunner::stop() {
  if (token_) token_->requestCancel();
  // A stopped check's verdict, still on its way, is dropped.
  ++generation_;
  if (thread_.joinable()) thread_.join();
}

}  // namespace kelvaro::shell
