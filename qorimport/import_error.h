// What qorimport says about its input: one line each, "Error: FILE:LINE: TEXT" for what stops
// the import, "Note: FILE:LINE: TEXT" for what it did on its own; without a file for the
// command line, without a line for a file as a whole.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct ImportMessage {
    std::string file;
    int64_t line = 0;
    std::string text;
};

// "base.csv:7: TEXT", "base.csv: TEXT" or "TEXT".
std::string placedText(const ImportMessage& message);

// The whole line, with "Error: " or "Note: " in front and the line end.
std::string errorLine(const ImportMessage& message);
std::string noteLine(const ImportMessage& message);

// A label or other text of the input in double quotes, as a message shows it: UTF-8 as it is,
// control characters escaped.
std::string quotedLabel(std::string_view label);
