#include "store/kor_mmf.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "store/kor_error.h"
#include "store/kor_path.h"

namespace korin {
namespace {

// Extends a file to `size` bytes of which the new ones are zero. Blocks are
// reserved so that a full disk shows here as an error, not later as a fault
// while writing through the mapping. Returns an errno value, 0 on success.
int ExtendFile(int fd, off_t size) {
    // Another object mapping the same file may have grown it already: what the
    // file holds now is the size to keep if this extension fails.
    struct stat st {};
    if (::fstat(fd, &st) != 0) return errno;
    const off_t oldSize = st.st_size;
    if (size <= oldSize) return 0;
    int rc = ::posix_fallocate(fd, oldSize, size - oldSize);
    if (rc == EOPNOTSUPP || rc == ENOSYS || rc == EINVAL) {
        rc = ::ftruncate(fd, size) == 0 ? 0 : errno;
    }
    if (rc != 0) {
        // Whatever was reserved goes again: the file keeps its old size.
        (void)!::ftruncate(fd, oldSize);
    }
    return rc;
}

size_t PageRound(size_t n) {
    const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    return (n + page - 1) / page * page;
}

[[noreturn]] void RaiseMappingError(const std::string& path) {
    throw Exception("KorMMF: Auf die Datei " + path +
                    " konnte kein Mapping ausgeführt werden!\rSchreibrechte überprüfen!");
}

}  // namespace

void TKorComponent::SetProject(const std::string& value) {
    if (value.empty()) return;
    const std::string dir = path::AsDirectory(value);
    if (path::ExistsIgnoringCase(dir, "dir.ref")) {
        projectValid_ = true;
        project_ = dir;
    } else {
        projectValid_ = false;
    }
}

void TKorComponent::SetProjectDirectory(const std::string& value) {
    if (value.empty()) return;
    const std::string dir = path::AsDirectory(value);
    if (path::DirectoryExists(dir)) {
        projectValid_ = true;
        project_ = dir;
    } else {
        projectValid_ = false;
    }
}

TKorMMF::~TKorMMF() { ReleaseHandles(fileHandle_, mapHandle_, view_); }

void TKorMMF::ReleaseHandles(int& fileHandle, size_t& mapHandle, uint8_t*& view) {
    if (view != nullptr && mapHandle != 0) ::munmap(view, mapHandle);
    view = nullptr;
    mapHandle = 0;
    if (fileHandle >= 0) ::close(fileHandle);
    fileHandle = -1;
}

uint8_t* TKorMMF::MapFile(int32_t size, int& fileHandle, size_t& mapHandle) {
    const std::string path = FullPath();
    fileHandle = -1;
    mapHandle = 0;
    if (!path::FileExists(path)) return nullptr;

    fileHandle = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fileHandle < 0) {
        const int err = errno;
        if (err == EACCES || err == EPERM || err == EROFS)
            throw Exception("KorMMF: Die Datei " + path + " ist schreibgeschützt!");
        throw Exception("KorMMF: Die Datei " + path + " konnte nicht geöffnet werden!");
    }
    struct stat st {};
    if (::fstat(fileHandle, &st) != 0 || st.st_size > INT32_MAX) {
        uint8_t* none = nullptr;
        ReleaseHandles(fileHandle, mapHandle, none);
        RaiseMappingError(path);
    }
    off_t length = st.st_size;
    if (size > 0 && size > length) {
        if (ExtendFile(fileHandle, size) != 0) {
            uint8_t* none = nullptr;
            ReleaseHandles(fileHandle, mapHandle, none);
            RaiseMappingError(path);
        }
        length = size;
    }
    if (length == 0) {  // an empty file cannot be mapped
        uint8_t* none = nullptr;
        ReleaseHandles(fileHandle, mapHandle, none);
        RaiseMappingError(path);
    }
    void* view = ::mmap(nullptr, static_cast<size_t>(length), PROT_READ | PROT_WRITE,
                        MAP_SHARED, fileHandle, 0);
    if (view == MAP_FAILED) {
        uint8_t* none = nullptr;
        ReleaseHandles(fileHandle, mapHandle, none);
        throw Exception("KorMMF: Auf das Mapping der Datei " + path +
                        " konnte kein View geöffnet werden!");
    }
    mapHandle = static_cast<size_t>(length);
    return static_cast<uint8_t*>(view);
}

bool TKorMMF::MakeFile() {
    int32_t size = InitialSize();
    if (size <= 0) size = 1;
    const std::string path = FullPath();
    const int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0) throw EKorMMFError("KorMMF: Konnte Datei nicht anlegen. Datei : " + fileName_);
    ::close(fd);

    int fh = -1;
    size_t mh = 0;
    uint8_t* view = MapFile(size, fh, mh);
    if (view == nullptr) {
        ReleaseHandles(fh, mh, view);
        throw EKorMMFError("KorMMF: Konnte Datei nicht anlegen. Datei : " + fileName_);
    }
    uint8_t* former = view_;
    view_ = view;
    try {
        InitContent();
    } catch (...) {
        view_ = former;
        ReleaseHandles(fh, mh, view);
        throw;
    }
    view_ = former;
    ReleaseHandles(fh, mh, view);
    return true;
}

void TKorMMF::CreateNew(bool overwrite) {
    if (FullPath().empty())
        throw EKorMMFError("KorMMF: Kein Dateiname angegeben! Datei kann nicht erstellt werden.");
    const std::string path = FullPath();
    if (path::FileExists(path) && !overwrite) return;
    bool made = false;
    try {
        if (path::FileExists(path) && !path::RemoveFile(path))
            throw EKorMMFError("");
        made = MakeFile();
    } catch (...) {
        made = false;
    }
    if (!made)
        throw EKorMMFError(
            "KorMMF: Datei existiert bereits und kann nicht neu angelegt werden. Datei: " +
            fileName_);
}

void TKorMMF::Open() {
    Close();
    isOpen_ = false;
    if (!path::FileExists(FullPath())) return;
    view_ = MapFile(0, fileHandle_, mapHandle_);
    if (view_ == nullptr) {
        ReleaseHandles(fileHandle_, mapHandle_, view_);
        throw EKorMMFError("KorMMF: Konnte Datei nicht öffnen. Datei : " + fileName_);
    }
    fileSize_ = static_cast<int32_t>(mapHandle_);
    bool ok = false;
    try {
        ok = CheckContent();
    } catch (...) {
        ok = false;
    }
    if (ok) {
        isOpen_ = true;
        return;
    }
    ReleaseHandles(fileHandle_, mapHandle_, view_);
    fileSize_ = 0;
    throw EKorMMFError(
        "KorMMF: Konnte Datei nicht öffnen.\rInhalt stimmt nicht mit Dateityp überein. Datei : " +
        fileName_);
}

void TKorMMF::Close() {
    ReleaseHandles(fileHandle_, mapHandle_, view_);
    isOpen_ = false;
    fileSize_ = 0;
}

int64_t TKorMMF::SizeOnDisk() const {
    struct stat st {};
    if (fileHandle_ < 0 || ::fstat(fileHandle_, &st) != 0) return fileSize_;
    return st.st_size;
}

void TKorMMF::GrowFile(int64_t newSize) {
    const std::string path = FullPath();
    if (fileHandle_ < 0 || view_ == nullptr || newSize > INT32_MAX) RaiseMappingError(path);
    if (newSize <= fileSize_) return;
    // The mapping reserves address space beyond the file, so that most growth is
    // only an extension of the file; past the reservation it is remapped with
    // room to double.
    if (static_cast<size_t>(newSize) > mapHandle_) {
        const size_t capacity =
            PageRound(std::max<size_t>(static_cast<size_t>(newSize), 2 * mapHandle_));
        void* moved = ::mremap(view_, mapHandle_, capacity, MREMAP_MAYMOVE);
        if (moved == MAP_FAILED) RaiseMappingError(path);
        view_ = static_cast<uint8_t*>(moved);
        mapHandle_ = capacity;
    }
    if (ExtendFile(fileHandle_, newSize) != 0) RaiseMappingError(path);
    fileSize_ = static_cast<int32_t>(newSize);
}

}  // namespace korin
