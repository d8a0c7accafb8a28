// Key node table: range-checked access to the 64-byte nodes of a key file.
//
// Node k lies at byte 64·k. A key file is 64·N + 8 bytes long: N whole nodes and
// the Down and Up words of node N, the first never-used node.
//
//   node 0 (header)             node k >= 1
//   0  int32  root              0  int32  Down     root of the next part's tree
//   4  int32  NextFree          4  int32  Up       owner; for a free node the next free
//   8  56 B   zero              8  int32  Left
//                               12 int32  Right
//                               16 int16  Balance  height(right) - height(left)
//                               20 int32  DIndex   record number + 1 on a last part
//                               24 int16  Type     the part's number byte
//                               26 33 B   Name     NUL-terminated, at most 32 characters
//                               61 uint8  Evaluate set by the catalogue only
//
// Refusals (general class Exception; nothing is written when a check fails):
//   "KorKeyTable: <Getter> greift auf einen unerlaubten Tabelleneintrag zu: <k>"
//   "KorKeyTable: GetNextFree greift auf einen unerlaubten Tabelleneintrag zu!"
//   "KorKeyTable: Index <k> ist ungültig! <Field> kann nicht geschrieben werden!"
//   "KorKeyTable: Index <k> ist ungültig! Balance kann nicht geschrieben werden."
// GetDown and GetUp accept k = Count only when the file really holds those eight
// bytes; on a detached table getters raise and setters do nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "store/kor_prefetch.h"
#include "store/le.h"

namespace korin {

namespace keynode {
constexpr int32_t kSize = 64;
constexpr int32_t kDown = 0;
constexpr int32_t kUp = 4;
constexpr int32_t kLeft = 8;
constexpr int32_t kRight = 12;
constexpr int32_t kBalance = 16;
constexpr int32_t kDIndex = 20;
constexpr int32_t kType = 24;
constexpr int32_t kName = 26;
constexpr int32_t kNameBytes = 33;
constexpr int32_t kNameChars = 32;
constexpr int32_t kEvaluate = 61;
static_assert(kName + kNameBytes + 2 == kEvaluate, "two reserved bytes lie before Evaluate");
static_assert(kEvaluate + 3 == kSize, "Evaluate is followed by two reserved bytes");
}  // namespace keynode

class TKorKeyTable {
public:
    void Attach(uint8_t* base, int32_t size);
    bool Attached() const { return attached_; }
    int32_t Count() const { return count_; }
    int32_t Size() const { return size_; }

    int32_t GetDown(int32_t k) const { return le::I32(At(CheckUpDown(k, "GetDown"), keynode::kDown)); }
    int32_t GetUp(int32_t k) const { return le::I32(At(CheckUpDown(k, "GetUp"), keynode::kUp)); }
    int32_t GetLeft(int32_t k) const { return le::I32(At(CheckNode(k, "GetLeft"), keynode::kLeft)); }
    int32_t GetRight(int32_t k) const { return le::I32(At(CheckNode(k, "GetRight"), keynode::kRight)); }
    int32_t GetBalance(int32_t k) const { return le::I16(At(CheckNode(k, "GetBalance"), keynode::kBalance)); }
    int32_t GetIndex(int32_t k) const { return le::I32(At(CheckNode(k, "GetIndex"), keynode::kDIndex)); }
    int32_t GetType(int32_t k) const { return le::I16(At(CheckNode(k, "GetType"), keynode::kType)); }
    std::string GetValue(int32_t k) const;
    // The same text as a view into the mapping; valid until the file grows.
    std::string_view GetValueView(int32_t k) const;
    int32_t GetNextFree() const;
    // Node k's 64 bytes, read in place by a caller that needs several fields
    // of it at once (valid until the file grows); raises as `getter` would.
    const uint8_t* NodeBytes(int32_t k, const char* getter) const { return At(CheckNode(k, getter), 0); }
    // The Name field of node bytes as a view: up to its NUL, at most 33 bytes.
    static std::string_view NameOf(const uint8_t* node) {
        const uint8_t* p = node + keynode::kName;
        const void* nul = __builtin_memchr(p, 0, keynode::kNameBytes);
        const size_t n = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - p)
                             : static_cast<size_t>(keynode::kNameBytes);
        return {reinterpret_cast<const char*>(p), n};
    }
    // Node k's Left link, 0 when k is not a node (never raises: for reading
    // ahead of a walk, which meets any damage itself).
    int32_t LeftIfNode(int32_t k) const {
        return attached_ && k >= 1 && k < count_ ? le::I32(At(k, keynode::kLeft)) : 0;
    }
    // Asks the processor to load node k, which is read soon; nothing when k is
    // not a node.
    void Prefetch(int32_t k) const {
        if (attached_ && k >= 1 && k < count_) PrefetchLine(At(k, 0));
    }

    void SetDown(int32_t k, int32_t v);
    void SetUp(int32_t k, int32_t v) { if (SetOk(k, "Up")) le::PutI32(At(k, keynode::kUp), v); }
    void SetLeft(int32_t k, int32_t v) { if (SetOk(k, "Left")) le::PutI32(At(k, keynode::kLeft), v); }
    void SetRight(int32_t k, int32_t v) { if (SetOk(k, "Right")) le::PutI32(At(k, keynode::kRight), v); }
    void SetBalance(int32_t k, int32_t v);
    void SetDIndex(int32_t k, int32_t v) { if (SetOk(k, "DIndex")) le::PutI32(At(k, keynode::kDIndex), v); }
    void SetType(int32_t k, int32_t v) { if (SetOk(k, "Type")) le::PutI16(At(k, keynode::kType), static_cast<int16_t>(v)); }
    void SetName(int32_t k, const std::string& text);
    void SetEvaluate(int32_t k, uint8_t v) { if (SetOk(k, "Evaluate")) At(k, keynode::kEvaluate)[0] = v; }
    void SetNextFree(int32_t v);

private:
    uint8_t* At(int32_t k, int32_t offset) const {
        return base_ + static_cast<int64_t>(k) * keynode::kSize + offset;
    }
    int32_t CheckNode(int32_t k, const char* getter) const {
        if (!attached_ || k < 1 || k >= count_) RaiseGet(getter, k);
        return k;
    }
    int32_t CheckUpDown(int32_t k, const char* getter) const {
        if (!attached_ || k < 0 || k > count_ ||
            (k == count_ && static_cast<int64_t>(k) * keynode::kSize + 8 > size_))
            RaiseGet(getter, k);
        return k;
    }
    // False on a detached table (nothing is done); raises for a bad number.
    bool SetOk(int32_t k, const char* field) const {
        if (!attached_) return false;
        if (k < 1 || k >= count_) RaiseSet(field, k);
        return true;
    }
    [[noreturn]] static void RaiseGet(const char* getter, int32_t k);
    [[noreturn]] static void RaiseSet(const char* field, int32_t k);

    uint8_t* base_ = nullptr;
    bool attached_ = false;
    int32_t size_ = 0;
    int32_t count_ = 0;
};

}  // namespace korin
