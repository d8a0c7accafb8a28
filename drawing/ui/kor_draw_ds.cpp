#include "drawing/ui/kor_draw_ds.h"

#include "drawing/kor_drawing.h"
#include "shell/models/codepage.h"
#include "store/kor_error.h"
#include "store/kor_path.h"

namespace korin {

TKorDrawDS::TKorDrawDS(TKorDrawTable tableType, QObject* parent)
    : QAbstractTableModel(parent), tableType_(tableType) {}

void TKorDrawDS::SetFileName(const std::string& path) {
    if (path::FileExists(path::Native(path))) fileName_ = path;
}

void TKorDrawDS::Open() {
    Close();
    const auto slash = path::Native(fileName_).find_last_of('/');
    if (fileName_.empty() || slash == std::string::npos)
        throw Exception("KorDrawing: Datei nicht gefunden. Datei : " + fileName_);
    TKorDrawing drawing;
    drawing.SetProject(fileName_.substr(0, slash + 1));
    drawing.SetFileName(fileName_.substr(slash + 1));
    drawing.Open();
    std::vector<TKorDrawRow> rows = BuildDrawRows(drawing, tableType_);
    drawing.Close();
    beginResetModel();
    rows_ = std::move(rows);
    active_ = true;
    Refilter();
    endResetModel();
}

void TKorDrawDS::Close() {
    if (!active_ && rows_.empty()) return;
    beginResetModel();
    rows_.clear();
    shown_.clear();
    active_ = false;
    endResetModel();
}

void TKorDrawDS::SetFilter(const std::string& text) {
    beginResetModel();
    filterText_ = text;
    Refilter();
    endResetModel();
}

void TKorDrawDS::SetFiltered(bool on) {
    beginResetModel();
    filtered_ = on;
    Refilter();
    endResetModel();
}

void TKorDrawDS::Refilter() {
    shown_.clear();
    shown_.reserve(rows_.size());
    const TKorDrawFilter condition(filtered_ ? filterText_ : std::string());
    for (size_t i = 0; i < rows_.size(); ++i)
        if (condition.Accepts(rows_[i])) shown_.push_back(static_cast<int32_t>(i));
}

const TKorDrawRow* TKorDrawDS::Row(int row) const {
    return row >= 0 && static_cast<size_t>(row) < shown_.size() ? &rows_[static_cast<size_t>(shown_[static_cast<size_t>(row)])]
                                                                : nullptr;
}

int TKorDrawDS::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int TKorDrawDS::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kDrawRowFields; }

QVariant TKorDrawDS::data(const QModelIndex& index, int role) const {
    const TKorDrawRow* row = Row(index.row());
    if (!row || role != Qt::DisplayRole) return {};
    return FromAnsi(DrawRowField(*row, index.column()));
}

QVariant TKorDrawDS::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromLatin1(DrawRowFieldName(section));
}

Qt::ItemFlags TKorDrawDS::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace korin
