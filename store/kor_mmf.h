// Mapped file container.
//
// Every store file is read and written in place through a shared, writable
// mapping of the whole file (mmap, MAP_SHARED: stores through View reach the
// file, and two objects mapping one file see each other's writes). TKorMMF owns
// that mapping; each file type derives from it and supplies the initial size, the
// initial content and the content check. The container adds no header: byte 0 of
// the file is byte 0 of the descendant's format.
//
// Refusals (exact texts; "\r" is a carriage return inside the message):
//   EKorMMFError "KorMMF: Kein Dateiname angegeben! Datei kann nicht erstellt werden."
//   EKorMMFError "KorMMF: Datei existiert bereits und kann nicht neu angelegt werden. Datei: " + FileName
//   EKorMMFError "KorMMF: Konnte Datei nicht anlegen. Datei : " + FileName
//   EKorMMFError "KorMMF: Konnte Datei nicht öffnen. Datei : " + FileName
//   EKorMMFError "KorMMF: Konnte Datei nicht öffnen.\rInhalt stimmt nicht mit Dateityp überein. Datei : " + FileName
//   Exception    "KorMMF: Die Datei " + path + " ist schreibgeschützt!"
//   Exception    "KorMMF: Die Datei " + path + " konnte nicht geöffnet werden!"
//   Exception    "KorMMF: Auf die Datei " + path + " konnte kein Mapping ausgeführt werden!\rSchreibrechte überprüfen!"
//   Exception    "KorMMF: Auf das Mapping der Datei " + path + " konnte kein View geöffnet werden!"
//   EKorMMFError "KorMMF: Die Datei " + path + " konnte nicht auf den Datenträger geschrieben werden!"
//       (raised by Flush and FlushAll; shown through the message sink by Close)
// A message whose own text does not name the cause of a failed system call is
// followed by "\rUrsache: " and the cause (SystemErrorText): a full disk says
// that the disk is full, missing rights say so. CreateNew reports a file that
// cannot be made as "Konnte Datei nicht anlegen" with its cause; the "existiert
// bereits" refusal is kept for an existing file that cannot be removed and for
// a new file whose content cannot be written.
// After any failure every handle taken by the failed step has been released; a
// failed Open leaves the object closed.
//
// Durability. Stores through View reach the page cache at once and the disk
// when the object is flushed: Flush (msync and fsync), which Close and the
// destructor do, and FlushAll, which the programs call at the end of every
// operation a user starts. A new file and its directory entry are flushed by
// CreateNew. Single records are not flushed one by one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "store/kor_file_room.h"
#include "store/kor_prefault.h"

namespace korin {

// The cause of a failed system call, in German ("Der Datenträger ist voll" for
// ENOSPC); the system's own text for a value without a German one.
std::string SystemErrorText(int err);
// message + "\rUrsache: " + SystemErrorText(err); the message alone for err 0.
std::string WithCause(const std::string& message, int err);

// Flushes the directory that holds `filePath` (after a rename or a new entry),
// so that the change of the name survives a crash. Returns 0 or the errno value.
int SyncDirectoryOf(const std::string& filePath);

// Failure injection for tests of what a full disk does: when a hook is set, the
// mapped-file layer and the file copy ask it before each step named "extend"
// (a file grows), "write" (bytes are written) and "sync" (a flush); a non-zero
// errno value it returns makes that step fail with it. Returns the former hook.
using TKorFailureHook = int (*)(const char* step);
TKorFailureHook SetFailureHook(TKorFailureHook hook);
int InjectedFailure(const char* step);

// An ownable store object that knows the project directory its file lives in.
class TKorComponent {
public:
    TKorComponent() = default;
    virtual ~TKorComponent() = default;
    TKorComponent(const TKorComponent&) = delete;
    TKorComponent& operator=(const TKorComponent&) = delete;

    // The project directory, always with a trailing "/" (a stored "\" is read as
    // a separator).
    const std::string& Project() const { return project_; }
    // Empty: nothing changes. Otherwise the value (with a trailing separator)
    // is taken when the directory holds a "dir.ref" (any letter case) and
    // ProjectValid becomes true; else ProjectValid becomes false and Project
    // keeps its old value.
    virtual void SetProject(const std::string& value);
    bool ProjectValid() const { return projectValid_; }

    std::string Name;  // the component's name, for owners that look objects up

protected:
    // The rule of files that also live outside a catalogued project (key files,
    // tables, drawings, "Dir.dat"): any existing directory is taken. Empty:
    // nothing changes; a directory that does not exist sets ProjectValid false
    // and keeps the old value.
    void SetProjectDirectory(const std::string& value);

    std::string project_;
    bool projectValid_ = false;
};

class TKorMMF : public TKorComponent {
public:
    TKorMMF();
    // Flushes (errors ignored) and releases the handles; does not call Close.
    ~TKorMMF() override;

    const std::string& FileName() const { return fileName_; }
    // Stores the name; neither closes nor opens.
    virtual void SetFileName(const std::string& value) { fileName_ = value; }
    // Project + FileName.
    std::string FullPath() const { return project_ + fileName_; }

    int32_t FileSize() const { return fileSize_; }
    bool IsOpen() const { return isOpen_; }
    uint8_t* View() const { return view_; }

    // Creates a new, initialised file of InitialSize bytes (InitContent written,
    // every other byte zero). With overwrite false an existing file is left
    // alone. Leaves the object's own state (open or closed) as it was.
    void CreateNew(bool overwrite);

    // Closes, then maps the file and checks its content. A missing file leaves
    // the object closed without an error.
    virtual void Open();
    // Flushes, then releases the mapping and the file. A failed flush is shown
    // through the message sink (store/kor_ui.h) with the flush error's text;
    // the object is closed either way.
    virtual void Close();

    // Writes the mapped bytes of the open file to the disk (msync, fsync).
    // Nothing happens when closed.
    void Flush();
    // Flushes every open store object of the process; all are tried, the first
    // failure is raised afterwards.
    static void FlushAll();

    // errno of the last failed growth of this object, 0 when none.
    int LastSystemError() const { return lastError_; }

    // Opens Project + FileName read-write and maps it: size 0 maps the file at its
    // current size, a larger size first extends the file with zero bytes to that
    // size. Returns null without an error when the file does not exist. The
    // handles are returned so that a caller can build a mapping beside the current
    // one; release them with ReleaseHandles.
    uint8_t* MapFile(int32_t size, int& fileHandle, size_t& mapHandle);
    // Unmaps the view, closes the file; each is reset as it goes.
    static void ReleaseHandles(int& fileHandle, size_t& mapHandle, uint8_t*& view);

protected:
    // Releases the mapping and the file of an object that only read them,
    // without the flush of Close: nothing was written, and a reader of many
    // files (the checks over every page) must not wait for the disk per file.
    void ReleaseUnwritten();

    virtual bool MakeFile();
    virtual int32_t InitialSize() = 0;
    virtual void InitContent() = 0;
    virtual bool CheckContent() = 0;

    // Enlarges the open file to newSize bytes (the new bytes are zero) and keeps
    // it mapped. View may move: no pointer into the mapping survives this call.
    // On failure the file keeps its size and the old mapping stays valid, and the
    // mapping error above is raised. A large file gets room ahead
    // (store/kor_file_room.h), which the next growths use without a system call
    // and whose pages a second thread faults in meanwhile (store/kor_prefault.h).
    void GrowFile(int64_t newSize);

    // The size of the open file as it is now (another object mapping it may
    // have grown it): the length the objects of this process gave it, or what
    // the system says when another process made it longer; FileSize when it
    // cannot be learnt.
    int64_t SizeOnDisk() const;

    // Points View at other bytes for the duration of InitContent.
    void SetViewForInit(uint8_t* view) { view_ = view; }

private:
    std::string fileName_;
    int32_t fileSize_ = 0;
    bool isOpen_ = false;
    int fileHandle_ = -1;
    size_t mapHandle_ = 0;  // the length of the mapping; 0 when none
    uint8_t* view_ = nullptr;
    int lastError_ = 0;
    int64_t reserved_ = 0;  // end of the blocks reserved beyond the file's end
    bool tailAdvised_ = false;
    std::shared_ptr<TKorFileExtent> extent_;
    // Faults in the room made by the last growth (stopped before the mapping
    // moves, is cut or goes).
    TKorPrefault prefault_;

    // errno of a failed msync or fsync, 0 on success.
    int SyncNow() const;
    // Stops faulting in the room and cuts it off the file.
    void CutRoom();
    // Tells the system how the mapping of a file of `size` bytes is read.
    void AdviseMapping(int64_t size);
};

}  // namespace korin
