#include "tables/ui/form_dbase_symbol.h"

#include "shell/form_dir.h"
#include "shell/kor_dialogs.h"
#include "shell/kor_host.h"

namespace korin {

TFormReportingModule::TFormReportingModule(IKorHost& host, const QString& moduleName,
                                           const QString& selectionText, const QString& projectText)
    : TKorPanelModule(host, moduleName), selectionText_(selectionText), projectText_(projectText) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Dark);
}

void TFormReportingModule::SelectionChanged() {
    if (!Active()) return;
    const TFormDir& tree = Host().ProjectTree();
    if (tree.SelectedType() != 5) return;
    Dialogs().ShowMessage(Host().HostWindow(),
                          selectionText_ + QString::fromStdString(tree.SelectedTableDataFile()) +
                              u' ' + QString::fromStdString(tree.SelectedTableKeyFile()));
}

void TFormReportingModule::ProjectOpened() {
    if (!Active()) return;
    Dialogs().ShowMessage(Host().HostWindow(),
                          projectText_ + QString::fromStdString(Host().GetProjectDir()));
}

TFormDBase::TFormDBase(IKorHost& host)
    : TFormReportingModule(host, QStringLiteral("DBase"),
                           QStringLiteral("ModDBase: Neuer Eintrag in ModDir:"),
                           QStringLiteral("ModDBase: Neues Projekt: ")) {}

TFormSymbol::TFormSymbol(IKorHost& host)
    : TFormReportingModule(host, QStringLiteral("Symbol"),
                           QStringLiteral("ModSymbol: Neuer Eintrag in ModDir:"),
                           QStringLiteral("ModSymbol: Neues Projekt:")) {}

}  // namespace korin
