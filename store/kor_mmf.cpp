#include "store/kor_mmf.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <climits>
#include <cstring>
#include <set>

#include "store/kor_error.h"
#include "store/kor_path.h"
#include "store/kor_ui.h"

namespace korin {
namespace {

TKorFailureHook gFailureHook = nullptr;

// Every TKorMMF of the process, for FlushAll. One thread uses the store.
std::set<TKorMMF*>& Objects() {
    static std::set<TKorMMF*> objects;
    return objects;
}

// Extends a file to `size` bytes of which the new ones are zero. Blocks are
// reserved so that a full disk shows here as an error, not later as a fault
// while writing through the mapping. Returns an errno value, 0 on success.
//
// With `reserved` (the end of the blocks this object has reserved beyond the
// file's end), blocks are reserved ahead in steps that grow with the file, a
// quarter of its size: a key file grows by a few nodes at a time, and blocks
// taken that way leave it in thousands of pieces, which the file system is
// slow to free when the file is replaced. Growth within the reserve only sets
// the new length.
int ExtendFile(int fd, off_t size, int64_t* reserved = nullptr) {
    // Another object mapping the same file may have grown it already: what the
    // file holds now is the size to keep if this extension fails.
    struct stat st {};
    if (::fstat(fd, &st) != 0) return errno;
    const off_t oldSize = st.st_size;
    if (size <= oldSize) return 0;
    if (const int injected = InjectedFailure("extend")) return injected;
    constexpr off_t kReserveStep = off_t{1} << 16;
    if (reserved != nullptr && size > *reserved) {
        const off_t ahead = std::clamp<off_t>(oldSize / 4, kReserveStep, off_t{1} << 26);
        off_t end = std::max<off_t>(size, oldSize + ahead);
        end = std::min<off_t>((end + kReserveStep - 1) / kReserveStep * kReserveStep, INT32_MAX);
        if (end >= size && ::fallocate(fd, FALLOC_FL_KEEP_SIZE, oldSize, end - oldSize) == 0) *reserved = end;
    }
    if (reserved != nullptr && size <= *reserved) {
        if (::ftruncate(fd, size) == 0) return 0;
        *reserved = 0;
    }
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

[[noreturn]] void RaiseMappingError(const std::string& path, int err) {
    throw Exception(WithCause("KorMMF: Auf die Datei " + path +
                                  " konnte kein Mapping ausgeführt werden!\rSchreibrechte überprüfen!",
                              err));
}

}  // namespace

std::string SystemErrorText(int err) {
    switch (err) {
        case ENOSPC: return "Der Datenträger ist voll";
        case EDQUOT: return "Das Speicherkontingent auf dem Datenträger ist erschöpft";
        case EFBIG: return "Die Datei überschreitet die erlaubte Größe";
        case EACCES:
        case EPERM: return "Keine Zugriffsrechte";
        case EROFS: return "Der Datenträger ist schreibgeschützt";
        case ENOENT: return "Datei oder Verzeichnis nicht gefunden";
        case ENOTDIR: return "Ein Teil des Pfads ist kein Verzeichnis";
        case EISDIR: return "Der Name bezeichnet ein Verzeichnis";
        case EEXIST: return "Die Datei existiert bereits";
        case EIO: return "Ein-/Ausgabefehler des Datenträgers";
        case EMFILE:
        case ENFILE: return "Zu viele geöffnete Dateien";
        case ENOMEM: return "Nicht genügend Arbeitsspeicher";
        case ENAMETOOLONG: return "Der Dateiname ist zu lang";
        case EBUSY:
        case ETXTBSY: return "Die Datei wird gerade benutzt";
        case EXDEV: return "Quelle und Ziel liegen auf verschiedenen Datenträgern";
        default: return "Systemfehler " + std::to_string(err) + ": " + std::strerror(err);
    }
}

std::string WithCause(const std::string& message, int err) {
    return err == 0 ? message : message + "\rUrsache: " + SystemErrorText(err);
}

int SyncDirectoryOf(const std::string& filePath) {
    const auto slash = filePath.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : filePath.substr(0, slash + 1);
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    int err = InjectedFailure("sync");
    if (err == 0 && ::fsync(fd) != 0) err = errno;
    // Some file systems cannot flush a directory; nothing is lost there.
    if (err == EINVAL || err == ENOTSUP) err = 0;
    ::close(fd);
    return err;
}

TKorFailureHook SetFailureHook(TKorFailureHook hook) {
    const TKorFailureHook former = gFailureHook;
    gFailureHook = hook;
    return former;
}

int InjectedFailure(const char* step) { return gFailureHook != nullptr ? gFailureHook(step) : 0; }

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

TKorMMF::TKorMMF() { Objects().insert(this); }

TKorMMF::~TKorMMF() {
    Objects().erase(this);
    CutRoom();
    (void)SyncNow();
    ReleaseHandles(fileHandle_, mapHandle_, view_);
}

int TKorMMF::SyncNow() const {
    if (view_ == nullptr || fileHandle_ < 0) return 0;
    if (const int injected = InjectedFailure("sync")) return injected;
    // EINVAL: the object's bytes are not a mapping of a file that can be
    // synchronised (a view lent for InitContent, a special file): nothing to do.
    if (fileSize_ > 0 && ::msync(view_, static_cast<size_t>(fileSize_), MS_SYNC) != 0 && errno != EINVAL)
        return errno;
    if (::fsync(fileHandle_) != 0 && errno != EINVAL) return errno;
    return 0;
}

void TKorMMF::CutRoom() {
    prefault_.Stop();
    if (!extent_ || fileHandle_ < 0 || extent_->end <= extent_->length) return;
    // Bytes beyond the length were never written: nothing is lost if the cut
    // fails, the file only stays longer until the next one.
    if (::ftruncate(fileHandle_, extent_->length) == 0) extent_->end = extent_->length;
}

// A large file is asked to be kept in huge pages: its pages are read in
// huge-page pieces and a descent through it needs few page-table entries.
// Other files are written at random places and mostly into new pages: a
// fault reads no neighbours around it, which for new pages only costs time.
// (The whole mapping, which mremap needs as one piece.)
void TKorMMF::AdviseMapping(int64_t size) {
    if (view_ == nullptr || mapHandle_ == 0) return;
    (void)::madvise(view_, mapHandle_, size >= kRoomFrom ? MADV_HUGEPAGE : MADV_RANDOM);
}

void TKorMMF::Flush() {
    CutRoom();
    if (const int err = SyncNow())
        throw EKorMMFError(WithCause("KorMMF: Die Datei " + FullPath() +
                                         " konnte nicht auf den Datenträger geschrieben werden!",
                                     err));
}

void TKorMMF::FlushAll() {
    std::string first;
    for (TKorMMF* object : Objects()) {
        try {
            object->Flush();
        } catch (const Exception& e) {
            if (first.empty()) first = e.what();
        }
    }
    if (!first.empty()) throw EKorMMFError(first);
}

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
        throw Exception(WithCause("KorMMF: Die Datei " + path + " konnte nicht geöffnet werden!", err));
    }
    struct stat st {};
    if (::fstat(fileHandle, &st) != 0 || st.st_size > INT32_MAX) {
        const int err = st.st_size > INT32_MAX ? EFBIG : errno;
        uint8_t* none = nullptr;
        ReleaseHandles(fileHandle, mapHandle, none);
        RaiseMappingError(path, err);
    }
    off_t length = st.st_size;
    if (size > 0 && size > length) {
        if (const int err = ExtendFile(fileHandle, size); err != 0) {
            uint8_t* none = nullptr;
            ReleaseHandles(fileHandle, mapHandle, none);
            RaiseMappingError(path, err);
        }
        length = size;
    }
    if (length == 0) {  // an empty file cannot be mapped
        uint8_t* none = nullptr;
        ReleaseHandles(fileHandle, mapHandle, none);
        RaiseMappingError(path, 0);
    }
    void* view = ::mmap(nullptr, static_cast<size_t>(length), PROT_READ | PROT_WRITE,
                        MAP_SHARED, fileHandle, 0);
    if (view == MAP_FAILED) {
        const int err = errno;
        uint8_t* none = nullptr;
        ReleaseHandles(fileHandle, mapHandle, none);
        throw Exception(WithCause("KorMMF: Auf das Mapping der Datei " + path +
                                      " konnte kein View geöffnet werden!",
                                  err));
    }
    mapHandle = static_cast<size_t>(length);
    return static_cast<uint8_t*>(view);
}

namespace {

// A failure of a new file's content (InitContent), as opposed to one of the
// file system: CreateNew reports the two differently.
struct ContentFailure {};

}  // namespace

bool TKorMMF::MakeFile() {
    int32_t size = InitialSize();
    if (size <= 0) size = 1;
    const std::string path = FullPath();
    auto cannotMake = [&](int err) {
        return EKorMMFError(WithCause("KorMMF: Konnte Datei nicht anlegen. Datei : " + fileName_, err));
    };
    const int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0) throw cannotMake(errno);
    ::close(fd);

    int fh = -1;
    size_t mh = 0;
    uint8_t* view = nullptr;
    try {
        view = MapFile(size, fh, mh);
    } catch (const Exception&) {
        // The mapping's message names the cause; the file made here goes again.
        path::RemoveFile(path);
        throw;
    }
    if (view == nullptr) {
        ReleaseHandles(fh, mh, view);
        throw cannotMake(ENOENT);
    }
    uint8_t* former = view_;
    view_ = view;
    try {
        InitContent();
    } catch (...) {
        view_ = former;
        ReleaseHandles(fh, mh, view);
        throw ContentFailure{};
    }
    view_ = former;
    int err = InjectedFailure("sync");
    if (err == 0 && ::msync(view, static_cast<size_t>(size), MS_SYNC) != 0) err = errno;
    if (err == 0 && ::fsync(fh) != 0) err = errno;
    ReleaseHandles(fh, mh, view);
    if (err == 0) err = SyncDirectoryOf(path);
    if (err != 0) throw cannotMake(err);
    return true;
}

void TKorMMF::CreateNew(bool overwrite) {
    if (FullPath().empty())
        throw EKorMMFError("KorMMF: Kein Dateiname angegeben! Datei kann nicht erstellt werden.");
    const std::string path = FullPath();
    if (path::FileExists(path) && !overwrite) return;
    const std::string exists =
        "KorMMF: Datei existiert bereits und kann nicht neu angelegt werden. Datei: " + fileName_;
    if (path::FileExists(path) && !path::RemoveFile(path)) throw EKorMMFError(WithCause(exists, errno));
    try {
        if (!MakeFile()) throw EKorMMFError(exists);
    } catch (const ContentFailure&) {
        path::RemoveFile(path);
        throw EKorMMFError(exists);
    }
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
    // Another object of the process that maps the file may have room ahead
    // in it: the file's own length is the one they share.
    extent_ = ExtentOf(fileHandle_);
    if (extent_ && extent_->end == 0) extent_->length = extent_->end = fileSize_;
    if (extent_ && extent_->end == fileSize_) fileSize_ = static_cast<int32_t>(extent_->length);
    if (fileSize_ >= kRoomFrom) AdviseMapping(fileSize_);
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
    extent_.reset();
    throw EKorMMFError(
        "KorMMF: Konnte Datei nicht öffnen.\rInhalt stimmt nicht mit Dateityp überein. Datei : " +
        fileName_);
}

void TKorMMF::Close() {
    CutRoom();
    const int err = SyncNow();
    const std::string path = FullPath();
    // Blocks reserved beyond the end are given back: cutting a file to its own
    // length (as it is now: another object may have grown it) frees them.
    if (reserved_ > fileSize_ && fileHandle_ >= 0) (void)!::ftruncate(fileHandle_, SizeOnDisk());
    reserved_ = 0;
    ReleaseHandles(fileHandle_, mapHandle_, view_);
    isOpen_ = false;
    fileSize_ = 0;
    extent_.reset();
    // Descendants tidy up after this call, so a failed flush is shown rather
    // than raised.
    if (err != 0)
        ShowErrorMessage(WithCause(
            "KorMMF: Die Datei " + path + " konnte nicht auf den Datenträger geschrieben werden!", err));
}

void TKorMMF::ReleaseUnwritten() {
    CutRoom();
    ReleaseHandles(fileHandle_, mapHandle_, view_);
    isOpen_ = false;
    fileSize_ = 0;
    extent_.reset();
}

int64_t TKorMMF::SizeOnDisk() const {
    struct stat st {};
    if (fileHandle_ < 0 || ::fstat(fileHandle_, &st) != 0) return fileSize_;
    if (extent_ && st.st_size <= extent_->end) return std::max<int64_t>(extent_->length, fileSize_);
    return st.st_size;
}

void TKorMMF::GrowFile(int64_t newSize) {
    const std::string path = FullPath();
    lastError_ = 0;
    if (fileHandle_ < 0 || view_ == nullptr || newSize > INT32_MAX) {
        RaiseMappingError(path, 0);
    }
    if (newSize <= fileSize_) return;
    // Room ahead that a growth before left (this object's or another's of the
    // process) is taken without asking the system; beyond it the file is
    // extended, a large file with new room.
    const int64_t reach = extent_ ? extent_->end : 0;
    const int64_t end = newSize <= reach ? reach : RoomEnd(newSize);
    // The mapping reserves address space beyond the file, so that most growth is
    // only an extension of the file; past the reservation it is remapped with
    // room to double.
    if (static_cast<size_t>(newSize) > mapHandle_) {
        prefault_.Stop();
        const size_t capacity =
            PageRound(std::max<size_t>(static_cast<size_t>(end), 2 * mapHandle_));
        void* moved = ::mremap(view_, mapHandle_, capacity, MREMAP_MAYMOVE);
        if (moved == MAP_FAILED) {
            lastError_ = errno;
            RaiseMappingError(path, lastError_);
        }
        view_ = static_cast<uint8_t*>(moved);
        mapHandle_ = capacity;
        tailAdvised_ = false;
    }
    if (!tailAdvised_ || (fileSize_ < kRoomFrom && newSize >= kRoomFrom)) {
        AdviseMapping(newSize);
        tailAdvised_ = true;
    }
    bool madeRoom = false;
    if (newSize > reach) {
        // Room is made with its blocks, so that a full disk shows here and not
        // as a fault while writing through the mapping; a disk without room for
        // it still gets the exact growth.
        int err = -1;
        if (end > newSize && extent_) err = ExtendFile(fileHandle_, end);
        if (err == 0) {
            extent_->end = end;
            madeRoom = true;
        } else {
            err = ExtendFile(fileHandle_, newSize, &reserved_);
            if (err != 0) {
                lastError_ = err;
                RaiseMappingError(path, err);
            }
            if (extent_) extent_->end = std::max(extent_->end, newSize);
        }
    }
    fileSize_ = static_cast<int32_t>(newSize);
    prefault_.Reached(view_ + newSize);
    // The room is written into soon: its pages are faulted in beside the work
    // that follows, just ahead of it.
    if (madeRoom) prefault_.Start(view_ + newSize, static_cast<size_t>(end - newSize));
    if (extent_) extent_->length = std::max(extent_->length, newSize);
}

}  // namespace korin
