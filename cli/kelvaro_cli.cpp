// kelvaro-cli: the calculator without a window (its run is cli/cli_session).

#include <string>
#include <vector>

#include "cli/cli_session.h"
#include "commands/file_io.h"

int main(int argc, char** argv) {
  kelvaro::restartWithLargePages(argv);
  kelvaro::ignoreWriteSignals();
  kelvaro::endOnSignalsWithoutTemporaryFiles();
  const std::vector<std::string> args(argv + 1, argv + argc);
  kelvaro::ProcessStreams streams;
  return kelvaro::runCli(args, streams);
}
