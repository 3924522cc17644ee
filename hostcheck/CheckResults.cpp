#include "CheckResults.h"

#include <algorithm>

#include "../Utility/Platform.h"
#include "../module/IKernel.h"

namespace HostCheck {

namespace {

// Appends one line. Writers of one file exclude each other (two servers of one
// machine may share it), so a busy file is tried again for up to two seconds.
void AppendLine(const std::string& path, const std::string& line) {
    if (path.empty()) return;
    const std::string bytes = line + "\n";
    for (int tries = 0; tries < 400; ++tries) {
        const Platform::FileHandle file = Platform::OpenLogWriter(path.c_str(), false);
        if (file != Platform::kNoFile) {
            Platform::AppendLogBytes(file, bytes.data(), bytes.size());
            Platform::CloseLogWriter(file);
            return;
        }
        Platform::SleepMicroseconds(5000);
    }
}

}  // namespace

void Results::SetFile(std::string path, std::string tag) {
    path_ = std::move(path);
    tag_ = std::move(tag);
}

void Results::Emit(IKernel* kernel, const std::string& line) {
    if (finished_) return;
    if (kernel != nullptr) kernel->WriteLog((kLinePrefix + line).c_str());
    AppendLine(path_, tag_ + " " + line);
}

void Results::Pass(IKernel* kernel, const char* rule, const std::string& what) {
    ++passed_;
    reported_.emplace_back(rule);
    Emit(kernel, std::string("PASS ") + rule + ": " + what);
}

void Results::Fail(IKernel* kernel, const char* rule, const std::string& what) {
    ++failed_;
    reported_.emplace_back(rule);
    Emit(kernel, std::string("FAIL ") + rule + ": " + what);
}

void Results::Skip(IKernel* kernel, const char* rule, const std::string& why) {
    ++skipped_;
    reported_.emplace_back(rule);
    Emit(kernel, std::string("SKIP ") + rule + ": " + why);
}

void Results::Note(IKernel* kernel, const std::string& text) { Emit(kernel, text); }

void Results::Finish(IKernel* kernel) {
    std::string line = std::to_string(passed_) + " passed, " + std::to_string(failed_) + " failed";
    if (skipped_ > 0) line += " (" + std::to_string(skipped_) + " not checked)";
    Emit(kernel, line);
    finished_ = true;
}

bool Results::Reported(const char* rule) const {
    return std::find(reported_.begin(), reported_.end(), rule) != reported_.end();
}

}  // namespace HostCheck
