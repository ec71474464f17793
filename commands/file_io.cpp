#include "commands/file_io.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/auxv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "numbers/calc_error.h"

namespace kelvaro {

namespace {

[[noreturn]] void throwCannotCreate(const std::string& path, int error) {
  throw CalcError("Cannot create file \"" + path + "\". " + std::strerror(error));
}

// What a save writes to, found by following the path's symbolic links.
struct SaveTarget {
  enum Kind {
    NewFile,      // nothing there yet: a file of that name is made
    RegularFile,  // replaced whole through a temporary file: path is the file itself
    InPlace,      // a device, a FIFO, a socket or a descriptor's link: opened and written
  } kind;
  std::string path;
  mode_t mode = 0;  // of the file replaced
};

// A link into /proc/<pid>/fd or /dev/fd stands for an open descriptor (/dev/stdout is one):
// whatever it leads to is written in place, never renamed over.
bool isDescriptorLink(const std::string& path) {
  return path.starts_with("/dev/fd/") || path.starts_with("/proc/self/fd/") ||
         path.starts_with("/proc/thread-self/fd/") ||
         (path.starts_with("/proc/") && path.find("/fd/") != std::string::npos);
}

// The link's target as written in the link; empty when it cannot be read.
std::string readLink(const std::string& path) {
  std::string target(4096, '\0');
  const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
  if (n < 0) return {};
  target.resize(static_cast<std::size_t>(n));
  return target;
}

SaveTarget saveTarget(const std::string& path) {
  std::string at = path;
  bool throughDescriptor = isDescriptorLink(path);
  // Follows the chain one link at a time, as far as the system would (40 links).
  for (int hop = 0;; ++hop) {
    struct stat link;
    if (::lstat(at.c_str(), &link) != 0) {
      if (errno == ENOENT && hop == 0) return {SaveTarget::NewFile, path};
      // A link that leads nowhere names no file to save to.
      throwCannotCreate(path, errno);
    }
    if (!S_ISLNK(link.st_mode)) break;
    if (hop == 40) throwCannotCreate(path, ELOOP);
    const std::string next = readLink(at);
    if (next.empty()) throwCannotCreate(path, errno);
    // A descriptor's link reads as "pipe:[...]" or "socket:[...]" when it leads to no path.
    if (!next.starts_with('/') && next.find(":[") != std::string::npos) {
      throughDescriptor = true;
      break;
    }
    // A relative target starts from the link's own directory.
    const std::size_t slash = at.rfind('/');
    at =
        next.starts_with('/') || slash == std::string::npos ? next : at.substr(0, slash + 1) + next;
    throughDescriptor = throughDescriptor || isDescriptorLink(at);
  }
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) throwCannotCreate(path, errno);
  if (S_ISDIR(info.st_mode)) throwCannotCreate(path, EISDIR);
  if (!S_ISREG(info.st_mode) || throughDescriptor) return {SaveTarget::InPlace, path};
  return {SaveTarget::RegularFile, at, info.st_mode};
}

// A device, a FIFO or a descriptor's link: opened as it is and written. A FIFO nobody reads
// is an error rather than a wait without end.
void writeInPlace(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throwCannotCreate(path, errno);
  int error = 0;
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) error = errno;
  if (error == 0 && !writeAll(fd, bytes)) error = errno;
  if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
  if (error != 0) throwCannotCreate(path, error);
}

std::string directoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The temporary files of the saves under way, for a signal handler to remove: each name in a
// buffer of its own (a handler may not allocate), and whether the slot holds one.
struct TemporarySlot {
  std::atomic<bool> used{false};
  std::atomic<bool> named{false};
  char name[4200];
};
TemporarySlot temporarySlots[4];
static_assert(std::atomic<bool>::is_always_lock_free);

// The signals that end kelvaro-cli wait while a temporary file is made and named, so that the
// handler never misses one.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&held, signal);
    pthread_sigmask(SIG_BLOCK, &held, &before_);
  }
  ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &before_, nullptr); }

 private:
  sigset_t before_;
};

// A free slot holding name, or nullptr.
TemporarySlot* remember(const std::string& name) {
  if (name.size() >= sizeof(TemporarySlot::name)) return nullptr;
  for (TemporarySlot& slot : temporarySlots) {
    if (slot.used.exchange(true)) continue;
    std::memcpy(slot.name, name.c_str(), name.size() + 1);
    slot.named.store(true);
    return &slot;
  }
  return nullptr;
}

// A new file beside the target; O_EXCL makes sure it is nobody else's. Commands may run on
// more than one thread, so the count is atomic. Its slot, when one is free and the name fits,
// is returned for forgetTemporary.
int createTemporary(const std::string& directory, std::string& name, TemporarySlot*& slot) {
  static std::atomic<unsigned> counter{0};
  const SignalsHeld held;
  slot = nullptr;
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = directory + "/.kelvaro-" + std::to_string(::getpid()) + "-" +
           std::to_string(counter.fetch_add(1, std::memory_order_relaxed)) + ".tmp";
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd >= 0) slot = remember(name);
    return fd;
  }
  errno = EEXIST;
  return -1;
}

// Once the temporary file is renamed or removed.
void forgetTemporary(TemporarySlot* slot) {
  if (!slot) return;
  slot->named.store(false);
  slot->used.store(false);
}

extern "C" void endWithoutTemporaryFiles(int signal) {
  removeTemporaryFiles();
  ::_exit(128 + signal);
}

}  // namespace

bool readFileInPieces(const std::string& path, const std::function<void(std::string_view)>& consume,
                      std::string& reason, std::uint64_t maxBytes) {
  const bool standardInput = path == "-";
  const int fd = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    reason = std::strerror(errno);
    return false;
  }
  // Closed however the reading ends, also when consume throws.
  struct Closer {
    int fd;
    bool owned;
    ~Closer() {
      if (owned) ::close(fd);
    }
  } closer{fd, !standardInput};
  struct stat info;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
      static_cast<std::uint64_t>(info.st_size) > maxBytes) {
    reason = std::strerror(EFBIG);
    return false;
  }
  std::vector<char> buffer(1 << 16);
  std::uint64_t total = 0;
  for (;;) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      reason = std::strerror(errno);
      return false;
    }
    total += static_cast<std::uint64_t>(n);
    if (total > maxBytes) {  // a pipe or a device that goes on and on
      reason = std::strerror(EFBIG);
      return false;
    }
    consume(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
  }
}

std::uint64_t regularFileSize(const std::string& path) {
  struct stat info;
  if (path == "-" || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return 0;
  return static_cast<std::uint64_t>(info.st_size);
}

bool readWholeFile(const std::string& path, std::string& content, std::string& reason,
                   std::uint64_t maxBytes) {
  // Room for all of it at once: growing the text as it comes would take up to twice as much.
  if (const std::uint64_t size = regularFileSize(path); size <= maxBytes)
    content.reserve(content.size() + size);
  return readFileInPieces(
      path, [&](std::string_view piece) { content.append(piece); }, reason, maxBytes);
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

void writeFileSafely(const std::string& path, std::string_view bytes) {
  const SaveTarget target = saveTarget(path);
  if (target.kind == SaveTarget::InPlace) {
    writeInPlace(path, bytes);
    return;
  }
  // A file the user may not write stays protected, as it would against writing in place.
  if (target.kind == SaveTarget::RegularFile && ::access(target.path.c_str(), W_OK) != 0)
    throwCannotCreate(path, errno);

  std::string temporary;
  TemporarySlot* slot = nullptr;
  const int fd = createTemporary(directoryOf(target.path), temporary, slot);
  if (fd < 0) throwCannotCreate(path, errno);
  int error = 0;
  if (target.kind == SaveTarget::RegularFile && ::fchmod(fd, target.mode & 07777) != 0)
    error = errno;
  if (error == 0 && !writeAll(fd, bytes)) error = errno;
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temporary.c_str(), target.path.c_str()) != 0) error = errno;
  if (error != 0) ::unlink(temporary.c_str());
  forgetTemporary(slot);
  if (error != 0) throwCannotCreate(path, error);
}

void ignoreWriteSignals() {
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
}

void restartWithLargePages(char** argv) {
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  static constexpr char kVariable[] = "GLIBC_TUNABLES";
  static constexpr std::string_view kTunable = "glibc.malloc.hugetlb";
  const char* const before = std::getenv(kVariable);
  const std::string kept = before ? before : "";
  if (kept.find(kTunable) != std::string::npos) return;
  // Run as an argument of the dynamic loader (ld.so program ...), the program had no loader
  // mapped for it (AT_BASE, the loader's address, is 0) and /proc/self/exe is the loader:
  // restarting that with the program's arguments would not start the program.
  if (::getauxval(AT_BASE) == 0) return;
  const std::string value = kept + (kept.empty() ? "" : ":") + std::string(kTunable) + "=1";
  if (::setenv(kVariable, value.c_str(), 1) != 0) return;
  ::execv("/proc/self/exe", argv);
  // Not restarted: the environment as it was.
  if (before)
    ::setenv(kVariable, kept.c_str(), 1);
  else
    ::unsetenv(kVariable);
#else
  static_cast<void>(argv);
#endif
}

void removeTemporaryFiles() {
  for (TemporarySlot& slot : temporarySlots)
    if (slot.named.load()) ::unlink(slot.name);
}

void endOnSignalsWithoutTemporaryFiles() {
  onEndSignals(endWithoutTemporaryFiles);
}

void onEndSignals(void (*handler)(int signal)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    // A signal ignored from the start stays ignored (nohup, a job in the background).
    struct sigaction before {};
    if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    sigaction(signal, &action, nullptr);
  }
}

}  // namespace kelvaro
