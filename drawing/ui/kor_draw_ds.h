// TKorDrawDS: the rows of one drawing as a read-only Qt table model.
//
// Five columns "SymNo", "SymTyp", "SymName", "CodeNo", "CodeText"; one row per
// symbol or one per code (drawing/kor_draw_rows.h). Open reads the drawing once
// and releases the file; the rows do not follow later changes of the file until
// the model is opened again. The filter (one condition, drawing/kor_draw_rows.h)
// applies while Filtered is on; the rows that pass are found once when the filter
// or the rows change. Texts of the drawing are ANSI texts.
#pragma once

#include <QAbstractTableModel>
#include <string>
#include <vector>

#include "drawing/kor_draw_rows.h"

namespace korin {

class TKorDrawDS : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TKorDrawDS(TKorDrawTable tableType = TKorDrawTable::Symbol, QObject* parent = nullptr);

    // A path of a file that does not exist is ignored (the old name stays).
    void SetFileName(const std::string& path);
    const std::string& FileName() const { return fileName_; }
    TKorDrawTable TableType() const { return tableType_; }
    void SetTableType(TKorDrawTable type) { tableType_ = type; }

    // Reads the drawing. No file name, or a file the drawing refuses, raises the
    // drawing's error and leaves the model closed (no rows).
    void Open();
    void Close();
    bool Active() const { return active_; }

    void SetFilter(const std::string& text);
    void SetFiltered(bool on);
    const std::string& Filter() const { return filterText_; }

    // The row shown at `row`, or null.
    const TKorDrawRow* Row(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void Refilter();

    std::string fileName_;
    TKorDrawTable tableType_;
    bool active_ = false;
    std::vector<TKorDrawRow> rows_;
    std::string filterText_;
    bool filtered_ = false;
    std::vector<int32_t> shown_;  // indexes into rows_ of the rows that pass
};

}  // namespace korin
