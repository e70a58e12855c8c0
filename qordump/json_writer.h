// A JSON document written member by member: the writer places the commas, the line breaks
// and the indentation, so that no caller can get them wrong.
#pragma once

#include <cstdint>
#include <ostream>
#include <string_view>
#include <vector>

class JsonWriter {
  public:
    // A LINES container puts each member on a line of its own, indented two spaces a level;
    // an INLINE container keeps its members on one line, separated by ", ".
    enum class Layout { LINES, INLINE };

    explicit JsonWriter(std::ostream& out) : out_(out) {}

    void beginObject(Layout layout = Layout::INLINE) { begin('{', layout); }
    void endObject() { end('}'); }
    void beginArray(Layout layout = Layout::INLINE) { begin('[', layout); }
    void endArray() { end(']'); }

    // The name of the next member of an object; its value follows: json.key("a").integer(1).
    JsonWriter& key(std::string_view name);

    // A string whose code points are the bytes of `bytes`.
    void string(std::string_view bytes);
    void integer(int64_t value);
    // The shortest text that reads back as the same double; null when it is not finite.
    void number(double value);
    void boolean(bool value);
    void null();

  private:
    struct Level {
        Layout layout;
        int64_t members = 0;
    };

    void begin(char open, Layout layout);
    void end(char close);
    // Separates the coming value from the one before it.
    void beforeValue();

    std::ostream& out_;
    std::vector<Level> levels_;
    bool afterKey_ = false;
};
