#pragma once
// Whole-file reading and writing for the commands that load or save files, and for
// kelvaro-cli. A file is written under a temporary name and renamed over the target, so it is
// never left half-written.

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

// The whole content of a file ("-" is standard input), as readFileInPieces reads it.
bool readWholeFile(const std::string& path, std::string& content, std::string& reason,
                   std::uint64_t maxBytes = UINT64_MAX);

// Writes all of bytes to a file descriptor, retrying short writes. False with errno set.
bool writeAll(int fd, std::string_view bytes);

// Replaces the file at path with bytes: written to a new file in the same directory, synced,
// then renamed over path (a symbolic link is followed; an existing file keeps its permission
// bits). On failure the old file stays as it was, and CalcError
// 'Cannot create file "<path>". <reason>' is thrown.
void writeFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace kelvaro
