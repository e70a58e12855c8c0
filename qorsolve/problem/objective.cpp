#include "qorsolve/problem/objective.h"

double Objective::cellsTotal(const std::vector<double>& base, const std::vector<double>& x) const {
    double sum = 0.0;
    for (std::size_t j = 0; j < base.size(); ++j) sum += cell(j, base[j]).at(x[j]);
    return sum;
}
