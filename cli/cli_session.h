#pragma once
// kelvaro-cli's whole run (options, actions, printed panes, exit status) behind one call, so
// that the program and the tests run the same code.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace kelvaro {

// Where a run writes and what "-" reads.
class CliStreams {
 public:
  virtual ~CliStreams() = default;
  // Writes the pieces in order as standard output; false, with errno set, when it cannot.
  virtual bool writeOut(std::span<const std::string_view> pieces) = 0;
  virtual void writeErr(std::string_view text) = 0;
  // Reads a pane file as readFileInPieces does ("-" is standard input).
  virtual bool readPaneFile(const std::string& path,
                            const std::function<void(std::string_view)>& consume,
                            std::string& reason, std::uint64_t maxBytes);
};

// The process's own standard input, output and error.
class ProcessStreams : public CliStreams {
 public:
  bool writeOut(std::span<const std::string_view> pieces) override;
  void writeErr(std::string_view text) override;
};

// Runs kelvaro-cli on its arguments (the program name left out); returns the exit status.
int runCli(std::span<const std::string> args, CliStreams& streams);

}  // namespace kelvaro
