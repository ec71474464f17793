#pragma once
// Runs the built kelvaro-cli in a scratch directory and collects what it printed.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/support/scratch_directory.h"

namespace kelvaro::test_support {

struct Outcome {
  std::string out;
  std::string err;
  int status = -1;
  bool operator==(const Outcome&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  return os << "status " << o.status << "\n--- stdout\n" << o.out << "--- stderr\n" << o.err;
}

class Cli : public test_support::ScratchDirectoryTest {
 protected:
  // Runs kelvaro-cli in a known environment: the C locale unless env says otherwise.
  // stdoutPath replaces the file that catches standard output.
  Outcome run(const std::vector<std::string>& args, const std::string& input = "",
              std::vector<std::string> env = {"LC_ALL=C"},
              const std::string& stdoutPath = "") const {
    const std::string in = file(".stdin", input);
    const std::string out = stdoutPath.empty() ? (dir_ / ".stdout").string() : stdoutPath;
    const std::string err = (dir_ / ".stderr").string();
    std::vector<std::string> argvStrings{KELVARO_CLI};
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char*> argv, envp;
    for (auto& a : argvStrings) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
      const int fds[3] = {open(in.c_str(), O_RDONLY),
                          open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600),
                          open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600)};
      for (int i = 0; i < 3; ++i) dup2(fds[i], i);
      execve(argv[0], argv.data(), envp.data());
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    Outcome o;
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    o.out = stdoutPath.empty() ? contentOf(out) : "";
    o.err = contentOf(err);
    return o;
  }
};

}  // namespace kelvaro::test_support
