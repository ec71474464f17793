#pragma once
// A reader of a FIFO that takes one byte of what is written to it and goes away, as
// `head -c 1 FIFO` does: a writer of more than a pipe holds then finds its reader gone.

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <thread>

namespace kelvaro::test_support {

class OneByteReader {
 public:
  // Makes the FIFO and opens it, so that a writer finds a reader there.
  explicit OneByteReader(const std::string& path)
      : fd_(::mkfifo(path.c_str(), 0600) == 0
                ? ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)
                : -1),
        thread_([fd = fd_] {
          pollfd ready{fd, POLLIN, 0};
          char byte;
          if (::poll(&ready, 1, 60000) == 1 && ::read(fd, &byte, 1) < 0) {
          }
          ::close(fd);
        }) {}
  ~OneByteReader() { thread_.join(); }

 private:
  int fd_;
  std::thread thread_;
};

}  // namespace kelvaro::test_support
