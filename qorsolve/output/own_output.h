// qorsolve replaces only files it wrote itself, so that a user's file that happens to carry
// the name of one of its files is never lost. It recognises its files by their first line.
//
// The rule, for every result file: the first line begins with a stable part that every
// version of qorsolve writes and no later one changes; what follows it may grow. A result
// file in CSV begins with a header line, and a later version only appends columns to it, never
// renames, drops or reorders one: so the stable part is a run of several column names (the
// columns of the file's first version), and a header whose fields hold that run in its place
// is qorsolve's whatever columns follow. The run is several names together so that a user's
// own CSV whose header merely begins with a common word ("kind", "restriction") is not taken
// for qorsolve's and overwritten. The report page begins with a fixed marker line.
#pragma once

#include <string>
#include <string_view>

// Where a CSV file's stable run of columns stands in its header: first, or after the class
// names (any number of fields) that begin the adjusted table's.
enum class StableAt { START, AFTER_NAMES };

// True when the fields of `firstLine` (a CSV line without its line end, its fields separated by
// any of CSV_SEPARATORS) hold `stableColumns` (names joined by commas) at `at`, followed by
// nothing or by further fields.
bool hasStableColumns(std::string_view firstLine, std::string_view stableColumns, StableAt at);

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
