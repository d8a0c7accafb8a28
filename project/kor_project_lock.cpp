#include "project/kor_project_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "store/kor_error.h"
#include "store/kor_mmf.h"
#include "store/kor_path.h"

namespace korin {
namespace {

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

// The line the file holds (without its "\n"); empty for an empty file.
std::string ReadLine(int fd) {
    std::string text;
    char buffer[512];
    off_t at = 0;
    for (;;) {
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, at);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0 || text.size() > 4096) break;
        text.append(buffer, static_cast<size_t>(got));
        at += got;
    }
    const auto end = text.find('\n');
    return end == std::string::npos ? text : text.substr(0, end);
}

// Replaces the file's content by `text` and flushes it.
void WriteContent(int fd, const std::string& text) {
    if (::ftruncate(fd, 0) != 0) return;
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = ::pwrite(fd, text.data() + done, text.size() - done, static_cast<off_t>(done));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) break;
        done += static_cast<size_t>(put);
    }
    (void)::fsync(fd);
}

// "<program>, Prozess <pid>" (+ " auf <host>" for another host) from a line.
std::string Describe(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const auto tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    const std::string pid = fields.size() > 0 ? fields[0] : std::string();
    const std::string program = fields.size() > 1 && !fields[1].empty() ? fields[1] : "unbekanntes Programm";
    std::string text = program + ", Prozess " + pid;
    if (fields.size() > 2 && !fields[2].empty() && fields[2] != HostName()) text += " auf " + fields[2];
    return text;
}

std::string LockPath(const std::string& dir) { return path::AsDirectory(dir) + kProjectLockFileName; }

}  // namespace

TKorProjectLock::~TKorProjectLock() { Release(); }

void TKorProjectLock::Acquire(const std::string& dir, const std::string& program) {
    const std::string folder = path::AsDirectory(dir);
    if (Held() && folder == dir_) return;
    const std::string file = LockPath(folder);
    auto cannotMake = [&](int err) {
        return Exception(WithCause("Die Sperrdatei des Projekts kann nicht angelegt werden. Datei: " + file, err));
    };
    int fd = -1;
    // A holder removes the file when it releases: a lock taken on a file that
    // is no longer the one under the name is given up and taken again.
    for (int attempt = 0; fd < 0; ++attempt) {
        if (attempt == 100) throw cannotMake(EAGAIN);
        fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) throw cannotMake(errno);
        int rc = 0;
        do {
            rc = ::flock(fd, LOCK_EX | LOCK_NB);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            const int err = errno;
            const std::string holder = ReadLine(fd);
            ::close(fd);
            if (err == EWOULDBLOCK)
                throw Exception("Das Projekt wird von einem anderen Programm bearbeitet (" +
                                (holder.empty() ? std::string("unbekanntes Programm") : Describe(holder)) + ")");
            throw cannotMake(err);
        }
        struct stat held {}, named {};
        if (::fstat(fd, &held) != 0 || ::stat(file.c_str(), &named) != 0 || held.st_ino != named.st_ino ||
            held.st_dev != named.st_dev) {
            ::close(fd);
            fd = -1;
        }
    }
    Release();
    fd_ = fd;
    dir_ = folder;
    pending_ = false;
    // The lock is ours, so whoever wrote a line here ended without releasing.
    crashed_ = ReadLine(fd_);
    WriteContent(fd_, std::to_string(::getpid()) + "\t" + program + "\t" + HostName() + "\n");
}

void TKorProjectLock::Release() {
    if (fd_ < 0) return;
    // Removed while still held, so that nobody takes the lock on it afterwards;
    // a pending recovery keeps the dead holder's line for the next program.
    if (pending_ && !crashed_.empty())
        WriteContent(fd_, crashed_ + "\n");
    else
        ::unlink(LockPath(dir_).c_str());
    (void)::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
    dir_.clear();
    crashed_.clear();
    pending_ = false;
}

std::string TKorProjectLock::CrashedHolder() const { return crashed_.empty() ? std::string() : Describe(crashed_); }

std::string TKorProjectLock::HolderOf(const std::string& dir) {
    const int fd = ::open(LockPath(dir).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    std::string holder;
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        holder = ReadLine(fd);
        holder = holder.empty() ? "unbekanntes Programm" : Describe(holder);
    }
    ::close(fd);
    return holder;
}

}  // namespace korin
