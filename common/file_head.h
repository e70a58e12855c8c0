// The beginning of a file that a program is about to replace. The programs replace only their
// own earlier output, so that a user's file that happens to carry one of their names is never
// lost; each recognises its files by how they begin.
#pragma once

#include <cstddef>
#include <string>

enum class FileAtPath {
    NONE,        // nothing to protect: nothing there, not a regular file, or an empty file
    UNREADABLE,  // a file that exists but cannot be read: not known to be the program's
    READ,        // its beginning is in `head`
};

struct FileHead {
    FileAtPath state = FileAtPath::NONE;
    std::string head;        // at most the requested number of first bytes
    bool wholeFile = false;  // `head` holds the whole file
    int error = 0;           // UNREADABLE: the system's reason
};

// For NONE, creating the file then fails or not on its own: a device or a pipe in its place is
// written to, and a directory fails when it is opened. A pipe is never opened here, so that
// no reader waits for a writer.
FileHead readFileHead(const std::string& path, std::size_t maxSize);
