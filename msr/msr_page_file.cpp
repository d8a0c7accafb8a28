#include "msr/msr_page_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "msr/msr_project.h"
#include "store/kor_error.h"

namespace korin::msr {
namespace {

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

void WritePageFile(const std::string& path, const std::vector<uint8_t>& image) {
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) throw Exception(kLogSource + ": Die Datei " + path + " konnte nicht geschrieben werden!");
    const bool ok = ::fchmod(fd, 0644) == 0 && WriteAll(fd, image.data(), image.size());
    if (::close(fd) != 0 || !ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        throw Exception(kLogSource + ": Die Datei " + path + " konnte nicht geschrieben werden!");
    }
}

void SyncProject(const std::string& dir) {
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::syncfs(fd);
    ::close(fd);
}

}  // namespace korin::msr
