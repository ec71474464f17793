// kelvaro: the desktop window of the calculator.

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "commands/file_io.h"
#include "shell/Unit1.h"
#include "shell/skin.h"
#include "shell/startup_clock.h"

int main(int argc, char** argv) {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  const bool noDisplay = !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY");
  if (noDisplay && (!platform || !*platform)) {
    std::fprintf(stderr,
                 "kelvaro: no display is available (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                 "kelvaro-cli runs the same calculator without a window.\n");
    return 1;
  }
  kelvaro::ignoreFileSizeSignal();
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kelvaro");
  QApplication::setDesktopFileName("kelvaro");
  kelvaro::shell::setUpApplication();

  TForm1 form;
  // KELVARO_STARTUP_TIME=1: report the time from process start to the first paint and quit.
  if (const char* log = std::getenv("KELVARO_STARTUP_TIME"); log && *log == '1')
    kelvaro::shell::reportFirstPaint(form);
  form.show();
  return app.exec();
}
