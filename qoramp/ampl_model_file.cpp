// The model: one integer variable per cell within its bounds, the objective, and one
// constraint family per relation that has rows.
#include <string_view>

#include "common/output_file.h"
#include "qoramp/ampl_files.h"
#include "qoramp/ampl_parameters.h"

namespace {

// One constraint family: the rows of `list` (of `count` rows) with their relation.
struct Constraint {
    std::string_view name;
    std::string_view count;
    std::string_view list;
    std::string_view relation;
    Presence presence;
};

constexpr Constraint CONSTRAINTS[] = {
    {"Equal", "NEQ", "eq", "=", Presence::WITH_EQUAL},
    {"Left", "NLO", "lo", ">=", Presence::WITH_LOWER},
    {"Right", "NUP", "up", "<=", Presence::WITH_UPPER},
};

void writeDeclaration(OutputFile& file, const AmplParameter& parameter) {
    if (parameter.over.empty()) {
        std::string_view names = parameter.names;
        while (!names.empty()) {
            const std::size_t comma = names.find(", ");
            file.writeText("param ");
            file.writeText(names.substr(0, comma));
            file.writeText(";\n");
            names = comma == std::string_view::npos ? std::string_view() : names.substr(comma + 2);
        }
        return;
    }
    file.writeText("param ");
    file.writeText(parameter.names);
    file.writeText(" {1..");
    file.writeText(parameter.over);
    file.writeText("};\n");
}

void writeConstraint(OutputFile& file, const Constraint& constraint, bool weighted) {
    file.writeText("subject to ");
    file.writeText(constraint.name);
    file.writeText(" {i in 1..");
    file.writeText(constraint.count);
    file.writeText("} : sum {j in 1..length[");
    file.writeText(constraint.list);
    file.writeText("[i]]} ");
    if (weighted) {
        file.writeText("coef[start[");
        file.writeText(constraint.list);
        file.writeText("[i]] + j - 1] * ");
    }
    file.writeText("x[colind[start[");
    file.writeText(constraint.list);
    file.writeText("[i]] + j - 1]] ");
    file.writeText(constraint.relation);
    file.writeText(" rght[");
    file.writeText(constraint.list);
    file.writeText("[i]];\n");
}

}  // namespace

QorampError writeModelFile(const std::string& path, const AmplProblem& problem) {
    OutputFile file(path);
    if (!file.open()) return QorampError::CANNOT_OPEN;
    for (const AmplParameter& parameter : amplParameters()) {
        if (isPresent(parameter.declared, problem)) writeDeclaration(file, parameter);
    }
    file.writeText(
        "var x {j in 1..COLS} integer >= lbv[j], <= ubv[j];\n"
        "minimize Goal: sum {j in 1..COLS} (x[j]-base[j])^2 / base[j];\n");
    const bool weighted = isPresent(Presence::WEIGHTED, problem);
    for (const Constraint& constraint : CONSTRAINTS) {
        if (isPresent(constraint.presence, problem)) writeConstraint(file, constraint, weighted);
    }
    return file.commit() ? QorampError::OK : QorampError::CANNOT_WRITE;
}
