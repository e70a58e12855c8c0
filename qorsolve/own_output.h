// qorsolve replaces only files it wrote itself, so that a user's file that happens to carry
// the name of one of its files is never lost. It recognises its files by their first line:
// each begins with a header line of its own ("restriction,kind,lower,...").
#pragma once

#include <string>
#include <string_view>

// What stands at the path of a result file before a run writes or removes it.
enum class EarlierOutput {
    NONE,         // nothing, or an empty file: free to be written, nothing to remove
    OURS,         // a file qorsolve wrote, which may be replaced or removed
    READ_ONLY,    // a file qorsolve wrote, which the user made read-only
    FOREIGN,      // a file of someone else's
    UNREADABLE,   // a file whose first line cannot be read, for `error`
    DIRECTORY,    // a directory
    NOT_REGULAR,  // a pipe, device or socket
};

struct OutputCheck {
    EarlierOutput state = EarlierOutput::NONE;
    int error = 0;  // UNREADABLE: the system's reason
};

// Looks at `path` (following symbolic links) without opening anything but a regular file.
// `isOurs` tells qorsolve's first lines (without the line end) from others.
OutputCheck checkEarlierOutput(const std::string& path, bool (*isOurs)(std::string_view firstLine));

// True when a file at `path` may be written: NONE or OURS.
bool mayWrite(const OutputCheck& check);

// Why the file at `path` is not written (or, with `removing`, not removed), one line with its
// line end; empty when it may be.
std::string refusalMessage(const std::string& path, const OutputCheck& check, bool removing);
