#include "qorsolve/output/status_words.h"

#include <utility>

std::string_view statusWord(ModelStatus model, StopReason stop) {
    switch (model) {
        case ModelStatus::OPTIMAL:
            return "optimal";
        case ModelStatus::FEASIBLE:
            return stop == StopReason::NONE ? "feasible" : limitWord(stop);
        case ModelStatus::NO_POINT:
            return limitWord(stop);
        case ModelStatus::INFEASIBLE:
            return "infeasible";
        case ModelStatus::INTEGER_INFEASIBLE:
            return "integer infeasible";
        case ModelStatus::UNBOUNDED:
            return "unbounded";
        case ModelStatus::NOT_CONVERGED:
            break;
    }
    return "not converged";
}

std::string_view limitWord(StopReason stop) {
    return stop == StopReason::WORK_LIMIT ? "work limit" : "time limit";
}

std::string statusExplanation(ModelStatus model, StopReason stop) {
    if (model == ModelStatus::INTEGER_INFEASIBLE) {
        return "Real numbers can meet every restriction and bound, whole numbers cannot.";
    }
    if (model != ModelStatus::NO_POINT) return {};
    return "No table that meets every restriction was found within the " +
           std::string(limitWord(stop)) + ".";
}

StatusLines statusLines(ModelStatus model, StopReason stop) {
    StatusLines status;
    status.status = statusWord(model, stop);
    if (std::string line = statusExplanation(model, stop); !line.empty()) {
        status.lines.push_back(std::move(line));
    }
    return status;
}

std::string statusText(const StatusLines& status) {
    std::string text = "status: " + status.status + "\n";
    for (const std::string& line : status.lines) text += line + "\n";
    return text;
}
