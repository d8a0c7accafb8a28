#include "test_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace korin::testing {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "korin-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern + "/";
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<uint8_t> ReadBytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

void WriteBytes(const std::string& file, const std::vector<uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + file);
}

std::string ReadText(const std::string& file) {
    const auto bytes = ReadBytes(file);
    return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string& file, const std::string& text) {
    WriteBytes(file, std::vector<uint8_t>(text.begin(), text.end()));
}

namespace {

std::string Drain(int fd) {
    std::string s;
    char buf[65536];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) s.append(buf, static_cast<size_t>(n));
    return s;
}

}  // namespace

ToolResult RunTool(const std::vector<std::string>& args) {
    TempDir scratch;
    const std::string outFile = scratch / "out", errFile = scratch / "err";
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int in = ::open("/dev/null", O_RDONLY);
        ::dup2(out, 1);
        ::dup2(err, 2);
        ::dup2(in, 0);
        std::vector<char*> argv;
        std::string tool = KORINTOOL_PATH;
        argv.push_back(tool.data());
        std::vector<std::string> copy = args;
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(tool.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ToolResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    const int out = ::open(outFile.c_str(), O_RDONLY), err = ::open(errFile.c_str(), O_RDONLY);
    r.out = Drain(out);
    r.err = Drain(err);
    ::close(out);
    ::close(err);
    return r;
}

std::string FixturesDir() {
    const std::string dir = KORIN_FIXTURES_DIR;
    struct stat st {};
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? dir + "/" : std::string();
}

}  // namespace korin::testing
