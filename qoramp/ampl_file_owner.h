// Whether a path may be written over by qoramp: only its own earlier output may be replaced,
// so a user's file that happens to carry an AMPL file's name is never lost.
#pragma once

#include <string>

enum class AmplFileKind {
    MODEL,    // begins with "param COLS;"
    COMMAND,  // begins with "read COLS, ROWS, NNZ <"
    NUMBERS,  // its first line is three whole numbers separated by blanks
};

// True when nothing is at `path`, the file is empty, or it begins as qoramp's own file of
// that kind. A file that exists but cannot be read is not known to be qoramp's.
bool mayReplaceAmplFile(const std::string& path, AmplFileKind kind);
