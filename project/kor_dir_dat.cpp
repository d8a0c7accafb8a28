#include "project/kor_dir_dat.h"

#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <ctime>

#include "store/kor_error.h"
#include "store/kor_path.h"
#include "store/le.h"

namespace korin {

namespace {

// Size of the file on disk, -1 when it cannot be read.
int64_t DiskSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return -1;
    return st.st_size;
}

}  // namespace

TKorDirDat::TKorDirDat() { SetFileName(dirdat::kFileName); }

void TKorDirDat::SetProject(const std::string& value) {
    SetProjectDirectory(value);
}

void TKorDirDat::Grow(int32_t n) {
    if (!IsOpen() || n <= 0) return;
    const int64_t wanted = static_cast<int64_t>(FileSize()) + int64_t{dirdat::kRecordSize} * n;
    // Another object on the same file (a schedule maps "Dir.dat" too) may have
    // made it longer than this object knows; the file never shrinks here.
    const int64_t onDisk = DiskSize(FullPath());
    GrowFile(std::max(wanted, onDisk));
}

void TKorDirDat::OpenCovering(int32_t records) {
    Close();
    if (!path::FileExists(FullPath())) {
        // Files written on Windows may carry the name in other letter case.
        for (const std::string& entry : path::ListDirectory(Project())) {
            if (::strcasecmp(entry.c_str(), FileName().c_str()) == 0 &&
                path::FileExists(Project() + entry)) {
                SetFileName(entry);
                break;
            }
        }
    }
    if (!path::FileExists(FullPath())) CreateNew(false);
    const int64_t needed = int64_t{dirdat::kRecordSize} * std::max(records, 1);
    if (DiskSize(FullPath()) < needed) {
        // MapFile with a larger size extends the file with zero bytes; an empty
        // file (which cannot be mapped as it is) is extended the same way.
        int fh = -1;
        size_t mh = 0;
        uint8_t* view = MapFile(static_cast<int32_t>(std::min<int64_t>(needed, INT32_MAX)), fh, mh);
        ReleaseHandles(fh, mh, view);
    }
    TKorMMF::Open();
}

uint8_t* TKorDirDat::Record(int32_t n) const {
    if (!IsOpen() || n < 0) return nullptr;
    const int64_t at = int64_t{dirdat::kRecordSize} * n;
    if (at + dirdat::kRecordSize > FileSize()) return nullptr;
    return View() + at;
}

std::string TKorDirDat::GetText(int32_t n) const {
    const uint8_t* r = Record(n);
    if (r == nullptr) return {};
    const uint8_t* text = r + dirdat::kText;
    const void* nul = std::memchr(text, 0, dirdat::kTextBytes);
    const size_t len = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - text)
                           : static_cast<size_t>(dirdat::kTextBytes);
    return std::string(reinterpret_cast<const char*>(text), len);
}

void TKorDirDat::SetText(int32_t n, const std::string& text) {
    uint8_t* r = Record(n);
    if (r == nullptr) return;
    const size_t len = std::min<size_t>(text.size(), dirdat::kTextChars);
    std::memcpy(r + dirdat::kText, text.data(), len);
    r[dirdat::kText + len] = 0;
}

int32_t TKorDirDat::GetTime(int32_t n) const {
    const uint8_t* r = Record(n);
    return r ? le::I32(r + dirdat::kTime) : 0;
}

void TKorDirDat::SetTime(int32_t n, int32_t seconds) {
    if (uint8_t* r = Record(n)) le::PutI32(r + dirdat::kTime, seconds);
}

int32_t LocalTimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    return static_cast<int32_t>(static_cast<int64_t>(now) + local.tm_gmtoff);
}

}  // namespace korin
