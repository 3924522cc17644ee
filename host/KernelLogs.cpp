#include "KernelLogs.h"

#include <cstdio>

void KernelLogs::Log(std::string_view text) {
    logs_.emplace_back(text);
    if (echo_) std::fprintf(stderr, "[log %d] %s\n", server_, logs_.back().c_str());
}

void KernelLogs::Trace(std::string_view text) {
    traces_.emplace_back(text);
    if (echo_) std::fprintf(stderr, "[trace %d] %s\n", server_, traces_.back().c_str());
}

void KernelLogs::Clear() {
    logs_.clear();
    traces_.clear();
}
