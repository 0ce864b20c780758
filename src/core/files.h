#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace rf {

// The whole text of a file no larger than `maxBytes`, without a UTF-8
// byte-order mark at its start (a Windows editor writes one). A file that
// cannot be opened is "file not found" (53); a device, a pipe or a directory,
// a file larger than `maxBytes` and one that cannot be read are "path/file
// access error" (75). The detail is the reason alone: the caller names the file.
std::string readWholeFile(const std::string& path, std::size_t maxBytes);

// Appends the text to a file open for appending, whole or not at all: a write
// that stops part way (a full disk) is cut back to the size before it. With
// `sync` it returns once the text is on the disk. 0, or the errno of the
// failure; the file ends inside the text only when the cut failed too.
int appendWhole(int fd, std::string_view text, bool sync);

// The file a path ends at through its symbolic links (a link's target need
// not exist yet); the path itself when it is no link.
std::string linkTarget(const std::string& path);

}  // namespace rf
