// Texts in the binary project files: the byte count as an int32, then the bytes, without a
// terminating zero byte.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/input_file.h"
#include "common/output_file.h"
#include "common/read_result.h"

// `text` must be shorter than 2^31 bytes.
void writeCountedText(OutputFile& file, std::string_view text);

// Reads one text into `text`: NEGATIVE_COUNT for a count below 0, INVALID for one above `most`
// or beyond the end of the file. std::bad_alloc passes to the caller.
ReadResult readCountedText(InputFile& file, std::string& text, int32_t most);
