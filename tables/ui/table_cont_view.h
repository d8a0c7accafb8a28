// TTableContView: the contents view of the table module (view 2): the records
// of the table in a read-only grid over a TKorDataSet.
//
// The view opens its own table object on the module table's files; the
// dataset reads rows on demand and follows every change of the table
// (shell/models/kor_dataset.h).
//
// Column settings per table, in "Contens/<table path>": for each column the
// width under the field's name, for each field "<name>Visible" (1 shown, 0
// hidden). A table without settings shows every field.
#pragma once

#include <memory>

#include "store/kor_table.h"
#include "tables/ui/table_views.h"

class QTableView;

namespace korin {

class TKorDataSet;

class TTableContView : public TTableView {
    Q_OBJECT
public:
    explicit TTableContView(TFormTable& module);
    ~TTableContView() override;

    QTableView* Grid() const { return grid_; }
    TKorDataSet& DataSet() const { return *dataset_; }
    void Refresh() override;
    void LoadSettings(QSettings& tableGroup) override;
    void SaveSettings(QSettings& tableGroup) override;
    void Print() override;
    void ExportText(const QString& file) override;
    // Closes the dataset (before the module replaces the table's files).
    void CloseData();

protected:
    void Showing() override;
    void Hiding() override;

private:
    void Reload();
    void ApplyColumnSettings();

    QTableView* grid_;
    std::unique_ptr<TKorDataSet> dataset_;
    TKorTable table_;
    QString loadedPath_;
};

}  // namespace korin
