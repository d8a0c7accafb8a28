// TFormMSRRenameMPoint: the measure point rename window, view 2 of the MSR
// module (module name "RenameMPoint").
//
// The list holds every measure point; a chosen one shows its plant (field 1)
// and measure point text (field 2) in the edits. "Änderung übernehmen" is
// enabled while the plant exists in ANLAGE; it checks the new designation
// with msr_rename.h and shows a refusal. An accepted rename changes no table
// and no page: what renaming would have to carry along (pages, DRAWING,
// MSR_REF) is not settled.
//
// The list is narrowed through a secondary key of MESSTELLE as in the
// assignment window (msr/ui/filter_panel.h); "Sekundärschlüssel auswählen"
// chooses the key there too, and the choice is kept in the same settings.
//
// Settings (key "MSR/RenameMPoint"): "PanelMPoinFilterWidth",
// "SGridMPointMPointWidth", and the filter's "ShowFilter", "SKeyName",
// "FilterField"+n, "FilterValue"+n, "SGridFilterFieldWidth".
#pragma once

#include <QWidget>
#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QSettings;
class QSplitter;
class QTableWidget;

namespace korin {

class IKorHost;
class TFilterPanel;
namespace msr {
class TMsrProject;
}

class TFormMSRRenameMPoint : public QWidget {
    Q_OBJECT
public:
    explicit TFormMSRRenameMPoint(IKorHost& host, QWidget* parent = nullptr);
    ~TFormMSRRenameMPoint() override;

    void LoadSettings(QSettings& settings);
    void SaveSettings(QSettings& settings);
    void Reload();
    void Close();
    // "Änderung übernehmen": the refusal is shown; returns it (empty: accepted).
    QString Apply();

    QTableWidget& List() { return *list_; }
    QLineEdit& Plant() { return *plant_; }
    QLineEdit& Point() { return *point_; }
    QAction* ApplyAction() const { return apply_; }
    TFilterPanel& Filter() { return *filter_; }

private:
    void RowChanged();
    void PlantEdited();
    void FillList();

    IKorHost& host_;
    std::unique_ptr<msr::TMsrProject> project_;
    QSplitter* splitter_ = nullptr;
    QSplitter* left_ = nullptr;
    QTableWidget* list_ = nullptr;
    TFilterPanel* filter_ = nullptr;
    QLineEdit* plant_ = nullptr;
    QLineEdit* point_ = nullptr;
    QLabel* joined_ = nullptr;
    QAction* apply_ = nullptr;
};

}  // namespace korin
