#include "qorlex/model/number_range.h"

#include <cmath>

#include "common/bound_type.h"

ErrorCode checkNumberRange(double value) {
    return std::isfinite(value) ? OK : NUMBER_OUT_OF_RANGE;
}

ErrorCode checkRestrictionRange(int32_t type, std::span<const double> coefficients,
                                double lowerValue, double upperValue) {
    for (double coefficient : coefficients) {
        if (!std::isfinite(coefficient)) return NUMBER_OUT_OF_RANGE;
    }
    if (coefficients.size() != 1) return OK;
    const double a = coefficients[0];
    const bool lowerUsed = type == BOUND_LOWER || type == BOUND_RANGE;
    const bool upperUsed = type == BOUND_UPPER || type == BOUND_RANGE;
    if ((lowerUsed && !std::isfinite(lowerValue / a)) ||
        (upperUsed && !std::isfinite(upperValue / a))) {
        return NUMBER_OUT_OF_RANGE;
    }
    return OK;
}
