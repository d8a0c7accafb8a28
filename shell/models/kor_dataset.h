// TKorDataSet: a table of the store as a read-only Qt table model.
//
// Row i is the i-th record of the table in key order (or of the table's filter,
// store/kor_table_filter.h); column j is field j as text. Nothing is copied: a
// row is read when a view asks for it: the next row by one step of a reader's
// key file cursor, any other by moving the reader to position i of the key
// file's result list (O(log n) once the key file has counted its tree, which
// it does when the event loop is first idle after opening), so a table of a
// million records opens and scrolls at once. The texts are converted from the OEM code page (850) here.
//
// The reader is the model's own table object on the table's files: reading a
// row never moves the table that was given (KorTab), whose position belongs to
// the code that works with it. SelectRow moves KorTab on purpose.
//
// The model never writes: flags carry no ItemIsEditable and setData refuses.
// Records are changed through the table's own operations, by any object on the
// same file; the store announces each change (store/kor_table_watch.h) and the
// model follows it once the operation has ended (from the event loop, or at
// once through Refresh): rows appear or go at the end and the shown rows are read
// anew; a replaced file (empty, reindex, a field added) opens the reader again.
//
// A filter-record handler, active while Filtered is set, decides per record
// whether it is shown. It cannot be answered lazily, so the accepted positions
// are collected at open (and after each change); the Filter text (a key prefix
// of the table) costs nothing and is the way to narrow large tables.
//
// The model does not own its table. It opens the table on Open when the table is
// not open yet and closes it on Close; the owner closes or destroys the model
// before it destroys the table. Errors of the table (open, filter) pass through
// to the caller of Open; the model is closed afterwards.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace korin {

class TKorTable;
enum class TKorTableChange;

class TKorDataSet : public QAbstractTableModel {
    Q_OBJECT
public:
    // The record the table stands on; true to show it.
    using FilterRecordHandler = std::function<bool(TKorTable& table)>;

    explicit TKorDataSet(QObject* parent = nullptr);
    ~TKorDataSet() override;

    TKorTable* KorTab() const { return table_; }
    // Closes the model when it is open, then takes the table.
    void SetKorTab(TKorTable* table);

    const std::string& Filter() const { return filter_; }
    // Stores the filter; an open model is closed and opened again, so that the
    // table's filter is applied anew.
    void SetFilter(const std::string& filter);

    bool Filtered() const { return filtered_; }
    void SetFiltered(bool filtered);
    void SetOnFilterRecord(FilterRecordHandler handler);

    bool Active() const { return active_; }
    // Without a table the model stays closed; a table that does not open leaves
    // it closed too.
    void Open();
    void Close();
    void SetActive(bool active) { active ? Open() : Close(); }

    // Always false: the model is read-only.
    bool CanModify() const { return false; }
    // The number of records at open (rows shown).
    int32_t RecordCount() const { return count_; }
    // The position in the table's key order of a row, -1 outside.
    int32_t RecordPosition(int row) const;
    // Moves the table to the record of a row, so that callers read its other
    // fields; false outside.
    bool SelectRow(int row);

    int32_t FieldWidth(int column) const;
    // Follows the changes announced since the last call now, instead of from
    // the event loop.
    void Refresh();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    void OpenCursor();
    void CloseCursor();
    void OpenReader();
    void CollectAccepted();
    int32_t ShownCount();
    void Noted(TKorTableChange change);
    const QStringList& RowTexts(int row) const;

    TKorTable* table_ = nullptr;
    std::unique_ptr<TKorTable> reader_;
    int64_t watch_ = 0;
    bool pendingRecords_ = false;
    bool pendingStructure_ = false;
    bool refreshPosted_ = false;
    // The position the reader stands on, -1 when unknown.
    mutable int32_t readerPosition_ = -1;
    std::string filter_;
    bool filtered_ = false;
    FilterRecordHandler onFilterRecord_;
    bool active_ = false;

    int32_t count_ = 0;
    QStringList names_;
    std::vector<int32_t> widths_;
    // With a filter-record handler: the accepted positions in key order.
    std::vector<int32_t> accepted_;
    bool useAccepted_ = false;

    // The row read last: a view asks for all columns of a row in turn.
    mutable int cachedRow_ = -1;
    mutable QStringList cachedTexts_;
};

}  // namespace korin
