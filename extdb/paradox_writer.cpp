#include "extdb/paradox_writer.h"

extern "C" {
#include <paradox.h>
}

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <numeric>

#include "extdb/paradox_index.h"
#include "store/kor_error.h"
#include "store/kor_path.h"

namespace korin::extdb {

namespace {

constexpr int32_t kMaxAlpha = 255;
constexpr size_t kMaxFieldName = 25;
constexpr int kCodePage = 1252;

// The pxlib fields of the table's columns.
std::vector<TPxFieldSpec> FieldSpecs(const std::vector<TExtColumn>& columns, const std::vector<std::string>& names) {
    std::vector<TPxFieldSpec> specs;
    for (size_t i = 0; i < columns.size(); ++i)
        specs.push_back({names[i], columns[i].integer ? char(pxfLong) : char(pxfAlpha),
                         columns[i].integer ? 4 : columns[i].size});
    return specs;
}

class TParadoxWriter : public IExtTableWriter {
public:
    TParadoxWriter(const std::string& directory, const std::string& fileName, const std::vector<TExtColumn>& columns,
                   int32_t keyColumn)
        : directory_(directory), fileName_(fileName), keyed_(keyColumn >= 0) {
        for (const TExtColumn& c : columns)
            if (!c.integer && c.size > kMaxAlpha)
                throw Exception("ExtDB: Die Spaltenbreite " + std::to_string(c.size) + " ist für Paradox zu groß!");
        // The key column leads; order_[i] is the statement's column of field i.
        order_.resize(columns.size());
        std::iota(order_.begin(), order_.end(), 0);
        if (keyed_) std::rotate(order_.begin(), order_.begin() + keyColumn, order_.begin() + keyColumn + 1);
        std::vector<std::string> names;
        for (size_t i : order_) {
            fields_.push_back(columns[i]);
            names.push_back(columns[i].name);
        }
        names_ = FitColumnNames(names, kMaxFieldName);
        for (const TExtColumn& c : fields_) {
            offsets_.push_back(recordSize_);
            recordSize_ += c.integer ? 4 : c.size;
        }
        const size_t dot = fileName.rfind('.');
        stem_ = fileName.substr(0, dot);
        temp_ = directory_ + fileName_ + ".~new";
        tempIndex_ = directory_ + stem_ + ".PX.~new";
        // The file is made now, so that its field values can be encoded by pxlib;
        // the records follow at Finish, in key order.
        px_ = std::make_unique<TPxDocument>();
        try {
            CreatePxFile(*px_, FieldSpecs(fields_, names_), temp_, keyed_ ? pxfFileTypIndexDB : pxfFileTypNonIndexDB,
                         fileName_);
            if (PX_set_value(px_->get(), "numprimkeys", keyed_ ? 1.0f : 0.0f) < 0 ||
                PX_set_value(px_->get(), "codepage", kCodePage) < 0)
                Failed(temp_, px_->Error());
        } catch (...) {
            px_.reset();
            path::RemoveFile(temp_);
            throw;
        }
    }

    void Insert(const std::vector<TExtLiteral>& values) override {
        const size_t at = records_.size();
        records_.resize(at + static_cast<size_t>(recordSize_));
        char* record = records_.data() + at;
        for (size_t f = 0; f < fields_.size(); ++f) {
            const TExtColumn& c = fields_[f];
            const TExtLiteral& v = values[order_[f]];
            if (c.integer) {
                const int32_t n = IntegerValue(v, c.name);
                PX_put_data_long(px_->get(), record + offsets_[f], 4, n);
                if (keyed_ && f == 0) numberKeys_.push_back(n);
            } else {
                if (v.text.size() > static_cast<size_t>(c.size))
                    throw Exception("ExtDB: Der Wert der Spalte " + c.name + " ist länger als " +
                                    std::to_string(c.size) + " Zeichen!");
                // Alpha fields are the text, padded with NULs.
                std::memcpy(record + offsets_[f], v.text.data(), v.text.size());
            }
        }
    }

    void Finish() override {
        const size_t count = records_.size() / static_cast<size_t>(recordSize_);
        std::vector<size_t> order(count);
        std::iota(order.begin(), order.end(), 0);
        if (keyed_) SortByKey(order);

        TPxDocument& px = *px_;
        // By position: pxlib's PX_put_record searches every block for a free
        // slot, which makes a long table quadratic.
        int position = 0;
        for (size_t i : order)
            if (PX_put_recordn(px.get(), records_.data() + i * static_cast<size_t>(recordSize_), position++) < 0)
                Failed(temp_, px.Error());
        if (keyed_) WritePrimaryIndex(px, FieldSpecs({fields_[0]}, {names_[0]}), tempIndex_, stem_ + ".PX");
        px_.reset();  // closes the file
        records_.clear();
        records_.shrink_to_fit();
    }

    std::vector<std::pair<std::string, std::string>> Files() const override {
        std::vector<std::pair<std::string, std::string>> files;
        if (keyed_) files.emplace_back(tempIndex_, directory_ + stem_ + ".PX");
        files.emplace_back(temp_, directory_ + fileName_);
        return files;
    }

    std::vector<std::string> StaleFiles() const override {
        std::vector<std::string> patterns{"MB", "VAL", "X??", "Y??"};
        if (!keyed_) patterns.push_back("PX");
        std::vector<std::string> stale = CompanionFiles(directory_, fileName_, patterns);
        // On a case-sensitive file system an older "T.px" is not replaced by "T.PX".
        if (keyed_)
            for (const std::string& f : CompanionFiles(directory_, fileName_, {"PX"}))
                if (f != directory_ + stem_ + ".PX") stale.push_back(f);
        return stale;
    }

private:
    [[noreturn]] static void Failed(const std::string& file, const std::string& detail) {
        throw Exception("ExtDB: Die Datei " + file + " konnte nicht geschrieben werden!" +
                        (detail.empty() ? "" : " (" + detail + ")"));
    }

    // Keyed Paradox tables hold their records in key order; a key given twice is
    // a key violation.
    void SortByKey(std::vector<size_t>& order) const {
        const bool number = fields_[0].integer;
        const auto size = static_cast<size_t>(fields_[0].size);
        const auto text = [&](size_t i) { return records_.data() + i * static_cast<size_t>(recordSize_); };
        const auto less = [&](size_t a, size_t b) {
            if (number) return numberKeys_[a] < numberKeys_[b];
            return std::memcmp(text(a), text(b), size) < 0;
        };
        std::stable_sort(order.begin(), order.end(), less);
        for (size_t i = 1; i < order.size(); ++i)
            if (!less(order[i - 1], order[i])) {
                const size_t r = order[i];
                const std::string shown =
                    number ? std::to_string(numberKeys_[r]) : std::string(text(r), strnlen(text(r), size));
                throw Exception("ExtDB: Schlüsselverletzung in der Tabelle " + fileName_ + ": " + shown);
            }
    }

    std::string directory_, fileName_, stem_, temp_, tempIndex_;
    bool keyed_;
    std::vector<size_t> order_;
    std::vector<TExtColumn> fields_;
    std::vector<std::string> names_;
    std::vector<int32_t> offsets_;
    int32_t recordSize_ = 0;
    std::vector<char> records_;
    std::vector<int32_t> numberKeys_;
    std::unique_ptr<TPxDocument> px_;
};

}  // namespace

std::unique_ptr<IExtTableWriter> MakeParadoxWriter(const std::string& directory, const std::string& fileName,
                                                   const std::vector<TExtColumn>& columns, int32_t keyColumn) {
    return std::make_unique<TParadoxWriter>(path::AsDirectory(directory), fileName, columns, keyColumn);
}

}  // namespace korin::extdb
