// Restructuring a table: AddField, Empty and Reindex, and the file-level helpers
// CopyRecordsFrom, CopyHeaderFrom and CreateRawFile.
//
// A file that replaces another is written completely beside it, flushed, and
// renamed over it, so that an interruption leaves either the old table or the new
// one. An object that still maps the old file keeps seeing the old file.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "store/kor_error.h"
#include "store/kor_key_build.h"
#include "store/kor_path.h"
#include "store/kor_table.h"
#include "store/kor_table_format.h"
#include "store/kor_table_watch.h"
#include "store/le.h"

namespace korin {

using namespace tablefmt;

namespace {

[[noreturn]] void RaiseNotWritten(const std::string& path) {
    throw EKorTabError("KorTable: Die Datei " + path + " konnte nicht geschrieben werden!");
}

// Writes a file from the start, in order; Finish flushes it to the disk. A
// writer that is not finished removes its file. Every few megabytes the system
// is asked to start writing what is there, so that the disk works while the
// rest is written and the flush at the end waits only for the tail (a write
// error shows in that flush).
class FileWriter {
public:
    explicit FileWriter(std::string path) : path_(std::move(path)) {
        fd_ = ::open(path_.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
        if (fd_ < 0) RaiseNotWritten(path_);
    }
    ~FileWriter() {
        if (fd_ >= 0) {
            ::close(fd_);
            ::unlink(path_.c_str());
        }
    }
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    void Write(const void* data, size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        while (size > 0) {
            const ssize_t n = ::write(fd_, p, size);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) RaiseNotWritten(path_);
            p += n;
            size -= static_cast<size_t>(n);
            written_ += n;
        }
        if (written_ - started_ >= kWriteBehind) {
            (void)::sync_file_range(fd_, started_, written_ - started_, SYNC_FILE_RANGE_WRITE);
            started_ = written_;
        }
    }
    void WriteZeros(int64_t count) {
        static const uint8_t zeros[4096] = {};
        while (count > 0) {
            const size_t n = static_cast<size_t>(std::min<int64_t>(count, sizeof zeros));
            Write(zeros, n);
            count -= static_cast<int64_t>(n);
        }
    }
    void Finish() {
        const bool synced = ::fsync(fd_) == 0;
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        if (!synced || !closed) {
            ::unlink(path_.c_str());
            RaiseNotWritten(path_);
        }
    }

private:
    static constexpr off_t kWriteBehind = off_t{8} << 20;
    std::string path_;
    int fd_ = -1;
    off_t written_ = 0;  // bytes written, of which the first started_ are on their way to the disk
    off_t started_ = 0;
};

// The system is told that the file's cached pages are not needed again: the
// memory they hold serves what is built next (a file about to be replaced).
// Only advice; the file itself is untouched.
void ReleaseCachedPages(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

void SyncFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) RaiseNotWritten(path);
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    if (!ok) RaiseNotWritten(path);
}

// Puts `from` in the place of `to` in one step and makes the rename durable.
void ReplaceFile(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0)
        throw EKorTabError("KorTable: Die Datei " + from + " konnte nicht umbenannt werden!");
    if (const int err = SyncDirectoryOf(to); err != 0)
        throw EKorTabError(WithCause("KorTable: Die Datei " + to + " konnte nicht geschrieben werden!", err));
}

// Another table file, mapped for reading its header and slots.
class SourceTable : public TKorMMF {
public:
    // The table's own directory, catalogued or not.
    void SetProject(const std::string& value) override { SetProjectDirectory(value); }

    // Opens fileName of `project` and checks its header; `records` then reads it.
    void OpenChecked(const std::string& project, const std::string& fileName, TKorRecords& records) {
        SetProject(project);
        SetFileName(fileName);
        Open();
        if (!IsOpen())
            throw EKorTabError("KorTable: Die Datei " + fileName + " konnte nicht geöffnet werden!");
        TKorTable::CheckHeader(View(), FileSize(), fileName);
        records.Init(View(), FileSize(), View()[kFieldCount], 0);
    }

protected:
    int32_t InitialSize() override { return 0; }
    void InitContent() override {}
    bool CheckContent() override {
        if (FileSize() <= kMinFileSize) return false;
        const auto* tag = reinterpret_cast<const char*>(View() + kTypeTag);
        return std::string_view(tag, ::strnlen(tag, kTypeTagChecked)) == kTypeTagText;
    }
};

// Buffered slot output for a file of fixed-size slots.
constexpr size_t kWriteBatch = 1 << 20;

}  // namespace

// ---- AddField ----------------------------------------------------------------

void TKorTable::AddField(const std::string& name, int32_t id, int32_t width, int32_t decimals, int32_t type,
                         int32_t attribute) {
    if (!IsOpen()) Open();
    if (!IsOpen()) return;
    const int32_t n = FieldCount();
    if (n >= kMaxFields) throw EKorTabError("KorTable: Eine Tabelle kann höchstens 100 Felder haben!");
    if (width < 0 || width > INT16_MAX)
        throw EKorTabError("KorTable: Die Feldlänge " + std::to_string(width) + " ist ungültig!");
    const std::string tmp = Project() + "000000tmp";
    path::RemoveFile(tmp);
    if (path::AnyExists(tmp)) throw EKorTabError("Die Datei 000000tmp kann nicht schriebend geöffnet werden!");

    const int64_t oldB = records_.RecordsOffset();
    const int32_t oldS = records_.DataSize();
    const int32_t slots = SlotCount();
    const int64_t newB = oldB + width + 65;
    const int64_t newSlotSize = slot::kHeaderSize + int64_t{oldS} + width + 1;
    const int32_t current = records_.CurrentSlot();

    {
        FileWriter out(tmp);
        // The header: the table's first B bytes, the new entry at index n, n + 1.
        std::vector<uint8_t> head(static_cast<size_t>(newB), 0);
        std::memcpy(head.data(), View(), static_cast<size_t>(std::min<int64_t>(oldB, FileSize())));
        uint8_t* entry = head.data() + FieldEntryOffset(n);
        std::memset(entry, 0, field::kSize);
        le::PutI16(entry + field::kId, static_cast<int16_t>(id));
        le::PutI16(entry + field::kWidth, static_cast<int16_t>(width));
        entry[field::kType] = static_cast<uint8_t>(type);
        entry[field::kDecimals] = static_cast<uint8_t>(decimals);
        std::memset(entry + field::kMarks, field::kMarkValue, 3);
        entry[field::kWritten] = 1;
        le::PutU16(entry + field::kAttribute, static_cast<uint16_t>(attribute));
        const size_t nameLength = std::min({name.size(), std::strlen(name.c_str()),
                                            static_cast<size_t>(field::kAddedNameChars)});
        std::memcpy(entry + field::kName, name.data(), nameLength);
        head[kFieldCount] = static_cast<uint8_t>(n + 1);
        out.Write(head.data(), head.size());

        // Every used slot, widened: its record header and the texts of its
        // fields at their old offsets; the new field and the bytes behind each
        // text are zero.
        StartProgress(slots);
        std::vector<uint8_t> batch;
        batch.reserve(kWriteBatch + static_cast<size_t>(newSlotSize));
        for (int32_t r = 0; r < slots; ++r) {
            records_.Select(r);
            const size_t at = batch.size();
            batch.resize(at + static_cast<size_t>(newSlotSize), 0);
            records_.GetHeader(batch.data() + at);
            for (int32_t i = 0; i < n; ++i) {
                const std::string text = records_.GetField(i);
                std::memcpy(batch.data() + at + slot::kHeaderSize + records_.FieldOffset(i), text.data(),
                            text.size());
            }
            if (batch.size() >= kWriteBatch) {
                out.Write(batch.data(), batch.size());
                batch.clear();
            }
            StepProgress(r + 1);
        }
        records_.Select(current);
        out.Write(batch.data(), batch.size());
        out.WriteZeros(kTailRoom);
        out.Finish();
        EndProgress();
    }
    Close();
    ReplaceFile(tmp, FullPath());
    Open();
    AnnounceTableChange(FullPath(), TKorTableChange::Structure);
}

// ---- Empty -------------------------------------------------------------------

void TKorTable::Empty() {
    if (TrimBlanks(FileName()).empty() || TrimBlanks(KeyFileName()).empty()) return;
    if (!IsOpen()) Open();
    if (!IsOpen()) return;
    const int64_t b = records_.RecordsOffset();
    std::vector<uint8_t> bytes(static_cast<size_t>(b + kTailRoom), 0);
    std::memcpy(bytes.data(), View(), static_cast<size_t>(std::min<int64_t>(b, FileSize())));
    for (int32_t offset : {kRecordCount, kFreeHead, kSlotCount, kCounterText, kCounterNumber})
        le::PutI32(bytes.data() + offset, 0);

    const std::string tablePath = FullPath();
    const std::string keyPath = keyFile_.FullPath();
    const std::string tableTmp = tablePath + ".tmp";
    const std::string keyTmp = keyPath + ".tmp";
    {
        FileWriter table(tableTmp);
        table.Write(bytes.data(), bytes.size());
        table.Finish();
    }
    try {
        FileWriter key(keyTmp);
        uint8_t fresh[72] = {};
        le::PutI32(fresh + 4, 1);  // NextFree of a new key file
        key.Write(fresh, sizeof fresh);
        key.Finish();
    } catch (...) {
        path::RemoveFile(tableTmp);
        throw;
    }
    Close();
    // The key file first: until the table file is replaced too, the records
    // are all still there and Reindex rebuilds their keys.
    ReplaceFile(keyTmp, keyPath);
    ReplaceFile(tableTmp, tablePath);
    Open();
    AnnounceTableChange(FullPath(), TKorTableChange::Structure);
}

// ---- Reindex -----------------------------------------------------------------

// The keys of every slot in use go to a builder that makes the whole file at
// once (store/kor_key_build.h); the parts are those of BuildKeys. False when
// the builder refuses a part: the file is then built by repeated insertion.
bool TKorTable::WriteRebuiltKeys(const std::string& path, int32_t& head, int32_t& count) {
    const int32_t slots = SlotCount();
    TKorKeyBuild build;
    const int32_t pKey = build.Intern(0, "P_KEY"), sKey = build.Intern(0, "S_KEY"), zero = build.Intern(0, "0");
    std::vector<int32_t> names;
    for (const auto& key : keys_) names.push_back(build.Intern(0, key.name));
    const int32_t p = PrimaryKeyField();
    head = 0;
    count = 0;
    bool refused = std::find(names.begin(), names.end(), -1) != names.end();
    for (int32_t s = 0; s < slots && !refused; ++s) {
        records_.Select(s);
        if (!records_.IsActive()) {
            records_.SetStamp(head);
            head = s + 1;
            StepProgress(s + 1);
            continue;
        }
        char number[16];
        const auto end = std::to_chars(number, number + sizeof number, int64_t{s} + 1).ptr;
        const int32_t pointer = build.Intern(
            kPointerType, p > 0 ? records_.GetFieldView(p - 1) : std::string_view(number, static_cast<size_t>(end - number)));
        refused = pointer < 0;
        for (const int32_t part : {pKey, zero, pointer}) build.AddPart(part);
        build.EndKey(s + 1);
        for (size_t k = 0; k < keys_.size() && !refused; ++k) {
            for (const int32_t part : {sKey, zero, names[k]}) build.AddPart(part);
            for (const int32_t field : keys_[k].fields) {
                const int32_t part = build.Intern(0, records_.GetFieldView(field - 1));
                refused = refused || part < 0;
                build.AddPart(part);
            }
            if (!keys_[k].unique) build.AddPart(pointer);
            build.EndKey(s + 1);
        }
        ++count;
        StepProgress(s + 1);
    }
    if (refused) return false;
    FileWriter out(path);
    build.Write(path, [&](const uint8_t* bytes, size_t size) { out.Write(bytes, size); });
    out.Finish();
    return true;
}

void TKorTable::Reindex() {
    if (!IsOpen()) return;
    const std::string keyName = keyFile_.FileName();
    if (TrimBlanks(keyName).empty())
        throw EKorTabError("KorTable: KeyFile konnte nicht geöffnet werden! Datei: " + keyName);
    const std::string tmpName = keyName + ".tmp";
    const int32_t current = records_.CurrentSlot();
    const int32_t slots = SlotCount();
    int32_t head = 0;
    int32_t count = 0;

    keyFile_.Close();
    ReleaseCachedPages(keyFile_.FullPath());
    keyFile_.SetFileName(tmpName);
    StartProgress(slots);
    try {
        if (!WriteRebuiltKeys(keyFile_.FullPath(), head, count)) {
            StartProgress(slots);
            head = 0;
            count = 0;
            keyFile_.CreateNew(true);
            keyFile_.Open();
            if (!keyFile_.IsOpen())
                throw EKorTabError("KorTable: KeyFile konnte nicht geöffnet werden! Datei: " + tmpName);
            keyFile_.BeginBuild();
            for (int32_t s = 0; s < slots; ++s) {
                records_.Select(s);
                if (records_.IsActive()) {
                    TKeyList keys = RecordKeys();
                    keyFile_.AddKeys(keys, s + 1);
                    ++count;
                } else {
                    records_.SetStamp(head);
                    head = s + 1;
                }
                StepProgress(s + 1);
            }
            keyFile_.EndBuild();
            SyncFile(keyFile_.FullPath());
        }
        ReplaceFile(keyFile_.FullPath(), keyFile_.Project() + keyName);
    } catch (...) {
        keyFile_.Close();
        path::RemoveFile(keyFile_.FullPath());
        keyFile_.SetFileName(keyName);
        records_.Select(current);
        EndProgress();
        try {
            keyFile_.Open();
        } catch (const Exception&) {
            // The first failure is the one to report.
        }
        throw;
    }
    keyFile_.SetFileName(keyName);
    keyFile_.Open();
    PutHeaderI32(kFreeHead, head);
    PutHeaderI32(kRecordCount, count);
    cachedCount_ = count;
    records_.Select(current);
    EndProgress();
    AnnounceTableChange(FullPath(), TKorTableChange::Structure);
}

// ---- file-level helpers ------------------------------------------------------

void TKorTable::CopyRecordsFrom(const std::string& fileName) {
    if (!IsOpen()) return;
    SourceTable source;
    TKorRecords from;
    source.OpenChecked(Project(), fileName, from);
    const int32_t sourceFields = source.View()[kFieldCount];
    const int32_t slots = SlotCount();
    if (le::I32(source.View() + kSlotCount) < slots)
        throw EKorTabError("KorTable: Die Datei " + fileName + " hat weniger Datensätze als die Tabelle!");

    const int32_t current = records_.CurrentSlot();
    uint8_t header[slot::kHeaderSize];
    StartProgress(slots);
    for (int32_t r = 0; r < slots; ++r) {
        from.Select(r);
        records_.Select(r);
        from.GetHeader(header);
        records_.SetHeader(header);
        for (int32_t i = 0; i < FieldCount(); ++i)
            records_.PutFieldText(i, i < sourceFields ? from.GetField(i) : std::string());
        StepProgress(r + 1);
    }
    records_.Select(current);
    EndProgress();
    AnnounceTableChange(FullPath(), TKorTableChange::Structure);
}

void TKorTable::CopyHeaderFrom(const std::string& fileName) {
    if (!IsOpen()) return;
    SourceTable source;
    TKorRecords from;
    source.OpenChecked(Project(), fileName, from);
    const int64_t b = from.RecordsOffset();
    if (b > FileSize())
        throw EKorTabError("KorTable: Die Datei " + FullPath() + " ist kleiner als der Tabellenkopf von " +
                           fileName + "!");
    const int64_t copied = std::min<int64_t>(b, source.FileSize());
    std::memcpy(View(), source.View(), static_cast<size_t>(copied));
    std::memset(View() + copied, 0, static_cast<size_t>(b - copied));
    Attach(records_.CurrentSlot());
    if (!ParseKeys(View(), FieldCount(), keys_)) keys_.clear();
    AnnounceTableChange(FullPath(), TKorTableChange::Structure);
}

void TKorTable::CreateRawFile(int32_t size, bool overwrite) {
    const std::string path = FullPath();
    if (!overwrite && path::FileExists(path)) return;
    if (IsOpen()) Close();
    FileWriter out(path);
    out.WriteZeros(kTypeTag);
    out.Write(kTypeTagText, sizeof kTypeTagText - 1);
    out.WriteZeros(int64_t{size} - kTypeTag - static_cast<int64_t>(sizeof kTypeTagText - 1));
    out.Finish();
}

}  // namespace korin
