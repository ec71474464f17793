#include "commands/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "numbers/calc_error.h"

namespace kelvaro {

namespace {

[[noreturn]] void throwCannotCreate(const std::string& path, int error) {
  throw CalcError("Cannot create file \"" + path + "\". " + std::strerror(error));
}

// Saving through a symbolic link writes the file it points to instead of replacing the link.
std::string followLink(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
      std::string target = resolved;
      std::free(resolved);
      return target;
    }
  }
  return path;
}

std::string directoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// A new file beside the target; O_EXCL makes sure it is nobody else's. Commands may run on
// more than one thread, so the count is atomic.
int createTemporary(const std::string& directory, std::string& name) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = directory + "/.kelvaro-" + std::to_string(::getpid()) + "-" +
           std::to_string(counter.fetch_add(1, std::memory_order_relaxed)) + ".tmp";
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
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

bool readWholeFile(const std::string& path, std::string& content, std::string& reason,
                   std::uint64_t maxBytes) {
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

void writeFileAtomically(const std::string& path, std::string_view bytes) {
  const std::string target = followLink(path);
  struct stat existing;
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) throwCannotCreate(path, EISDIR);
  // A file the user may not write stays protected, as it would against writing in place.
  if (exists && ::access(target.c_str(), W_OK) != 0) throwCannotCreate(path, errno);

  std::string temporary;
  const int fd = createTemporary(directoryOf(target), temporary);
  if (fd < 0) throwCannotCreate(path, errno);
  int error = 0;
  if (exists && ::fchmod(fd, existing.st_mode & 07777) != 0) error = errno;
  if (error == 0 && !writeAll(fd, bytes)) error = errno;
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    throwCannotCreate(path, error);
  }
}

}  // namespace kelvaro
