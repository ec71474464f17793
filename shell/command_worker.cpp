#include "shell/command_worker.h"

#include <new>
#include <stdexcept>

#ifdef __linux__
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "numbers/calc_error.h"

namespace kelvaro::shell {

namespace {

// Keeps what the command asks of the person until it has ended. The wait cursor is the
// window's own business while anything runs.
class QueuedUi : public UserInterface {
 public:
  explicit QueuedUi(std::vector<CommandWorker::Request>& requests) : requests_(requests) {}
  void showNote(const std::string& text) override { add(Kind::Note, text); }
  void showWarning(const std::string& text) override { add(Kind::Warning, text); }
  void showStatus(const std::string& text) override { add(Kind::Status, text); }

 private:
  using Kind = CommandWorker::Request::Kind;
  void add(Kind kind, const std::string& text) { requests_.push_back({kind, text}); }
  std::vector<CommandWorker::Request>& requests_;
};

// The interface thread comes first: on a busy machine (or one with as many kernel threads as
// cores) the command's thread, and the pool threads it starts, which inherit this, give way.
void yieldToTheWindow() {
#ifdef __linux__
  constexpr int kNice = 5;
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kNice);
#endif
}

}  // namespace

std::optional<QString> failureOf(const std::function<void()>& command) {
  try {
    command();
  } catch (const CalcError& e) {
    return QString::fromLatin1(e.what());
  } catch (const std::bad_alloc&) {
    return QStringLiteral("Out of memory: the matrices are too large for this command.");
  } catch (const CommandCancelled&) {
    throw;
  } catch (const std::exception& e) {
    return QString::fromLocal8Bit(e.what());
  }
  return std::nullopt;
}

CommandWorker::CommandWorker(QObject* parent, Finished finished)
    : QObject(parent), finished_(std::move(finished)) {}

CommandWorker::~CommandWorker() {
  stop();
}

void CommandWorker::join() {
  if (thread_.joinable()) thread_.join();
}

void CommandWorker::stop() {
  cancel();
  join();
}

void CommandWorker::start(const CalcState& state, Command command) {
  if (running_) return;
  join();  // the last one has handed its outcome over; it may still be freeing its leftovers
  token_ = std::make_unique<WorkToken>();
  running_ = true;
  thread_ = std::thread([this, &state, command = std::move(command), token = token_.get()] {
    yieldToTheWindow();
    auto outcome = std::make_shared<Outcome>();
    std::optional<CalcState> copy;
    QueuedUi ui(outcome->requests);
    try {
      outcome->failure = failureOf([&] {
        copy.emplace(state);
        copy->work = token;
        command(*copy, ui);
      });
    } catch (const CommandCancelled&) {
      outcome->cancelled = true;
    }
    if (!outcome->cancelled && copy) {
      copy->work = nullptr;
      outcome->state = std::move(copy);
    }
    // A worker that is gone by then (the window closed) drops the call.
    QMetaObject::invokeMethod(
        this,
        [this, outcome, token] {
          running_ = false;
          // A stop asked for after the command ended, while the window still showed it
          // running, wins: the outcome goes unused, as if the command had seen the request.
          if (token->cancelRequested() && !outcome->cancelled) *outcome = Outcome{true, {}, {}, {}};
          finished_(*outcome);
        },
        Qt::QueuedConnection);
    // A cancelled copy is freed here, after the window is idle again.
  });
}

}  // namespace kelvaro::shell
