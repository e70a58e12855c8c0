// The model: one integer variable per cell within its bounds, the objective, and one
// constraint family per relation that has rows.
#include <string_view>

#include "common/output_file.h"
#include "qoramp/ampl_files.h"

namespace {

void writeConstraint(OutputFile& file, std::string_view name, std::string_view count,
                     std::string_view list, std::string_view relation, bool weighted) {
    file.writeText("subject to ");
    file.writeText(name);
    file.writeText(" {i in 1..");
    file.writeText(count);
    file.writeText("} : sum {j in 1..length[");
    file.writeText(list);
    file.writeText("[i]]} ");
    if (weighted) {
        file.writeText("coef[start[");
        file.writeText(list);
        file.writeText("[i]] + j - 1] * ");
    }
    file.writeText("x[colind[start[");
    file.writeText(list);
    file.writeText("[i]] + j - 1]] ");
    file.writeText(relation);
    file.writeText(" rght[");
    file.writeText(list);
    file.writeText("[i]];\n");
}

}  // namespace

WriteResult writeModelFile(const std::string& path, const AmplProblem& problem) {
    OutputFile file(path);
    if (!file.open()) return WriteResult::CANNOT_CREATE;
    const RowLists& rows = problem.rows;
    const bool restricted = rows.hasRestrictions();
    const bool weighted = restricted && problem.weighted;

    file.writeText(
        "param COLS;\n"
        "param ROWS;\n"
        "param NNZ;\n"
        "param base {1..COLS};\n"
        "param lbv {1..COLS};\n"
        "param ubv {1..COLS};\n"
        "param rght {1..ROWS};\n");
    if (restricted) {
        file.writeText(
            "param start {1..ROWS};\n"
            "param length {1..ROWS};\n"
            "param colind {1..NNZ};\n");
        if (weighted) file.writeText("param coef {1..NNZ};\n");
        file.writeText(
            "param NEQ;\n"
            "param NLO;\n"
            "param NUP;\n");
        if (!rows.eq.empty()) file.writeText("param eq {1..NEQ};\n");
        if (!rows.lo.empty()) file.writeText("param lo {1..NLO};\n");
        if (!rows.up.empty()) file.writeText("param up {1..NUP};\n");
    }
    file.writeText(
        "var x {j in 1..COLS} integer >= lbv[j], <= ubv[j];\n"
        "minimize Goal: sum {j in 1..COLS} (x[j]-base[j])^2 / base[j];\n");
    if (restricted) {
        if (!rows.eq.empty()) writeConstraint(file, "Equal", "NEQ", "eq", "=", weighted);
        if (!rows.lo.empty()) writeConstraint(file, "Left", "NLO", "lo", ">=", weighted);
        if (!rows.up.empty()) writeConstraint(file, "Right", "NUP", "up", "<=", weighted);
    }
    return file.commit() ? WriteResult::OK : WriteResult::CANNOT_WRITE;
}
