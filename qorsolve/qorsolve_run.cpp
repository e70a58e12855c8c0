#include "qorsolve/qorsolve_run.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <sstream>

#include "common/input_record.h"
#include "common/project.h"
#include "common/result_set.h"
#include "qorsolve/conflict/conflict_finder.h"
#include "qorsolve/core/deadline.h"
#include "qorsolve/core/progress.h"
#include "qorsolve/core/qorsolve_error.h"
#include "qorsolve/integer/integer_solver.h"
#include "qorsolve/lp/coin_solver.h"
#include "qorsolve/options.h"
#include "qorsolve/output/conflict_report.h"
#include "qorsolve/output/csv_text.h"
#include "qorsolve/output/report_file.h"
#include "qorsolve/output/result_files.h"
#include "qorsolve/output/summary.h"
#include "qorsolve/problem/adjustment_problem.h"
#include "qorsolve/problem/exact_rows.h"
#include "qorsolve/problem/restriction_check.h"
#include "qorsolve/project_lock.h"
#include "qorsolve/solve_table.h"

namespace {

// The linear and mixed-integer solver of every stage (linear_solver.h), chosen here alone.
constexpr auto NEW_SOLVER = makeCoinSolver;

// The project with its control file, and its adjustment problem. Prints the failure.
bool loadAll(const std::string& name, const SolveOptions& options, Project& project,
             AdjustmentProblem& problem, std::ostream& out) {
    if (ProjectError error = loadProject(name, project); error.fault != ProjectFault::NONE) {
        out << projectErrorMessage(error);
        return false;
    }
    // The control file is optional to the other programs; qorsolve reports by it.
    if (!project.hasControl) {
        out << errorMessage({QorsolveFault::CANNOT_OPEN, project.controlPath, "", ENOENT});
        return false;
    }
    std::string error;
    // The problem takes the hard rows' entries: nothing reads the project's copy again, and on
    // a table of millions of cells they are a good share of the run's memory.
    if (!takeAdjustmentProblem(project, !options.ignoreWeak, problem, error)) {
        out << error;
        return false;
    }
    return true;
}

// Adds the report of a run without a table to `results`, from what the run printed:
// "status: ..." and the lines after it. False, with the message in `error`, when it cannot.
bool addStatusReport(const Project& project, const std::string& path, const std::string& printed,
                     ResultSet& results, std::string& error) {
    std::vector<std::string> lines;
    std::istringstream text(printed);
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    std::string status = lines.empty() ? std::string() : lines.front();
    if (status.starts_with("status: ")) status.erase(0, 8);
    if (!lines.empty()) lines.erase(lines.begin());
    return writeReport(path, statusReport(project, status, std::move(lines)), results, error);
}

// Searches the conflict, then prints the status it proves and names the conflict. The
// real-valued solve that led here either proved that no table exists or stalled; a search
// that then finds the restrictions can all hold leaves the question to an error line.
// Always 1, the exit code. The report, when asked for, shows the same lines.
int reportInfeasible(const Project& project, const AdjustmentProblem& problem,
                     const TableResult& table, bool wholeNumbers, const Deadline& deadline,
                     Progress& progress, const SolveOptions& solveOptions, std::ostream& out) {
    const std::string& reportPath = solveOptions.report;
    ResultSet results;
    ConflictOptions options;
    options.settings = solveOptions;
    options.wholeNumbers = wholeNumbers;
    options.deadline = deadline;
    options.progress = &progress;
    options.newSolver = NEW_SOLVER;
    const ContinuousResult* hint = wholeNumbers ? nullptr : &table.relaxed;
    const ConflictResult conflict = findConflict(problem, options, hint);
    progress.finish();
    if (conflict.status.is(ModelStatus::FEASIBLE) && !wholeNumbers) {
        out << errorMessage({QorsolveFault::NOT_CONVERGED});
        withdrawResults(project, results);
        return 1;
    }
    std::ostringstream text;
    if (wholeNumbers) {
        text << "status: integer infeasible\n"
             << "Real numbers can meet every restriction and bound, whole numbers cannot.\n";
    } else {
        text << "status: infeasible\n";
    }
    // Without its conflict file (one of someone else's in the way) the run still leaves no
    // table of an earlier run.
    (void)reportConflict(project, problem, conflict, results, text);
    out << text.str();
    std::string error;
    if (!reportPath.empty() && !addStatusReport(project, reportPath, text.str(), results, error)) {
        withdrawResults(project, results);
        out << error;
        return 1;
    }
    if (!commitResults(project, results, error)) out << error;
    return 1;
}

// The first hard restriction that the written table misses, for the line on standard error
// (file:line: ...), or an empty text.
std::string missedRestriction(const Project& project, const std::vector<RestrictionCheck>& checks) {
    for (std::size_t i = 0; i < checks.size(); ++i) {
        if (checks[i].kind != RestrictionKind::HARD || checks[i].met) continue;
        const std::string_view source = restrictionSource(project, i);
        return (source.empty() ? std::string() : std::string(source) + ": ") + "restriction " +
               std::to_string(i + 1) + " is not met by the table: value " +
               csvNumber(checks[i].value) + ", slack " + csvNumber(checks[i].slack);
    }
    return std::string();
}

int writeTable(const Project& project, const AdjustmentProblem& problem, const TableResult& table,
               const SolveOptions& options, const Deadline& deadline, std::ostream& out) {
    bool meets = true;
    const std::vector<double> x =
        options.continuous ? writtenCells(problem, table.x, meets) : table.x;
    if (!options.continuous) meets = meetsHardRowsAndBounds(problem, x);
    const std::vector<RestrictionCheck> checks = checkRestrictions(project, x);
    std::string error;
    ResultSet results;
    // No table is called a result that misses a hard row or a cell bound by the one rule of
    // exact_rows.h: the real-valued method then did not reach the accuracy it needs, and for a
    // whole-number table the search failed.
    if (!meets) {
        if (const std::string missed = missedRestriction(project, checks); !missed.empty()) {
            std::cerr << missed << "\n";
        }
        out << errorMessage(
            {options.continuous ? QorsolveFault::NOT_CONVERGED : QorsolveFault::SOLVER_FAILED});
        withdrawResults(project, results);
        return 1;
    }
    SolveOutcome outcome;
    outcome.proven = table.status.model == ModelStatus::OPTIMAL;
    outcome.workLimit = table.status.stop == StopReason::WORK_LIMIT;
    outcome.bound = table.bound;
    outcome.gap = table.gap;
    outcome.weakIgnored = options.ignoreWeak;
    outcome.wholeNumbers = !options.continuous;
    outcome.work = table.work;
    outcome.workAllowed = options.workLimit;
    if (!writeAdjustedTable(project, x, options.allCells, results, error) ||
        !writeRowReport(project, checks, results, error) ||
        (!options.report.empty() &&
         !writeReport(options.report,
                      tableReport(project, x, checks, adjustmentObjective(problem, x), outcome),
                      results, error))) {
        withdrawResults(project, results);
        out << error;
        return 1;
    }
    if (!commitResults(project, results, error)) {
        out << error;
        return 1;
    }
    outcome.seconds = deadline.elapsed();
    printSummary(out, project, problem, x, checks, outcome);
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
    if (options.projects.size() > 1) {
        out << errorMessage({QorsolveFault::UNEXPECTED_ARGUMENT, options.projects[1]});
    }
    if (options.projects.size() != 1) {
        printUsage(out);
        return 1;
    }

    // A project older than its description would be adjusted without a word.
    if (const std::string warning = changedInputsWarning(options.projects[0]); !warning.empty()) {
        std::cerr << warning << "\n";
    }
    Project project;
    AdjustmentProblem problem;
    if (!loadAll(options.projects[0], options, project, problem, out)) return 1;
    // One run at a time writes the project's results, from the check below to the commit.
    ProjectLock lock;
    std::string error;
    if (!lock.acquire(project.name, error)) {
        out << error;
        return 1;
    }
    // Files in the way are found before the solve, not after it.
    if (!mayWriteResults(project, !options.conflictsOnly, error) ||
        (!options.report.empty() && !mayWriteReport(options.report, error))) {
        out << error;
        return 1;
    }

    Progress progress(deadline, terminal && !options.quiet);
    TableResult table = solveTable(problem, options, NEW_SOLVER, deadline, progress);
    progress.finish();

    // The outcomes without a table or a conflict leave no earlier result either (the report of
    // --conflicts-only is the one file such a run writes).
    ResultSet none;
    switch (table.status.call) {
        case CallStatus::OK:
            break;
        case CallStatus::NO_MEMORY:
            out << errorMessage({QorsolveFault::NO_MEMORY_TO_ADJUST});
            withdrawResults(project, none);
            return 1;
        case CallStatus::OUT_OF_RANGE:
            out << errorMessage({table.status.failure == WHOLE_VALUES_TOO_LARGE
                                     ? QorsolveFault::VALUES_TOO_LARGE
                                     : QorsolveFault::COSTS_TOO_LARGE});
            withdrawResults(project, none);
            return 1;
        case CallStatus::FAILED:
            out << errorMessage({QorsolveFault::SOLVER_FAILED});
            withdrawResults(project, none);
            return 1;
    }
    switch (table.status.model) {
        case ModelStatus::OPTIMAL:
        case ModelStatus::FEASIBLE:
            if (options.conflictsOnly) {
                // Real numbers can meet the restrictions; whether the table is optimal does
                // not matter here. No conflict file or earlier table stays.
                out << "status: feasible\n";
                if (!options.report.empty() &&
                    !addStatusReport(project, options.report, "status: feasible\n", none, error)) {
                    withdrawResults(project, none);
                    out << error;
                    return 1;
                }
                if (!commitResults(project, none, error)) {
                    out << error;
                    return 1;
                }
                return 0;
            }
            return writeTable(project, problem, table, options, deadline, out);
        case ModelStatus::INFEASIBLE:
        case ModelStatus::NOT_CONVERGED:
            return reportInfeasible(project, problem, table, false, deadline, progress, options,
                                    out);
        case ModelStatus::INTEGER_INFEASIBLE:
            return reportInfeasible(project, problem, table, true, deadline, progress, options,
                                    out);
        case ModelStatus::NO_POINT:
            if (table.status.stop == StopReason::WORK_LIMIT) {
                out << "status: work limit\n"
                    << "No table that meets every restriction was found within the work limit.\n";
            } else {
                out << "status: time limit\n"
                    << "No table that meets every restriction was found within the time limit.\n";
            }
            break;
        case ModelStatus::UNBOUNDED:
            // The objective is a sum of squares: it cannot fall without end.
            out << errorMessage({QorsolveFault::SOLVER_FAILED});
            break;
    }
    withdrawResults(project, none);
    return 1;
}
