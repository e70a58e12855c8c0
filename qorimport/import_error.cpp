#include "qorimport/import_error.h"

#include "common/cell_text.h"

std::string placedText(const ImportMessage& message) {
    std::string text;
    if (!message.file.empty()) {
        text = terminalText(message.file);
        if (message.line > 0) {
            text += ':';
            text += std::to_string(message.line);
        }
        text += ": ";
    }
    return text + message.text;
}

std::string errorLine(const ImportMessage& message) {
    return "Error: " + placedText(message) + "\n";
}

std::string noteLine(const ImportMessage& message) {
    return "Note: " + placedText(message) + "\n";
}

std::string quotedLabel(std::string_view label) {
    std::string quoted = "\"";
    quoted += terminalText(label);
    quoted += '"';
    return quoted;
}
