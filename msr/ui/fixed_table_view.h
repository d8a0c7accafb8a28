// TFormTabView: a fixed view of one standard table, a dock window of the MSR
// overview with the tabs "Inhalt" (the records, through the data module's
// dataset), "Index" (empty) and "Struktur" (code, name, length, type and the
// "Zeigen" flag of each field; a click on a flag toggles it). The shown
// fields, their order and widths are kept under the overview's key + "/" +
// the view's name: field + "Visible", "VisibleCount", "ColCount",
// "FieldName" + column, field + "Width" (a width below 1 shows 10 pixels).
//
// Links: a view may filter others whenever its current record changes, the
// target field equal to a field of the current record (a key prefix of the
// target table, so no records are walked). A target not shown is skipped.
#pragma once

#include <QDockWidget>
#include <QVariantMap>
#include <string>
#include <vector>

#include "shell/dm.h"

class QSettings;
class QTabWidget;
class QTableView;
class QTableWidget;

namespace korin {

class IKorHost;

class TFormTabView : public QDockWidget {
    Q_OBJECT
public:
    TFormTabView(IKorHost& host, TDM::Table table, const QString& name, const QString& title, QWidget* parent);

    // The target view is filtered by `targetField` = this view's `sourceField`.
    void AddLink(TFormTabView* target, const std::string& targetField, const std::string& sourceField);

    // Opens the table through the data module and binds the grid; the
    // terminal view first asks for the key "Ident" when the table lacks it.
    void Activate();
    void Deactivate();
    bool IsActive() const { return active_; }
    void LoadSettings(QSettings& settings);
    void SaveSettings(QSettings& settings);

    const QString& Name() const { return name_; }
    QTableView& Content() { return *content_; }
    QTableWidget& Structure() { return *structure_; }
    // The fields shown in the content grid, in column order.
    QStringList ShownFields() const;
    // Moves to a row of the content grid (as the user does).
    void SelectRow(int row);
    std::string Filter() const;
    // Whether the view was shown when the overview was last left ("Open"; the
    // plants, measure points and instrumentation are shown at first use).
    bool WasOpen() const { return wasOpen_; }
    void SetWasOpen(bool open) { wasOpen_ = open; }

signals:
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Link {
        TFormTabView* target;
        std::string targetField, sourceField;
    };
    bool EnsureIdentKey();
    void FillStructure();
    void ApplyColumns();
    void StoreValues();
    void RowChanged(int row);

    IKorHost& host_;
    TDM::Table table_;
    QString name_;
    QString title_;
    bool active_ = false;
    bool wasOpen_ = false;
    QVariantMap values_;  // the view's settings, kept while it is not shown
    std::vector<Link> links_;
    QTabWidget* tabs_ = nullptr;
    QTableView* content_ = nullptr;
    QTableWidget* structure_ = nullptr;
};

}  // namespace korin
