// The master data module (TFormDBase, View "Stamm&daten") and the symbol module
// (TFormSymbol, View "&Symbol").
//
// Both are one empty panel that fills the module area and tell the user about
// the shell's notifications while they are shown:
//   selection changed, when the tree's selection is a table:
//       first text + data file name + " " + key file name
//   project opened:  second text + the project directory
// Their settings keys ("DBase", "Symbol") hold no values.
#pragma once

#include <QString>

#include "shell/kor_module.h"

namespace korin {

class TFormReportingModule : public TKorPanelModule {
    Q_OBJECT
public:
    TFormReportingModule(IKorHost& host, const QString& moduleName, const QString& selectionText,
                         const QString& projectText);

    void ProjectOpened() override;
    void SelectionChanged() override;

private:
    QString selectionText_;
    QString projectText_;
};

class TFormDBase : public TFormReportingModule {
    Q_OBJECT
public:
    explicit TFormDBase(IKorHost& host);
};

class TFormSymbol : public TFormReportingModule {
    Q_OBJECT
public:
    explicit TFormSymbol(IKorHost& host);
};

}  // namespace korin
