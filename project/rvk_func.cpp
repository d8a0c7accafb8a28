#include "project/rvk_func.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "store/kor_error.h"
#include "store/kor_mmf.h"
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

// The temporary file beside the target; removed unless it was put in place.
struct TempFile {
    std::string path;
    bool placed = false;
    ~TempFile() {
        if (!path.empty() && !placed) ::unlink(path.c_str());
    }
};

[[noreturn]] void Raise(const char* what, const std::string& file, int err) {
    throw Exception(WithCause(std::string("RVKFunc: Datei kann nicht ") + what + ". Datei: " + file, err));
}

// Writes all `size` bytes; 0 or the errno value.
int WriteAll(int fd, const char* p, size_t size) {
    while (size > 0) {
        if (const int injected = InjectedFailure("write")) return injected;
        const ssize_t put = ::write(fd, p, size);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return errno;
        if (put == 0) return EIO;
        p += put;
        size -= static_cast<size_t>(put);
    }
    return 0;
}

}  // namespace

bool CopyFile(const std::string& source, const std::string& target, bool failIfExists) {
    Fd in;
    in.fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in.fd < 0) Raise("geöffnet werden", source, errno);
    if (failIfExists && path::AnyExists(target))
        throw Exception("RVKFunc: Datei existiert bereits. Datei: " + target);
    struct stat from {};
    if (::fstat(in.fd, &from) != 0) Raise("gelesen werden", source, errno);

    TempFile temp;
    temp.path = target + ".XXXXXX";
    Fd out;
    out.fd = ::mkostemp(temp.path.data(), O_CLOEXEC);
    if (out.fd < 0) {
        const int err = errno;
        temp.path.clear();
        Raise("angelegt werden", target, err);
    }
    if (::fchmod(out.fd, 0644) != 0) Raise("angelegt werden", target, errno);

    char buffer[1 << 16];
    int64_t copied = 0;
    for (;;) {
        const ssize_t got = ::read(in.fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) Raise("gelesen werden", source, errno);
        if (got == 0) break;
        if (const int err = WriteAll(out.fd, buffer, static_cast<size_t>(got))) Raise("geschrieben werden", target, err);
        copied += got;
    }
    // A source that lost bytes while it was read is not taken as complete.
    if (copied < from.st_size) Raise("gelesen werden", source, EIO);
    int err = InjectedFailure("sync");
    if (err == 0 && ::fsync(out.fd) != 0) err = errno;
    const int closed = ::close(out.fd);
    out.fd = -1;
    if (err == 0 && closed != 0) err = errno;
    if (err != 0) Raise("geschrieben werden", target, err);

    if (failIfExists) {
        // link() refuses an existing name: no other program's file between the
        // check above and here is overwritten.
        if (::link(temp.path.c_str(), target.c_str()) != 0) {
            const int linkErr = errno;
            if (linkErr == EEXIST) throw Exception("RVKFunc: Datei existiert bereits. Datei: " + target);
            Raise("geschrieben werden", target, linkErr);
        }
    } else if (::rename(temp.path.c_str(), target.c_str()) != 0) {
        Raise("geschrieben werden", target, errno);
    } else {
        temp.placed = true;
    }
    if (const int dirErr = SyncDirectoryOf(target)) Raise("geschrieben werden", target, dirErr);
    return true;
}

void RemoveFileOrRaise(const std::string& file) {
    if (::unlink(file.c_str()) == 0 || errno == ENOENT) return;
    Raise("gelöscht werden", file, errno);
}

}  // namespace korin
