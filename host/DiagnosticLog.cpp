#include "DiagnosticLog.h"

void DiagnosticLog::Add(std::string line) {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(std::move(line));
}

bool DiagnosticLog::Empty() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_.empty();
}

std::size_t DiagnosticLog::Size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_.size();
}

std::vector<std::string> DiagnosticLog::Lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

std::string DiagnosticLog::Joined() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string text;
    for (const std::string& line : lines_) text.append(line).push_back('\n');
    return text;
}

void DiagnosticLog::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.clear();
}
