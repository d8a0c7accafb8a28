// TFormAddField: the dialog "Feld hinzufügen" of the structure view.
//
// "Code" (at most 5 digits), "Feldname" (letters A-Z and a-z, digits, "_"),
// "Typ" (at most 2 digits, initially "0"), "Länge" (at most 3 digits), the
// decimals (at most 3 digits, initially "0", shown only for type 2) and
// "Automatische Großschreibung". On every change the dialog reads all edits
// again (empty counts as 0): the upper-case box is enabled unless the type is
// 1 to 4 or 17 to 19, and OK exactly when 0 < code <= 32767 (a field id is
// 16 bits), the name is not empty,
// type >= 0, length >= 1 and decimals < length. The dialog keeps its texts
// between uses.
#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QDialogButtonBox;
class QLineEdit;

namespace korin {

class TFormAddField : public QDialog {
    Q_OBJECT
public:
    explicit TFormAddField(QWidget* parent = nullptr);

    int Code() const { return code_; }
    QString FieldName() const { return name_; }
    int Type() const { return type_; }
    int Length() const { return length_; }
    int Decimals() const { return decimals_; }
    bool UpperCase() const;

    QLineEdit* EditCode() const { return code_edit_; }
    QLineEdit* EditName() const { return name_edit_; }
    QLineEdit* EditType() const { return type_edit_; }
    QLineEdit* EditLength() const { return length_edit_; }
    QLineEdit* EditDecimals() const { return decimals_edit_; }
    QCheckBox* CheckUpperCase() const { return upper_; }
    bool OkEnabled() const;

private:
    void Changed();

    QLineEdit* code_edit_;
    QLineEdit* name_edit_;
    QLineEdit* type_edit_;
    QLineEdit* length_edit_;
    QLineEdit* decimals_edit_;
    QCheckBox* upper_;
    QDialogButtonBox* buttons_;
    int code_ = 0;
    QString name_;
    int type_ = 0;
    int length_ = 0;
    int decimals_ = 0;
};

}  // namespace korin
