// Whether a project's control file describes its binary data file: the restrictions the user
// declared against the rows and cell bounds they became.
#pragma once

#include <cstdint>
#include <vector>

#include "common/project.h"

// The sides of its cell that a single-cell restriction bounds: a negative coefficient turns
// the relation round.
void boundedSides(const DeclaredRestriction& declared, bool& lower, bool& upper);

// Whether every declared restriction is where `where` (destinations(project)) says the binary
// data file has it: a hard row with the same relation and entries and, bit for bit, the two
// values qorlex writes for it (NO_BOUND on the side a ">" or "<" leaves open, an equality's
// value on both), or a weak row with the same target and entries. False when a destination is
// not known, when a value the restriction's relation uses is NaN, or when its record does not
// hold what the control file's format gives its relation.
bool rowsFitControlFile(const Project& project, const std::vector<Destination>& where);

// Whether every cell bound of the binary data file is the default (0 below, none above) or the
// one its last single-cell restriction gave. `lowerSource` and `upperSource` hold, per cell,
// the 1-based number of that restriction, 0 for none.
bool cellBoundsFitControlFile(const Project& project, const std::vector<int32_t>& lowerSource,
                              const std::vector<int32_t>& upperSource);
