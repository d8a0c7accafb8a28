// Comma texts: a list of texts in one line, as the tree's selected path is kept
// in the settings ("AUC_SYSTEM,PRO_DOKU,MSR_REF").
//
// Joining encloses a text in double quotes when it is empty, or holds a blank, a
// comma, a double quote or a control character, doubling inner quotes.
// Splitting reads quoted texts back, and otherwise separates at commas and at
// unquoted blanks; a comma at the very end adds an empty text.
#pragma once

#include <QString>
#include <QStringList>

namespace korin {

QString JoinCommaText(const QStringList& texts);
QStringList SplitCommaText(const QString& text);

}  // namespace korin
