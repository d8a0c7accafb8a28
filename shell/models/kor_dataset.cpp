#include "shell/models/kor_dataset.h"

#include <QMetaObject>
#include <algorithm>

#include "shell/models/codepage.h"
#include "store/kor_table.h"
#include "store/kor_table_watch.h"

namespace korin {

TKorDataSet::TKorDataSet(QObject* parent) : QAbstractTableModel(parent) {}

TKorDataSet::~TKorDataSet() {
    // The table may already be gone when its owner destroys both in the wrong
    // order; the model only forgets it then. The reader is the model's own.
    if (watch_) UnwatchTable(watch_);
    active_ = false;
}

void TKorDataSet::SetKorTab(TKorTable* table) {
    if (table == table_) return;
    Close();
    table_ = table;
}

void TKorDataSet::SetFilter(const std::string& filter) {
    const bool wasActive = active_;
    Close();
    filter_ = filter;
    if (wasActive) Open();
}

void TKorDataSet::SetFiltered(bool filtered) {
    if (filtered == filtered_) return;
    const bool wasActive = active_;
    Close();
    filtered_ = filtered;
    if (wasActive) Open();
}

void TKorDataSet::SetOnFilterRecord(FilterRecordHandler handler) {
    const bool wasActive = active_;
    Close();
    onFilterRecord_ = std::move(handler);
    if (wasActive) Open();
}

void TKorDataSet::Open() {
    if (active_ || !table_) return;
    beginResetModel();
    try {
        OpenCursor();
    } catch (...) {
        CloseCursor();
        endResetModel();
        throw;
    }
    endResetModel();
}

void TKorDataSet::Close() {
    if (!active_) return;
    beginResetModel();
    CloseCursor();
    endResetModel();
}

void TKorDataSet::OpenReader() {
    readerPosition_ = -1;
    reader_ = std::make_unique<TKorTable>();
    reader_->SetProject(table_->Project());
    reader_->SetFileName(table_->FileName());
    reader_->SetKeyFileName(table_->KeyFileName());
    reader_->Open();
    if (!reader_->IsOpen()) {
        reader_.reset();
        return;
    }
    if (!filter_.empty()) reader_->SetFilter(filter_);
    const auto& defs = reader_->FieldDefs();
    for (int32_t i = 0; i < defs.FieldCount(); ++i) {
        names_ << FromCatalogue(defs.FieldName(i));
        widths_.push_back(defs.FieldWidth(i));
    }
    count_ = ShownCount();
    CollectAccepted();
}

int32_t TKorDataSet::ShownCount() {
    // Without a filter text the rows are all records in use: the header says
    // how many in O(1), where the key file would count its whole tree first.
    return filter_.empty() ? std::max(0, reader_->HeaderRecordCount()) : reader_->RecordCount();
}

void TKorDataSet::CollectAccepted() {
    accepted_.clear();
    useAccepted_ = filtered_ && static_cast<bool>(onFilterRecord_);
    if (!useAccepted_) return;
    for (int32_t i = 0; i < count_; ++i) {
        reader_->GoTo(i);
        if (onFilterRecord_(*reader_)) accepted_.push_back(i);
        readerPosition_ = -1;
    }
}

void TKorDataSet::OpenCursor() {
    if (!table_->IsOpen()) table_->Open();
    if (!table_->IsOpen()) return;
    if (!filter_.empty()) table_->SetFilter(filter_);
    OpenReader();
    if (!reader_) return;
    watch_ = WatchTable(reader_->FullPath(), [this](TKorTableChange change) { Noted(change); });
    pendingRecords_ = pendingStructure_ = false;
    active_ = true;
    // The first rows are read by stepping; the key file's counts, which a jump
    // needs, are made once the event loop is idle after the first painting.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (active_ && reader_ && !pendingStructure_) reader_->RecordCount();
        },
        Qt::QueuedConnection);
}

void TKorDataSet::CloseCursor() {
    const bool wasActive = active_;
    active_ = false;
    if (watch_) UnwatchTable(watch_);
    watch_ = 0;
    pendingRecords_ = pendingStructure_ = false;
    reader_.reset();
    names_.clear();
    widths_.clear();
    accepted_.clear();
    useAccepted_ = false;
    count_ = 0;
    cachedRow_ = -1;
    cachedTexts_.clear();
    if (wasActive && table_) table_->Close();
}

// Runs inside the writing operation: only note the change and come back once
// the operation has ended.
void TKorDataSet::Noted(TKorTableChange change) {
    if (change == TKorTableChange::Structure)
        pendingStructure_ = true;
    else
        pendingRecords_ = true;
    cachedRow_ = -1;
    readerPosition_ = -1;
    if (refreshPosted_) return;
    refreshPosted_ = true;
    QMetaObject::invokeMethod(this, [this] { Refresh(); }, Qt::QueuedConnection);
}

void TKorDataSet::Refresh() {
    refreshPosted_ = false;
    if (!active_ || (!pendingRecords_ && !pendingStructure_)) return;
    cachedRow_ = -1;
    if (pendingStructure_) {
        // The file was replaced: the reader still maps the old one.
        beginResetModel();
        names_.clear();
        widths_.clear();
        count_ = 0;
        pendingRecords_ = pendingStructure_ = false;
        try {
            OpenReader();
        } catch (...) {
            endResetModel();
            Close();
            throw;
        }
        if (!reader_) {
            endResetModel();
            Close();
            return;
        }
        endResetModel();
        return;
    }
    pendingRecords_ = false;
    readerPosition_ = -1;
    const int before = rowCount();
    count_ = ShownCount();
    if (useAccepted_) {
        // Which records a handler accepts can change anywhere.
        beginResetModel();
        CollectAccepted();
        endResetModel();
        return;
    }
    const int after = count_;
    count_ = before;
    if (after > before) {
        beginInsertRows(QModelIndex(), before, after - 1);
        count_ = after;
        endInsertRows();
    } else if (after < before) {
        beginRemoveRows(QModelIndex(), after, before - 1);
        count_ = after;
        endRemoveRows();
    }
    // Records may have moved in key order or changed their texts: every shown
    // row is read anew when the view paints it.
    if (count_ > 0 && !names_.isEmpty())
        emit dataChanged(index(0, 0), index(count_ - 1, static_cast<int>(names_.size()) - 1));
}

int32_t TKorDataSet::RecordPosition(int row) const {
    if (!active_ || row < 0) return -1;
    if (useAccepted_)
        return row < static_cast<int>(accepted_.size()) ? accepted_[static_cast<size_t>(row)] : -1;
    return row < count_ ? row : -1;
}

bool TKorDataSet::SelectRow(int row) {
    const int32_t position = RecordPosition(row);
    if (position < 0) return false;
    table_->GoTo(position);
    return true;
}

int32_t TKorDataSet::FieldWidth(int column) const {
    return column >= 0 && column < static_cast<int>(widths_.size()) ? widths_[static_cast<size_t>(column)]
                                                                    : 0;
}

int TKorDataSet::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !active_) return 0;
    return useAccepted_ ? static_cast<int>(accepted_.size()) : count_;
}

int TKorDataSet::columnCount(const QModelIndex& parent) const {
    if (parent.isValid() || !active_) return 0;
    return static_cast<int>(names_.size());
}

const QStringList& TKorDataSet::RowTexts(int row) const {
    if (row != cachedRow_) {
        cachedTexts_.clear();
        const int32_t position = RecordPosition(row);
        // Until a replaced file is opened again no row is read from the old one.
        if (position >= 0 && reader_ && !pendingStructure_ && position < count_) {
            // A grid reads its rows one after the other: the next one is a step
            // of the key file's cursor; a jump positions by rank (the key file
            // counts its tree once for that).
            if (readerPosition_ >= 0 && position == readerPosition_ + 1)
                reader_->Next();
            else if (position == 0)
                reader_->First();
            else
                reader_->GoTo(position);
            readerPosition_ = position;
            for (int32_t j = 0; j < static_cast<int32_t>(names_.size()); ++j)
                cachedTexts_ << FromOem(reader_->Records().GetFieldView(j));
        }
        cachedRow_ = row;
    }
    return cachedTexts_;
}

QVariant TKorDataSet::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole) return {};
    const QStringList& texts = RowTexts(index.row());
    return index.column() < texts.size() ? QVariant(texts[index.column()]) : QVariant();
}

QVariant TKorDataSet::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) {
        // The record number, 1-based, as the grid's indicator column shows it.
        return section >= 0 && section < rowCount() ? QVariant(section + 1) : QVariant();
    }
    return section >= 0 && section < names_.size() ? QVariant(names_[section]) : QVariant();
}

Qt::ItemFlags TKorDataSet::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

bool TKorDataSet::setData(const QModelIndex&, const QVariant&, int) { return false; }

}  // namespace korin
