#pragma once
// Whole-file reading and writing for the commands that load or save files, and for
// kelvaro-cli.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kelvaro {

// Reads a file ("-" is standard input) piece by piece, handing each piece to consume in
// order, so a large file need not be held twice. False, with the system's text for the error
// in reason, when it cannot be read. Input beyond maxBytes is not read: a file that is larger
// is refused at once, a pipe or device once it has given that much ("File too large").
bool readFileInPieces(const std::string& path, const std::function<void(std::string_view)>& consume,
                      std::string& reason, std::uint64_t maxBytes = UINT64_MAX);

// The size of a regular file, or 0 for anything else ("-", a pipe, a device, a missing file):
// what a reader may reserve before it reads the file.
std::uint64_t regularFileSize(const std::string& path);

// The whole content of a file ("-" is standard input), as readFileInPieces reads it.
bool readWholeFile(const std::string& path, std::string& content, std::string& reason,
                   std::uint64_t maxBytes = UINT64_MAX);

// Writes all of bytes to a file descriptor, retrying short writes. False with errno set.
bool writeAll(int fd, std::string_view bytes);

// Saves bytes at path, never leaving a file half-written and never replacing what is not a
// plain file. A new name or a regular file is written as a new file in the same directory,
// synced, then renamed over it; through a symbolic link it is the file the link leads to that
// is replaced (the link stays), keeping its permission bits. A device, a FIFO or a link to an
// open descriptor (/dev/stdout) is opened and written in place; a FIFO without a reader, a
// dangling link or a folder is an error. On failure nothing is replaced and CalcError
// 'Cannot create file "<path>". <reason>' is thrown.
void writeFileSafely(const std::string& path, std::string_view bytes);

// Programs call this once at start: a write beyond the file-size limit (ulimit -f), or into a
// pipe or FIFO whose reader has gone, then fails with "File too large" or "Broken pipe", which
// a save reports and cleans up after, instead of the signal that would end the program on the
// spot.
void ignoreWriteSignals();

// Removes the temporary file of every save under way; safe in a signal handler.
void removeTemporaryFiles();

// kelvaro-cli calls this once at start: SIGTERM, SIGINT and SIGHUP remove the temporary file
// of a save under way, then end the program with status 128 + the signal's number.
void endOnSignalsWithoutTemporaryFiles();

// Programs call this first thing in main. A command on large panes goes through tens of
// megabytes of fresh memory (the files' text, the aligned lines, the matrices, the result's
// text), and in small pages each page's first touch is a fault of its own, which took about
// half of such a command's time. The C library's allocator asks the system for large pages
// when its tunable glibc.malloc.hugetlb says so, and tunables are read only when a program
// starts: so the program starts itself once more with it set to 1, unless the environment
// already sets it (either way), or when the program was started by running the loader
// directly (or is linked statically). Returns only when it did not restart.
void restartWithLargePages(char** argv);

// The handler of SIGTERM, SIGINT and SIGHUP, each unless it was ignored from the start (nohup,
// a job in the background), which it stays.
void onEndSignals(void (*handler)(int signal));

}  // namespace kelvaro
