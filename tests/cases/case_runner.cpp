// Runs every case of the case files (see README.md beside them) twice: in this process,
// through the same run kelvaro-cli's main calls, and through the built kelvaro-cli.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli_session.h"
#include "tests/support/one_byte_reader.h"
#include "tests/support/scratch_directory.h"

namespace kelvaro {
namespace {

namespace fs = std::filesystem;
using test_support::ScratchDirectory;

struct Outcome {
  std::string out, err;
  int status = 0;
  bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& o, std::ostream* os) {
  *os << "status " << o.status << "\n--- out\n" << o.out << "--- err\n" << o.err;
}

struct Case {
  std::string testName, where;  // where: file and line, for the failure report
  std::string problem;          // what is wrong with the case's text, if anything
  std::vector<std::pair<std::string, std::string>> files;  // written before the run
  std::string input;                                       // standard input
  std::vector<std::string> args;
  Outcome expected;
  std::vector<std::pair<std::string, std::optional<std::string>>> afterwards;  // nullopt: none
};

// Failures name the case by its place in the case files.
void PrintTo(const Case& c, std::ostream* os) {
  *os << c.where;
}

// The case's name as a test name: runs of other characters become one "_".
std::string identifier(const std::string& text) {
  std::string id;
  for (const char c : text)
    if (std::isalnum(static_cast<unsigned char>(c)) || (!id.empty() && id.back() != '_'))
      id += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  if (id.ends_with('_')) id.pop_back();
  return id;
}

// One file's cases. A block is the "|" lines after a keyword; its text is each line after the
// "|" with an LF, a closing " $" marking where trailing blanks end.
std::vector<Case> parseFile(const fs::path& path) {
  std::vector<Case> cases;
  std::istringstream in(ScratchDirectory::contentOf(path));
  std::string line, stem = path.stem().string();
  std::string* block = nullptr;  // where "|" lines go
  bool ran = false;
  int number = 0;
  auto fail = [&](const std::string& why) {
    if (cases.empty()) cases.emplace_back().testName = identifier(stem) + "_preamble";
    if (cases.back().problem.empty())
      cases.back().problem = path.filename().string() + ":" + std::to_string(number) + ": " + why;
  };
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && (line.back() == ' ' || line.back() == '\t')) fail("trailing blank");
    if (line.starts_with("|")) {
      if (block == nullptr) fail("\"|\" line outside a block");
      std::string text = line.substr(1);
      if (text.ends_with(" $") || text.ends_with("\t$")) text.pop_back();
      if (block != nullptr) *block += text + "\n";
      continue;
    }
    block = nullptr;
    if (line.empty() || line.starts_with("#")) continue;
    const std::size_t space = line.find(' ');
    const std::string word = line.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
    if (word == "case") {
      Case& c = cases.emplace_back();
      c.testName = identifier(stem) + "_" + identifier(rest);
      c.where = path.filename().string() + ":" + std::to_string(number);
      ran = false;
      continue;
    }
    if (cases.empty()) {
      fail("text before the first case");
      continue;
    }
    Case& c = cases.back();
    auto open = [&](std::string& target, const std::string& inline_, bool rows) {
      target.clear();
      block = &target;
      if (inline_.empty()) return;
      std::istringstream parts(inline_);
      for (std::string row; std::getline(parts, row, rows ? ';' : '\0');) {
        row.erase(0, row.find_first_not_of(' '));
        row.erase(row.find_last_not_of(' ') + 1);
        target += row + "\n";
      }
    };
    const bool pane = word == "a:" || word == "b:" || word == "result:";
    if (pane && !ran) {
      const std::string name = "pane-" + word.substr(0, word.size() - 1) + ".txt";
      c.args.insert(c.args.begin(), "--" + word.substr(0, word.size() - 1) + "=" + name);
      open(c.files.emplace_back(name, "").second, rest, true);
    } else if (word == "stdin:" && !ran) {
      open(c.input, rest, true);
    } else if (word == "file" && rest.ends_with(":")) {
      const std::string name = rest.substr(0, rest.size() - 1);
      open(ran ? c.afterwards.emplace_back(name, "").second.emplace()
               : c.files.emplace_back(name, "").second,
           "", false);
    } else if (word == "missing" && ran) {
      c.afterwards.emplace_back(rest, std::nullopt);
    } else if (word == "run" && !ran) {
      std::istringstream words(rest);
      for (std::string arg; words >> arg;) c.args.push_back(arg);
      ran = true;
    } else if ((word == "out:" || word == "err:") && ran) {
      open(word == "out:" ? c.expected.out : c.expected.err, rest, false);
    } else if (word == "status" && ran) {
      c.expected.status = std::atoi(rest.c_str());
    } else {
      fail("unexpected \"" + word + "\"");
    }
  }
  for (Case& c : cases)
    if (c.args.empty() && c.problem.empty()) c.problem = c.where + ": no run line";
  return cases;
}

std::vector<Case> loadCases() {
  std::vector<fs::path> paths;
  for (const auto& entry : fs::directory_iterator(KELVARO_CASES_DIR))
    if (entry.path().extension() == ".txt") paths.push_back(entry.path());
  std::sort(paths.begin(), paths.end());
  std::vector<Case> all;
  for (const fs::path& p : paths)
    for (Case& c : parseFile(p)) all.push_back(std::move(c));
  return all;
}

// Standard output and error kept in memory, standard input from the case.
class CapturingStreams : public CliStreams {
 public:
  explicit CapturingStreams(const std::string& input) : input_(input) {}
  bool writeOut(std::span<const std::string_view> pieces) override {
    for (const std::string_view piece : pieces) out.append(piece);
    return true;
  }
  void writeErr(std::string_view text) override { err.append(text); }
  bool readPaneFile(const std::string& path, const std::function<void(std::string_view)>& consume,
                    std::string& reason, std::uint64_t maxBytes) override {
    if (path != "-") return CliStreams::readPaneFile(path, consume, reason, maxBytes);
    consume(input_);
    return true;
  }
  std::string out, err;

 private:
  const std::string& input_;
};

// The same environment in both ways of running.
char kLocale[] = "LC_ALL=C";

Outcome runInProcess(const fs::path& dir, const std::vector<std::string>& args,
                     const std::string& input) {
  putenv(kLocale);
  const fs::path home = fs::current_path();
  fs::current_path(dir);
  CapturingStreams streams(input);
  const int status = runCli(args, streams);
  fs::current_path(home);
  return {streams.out, streams.err, status};
}

// Runs the built kelvaro-cli; its standard output goes to stdoutPath when one is given, no
// file it writes may grow beyond fileSizeLimit bytes, and meanwhile is called with its process
// id while it runs.
Outcome runProgram(const fs::path& dir, const std::vector<std::string>& args,
                   const std::string& input, const std::string& stdoutPath = "",
                   rlim_t fileSizeLimit = RLIM_INFINITY,
                   const std::function<void(pid_t)>& meanwhile = {}) {
  const std::string in = (dir / ".stdin").string(), err = (dir / ".stderr").string();
  const std::string out = stdoutPath.empty() ? (dir / ".stdout").string() : stdoutPath;
  std::ofstream(in) << input;
  std::vector<std::string> strings{KELVARO_CLI};
  strings.insert(strings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : strings) argv.push_back(s.data());
  argv.push_back(nullptr);
  char* envp[] = {kLocale, nullptr};
  const pid_t pid = fork();
  if (pid == 0) {
    const int fds[3] = {open(in.c_str(), O_RDONLY), open(out.c_str(), O_WRONLY | O_CREAT, 0600),
                        open(err.c_str(), O_WRONLY | O_CREAT, 0600)};
    for (int i = 0; i < 3; ++i) dup2(fds[i], i);
    const struct rlimit limit { fileSizeLimit, fileSizeLimit };
    if (fileSizeLimit != RLIM_INFINITY) setrlimit(RLIMIT_FSIZE, &limit);
    // As started from a terminal, whatever this test program was started from.
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) std::signal(signal, SIG_DFL);
    if (chdir(dir.c_str()) == 0) execve(argv[0], argv.data(), envp);
    _exit(127);
  }
  if (meanwhile) meanwhile(pid);
  int status = 0;
  waitpid(pid, &status, 0);
  Outcome o{stdoutPath.empty() ? ScratchDirectory::contentOf(out) : "",
            ScratchDirectory::contentOf(err),
            WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)};
  for (const std::string& p : {in, out, err})
    if (p != stdoutPath) fs::remove(p);
  return o;
}

class CaseTest : public ::testing::TestWithParam<Case>, public ScratchDirectory {
 protected:
  void SetUp() override {
    if (!GetParam().problem.empty()) GTEST_FAIL() << GetParam().problem;
    for (const auto& [name, content] : GetParam().files) file(name, content);
  }

  void check(const Outcome& got) {
    const Case& c = GetParam();
    EXPECT_EQ(got, c.expected);
    for (const auto& [name, content] : c.afterwards) {
      EXPECT_EQ(fs::exists(dir_ / name), content.has_value()) << name;
      if (content) {
        EXPECT_EQ(ScratchDirectory::contentOf(dir_ / name), *content) << name;
      }
    }
  }
};

TEST_P(CaseTest, InProcess) {
  check(runInProcess(dir_, GetParam().args, GetParam().input));
}

TEST_P(CaseTest, ThroughCli) {
  check(runProgram(dir_, GetParam().args, GetParam().input));
}

INSTANTIATE_TEST_SUITE_P(Cases, CaseTest, ::testing::ValuesIn(loadCases()),
                         [](const auto& info) { return info.param.testName; });

// What case files cannot hold: carriage returns, lines longer than a read, huge files, an
// output that cannot be written.

TEST(Cli, LinesEndAtLfWhereverTheReadsSplitThem) {
  // A CR at the end of one read and its LF at the start of the next still end the line; a
  // CR before no LF stays.
  ScratchDirectory s;
  const std::string line(65535, '9');
  s.file("big.txt", line + "\r\n" + line + "9\r\n8\r");
  EXPECT_EQ(runInProcess(s.dir_, {"--result=big.txt"}, ""),
            (Outcome{line + "\n" + line + "9\n8\r\n", "", 0}));
}

TEST(Cli, PaneFilesLargerThanAnyPaneAreRefusedUnread) {
  ScratchDirectory s;
  // Sparse: the size is there at once, the bytes are never read.
  fs::resize_file(s.file("pane.txt", "1 2\n"), (std::uintmax_t{1} << 30) + 1);
  EXPECT_EQ(runInProcess(s.dir_, {"--a=pane.txt", "A"}, ""),
            (Outcome{"",
                     "kelvaro-cli: cannot read \"pane.txt\": File too large\n"
                     "Try 'kelvaro-cli --help' for more information.\n",
                     2}));
}

TEST(Cli, OutputThatCannotBeWrittenIsAFailure) {
  ScratchDirectory s;
  EXPECT_EQ(
      runProgram(s.dir_, {"A"}, "", "/dev/full"),
      (Outcome{"", "kelvaro-cli: cannot write standard output: No space left on device\n", 1}));
}

TEST(Cli, AWriteCutShortByTheFileSizeLimitIsAnErrorAndLeavesNothingBehind) {
  ScratchDirectory s;
  s.file("old.mtx", "old");
  std::string row = "1";
  for (int i = 0; i < 600; ++i) row += " 1";  // 6 kB of project
  s.file("a.txt", row + "\n");
  EXPECT_EQ(runProgram(s.dir_, {"--a=a.txt", "clear-b", "save-project=old.mtx"}, "", "", 4096),
            (Outcome{"", "Error: Cannot create file \"old.mtx\". File too large\n", 1}));
  EXPECT_EQ(ScratchDirectory::contentOf(s.dir_ / "old.mtx"), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(s.dir_), {}), 2);  // no temporary file left
}

TEST(Cli, AReaderThatGoesAwayIsAnErrorAndTheActionsGoOn) {
  ScratchDirectory s;
  s.file("r.txt", std::string(1 << 20, '7') + "\n");  // more than a pipe holds
  const test_support::OneByteReader reader((s.dir_ / "fifo").string());
  const std::vector<std::string> args{"--result=r.txt", "save-result=fifo", "clear-result",
                                      "save-result=after.txt"};
  EXPECT_EQ(runProgram(s.dir_, args, ""),
            (Outcome{"", "Error: Cannot create file \"fifo\". Broken pipe\n", 1}));
  EXPECT_TRUE(fs::exists(s.dir_ / "after.txt"));
}

// SIGTERM, SIGINT or SIGHUP while the fifth save writes its temporary file: the file goes too.
TEST(Cli, EndSignalsLeaveNoTemporaryFileBehind) {
  ScratchDirectory s;
  s.file("r.txt", std::string(64 << 20, '7') + "\n");
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    const auto endOnceWriting = [&](pid_t pid) {
      for (int ms = 0; ms < 60000; ++ms, usleep(1000))
        for (const auto& entry : fs::directory_iterator(s.dir_))
          if (entry.path().filename().string().ends_with("-4.tmp")) return void(kill(pid, signal));
    };
    const std::string p = "save-project=p.mtx";
    const Outcome o = runProgram(
        s.dir_, {"--result=r.txt", "clear-a", "clear-b", p, p, p, p, "save-result=out.txt"}, "", "",
        RLIM_INFINITY, endOnceWriting);
    EXPECT_EQ(o.status, 128 + signal);
    EXPECT_EQ(std::distance(fs::directory_iterator(s.dir_), {}), 2) << signal;  // r.txt, p.mtx
  }
}

TEST(Cli, ProgressStandsOnOneLineOfItsOwnAndChangesNoOutput) {
  ScratchDirectory s;
  s.file("a.txt", "1 2\n3 4\n");
  const std::vector<std::string> actions = {"--a=a.txt", "Svd(A)", "save-result=no/r.txt", "A'"};
  Outcome plain = runInProcess(s.dir_, actions, "");
  std::vector<std::string> asked = {"--progress", "--threads=3"};
  asked.insert(asked.end(), actions.begin(), actions.end());
  const Outcome shown = runInProcess(s.dir_, asked, "");
  EXPECT_EQ(shown.out, plain.out);
  EXPECT_EQ(shown.status, plain.status);
  // Each action's line starts at 0% and is blanked out before a message or the next line.
  const std::string& err = shown.err;
  EXPECT_TRUE(err.starts_with("\rSvd(A)  0%")) << err;
  const std::size_t message = err.find(plain.err);
  ASSERT_NE(message, std::string::npos) << err;
  const std::size_t wipe = err.rfind('\r', message - 2);
  std::string blanked(message - wipe, ' ');
  blanked.front() = blanked.back() = '\r';
  EXPECT_EQ(err.substr(wipe, message - wipe), blanked);
  EXPECT_EQ(err.find("\rA'  0%"), message + plain.err.size()) << err;
  EXPECT_EQ(err.back(), '\r');
  EXPECT_EQ(err.find_first_not_of(" \r", err.rfind('%') + 1), std::string::npos) << err;
}

}  // namespace
}  // namespace kelvaro
