#include "store/kor_path.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>

namespace korin::path {

std::string Native(const std::string& path) {
    std::string out = path;
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

std::string AsDirectory(const std::string& dir) {
    if (dir.empty()) return dir;
    std::string out = Native(dir);
    if (out.back() != '/') out.push_back('/');
    return out;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool AnyExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

bool ExistsIgnoringCase(const std::string& dir, const std::string& name) {
    // The usual spellings are tried before the directory is listed: a project
    // folder holds thousands of numbered files.
    const std::string base = AsDirectory(dir);
    if (FileExists(base + name)) return true;
    std::string capital = name, upper = name, lower = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!capital.empty()) capital[0] = upper[0];
    for (const std::string& spelling : {capital, upper, lower})
        if (FileExists(base + spelling)) return true;
    for (const std::string& entry : ListDirectory(dir))
        if (::strcasecmp(entry.c_str(), name.c_str()) == 0) return true;
    return false;
}

bool RemoveFile(const std::string& path) {
    if (::unlink(path.c_str()) == 0) return true;
    return errno == ENOENT;
}

std::vector<std::string> ListDirectory(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return names;
    while (dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
    return names;
}

}  // namespace korin::path
