// Helpers shared by the test binaries: scratch folders, file bytes, and running
// korintool as a user would.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// Where ../shared/fixtures lies; empty when it is absent (tests then skip).
std::string FixturesDir();

}  // namespace korin::testing
