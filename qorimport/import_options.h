// qorimport's command line: qorimport [options] BASE.csv PROJECT, checked once.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// A margin file and how its margins hold.
struct MarginSource {
    std::string path;
    bool weak = false;
    double weight = 1.0;  // of weak margins; relative to the other files' weights
};

// How far a hard margin may miss its value.
enum class ToleranceKind { NONE, PERCENT, ABSOLUTE };

struct ImportOptions {
    std::string basePath;
    std::string project;
    std::vector<MarginSource> margins;
    std::string valueColumn;        // of the base file; empty for its last column
    std::string marginValueColumn;  // of the margin files; empty for their last column
    char separator = '\0';          // '\0': found in each file's header
    bool decimalComma = false;
    std::vector<std::string> totalLabels;  // margin fields that mean every characteristic
    ToleranceKind tolerance = ToleranceKind::NONE;
    double toleranceValue = 0.0;  // percent or units, at least 0
    bool help = false;
    bool version = false;
};

void printImportUsage(std::ostream& out);

// Fills `options` from the arguments; false, with the one line to print (without "Error: "
// and line end) in `error`, when they are not valid, and `usage` set where the usage text
// should follow (an unknown option, files missing or too many). --weak makes every margin
// file's margins weak; a weight (FILE:W) makes that file's margins weak with weight W.
bool parseImportOptions(const std::vector<std::string>& args, ImportOptions& options,
                        std::string& error, bool& usage);
