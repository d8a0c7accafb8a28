// Helpers shared by the test binaries: scratch folders, file bytes, the store's
// messages, and running korintool as a user would.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/kor_error.h"
#include "store/kor_ui.h"

namespace korin::testing {

// A fresh folder under the system's temporary folder, removed with its content
// when the object goes. Path() ends in "/".
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

std::vector<uint8_t> ReadBytes(const std::string& file);
void WriteBytes(const std::string& file, const std::vector<uint8_t>& bytes);
std::string ReadText(const std::string& file);
void WriteText(const std::string& file, const std::string& text);

struct ToolResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};
// Runs the built korintool with these arguments (no shell involved).
ToolResult RunTool(const std::vector<std::string>& args);

// Records the warnings and questions of the store instead of showing them; a
// question is answered no.
class RecordingSink : public IKorMessageSink {
public:
    RecordingSink() { previous_ = SetMessageSink(this); }
    ~RecordingSink() override { SetMessageSink(previous_); }
    void ShowError(const std::string& text) override { errors.push_back(text); }
    bool AskYesNo(const std::string& text) override {
        errors.push_back(text);
        return false;
    }
    std::vector<std::string> errors;

private:
    IKorMessageSink* previous_ = nullptr;
};

// The message of the exception of class E that f raises, or "(nothing raised)".
template <typename E = Exception, typename F>
std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "(nothing raised)";
}

// Where ../shared/fixtures lies; empty when it is absent (tests then skip).
std::string FixturesDir();

}  // namespace korin::testing
