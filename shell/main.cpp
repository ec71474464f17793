// kelvaro: the desktop window of the calculator.

#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "shell/Unit1.h"
#include "shell/end_signals.h"
#include "shell/skin.h"
#include "shell/startup_clock.h"
#include "shell/state_keeper.h"

int main(int argc, char** argv) {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  const bool noDisplay = !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY");
  if (noDisplay && (!platform || !*platform)) {
    std::fprintf(stderr,
                 "kelvaro: no display is available (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                 "kelvaro-cli runs the same calculator without a window.\n");
    return 1;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kelvaro");
  QApplication::setDesktopFileName("kelvaro");
  kelvaro::shell::setUpApplication();

  TForm1 form;
  // As it was left: the panes, the fields, the place on the screen.
  form.keepState(kelvaro::shell::StateKeeper::defaultFolder());
  kelvaro::shell::closeOnEndSignals(form);
  // KELVARO_STARTUP_TIME=1: report the time from process start to the first paint and quit.
  if (const char* log = std::getenv("KELVARO_STARTUP_TIME"); log && *log == '1')
    kelvaro::shell::reportFirstPaint(form);
  form.show();
  // kelvaro FILE.mtx (as the desktop opens a project): opened once the window is up, so that
  // a refusal's message box stands over it.
  if (const QStringList files = QApplication::arguments().mid(1); !files.isEmpty()) {
    if (!QFileInfo::exists(files.first()))
      std::fprintf(stderr, "kelvaro: %s: no such file\n", qPrintable(files.first()));
    QTimer::singleShot(0, &form, [&form, path = files.first()] { form.openProject(path); });
  }
  return app.exec();
}
