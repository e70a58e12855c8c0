// The two printed forms of a project: readable text and one JSON document.
#pragma once

#include <ostream>

#include "common/project.h"

// What to print. The overview is the files and the classes; the rows are the hard and weak
// rows of the binary data file and the restrictions of the control file.
struct Sections {
    bool overview = true;
    bool cells = true;
    bool rows = true;
};

void printText(const Project& project, Sections sections, std::ostream& out);
void printJson(const Project& project, Sections sections, std::ostream& out);
