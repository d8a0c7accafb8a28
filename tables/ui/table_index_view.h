// TTableIndexView: the index view of the table module (view 1), read-only.
// Row 0 the header ("Schlüsselname", "Feldname 1" .. "Feldname 20"), row 1 the
// primary key ("*", "Primärindex", its field or "kein Schlüssel"), rows 2 ..
// the secondary keys ("*" when unique, name, fields in key order). It has no
// settings of its own.
#pragma once

#include "tables/ui/table_views.h"

class QTableWidget;

namespace korin {

class TTableIndexView : public TTableView {
    Q_OBJECT
public:
    explicit TTableIndexView(TFormTable& module);

    QTableWidget* Grid() const { return grid_; }
    void Refresh() override;
    void Print() override;
    void ExportText(const QString& file) override;

protected:
    void Showing() override { Fill(); }

private:
    void Fill();

    QTableWidget* grid_;
};

}  // namespace korin
