// One writer per project: the advisory lock of a project folder.
//
// A program that changes a project first takes the lock: the file "KorPro.lck"
// in the project folder, held with flock() for as long as the program works on
// the project. While held, the file names its holder in one line:
//   <pid> TAB <program> TAB <host> "\n"
// and a clean release removes it (while still holding it; a program that took
// the lock on a file no longer under the name gives it up and tries again).
// flock() ends with the process, so a holder that died frees the project; the
// line it left behind tells the next program that the project may hold a
// half-done change (FoundCrash), and the recovery (project/kor_recovery.h) runs.
// Reading needs no lock.
//
// Refusals (general class Exception):
//   "Das Projekt wird von einem anderen Programm bearbeitet (" + holder + ")"
//       holder: "<program>, Prozess <pid>" and " auf <host>" when it runs on
//       another host
//   "Die Sperrdatei des Projekts kann nicht angelegt werden. Datei: " + path,
//       followed by the cause (store/kor_mmf.h)
// A refused Acquire leaves the object without a lock and the folder unchanged.
#pragma once

#include <string>

namespace korin {

inline const std::string kProjectLockFileName = "KorPro.lck";

class TKorProjectLock {
public:
    TKorProjectLock() = default;
    // Releases a lock still held.
    ~TKorProjectLock();
    TKorProjectLock(const TKorProjectLock&) = delete;
    TKorProjectLock& operator=(const TKorProjectLock&) = delete;

    // Takes the lock of the folder `dir` for `program` (a short name such as
    // "korintool") without waiting; refused (above) when another program holds
    // it. A lock this object held before is released first, unless `dir` is
    // its folder, which it keeps.
    void Acquire(const std::string& dir, const std::string& program);
    // Removes the lock file (or writes back the crashed holder's line while a
    // recovery is pending) and releases the lock. Nothing when none is held.
    void Release();

    bool Held() const { return fd_ >= 0; }
    const std::string& Folder() const { return dir_; }
    // Acquire found the line of a holder that ended without releasing.
    bool FoundCrash() const { return !crashed_.empty(); }
    // That holder, as the refusal names a holder; empty when none.
    std::string CrashedHolder() const;
    // Keeps the crash mark at Release, so that the next program runs the
    // recovery again (its findings were not repaired).
    void SetRecoveryPending(bool pending) { pending_ = pending; }

    // The holder of `dir`'s lock as the refusal names it; empty when none holds
    // it. Takes no lock.
    static std::string HolderOf(const std::string& dir);

private:
    int fd_ = -1;
    std::string dir_;
    std::string crashed_;  // the line a dead holder left
    bool pending_ = false;
};

}  // namespace korin
