// Every number that reaches the project files is finite: a value beyond the range of double
// (such as 1.0E400), "inf" or "nan" in a base file, or a sum or quotient of finite numbers
// that overflows, is refused where it arises.
#pragma once

#include <cstdint>
#include <span>

#include "qorlex/model/error_code.h"

// OK for a finite value, NUMBER_OUT_OF_RANGE for an infinity or a NaN.
ErrorCode checkNumberRange(double value);

// The numbers a restriction is stored with: its merged coefficients (the sum of the factors
// of each cell), and for a single-cell restriction of type ">", "<" or "|", which becomes a
// bound of that cell, the bounds its values give divided by the coefficient.
ErrorCode checkRestrictionRange(int32_t type, std::span<const double> coefficients,
                                double lowerValue, double upperValue);
