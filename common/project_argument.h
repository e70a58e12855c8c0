// What an argument names when a program expects a project and no project of that name
// exists: a file of a project (a project file, a result of qorsolve, a report), a table
// description, or some other file, such as a base file. The programs say so and name the
// project, or the qorlex command, that was probably meant.
#pragma once

#include <string>

// "A project name is expected, not the project file out/pop-bin.dat; the project is out/pop",
// without a line end; empty when `argument` names none of these (or nothing at all). Called
// once the project `argument` is known not to exist.
std::string notAProjectReason(const std::string& argument);
