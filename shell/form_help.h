// The handbook window "Korin Pro – Hilfe": the German handbook that ships with
// the program (HTML pages compiled into it), with its contents on the left, a
// search over the text of every page, and back and forward.
//
// The help menu names help files; `TopicOfHelpFile` maps each to its page, so
// every item opens a page of the handbook, offline.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QLineEdit;
class QListWidget;
class QTextBrowser;
class QToolButton;

namespace korin {

class TFormHelp : public QDialog {
    Q_OBJECT
public:
    explicit TFormHelp(QWidget* parent = nullptr);

    // Shows a page of the handbook ("kabel.html", "kabel.html#stammkabel");
    // false when the handbook has no such page.
    bool ShowTopic(const QString& topic);
    QString CurrentTopic() const;

    // The page for a help file of the menu ("KorinPro32.hlp", "Datenmodell.hlp",
    // "Projektkabel.hlp", "Stammkabel.hlp"; "Web" for the web items).
    static QString TopicOfHelpFile(const QString& file);
    // The pages of the handbook, in the order of its contents.
    static QStringList Topics();
    // The pages whose text holds every word of `query` (case ignored).
    static QStringList Search(const QString& query);

    QTextBrowser* Browser() const { return browser_; }
    QListWidget* Contents() const { return contents_; }

private:
    void RunSearch();

    QLineEdit* search_;
    QListWidget* contents_;
    QTextBrowser* browser_;
    QToolButton* back_;
    QToolButton* forward_;
};

}  // namespace korin
