#include "qorsolve/qorsolve_run.h"

#include <cerrno>
#include <cstring>

#include "common/project.h"
#include "qorsolve/adjustment_problem.h"
#include "qorsolve/conflict_finder.h"
#include "qorsolve/conflict_report.h"
#include "qorsolve/deadline.h"
#include "qorsolve/options.h"
#include "qorsolve/progress.h"
#include "qorsolve/restriction_check.h"
#include "qorsolve/result_files.h"
#include "qorsolve/solve_table.h"
#include "qorsolve/summary.h"

namespace {

// The project with its control file, and its adjustment problem. Prints the failure.
bool loadAll(const std::string& name, const SolveOptions& options, Project& project,
             AdjustmentProblem& problem, std::ostream& out) {
    if (ProjectError error = loadProject(name, project); error.fault != ProjectFault::NONE) {
        out << projectErrorMessage(error);
        return false;
    }
    // The control file is optional to the other programs; qorsolve reports by it.
    if (!project.hasControl) {
        out << "Error: Could not open file " << project.controlPath << ": " << std::strerror(ENOENT)
            << "\n";
        return false;
    }
    std::string error;
    if (!buildAdjustmentProblem(project, !options.ignoreWeak, problem, error)) {
        out << error;
        return false;
    }
    return true;
}

// Searches the conflict, then prints the status it proves and names the conflict. The
// real-valued solve that led here either proved that no table exists or stalled; a search
// that then finds the restrictions can all hold leaves the question to an error line.
// Always 1, the exit code.
int reportInfeasible(const Project& project, const AdjustmentProblem& problem,
                     const TableResult& table, bool wholeNumbers, const Deadline& deadline,
                     Progress& progress, std::ostream& out) {
    ConflictOptions options;
    options.wholeNumbers = wholeNumbers;
    options.deadline = &deadline;
    options.progress = &progress;
    const ContinuousResult* hint = wholeNumbers ? nullptr : &table.relaxed;
    const ConflictResult conflict = findConflict(problem, options, hint);
    progress.finish();
    if (conflict.status == ConflictStatus::FEASIBLE && !wholeNumbers) {
        out << "Error: The real-valued adjustment did not converge\n";
        return 1;
    }
    if (wholeNumbers) {
        out << "status: integer infeasible\n"
            << "Real numbers can meet every restriction and bound, whole numbers cannot.\n";
    } else {
        out << "status: infeasible\n";
    }
    reportConflict(project, problem, conflict, out);
    return 1;
}

int writeTable(const Project& project, const AdjustmentProblem& problem, const TableResult& table,
               const SolveOptions& options, const Deadline& deadline, std::ostream& out) {
    const std::vector<RestrictionCheck> checks = checkRestrictions(project, table.x);
    std::string error;
    if (!writeAdjustedTable(project, table.x, error) || !writeRowReport(project, checks, error)) {
        removeResults(project);
        out << error;
        return 1;
    }
    SolveOutcome outcome;
    outcome.proven = table.status == TableStatus::OPTIMAL;
    outcome.workLimit = table.status == TableStatus::WORK_LIMIT;
    outcome.bound = table.bound;
    outcome.gap = table.gap;
    outcome.weakIgnored = options.ignoreWeak;
    outcome.seconds = deadline.elapsed();
    printSummary(out, project, problem, table.x, checks, outcome);
    return 0;
}

}  // namespace

int runQorsolve(const std::vector<std::string>& args, std::ostream& out, bool terminal) {
    SolveOptions options;
    if (!parseOptions(args, options, out)) return 1;
    // The run's clock: the time limit counts from here, loading included.
    const Deadline deadline(options.timeLimit);
    if (options.help) {
        printUsage(out);
        return 0;
    }
    if (options.version) {
        out << "qorsolve " << QOR_VERSION << "\n";
        return 0;
    }
    if (options.projects.size() != 1) {
        printUsage(out);
        return 1;
    }

    Project project;
    AdjustmentProblem problem;
    if (!loadAll(options.projects[0], options, project, problem, out)) return 1;
    // Files in the way are found before the solve, not after it.
    std::string error;
    if (!options.conflictsOnly && !mayWriteResults(project, error)) {
        out << error;
        return 1;
    }

    Progress progress(deadline, terminal && !options.quiet);
    const bool wholeNumbers = !options.continuous && !options.conflictsOnly;
    TableResult table = solveTable(problem, wholeNumbers, deadline, progress, options.workLimit);
    progress.finish();

    switch (table.status) {
        case TableStatus::OPTIMAL:
        case TableStatus::TIME_LIMIT:
        case TableStatus::WORK_LIMIT:
            if (options.conflictsOnly) {
                // Real numbers can meet the restrictions; whether the table is optimal does
                // not matter here.
                out << "status: feasible\n";
                return 0;
            }
            return writeTable(project, problem, table, options, deadline, out);
        case TableStatus::INFEASIBLE:
        case TableStatus::NOT_CONVERGED:
            return reportInfeasible(project, problem, table, false, deadline, progress, out);
        case TableStatus::INTEGER_INFEASIBLE:
            return reportInfeasible(project, problem, table, true, deadline, progress, out);
        case TableStatus::NO_TABLE_IN_TIME:
            out << "status: time limit\n"
                << "No table that meets every restriction was found within the time limit.\n";
            return 1;
        case TableStatus::NO_TABLE_IN_WORK:
            out << "status: work limit\n"
                << "No table that meets every restriction was found within the work limit.\n";
            return 1;
        case TableStatus::NO_MEMORY:
            out << "Error: Not enough memory to adjust the table\n";
            return 1;
        case TableStatus::COSTS_TOO_LARGE:
            out << "Error: The costs of the whole-number adjustment are too large for the "
                   "solver; --continuous adjusts the table in real numbers\n";
            return 1;
        case TableStatus::FAILED:
            break;
    }
    out << "Error: The solver failed\n";
    return 1;
}
