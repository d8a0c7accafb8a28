#include "project/rvk_func.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "store/kor_error.h"
#include "store/kor_path.h"

namespace korin {
namespace {

// Closes a descriptor when it goes out of scope.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

bool CopyFile(const std::string& source, const std::string& target, bool failIfExists) {
    Fd in;
    in.fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in.fd < 0) throw Exception("RVKFunc: Datei kann nicht geöffnet werden. Datei: " + source);
    if (failIfExists && path::AnyExists(target))
        throw Exception("RVKFunc: Datei existiert bereits. Datei: " + target);
    Fd out;
    out.fd = ::open(target.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
    if (out.fd < 0) throw Exception("RVKFunc: Datei kann nicht angelegt werden. Datei: " + target);

    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in.fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        const char* p = buffer;
        ssize_t left = got;
        while (left > 0) {
            const ssize_t put = ::write(out.fd, p, static_cast<size_t>(left));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) break;
            p += put;
            left -= put;
        }
        if (left > 0) break;
    }
    struct stat from {}, to {};
    if (::fstat(in.fd, &from) != 0 || ::fstat(out.fd, &to) != 0) return false;
    return from.st_size == to.st_size;
}

}  // namespace korin
