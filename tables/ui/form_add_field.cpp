#include "tables/ui/form_add_field.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace korin {
namespace {

// A field's id is a 16-bit signed number: a larger code would be stored as
// another one.
constexpr int kMaxCode = 32767;

QLineEdit* DigitsEdit(QWidget* parent, int maxLength, const QString& text) {
    auto* edit = new QLineEdit(text, parent);
    edit->setMaxLength(maxLength);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    return edit;
}

}  // namespace

TFormAddField::TFormAddField(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Feld hinzufügen"));
    setModal(true);
    code_edit_ = DigitsEdit(this, 5, QString());
    name_edit_ = new QLineEdit(this);
    name_edit_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[A-Za-z0-9_]*")), name_edit_));
    type_edit_ = DigitsEdit(this, 2, QStringLiteral("0"));
    length_edit_ = DigitsEdit(this, 3, QString());
    decimals_edit_ = DigitsEdit(this, 3, QStringLiteral("0"));
    upper_ = new QCheckBox(QStringLiteral("Automatische Großschreibung"), this);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Code"), code_edit_);
    form->addRow(QStringLiteral("Feldname"), name_edit_);
    form->addRow(QStringLiteral("Typ"), type_edit_);
    auto* lengthRow = new QHBoxLayout;
    lengthRow->addWidget(length_edit_);
    lengthRow->addWidget(decimals_edit_);
    form->addRow(QStringLiteral("Länge"), lengthRow);
    form->addRow(upper_);
    form->addRow(buttons_);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QLineEdit* edit : {code_edit_, name_edit_, type_edit_, length_edit_, decimals_edit_})
        connect(edit, &QLineEdit::textChanged, this, &TFormAddField::Changed);
    Changed();
}

bool TFormAddField::UpperCase() const { return upper_->isChecked(); }

bool TFormAddField::OkEnabled() const { return buttons_->button(QDialogButtonBox::Ok)->isEnabled(); }

void TFormAddField::Changed() {
    code_ = code_edit_->text().toInt();
    name_ = name_edit_->text();
    type_ = type_edit_->text().toInt();
    length_ = length_edit_->text().toInt();
    decimals_ = decimals_edit_->text().toInt();
    decimals_edit_->setVisible(type_ == 2);
    const bool numeric = (type_ >= 1 && type_ <= 4) || (type_ >= 17 && type_ <= 19);
    upper_->setEnabled(!numeric);
    buttons_->button(QDialogButtonBox::Ok)
        ->setEnabled(code_ > 0 && code_ <= kMaxCode && !name_.isEmpty() && type_ >= 0 && length_ >= 1 && decimals_ < length_);
}

}  // namespace korin
