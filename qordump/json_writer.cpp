#include "qordump/json_writer.h"

#include <cmath>
#include <string>

#include "common/cell_text.h"

void JsonWriter::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (levels_.empty()) return;
    Level& level = levels_.back();
    if (level.layout == Layout::LINES) {
        out_ << (level.members == 0 ? "\n" : ",\n") << std::string(2 * levels_.size(), ' ');
    } else if (level.members > 0) {
        out_ << ", ";
    }
    ++level.members;
}

void JsonWriter::begin(char open, Layout layout) {
    beforeValue();
    out_ << open;
    levels_.push_back({layout});
}

void JsonWriter::end(char close) {
    const Level level = levels_.back();
    levels_.pop_back();
    if (level.layout == Layout::LINES && level.members > 0) {
        out_ << "\n" << std::string(2 * levels_.size(), ' ');
    }
    out_ << close;
}

JsonWriter& JsonWriter::key(std::string_view name) {
    beforeValue();
    out_ << jsonString(name) << ": ";
    afterKey_ = true;
    return *this;
}

void JsonWriter::string(std::string_view bytes) {
    beforeValue();
    out_ << jsonString(bytes);
}

void JsonWriter::integer(int64_t value) {
    beforeValue();
    out_ << value;
}

void JsonWriter::number(double value) {
    beforeValue();
    out_ << (std::isfinite(value) ? numberText(value) : "null");
}

void JsonWriter::boolean(bool value) {
    beforeValue();
    out_ << (value ? "true" : "false");
}

void JsonWriter::null() {
    beforeValue();
    out_ << "null";
}
