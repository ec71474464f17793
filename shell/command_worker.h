#pragma once
// Runs one calculator command at a time on a thread of its own, on a copy of the window's
// state, so that the window keeps answering. The copy is taken on that thread (the window
// changes nothing of its state while a command runs). What the command asks of the person
// (boxes, notes for the bottom strip) is kept in order and handed back with the outcome, on
// the window's thread, once the command has ended: the changed copy when it ended (also with
// an error: what it did up to the error stays), nothing when it was cancelled, also when
// the request to stop came after its end but before the window had its outcome.

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "commands/calc_state.h"
#include "commands/user_interface.h"

namespace kelvaro::shell {

// Runs a command and returns the message of the error that ended it, if one did
// (CommandCancelled goes on to the caller).
std::optional<QString> failureOf(const std::function<void()>& command);

class CommandWorker : public QObject {
 public:
  using Command = std::function<void(CalcState&, UserInterface&)>;

  // What the command asked of the person, in the order it asked.
  struct Request {
    enum class Kind { Note, Warning, Status } kind;
    std::string text;
  };
  struct Outcome {
    bool cancelled = false;
    std::optional<CalcState> state;  // none when cancelled (or when no copy could be made)
    std::optional<QString> failure;  // the message of the error that ended the command
    std::vector<Request> requests;
  };
  using Finished = std::function<void(Outcome& outcome)>;

  CommandWorker(QObject* parent, Finished finished);
  // Cancels a command still running and waits for its thread.
  ~CommandWorker() override;

  // Starts `command` on a copy of `state`, which must stay as it is until the outcome is back.
  // Only while nothing runs.
  void start(const CalcState& state, Command command);
  // From start until the outcome has been handed over.
  bool running() const { return running_; }
  // The running command's token: its progress, and the stop request.
  const WorkToken& token() const { return *token_; }
  void cancel() {
    if (running_) token_->requestCancel();
  }
  // Cancels a running command and waits until its thread has let go of the window's state.
  void stop();

 private:
  void join();

  Finished finished_;
  std::unique_ptr<WorkToken> token_ = std::make_unique<WorkToken>();
  std::thread thread_;
  bool running_ = false;
};

}  // namespace kelvaro::shell
