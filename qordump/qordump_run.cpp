#include "qordump/qordump_run.h"

#include "common/input_record.h"
#include "common/project.h"
#include "qordump/dump.h"
#include "qordump/qordump_error.h"

namespace {

void printUsage(std::ostream& out) {
    out << "Usage: qordump [--json] [--cells] [--rows] <project>\n"
        << "  Prints <project>-lbl.dat, <project>-bin.dat and <project>-ctr.dat readably.\n"
        << "  --json   one JSON document instead of text\n"
        << "  --cells  only the adjustable cells\n"
        << "  --rows   only the hard and weak rows and the declared restrictions\n";
}

struct Options {
    bool json = false;
    bool cells = false;
    bool rows = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> projects;
};

// Stops at the first unknown option, left in `unknown`.
QordumpError parseOptions(const std::vector<std::string>& args, Options& options,
                          std::string& unknown) {
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            options.projects.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--cells") {
            options.cells = true;
        } else if (arg == "--rows") {
            options.rows = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else {
            unknown = arg;
            return QordumpError::UNKNOWN_OPTION;
        }
    }
    return QordumpError::OK;
}

// `unknown` is the unknown option; `project` tells why the project could not be loaded.
void printError(QordumpError error, const std::string& unknown, const ProjectError& project,
                std::ostream& out) {
    switch (error) {
        case QordumpError::OK:
            return;
        case QordumpError::UNKNOWN_OPTION:
            out << "Error: Unknown option " << unknown << "\n";
            printUsage(out);
            return;
        case QordumpError::NOT_ONE_PROJECT:
            printUsage(out);
            return;
        case QordumpError::PROJECT:
            out << projectErrorMessage(project);
            return;
    }
}

// Prints the project, or returns why it cannot.
QordumpError dump(const Options& options, ProjectError& projectError, std::ostream& out,
                  std::ostream& err) {
    if (options.projects.size() != 1) return QordumpError::NOT_ONE_PROJECT;
    if (const std::string warning = changedInputsWarning(options.projects[0]); !warning.empty()) {
        err << warning << "\n";
    }
    Project project;
    projectError = loadProject(options.projects[0], project);
    if (projectError.fault != ProjectFault::NONE) return QordumpError::PROJECT;
    // Without --cells or --rows everything; with either, just what it names.
    Sections sections;
    if (options.cells || options.rows) sections = {false, options.cells, options.rows};
    if (options.json) {
        printJson(project, sections, out);
    } else {
        printText(project, sections, out);
    }
    return QordumpError::OK;
}

}  // namespace

int runQordump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Options options;
    std::string unknown;
    ProjectError projectError;
    QordumpError error = parseOptions(args, options, unknown);
    if (error == QordumpError::OK && options.help) {
        printUsage(out);
        return 0;
    }
    if (error == QordumpError::OK && options.version) {
        out << "qordump " << QOR_VERSION << "\n";
        return 0;
    }
    if (error == QordumpError::OK) error = dump(options, projectError, out, err);
    printError(error, unknown, projectError, out);
    return error == QordumpError::OK ? 0 : 1;
}
