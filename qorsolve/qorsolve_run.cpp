#include "qorsolve/qorsolve_run.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>

#include "common/alterability_file.h"
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
#include "qorsolve/output/status_words.h"
#include "qorsolve/output/summary.h"
#include "qorsolve/output/written_table.h"
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
    // The project's own alterability file is read without the option; the option names another.
    std::string alterabilityPath = options.alterability;
    std::error_code missing;
    if (alterabilityPath.empty() && std::filesystem::exists(project.name + "-alt.csv", missing)) {
        alterabilityPath = project.name + "-alt.csv";
    }
    std::vector<double> alterability;
    if (!alterabilityPath.empty()) {
        const AlterabilityNames names{project.labels, project.classNames,
                                      project.hasNames ? &project.names : nullptr};
        if (!readAlterabilityFile(alterabilityPath, names, project.cells.cellIndex, alterability,
                                  error)) {
            out << errorMessage({QorsolveFault::INVALID_ALTERABILITY, error});
            return false;
        }
    }
    applyRunSettings(problem, options, std::move(alterability));
    problem.alterabilityFile = alterabilityPath;
    return true;
}

// The end of a run without a table: prints `status`, adds its report to `results` where
// --report asks for one (the run's settings and `distance` in its header), and commits them.
// False, with the message printed, when a file cannot be written; nothing of the set is then
// left.
bool finishWithoutTable(const Project& project, const StatusLines& status,
                        const SolveOptions& options, Distance distance, ResultSet& results,
                        std::ostream& out) {
    const ResultPlace place = resultPlace(project, options);
    out << statusText(status);
    std::string error;
    if (!options.report.empty() &&
        !writeReport(options.report, statusReport(project, status, options, distance), results,
                     error)) {
        withdrawResults(place, results);
        out << error;
        return false;
    }
    if (!commitResults(place, results, error)) {
        out << error;
        return false;
    }
    return true;
}

// Searches the conflict, then prints the status it proves and names the conflict. The
// real-valued solve that led here either proved that no table exists or stalled; a search
// that then finds the restrictions can all hold leaves the question to an error line.
// Always 1, the exit code. The report, when asked for, shows the same lines.
int reportInfeasible(const Project& project, const AdjustmentProblem& problem,
                     const TableResult& table, bool wholeNumbers, const Deadline& deadline,
                     Progress& progress, const SolveOptions& solveOptions, std::ostream& out) {
    const ResultPlace place = resultPlace(project, solveOptions);
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
        withdrawResults(place, results);
        return 1;
    }
    StatusLines status =
        statusLines(wholeNumbers ? ModelStatus::INTEGER_INFEASIBLE : ModelStatus::INFEASIBLE);
    // Without its conflict file (one of someone else's in the way) the run still leaves no
    // table of an earlier run.
    (void)reportConflict(project, problem, conflict, place, results, status.lines);
    (void)finishWithoutTable(project, status, solveOptions, problem.objective.distance(), results,
                             out);
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

// Writes the table a solve found (OPTIMAL or FEASIBLE) with its rows file and report, then
// prints the summary. Returns the exit code.
int writeTable(const Project& project, const AdjustmentProblem& problem, const TableResult& table,
               const SolveOptions& options, const Deadline& deadline, std::ostream& out) {
    WrittenTable written = writtenTable(project, problem, table, options.continuous);
    const ResultPlace place = resultPlace(project, options);
    std::string error;
    ResultSet results;
    // No table is called a result that misses a hard row or a cell bound by the one rule of
    // exact_rows.h: the real-valued method then did not reach the accuracy it needs, and for a
    // whole-number table the search failed.
    if (!written.meets) {
        if (const std::string missed = missedRestriction(project, written.checks);
            !missed.empty()) {
            std::cerr << missed << "\n";
        }
        out << errorMessage(
            {options.continuous ? QorsolveFault::NOT_CONVERGED : QorsolveFault::SOLVER_FAILED});
        withdrawResults(place, results);
        return 1;
    }
    written.outcome.weakIgnored = options.ignoreWeak;
    written.outcome.workAllowed = options.workLimit;
    if (!writeAdjustedTable(project, place, written.x, options.allCells, results, error) ||
        !writeRowReport(project, place, written, results, error) ||
        (!options.report.empty() &&
         !writeReport(options.report,
                      tableReport(project, written, adjustmentObjective(problem, written.x),
                                  options, problem.objective.distance()),
                      results, error))) {
        withdrawResults(place, results);
        out << error;
        return 1;
    }
    if (!commitResults(place, results, error)) {
        out << error;
        return 1;
    }
    written.outcome.seconds = deadline.elapsed();
    printSummary(out, project, problem, written);
    return 0;
}

// The outcome of a run without a project: --help, --version, or the usage after a wrong
// number of projects. Its exit code, or nothing for a run that goes on.
std::optional<int> answerWithoutProject(const SolveOptions& options, std::ostream& out) {
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
    return std::nullopt;
}

// The distance the options chose, set on the problem's objective. A lower bound below the
// least value the distance is defined for (raking: 0) becomes that value, a default bound.
void applyDistance(const SolveOptions& options, AdjustmentProblem& problem) {
    problem.objective.setDistance(options.distance);
    const double lowest = distanceInfo(options.distance).lowestValue;
    for (std::size_t j = 0; j < problem.lower.size(); ++j) {
        if (problem.lower[j] < lowest) {
            problem.lower[j] = lowest;
            problem.lowerSource[j] = 0;
        }
    }
}

// Loads the project and its problem, takes the project's lock (and that of another prefix
// of the results) and checks that the run's files may be written, before the solve. False,
// with the message printed, when not.
bool openProject(const SolveOptions& options, Project& project, AdjustmentProblem& problem,
                 ProjectLock& lock, ProjectLock& outputLock, std::ostream& out) {
    // A project older than its description would be adjusted without a word.
    if (const std::string warning = changedInputsWarning(options.projects[0]); !warning.empty()) {
        std::cerr << warning << "\n";
    }
    if (!loadAll(options.projects[0], options, project, problem, out)) return false;
    applyDistance(options, problem);
    // One run at a time writes the project's results, from the check below to the commit.
    std::string error;
    if (!lock.acquire(project.name, error)) {
        out << error;
        return false;
    }
    // Results under another prefix are one run's at a time as well.
    const ResultPlace place = resultPlace(project, options);
    if (!mayUsePlace(project, place, error) ||
        (!place.projectPrefix && !outputLock.acquire(place.prefix, error))) {
        out << error;
        return false;
    }
    // Files in the way are found before the solve, not after it.
    if (!mayWriteResults(place, !options.conflictsOnly, error) ||
        (!options.report.empty() && !mayWriteReport(options.report, error))) {
        out << error;
        return false;
    }
    return true;
}

// The message of a solve whose call did not run to an answer.
QorsolveFault callFault(const SolveStatus& status) {
    switch (status.call) {
        case CallStatus::NO_MEMORY:
            return QorsolveFault::NO_MEMORY_TO_ADJUST;
        case CallStatus::OUT_OF_RANGE:
            return status.failure == WHOLE_VALUES_TOO_LARGE ? QorsolveFault::VALUES_TOO_LARGE
                                                            : QorsolveFault::COSTS_TOO_LARGE;
        case CallStatus::OK:
        case CallStatus::FAILED:
            break;
    }
    return QorsolveFault::SOLVER_FAILED;
}

// What the run makes of the solve: the table written, the restrictions found feasible
// (--conflicts-only), the conflict named, or the failure said. Returns the exit code.
int reportOutcome(const Project& project, const AdjustmentProblem& problem,
                  const TableResult& table, const SolveOptions& options, const Deadline& deadline,
                  Progress& progress, std::ostream& out) {
    // The outcomes without a table or a conflict leave no earlier result either (the report of
    // --conflicts-only is the one file such a run writes).
    const ResultPlace place = resultPlace(project, options);
    ResultSet none;
    if (!table.status.ok()) {
        out << errorMessage({callFault(table.status)});
        withdrawResults(place, none);
        return 1;
    }
    switch (table.status.model) {
        case ModelStatus::OPTIMAL:
        case ModelStatus::FEASIBLE:
            if (options.conflictsOnly) {
                // Real numbers can meet the restrictions; whether the table is optimal does
                // not matter here. No conflict file or earlier table stays.
                return finishWithoutTable(project, statusLines(ModelStatus::FEASIBLE), options,
                                          problem.objective.distance(), none, out)
                           ? 0
                           : 1;
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
            out << statusText(statusLines(ModelStatus::NO_POINT, table.status.stop));
            break;
        case ModelStatus::UNBOUNDED:
            // The objective is a sum of squares: it cannot fall without end.
            out << errorMessage({QorsolveFault::SOLVER_FAILED});
            break;
    }
    withdrawResults(place, none);
    return 1;
}

}  // namespace

int runQorsolve(const std::vector<std::string>& args, std::ostream& out, bool terminal) {
    SolveOptions options;
    if (!parseOptions(args, options, out)) return 1;
    // The run's clock: the time limit counts from here, loading included.
    const Deadline deadline(options.timeLimit);
    if (const std::optional<int> exitCode = answerWithoutProject(options, out)) return *exitCode;
    Project project;
    AdjustmentProblem problem;
    ProjectLock lock;
    ProjectLock outputLock;
    if (!openProject(options, project, problem, lock, outputLock, out)) return 1;

    Progress progress(deadline, terminal && !options.quiet);
    TableResult table = solveTable(problem, options, NEW_SOLVER, deadline, progress);
    progress.finish();
    return reportOutcome(project, problem, table, options, deadline, progress, out);
}
