#include "exact/isolation.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <new>

#include "numbers/calc_error.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KELVARO_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KELVARO_SANITIZED 1
#endif
#endif

namespace kelvaro::exact {

namespace {

// Work below this many limb operations takes well under a millisecond: starting a child
// would cost more than the work.
constexpr double kChildWorthIt = 2e5;

constexpr char kFrameProgress = 'P';
constexpr char kFrameResult = 'R';
constexpr char kFrameError = 'E';
constexpr char kFrameMemory = 'M';

bool writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool writeFrame(int fd, char tag, const std::string& payload) {
  std::string head(1, tag);
  const std::uint64_t size = payload.size();
  head.append(reinterpret_cast<const char*>(&size), sizeof size);
  return writeAll(fd, head.data(), head.size()) && writeAll(fd, payload.data(), payload.size());
}

// The child's progress, sent to the parent at most every 20 ms.
class PipeProgress : public Progress {
 public:
  explicit PipeProgress(int fd) : fd_(fd) {}
  void begin(std::uint64_t known) override {
    done_ = 0;
    known_ = known;
    send(true);
  }
  void advance(std::uint64_t count) override {
    done_ += count;
    send(false);
  }

 private:
  void send(bool now) {
    const auto t = std::chrono::steady_clock::now();
    if (!now && t - last_ < std::chrono::milliseconds(20)) return;
    last_ = t;
    std::string payload(reinterpret_cast<const char*>(&done_), sizeof done_);
    payload.append(reinterpret_cast<const char*>(&known_), sizeof known_);
    writeFrame(fd_, kFrameProgress, payload);
  }

  int fd_;
  std::uint64_t done_ = 0, known_ = 0;
  std::chrono::steady_clock::time_point last_{};
};

// Three quarters of the machine's memory at most: a child that needs more ends instead of
// pushing the whole desktop into swap. The sanitizers reserve far more address space than
// they use, so they run without the limit.
void limitMemory() {
#ifndef KELVARO_SANITIZED
  const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || pageSize <= 0) return;
  rlimit limit{};
  if (::getrlimit(RLIMIT_AS, &limit) != 0) return;
  const rlim_t wanted = static_cast<rlim_t>(pages) / 4 * 3 * static_cast<rlim_t>(pageSize);
  if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > wanted) limit.rlim_cur = wanted;
  ::setrlimit(RLIMIT_AS, &limit);
#endif
}

[[noreturn]] void runChild(int fd, const std::function<void(ByteWriter&, const Work&)>& body,
                           int threads) {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  limitMemory();
  PipeProgress progress(fd);
#ifdef KELVARO_SANITIZED
  // ThreadSanitizer does not follow threads started after a fork of a process with threads.
  threads = 1;
#endif
  const Work inner{nullptr, &progress, Isolation::Never, threads};
  try {
    ByteWriter w;
    body(w, inner);
    writeFrame(fd, kFrameResult, w.bytes());
  } catch (const CalcError& e) {
    writeFrame(fd, kFrameError, e.what());
  } catch (const std::bad_alloc&) {
    writeFrame(fd, kFrameMemory, {});
  } catch (...) {
    ::_exit(3);
  }
  ::_exit(0);
}

[[noreturn]] void throwOutOfMemory() {
  throw CalcError(
      "The exact computation ran out of memory: its numbers grew larger than this machine can "
      "hold.");
}

class ChildProcess {
 public:
  ChildProcess(pid_t pid, int fd) : pid_(pid), fd_(fd) {}
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess() {
    ::close(fd_);
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      reap();
    }
  }
  // The child's wait status, once it has ended.
  int reap() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return status;
  }
  int fd() const { return fd_; }

 private:
  pid_t pid_;
  int fd_;
};

}  // namespace

bool runsInChild(const Work& work, double cost) {
  switch (work.isolation) {
    case Isolation::Always:
      return true;
    case Isolation::Never:
      return false;
    case Isolation::Auto:
      break;
  }
  return cost > kChildWorthIt;
}

std::string runInChild(const Work& work,
                       const std::function<void(ByteWriter&, const Work&)>& body) {
  work.check();
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw CalcError("Cannot start the exact computation.");
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    throw CalcError("Cannot start the exact computation.");
  }
  if (pid == 0) {
    ::close(fds[0]);
    runChild(fds[1], body, work.threads);
  }
  ::close(fds[1]);
  ChildProcess child(pid, fds[0]);

  std::string stream;
  std::size_t parsed = 0;
  char tag = 0;
  std::string payload;
  char buffer[1 << 16];
  for (;;) {
    work.check();  // the child dies with `child` on the way out
    pollfd p{child.fd(), POLLIN, 0};
    const int ready = ::poll(&p, 1, 10);
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) continue;
    const ssize_t n = ::read(child.fd(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    stream.append(buffer, static_cast<std::size_t>(n));
    // Whole frames: progress goes on at once, the last frame is the outcome.
    constexpr std::size_t kHead = 1 + sizeof(std::uint64_t);
    while (stream.size() - parsed >= kHead) {
      std::uint64_t size = 0;
      std::memcpy(&size, stream.data() + parsed + 1, sizeof size);
      if (stream.size() - parsed - kHead < size) break;
      const char frameTag = stream[parsed];
      const char* data = stream.data() + parsed + kHead;
      if (frameTag == kFrameProgress && size == 16) {
        std::uint64_t done = 0, known = 0;
        std::memcpy(&done, data, 8);
        std::memcpy(&known, data + 8, 8);
        if (work.progress) {
          work.progress->begin(known);
          work.progress->advance(done);
        }
      } else {
        tag = frameTag;
        payload.assign(data, size);
      }
      parsed += kHead + size;
    }
    if (parsed > (1u << 20)) {
      stream.erase(0, parsed);
      parsed = 0;
    }
  }
  const int status = child.reap();
  if (tag == kFrameResult) return payload;
  if (tag == kFrameError) throw CalcError(payload);
  if (tag == kFrameMemory ||
      (WIFSIGNALED(status) &&
       (WTERMSIG(status) == SIGABRT || WTERMSIG(status) == SIGKILL || WTERMSIG(status) == SIGSEGV)))
    throwOutOfMemory();
  throw CalcError("The exact computation failed.");
}

}  // namespace kelvaro::exact
