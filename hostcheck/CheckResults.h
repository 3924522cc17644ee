#pragma once
// What the host check found: one line per rule of the host contract,
// "PASS <rule>: <what>", "FAIL <rule>: <what>" or "SKIP <rule>: <why not>",
// each written to the host's log (when a kernel is at hand) and appended to a
// file next to the plug-in, then one closing line "N passed, M failed".
#include <string>
#include <vector>

class IKernel;

namespace HostCheck {

// Every line the check writes to the host's log starts with this.
inline constexpr const char* kLinePrefix = "VoGameLogicHostCheck: ";

class Results {
public:
    // The file the lines are appended to, and the tag that starts each of its
    // lines there (servers sharing the file are told apart by it).
    void SetFile(std::string path, std::string tag);
    const std::string& FilePath() const noexcept { return path_; }

    // kernel may be null (at unload): the file only.
    void Pass(IKernel* kernel, const char* rule, const std::string& what);
    void Fail(IKernel* kernel, const char* rule, const std::string& what);
    void Skip(IKernel* kernel, const char* rule, const std::string& why);
    void Note(IKernel* kernel, const std::string& text);
    // The closing line; nothing after it.
    void Finish(IKernel* kernel);

    bool Finished() const noexcept { return finished_; }
    bool Reported(const char* rule) const;

private:
    void Emit(IKernel* kernel, const std::string& line);

    std::string path_;
    std::string tag_;
    int passed_ = 0, failed_ = 0, skipped_ = 0;
    bool finished_ = false;
    std::vector<std::string> reported_;
};

// The steps of one rule: its line passes with the given text, or fails with
// the first failed step's text.
class Rule {
public:
    Rule(const char* id, std::string whatPasses) : id_(id), text_(std::move(whatPasses)) {}

    // Returns ok; the first step that is not ok gives the line.
    bool Expect(bool ok, const std::string& failure) {
        if (!ok && !failed_) {
            failed_ = true;
            text_ = failure;
        }
        return ok;
    }
    bool Failed() const noexcept { return failed_; }
    void Report(Results& results, IKernel* kernel) const {
        if (failed_) {
            results.Fail(kernel, id_, text_);
        } else {
            results.Pass(kernel, id_, text_);
        }
    }

private:
    const char* id_;
    std::string text_;
    bool failed_ = false;
};

}  // namespace HostCheck
