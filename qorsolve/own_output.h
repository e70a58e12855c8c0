// qorsolve replaces only files it wrote itself, so that a user's file that happens to carry
// the name of one of its files is never lost. It recognises its files by their first line:
// each begins with a header line of its own ("restriction,kind,lower,...").
#pragma once

#include <string>
#include <string_view>

// True when nothing is at `path`, it is not a regular file (creating the file then fails or
// not on its own), the file is empty, or its first line (without the line end) is one that
// `isOurs` accepts. A file that exists but cannot be read is not known to be qorsolve's.
bool mayReplaceOutput(const std::string& path, bool (*isOurs)(std::string_view firstLine));

// The message for a file that may not be replaced, with its line end.
std::string foreignOutputMessage(const std::string& path);
