#include <QApplication>
#include <QTemporaryDir>

#include "shell/skin.h"
#include "shell_tests.h"

int main(int argc, char** argv) {
  // Whatever a window here keeps goes to a scratch folder, never the person's own.
  QTemporaryDir scratch;
  qputenv("XDG_STATE_HOME", scratch.path().toLocal8Bit());
  QApplication app(argc, argv);
  kelvaro::shell::setUpApplication();
  int failed = 0;
  failed += runImageButtonTests(argc, argv);
  failed += runWindowTests(argc, argv);
  failed += runPaneViewTests(argc, argv);
  return failed == 0 ? 0 : 1;
}
