#include "shell/startup_clock.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

namespace kelvaro::shell {

double millisecondsSinceProcessStart() {
  // Field 22 of /proc/self/stat is the start time in clock ticks after boot; the command
  // name (field 2) may hold blanks, so count from the closing parenthesis.
  std::ifstream stat("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const auto close = text.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  for (int i = 3; i < 22 && fields >> field; ++i) {
  }
  unsigned long long startTicks = 0;
  if (!(fields >> startTicks)) return -1;
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
  const double nowMs = static_cast<double>(now.tv_sec) * 1000.0 + now.tv_nsec / 1e6;
  return nowMs - static_cast<double>(startTicks) * 1000.0 / ticks;
}

namespace {

class FirstPaintWatch : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !seen_) {
      seen_ = true;
      std::fprintf(stderr, "kelvaro: first paint after %.0f ms\n", millisecondsSinceProcessStart());
      QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  bool seen_ = false;
};

}  // namespace

void reportFirstPaint(QWidget& window) {
  window.installEventFilter(new FirstPaintWatch(&window));
}

}  // namespace kelvaro::shell
