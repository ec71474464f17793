#include <QApplication>

#include "shell/skin.h"
#include "shell_tests.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  kelvaro::shell::setUpApplication();
  int failed = 0;
  failed += runImageButtonTests(argc, argv);
  failed += runWindowTests(argc, argv);
  failed += runPaneViewTests(argc, argv);
  return failed == 0 ? 0 : 1;
}
