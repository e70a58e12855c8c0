// Names for the table description, made from the labels as written: ASCII letters and digits
// only, beginning with a letter, never a word the scanner takes for a keyword, unique within
// their class, and within the translator's limits on names.
//
// A label's name keeps its ASCII letters and digits; a letter with a plain form becomes it
// ("Zürich" -> "Zuerich", "Genève" -> "Geneve", "Łódź" -> "Lodz"); blanks and other signs
// drop out, the letter after them made capital ("Sankt Gallen" -> "SanktGallen"), except "-"
// between digits, which reads "bis", and "+", "<", ">", "%" and "&", which read "plus",
// "unter", "ueber", "Prozent" and "und" ("0-14" -> "A0bis14", "65+" -> "A65plus").
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Names are cut to this many characters before a suffix makes them unique: far below the
// translator's limit, and short enough that a line of the base file for 15 classes stays
// within the delimited file's line length.
inline constexpr std::size_t MAX_NAME_CHARS = 32;

// The plain form of `label`: letters, digits and the words for signs, at most MAX_NAME_CHARS
// characters; possibly empty, possibly beginning with a digit.
std::string plainName(std::string_view label);

// True for a word the scanner reads as a block keyword in some place, in any case:
// "klass...", "auspr...", "rest...", "basis", "ende".
bool isReservedName(std::string_view name);

// The names of `labels`, one each, in order: their plain forms, `prefix` in front of one that
// is empty, begins with a digit or is reserved (and "X" where that is reserved too), a label
// that gives no letter or digit named by `prefix` and its number, and a number after any
// name that an earlier label already has ("Zuerich2").
std::vector<std::string> uniqueNames(const std::vector<std::string>& labels, char prefix);

// Whether names of these byte lengths fit the translator's name store in the order it stores
// them: 10 blocks of 10000 bytes, each name with its zero byte in one block.
bool fitNameStore(const std::vector<std::size_t>& lengths);
