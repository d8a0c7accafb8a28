// Writing records: value normalisation, the record's keys, slot preparation,
// Append, EditField and Delete.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "store/kor_error.h"
#include "store/kor_key_preload.h"
#include "store/kor_table.h"
#include "store/kor_table_format.h"
#include "store/le.h"

namespace korin {

using namespace tablefmt;

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal number as the store accepts it: an optional sign, digits with at
// most one "." (at least one digit), an optional exponent.
bool IsDecimalText(std::string_view t) {
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t digits = 0;
    while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        size_t exp = 0;
        while (i < t.size() && IsDigit(t[i])) ++i, ++exp;
        if (exp == 0) return false;
    }
    return i == t.size();
}

std::string NormaliseDecimal(const std::string& value, int32_t decimals) {
    std::string t = TrimBlanks(value);
    if (const auto comma = t.find(','); comma != std::string::npos) t[comma] = '.';
    double number = 0.0;
    if (!t.empty()) {
        if (!IsDecimalText(t)) throw Exception("'" + t + "' ist kein gültiger Gleitkommawert");
        const char* begin = t.data() + (t[0] == '+' ? 1 : 0);
        const auto [ptr, ec] = std::from_chars(begin, t.data() + t.size(), number);
        if (ec != std::errc() || ptr != t.data() + t.size() || !std::isfinite(number))
            throw Exception("'" + t + "' ist kein gültiger Gleitkommawert");
    }
    // At most 309 integer digits, a sign, a point and 255 decimals.
    char buffer[640];
    std::snprintf(buffer, sizeof buffer, "%1.*f", std::clamp(decimals, 0, 255), number);
    std::string text = buffer;
    if (const auto comma = text.find(','); comma != std::string::npos) text[comma] = '.';
    return TrimBlanks(text);
}

int32_t NextCounter(int32_t counter) {
    return static_cast<int32_t>(static_cast<uint32_t>(counter) + 1u);
}

}  // namespace

std::string TKorTable::Normalised(int32_t i, const std::string& value, bool append, int32_t& counterText,
                                  int32_t& counterNumber) const {
    switch (fieldDefs_.FieldType(i)) {
        case type::kInteger: {
            std::string t = TrimBlanks(value);
            return t.empty() ? "0" : t;
        }
        case type::kDecimal:
            return NormaliseDecimal(value, fieldDefs_.FieldDecimals(i));
        case type::kAutoNumber:
            if (!append) return value;
            counterNumber = NextCounter(counterNumber);
            return std::to_string(counterNumber);
        case type::kAutoText:
            if (!append) return value;
            counterText = NextCounter(counterText);
            return "?" + std::to_string(counterText);
        default:
            return value;
    }
}

std::string TKorTable::AsStored(int32_t i, std::string value) const {
    const size_t width = static_cast<size_t>(std::max(0, fieldDefs_.FieldWidth(i)));
    value.resize(std::min({value.size(), width, std::strlen(value.c_str())}));
    return value;
}

// ---- the record's keys -----------------------------------------------------

template <typename TextOf>
TKeyList TKorTable::BuildKeys(int32_t slotNumber, TextOf&& text) const {
    const int32_t p = PrimaryKeyField();
    const std::string pointer = p > 0 ? KeyPart(fieldDefs_.TypeLetter(p - 1), kPointerType, text(p - 1))
                                      : KeyPart('N', kPointerType, std::to_string(int64_t{slotNumber} + 1));
    size_t parts = 3;
    for (const auto& key : keys_) parts += 5 + key.fields.size();
    TKeyList list;
    list.reserve(parts);
    list.push_back(KeyPart('C', 0, "P_KEY"));
    list.push_back(KeyPart('N', 0, "0"));
    list.push_back(pointer);
    for (const auto& key : keys_) {
        list.push_back(kKeySeparator);
        list.push_back(KeyPart('C', 0, "S_KEY"));
        list.push_back(KeyPart('N', 0, "0"));
        list.push_back(KeyPart('C', 0, key.name));
        for (int32_t number : key.fields)
            list.push_back(KeyPart(fieldDefs_.TypeLetter(number - 1), 0, text(number - 1)));
        if (!key.unique) list.push_back(pointer);
    }
    return list;
}

TKeyList TKorTable::RecordKeys() const {
    return BuildKeys(records_.CurrentSlot(), [this](int32_t i) { return GetField(i); });
}

// The values are compared in the form in which they would be stored, so that a
// value that differs from a present key only before normalisation (" 5" and "5",
// "1,5" and "1.50") counts as the same key: the key file would otherwise keep
// the present record's key and let the new record share it.
bool TKorTable::KeyConflict(const std::vector<std::string>& given, const std::vector<std::string>& stored,
                            uint64_t absent) {
    const int32_t p = PrimaryKeyField();
    auto valueOf = [](const std::vector<std::string>& values, int32_t i) {
        return i >= 0 && i < static_cast<int32_t>(values.size()) ? values[static_cast<size_t>(i)] : std::string();
    };
    const auto warn = [&] {
        ShowErrorMessage("Achtung! In der Tabelle " + Title() + " kam es zu" + "\r" + " einem Schlüsselkonflikt." +
                         (p > 0 ? " PIndex " + valueOf(given, p - 1) + " existiert bereits!"
                                : std::string(" Der eindeutige Sekundärschlüssel existiert bereits!")));
        return true;
    };
    if (p > 0 && (TrimBlanks(valueOf(given, p - 1)).empty() ||
                  (!(absent & 1) && FindByPrimary(valueOf(stored, p - 1)))))
        return warn();
    for (size_t j = 0; j < keys_.size(); ++j) {
        const auto& key = keys_[j];
        if (!key.unique || (j + 1 < 64 && (absent >> (j + 1) & 1))) continue;
        TKeyList parts{KeyPart('C', 0, "S_KEY"), KeyPart('N', 0, "0"), KeyPart('C', 0, key.name)};
        for (int32_t number : key.fields)
            parts.push_back(KeyPart(fieldDefs_.TypeLetter(number - 1), 0, valueOf(stored, number - 1)));
        if (keyFile_.Locate(parts) >= 0) return warn();
    }
    return false;
}

// ---- slots -----------------------------------------------------------------

// Returns the 1-based slot for the next record (also written as the free-slot
// head), or 0 when none can be had. A head is followed only when it names a
// deleted slot below the slot count; any other head (damaged, or left by an
// interruption) is not trusted and the first deleted slot is searched instead, so
// that no record in use is ever overwritten.
int32_t TKorTable::PrepareSlot() {
    const int32_t records = HeaderI32(kRecordCount);
    const int32_t slots = HeaderI32(kSlotCount);
    const int32_t head = HeaderI32(kFreeHead);
    const int32_t current = records_.CurrentSlot();
    auto isFree = [&](int32_t s) {
        records_.Select(s);
        const bool free = s >= 0 && s < slots && records_.SlotInFile(s) && !records_.IsActive();
        records_.Select(current);
        return free;
    };
    if (records < slots) {
        if (head > 0 && head <= slots && isFree(head - 1)) return head;
        for (int32_t s = 0; s < slots; ++s) {
            if (isFree(s)) {
                PutHeaderI32(kFreeHead, s + 1);
                return s + 1;
            }
        }
        // Every slot is in use although the count says otherwise: a new slot.
    }
    const int64_t slotSize = records_.SlotSize();
    const int64_t needed = records_.SlotOffset(slots) + slotSize + kTailRoom;
    if (FileSize() < needed) {
        const int64_t grown = std::max<int64_t>(FileSize() + kGrowSlots * slotSize, needed);
        try {
            GrowFile(grown);
        } catch (const Exception&) {
            Attach(current);
            PutHeaderI32(kFreeHead, 0);
            return 0;
        }
        Attach(current);
    }
    PutHeaderI32(kFreeHead, slots + 1);
    return slots + 1;
}

int32_t TKorTable::Append(const std::vector<std::string>& values) {
    if (!IsOpen()) return -1;
    const int32_t n = FieldCount();
    if (static_cast<int64_t>(values.size()) < n) return -1;
    RequireKeyFile();

    // Everything that can fail is worked out before the file changes.
    int32_t counterText = HeaderI32(kCounterText);
    int32_t counterNumber = HeaderI32(kCounterNumber);
    std::vector<std::string> stored(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i)
        stored[static_cast<size_t>(i)] =
            AsStored(i, Normalised(i, values[static_cast<size_t>(i)], true, counterText, counterNumber));
    // The record's keys are looked for side by side first: the check below and
    // the insertions then find their nodes loaded. (A table without primary
    // key ends its keys with the slot; a new one is the likely one.)
    const int32_t likelySlot = HeaderI32(kSlotCount);
    TKeyList keys = BuildKeys(likelySlot, [&](int32_t i) {
        return i >= 0 && i < n ? std::string_view(stored[static_cast<size_t>(i)]) : std::string_view();
    });
    if (KeyConflict(values, stored, PreloadKeyPaths(keyFile_.Nodes(), keys))) return -1;

    const int32_t headBefore = HeaderI32(kFreeHead);
    const int32_t slots = HeaderI32(kSlotCount);
    const int32_t f = PrepareSlot();
    if (f < 1) {
        PutHeaderI32(kFreeHead, 0);
        ShowErrorMessage(WithCause("Datensatz konnte nicht angelegt werden!\rDatei läßt sich nicht erweitern!",
                                   LastSystemError()));
        return -1;
    }
    const int32_t s = f - 1;
    records_.Select(s);
    const int32_t link = records_.GetStamp();
    uint8_t before[slot::kHeaderSize];
    records_.GetHeader(before);

    // The record and its keys first, the header's counts and chain head last.
    records_.InitSlot(s);
    records_.SetFields(stored);
    bool inserted = false;
    try {
        // The keys were built from the values as the record now holds them
        // (AsStored cuts them as the slot does); only a table without primary
        // key field names the slot, which may be another than the likely one.
        if (PrimaryKeyField() <= 0 && s != likelySlot) keys = RecordKeys();
        inserted = keyFile_.AddKeys(keys, s + 1);
    } catch (...) {
        // The key file may have taken some of the keys before it could not
        // grow: they go again (no other record has them, KeyConflict said so),
        // so that no key names the slot that is given back.
        records_.Select(s);
        try {
            TKeyList keys = RecordKeys();
            keyFile_.DeleteKeys(keys);
        } catch (const Exception&) {
            // The growth's error is the one to report; the audit finds the rest.
        }
        records_.Select(s);
        records_.SetHeader(before);
        if (s >= slots) PutHeaderI32(kFreeHead, headBefore);
        throw;
    }
    int32_t result = -1;
    if (inserted) {
        PutHeaderI32(kCounterText, counterText);
        PutHeaderI32(kCounterNumber, counterNumber);
        PutHeaderI32(kFreeHead, link);
        cachedCount_ = HeaderI32(kRecordCount) + 1;
        PutHeaderI32(kRecordCount, cachedCount_);
        if (s + 1 > slots) PutHeaderI32(kSlotCount, s + 1);
        result = s;
    } else {
        // The key file took none of the keys: the slot is given back as it was.
        records_.Select(s);
        records_.SetHeader(before);
        if (s >= slots) PutHeaderI32(kFreeHead, headBefore);
    }
    if (!keyFile_.Eof()) records_.Select(keyFile_.CurrentRecord());
    return result;
}

// A key conflict of an edit: the primary value or a unique secondary key that
// the edited record would have is held by another record. The record's own keys
// do not count: an edit that leaves a key as it was is no conflict.
bool TKorTable::EditConflict(int32_t i, const std::string& stored) {
    const int32_t s = records_.CurrentSlot();
    const int32_t n = FieldCount();
    std::vector<std::string> values(static_cast<size_t>(n));
    for (int32_t f = 0; f < n; ++f) values[static_cast<size_t>(f)] = f == i ? stored : GetField(f);
    const int32_t p = PrimaryKeyField();
    const std::string warning = "Achtung! In der Tabelle " + Title() + " kam es zu" + "\r" +
                                " einem Schlüsselkonflikt." +
                                (p > 0 ? " PIndex " + (p - 1 == i ? stored : GetField(p - 1)) + " existiert bereits!"
                                       : std::string(" Der eindeutige Sekundärschlüssel existiert bereits!"));
    auto heldByOther = [&](const TKeyList& parts) {
        const int32_t found = keyFile_.Locate(parts);
        return found >= 0 && found != s;
    };
    bool conflict = false;
    if (p > 0 && p - 1 == i) {
        conflict = TrimBlanks(stored).empty() ||
                   heldByOther({KeyPart('C', 0, "P_KEY"), KeyPart('N', 0, "0"),
                                KeyPart(fieldDefs_.TypeLetter(i), kPointerType, stored)});
    }
    for (const auto& key : keys_) {
        if (conflict) break;
        if (!key.unique || std::find(key.fields.begin(), key.fields.end(), i + 1) == key.fields.end()) continue;
        TKeyList parts{KeyPart('C', 0, "S_KEY"), KeyPart('N', 0, "0"), KeyPart('C', 0, key.name)};
        for (int32_t number : key.fields)
            parts.push_back(KeyPart(fieldDefs_.TypeLetter(number - 1), 0, values[static_cast<size_t>(number - 1)]));
        conflict = heldByOther(parts);
    }
    records_.Select(s);
    if (conflict) ShowErrorMessage(warning);
    return conflict;
}

bool TKorTable::EditField(int32_t i, const std::string& text) {
    if (!IsOpen() || i < 0 || i >= FieldCount()) return false;
    RequireRecord("geändert");
    int32_t unusedText = 0, unusedNumber = 0;
    const std::string value = Normalised(i, text, false, unusedText, unusedNumber);
    const int32_t p = PrimaryKeyField();
    bool inKey = p == i + 1;
    for (const auto& key : keys_)
        inKey = inKey || std::find(key.fields.begin(), key.fields.end(), i + 1) != key.fields.end();
    const int32_t s = records_.CurrentSlot();
    if (!inKey) {
        records_.SetField(i, value);
        return true;
    }
    RequireKeyFile();
    // Everything that can refuse the edit is checked before the keys go: a key
    // that another record holds could not be added back, and the record would
    // drop out of the key order while the header still counts it.
    if (EditConflict(i, AsStored(i, value))) return false;
    const std::string former = GetField(i);
    TKeyList keys = RecordKeys();
    keyFile_.DeleteKeys(keys);
    records_.Select(s);
    records_.SetField(i, value);
    bool added = false;
    try {
        keys = RecordKeys();
        added = keyFile_.AddKeys(keys, s + 1);
    } catch (...) {
        added = false;
    }
    if (added) return true;
    // The key file could not take the new keys (it cannot grow): the record
    // and its former keys are put back, then the edit is reported as failed.
    records_.Select(s);
    keys = RecordKeys();
    keyFile_.DeleteKeys(keys);
    records_.Select(s);
    records_.SetField(i, former);
    keys = RecordKeys();
    keyFile_.AddKeys(keys, s + 1);
    records_.Select(s);
    ShowErrorMessage("Datensatz konnte nicht geändert werden!\rDatei läßt sich nicht erweitern!");
    return false;
}

void TKorTable::Delete() {
    if (!IsOpen()) return;
    RequireRecord("gelöscht");
    RequireKeyFile();
    const int32_t s = records_.CurrentSlot();
    TKeyList keys = RecordKeys();
    keyFile_.DeleteKeys(keys);
    records_.Select(s);
    records_.DeleteSlot();
    cachedCount_ = HeaderI32(kRecordCount) - 1;
    PutHeaderI32(kRecordCount, cachedCount_);
    if (!keyFile_.Eof()) records_.Select(keyFile_.CurrentRecord());
}

}  // namespace korin
