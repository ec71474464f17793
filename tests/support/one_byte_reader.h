#pragma once
// A FIFO whose reader takes one byte of what is written and goes, as `head -c 1 FIFO` does: a
// writer of more than a pipe holds then finds its reader gone. The reader is there before any
// writer opens the FIFO.

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <thread>

namespace kelvaro::test_support {

class OneByteReader {
 public:
  explicit OneByteReader(const std::string& path)
      : thread_([fd = ::mkfifo(path.c_str(), 0600)
                          ? -1
                          : ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)] {
          pollfd ready{fd, POLLIN, 0};
          char byte;
          if (::poll(&ready, 1, 60000) == 1 && ::read(fd, &byte, 1) < 0) {
          }
          ::close(fd);
        }) {}
  ~OneByteReader() { thread_.join(); }

 private:
  std::thread thread_;
};

}  // namespace kelvaro::test_support
