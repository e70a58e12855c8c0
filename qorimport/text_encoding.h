// The encoding of a spreadsheet's text file. A spreadsheet's "CSV UTF-8" export writes UTF-8;
// its plain "CSV" export on Windows writes Windows-1252, where "Zürich" has the byte 0xFC. A
// file that is not valid UTF-8 is read as Windows-1252, so that its labels come back as
// written.
#pragma once

#include <string>
#include <string_view>

// True when every byte of `text` belongs to a valid UTF-8 sequence.
bool isUtf8(std::string_view text);

// `text` read as Windows-1252, in UTF-8; the five bytes that code has no character for stand
// for the control characters of the same number, as in Latin-1.
std::string fromWindows1252(std::string_view text);
