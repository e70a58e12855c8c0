#include "qordump/qordump_run.h"

#include "common/project.h"
#include "qordump/dump.h"

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

// False, with the message printed, for an unknown option.
bool parseOptions(const std::vector<std::string>& args, Options& options, std::ostream& out) {
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
            out << "Error: Unknown option " << arg << "\n";
            printUsage(out);
            return false;
        }
    }
    return true;
}

}  // namespace

int runQordump(const std::vector<std::string>& args, std::ostream& out) {
    Options options;
    if (!parseOptions(args, options, out)) return 1;
    if (options.help) {
        printUsage(out);
        return 0;
    }
    if (options.version) {
        out << "qordump " << QOR_VERSION << "\n";
        return 0;
    }
    if (options.projects.size() != 1) {
        printUsage(out);
        return 1;
    }

    Project project;
    std::string error;
    if (!loadProject(options.projects[0], project, error)) {
        out << error;
        return 1;
    }
    // Without --cells or --rows everything; with either, just what it names.
    Sections sections;
    if (options.cells || options.rows) sections = {false, options.cells, options.rows};
    if (options.json) {
        printJson(project, sections, out);
    } else {
        printText(project, sections, out);
    }
    return 0;
}
