#include "shell/end_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QWidget>
#include <csignal>

#include "commands/file_io.h"

namespace kelvaro::shell {

namespace {

// A handler may only write a byte; the window reads it on its own thread.
int signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t signalsSeen = 0;

void onEndSignal(int signal) {
  if (signalsSeen != 0) {
    removeTemporaryFiles();
    ::_exit(128 + signal);
  }
  signalsSeen = 1;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

void closeOnEndSignals(QWidget& window) {
  if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
  QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
    char byte;
    while (::read(signalPipe[0], &byte, 1) > 0) {
    }
    window.close();
  });
  onEndSignals(onEndSignal);
}

}  // namespace kelvaro::shell
