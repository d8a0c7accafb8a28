#include "shell/form_help.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace korin {
namespace {

// The handbook's pages and their titles in the contents, in reading order.
struct Page {
    const char* file;
    const char* title;
};
constexpr Page kPages[] = {
    {"index.html", "Inhalt"},
    {"start.html", "Erste Schritte mit dem Beispielprojekt"},
    {"projekt.html", "Projektbaum und Projektprüfung"},
    {"datenmodell.html", "Datenmodell: die Standardtabellen"},
    {"tabellen.html", "Das Tabellenmodul"},
    {"import-export.html", "Import und Export"},
    {"kabel.html", "Kabel und Stammkabeldatenbank"},
    {"msr.html", "MSR: Seiten, Zuordnung und Prüfungen"},
    {"zeichnung.html", "Das Zeichnungsmodul"},
    {"korintool.html", "korintool: die Kommandozeile"},
    {"support.html", "Support und Feedback"},
};

const QString kRoot = QStringLiteral("qrc:/handbook/");

QString PageText(const QString& file) {
    QFile in(QStringLiteral(":/handbook/") + file);
    if (!in.open(QIODevice::ReadOnly)) return {};
    QTextDocument doc;
    doc.setHtml(QString::fromUtf8(in.readAll()));
    return doc.toPlainText();
}

}  // namespace

TFormHelp::TFormHelp(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Korin Pro – Hilfe"));
    setObjectName(QStringLiteral("FormHelp"));
    resize(900, 640);
    setWindowFlag(Qt::WindowMaximizeButtonHint);

    back_ = new QToolButton(this);
    back_->setText(QStringLiteral("Zurück"));
    back_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    forward_ = new QToolButton(this);
    forward_->setText(QStringLiteral("Vor"));
    forward_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("EditSearch"));
    search_->setPlaceholderText(QStringLiteral("Suchen ..."));
    search_->setClearButtonEnabled(true);

    contents_ = new QListWidget(this);
    contents_->setObjectName(QStringLiteral("ListContents"));
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("Browser"));
    browser_->setOpenExternalLinks(true);
    browser_->setSearchPaths({QStringLiteral(":/handbook")});

    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(search_);
    leftLayout->addWidget(contents_, 1);
    auto* split = new QSplitter(this);
    split->addWidget(left);
    split->addWidget(browser_);
    split->setStretchFactor(1, 1);
    split->setSizes({230, 670});

    auto* bar = new QHBoxLayout;
    bar->addWidget(back_);
    bar->addWidget(forward_);
    bar->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(split, 1);

    connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QToolButton::setEnabled);
    connect(search_, &QLineEdit::textChanged, this, &TFormHelp::RunSearch);
    connect(contents_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { ShowTopic(item->data(Qt::UserRole).toString()); });
    connect(contents_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { ShowTopic(item->data(Qt::UserRole).toString()); });
    back_->setEnabled(false);
    forward_->setEnabled(false);
    RunSearch();
}

QStringList TFormHelp::Topics() {
    QStringList topics;
    for (const Page& page : kPages) topics << QString::fromLatin1(page.file);
    return topics;
}

QString TFormHelp::TopicOfHelpFile(const QString& file) {
    const QString name = file.toLower();
    if (name == QLatin1String("datenmodell.hlp")) return QStringLiteral("datenmodell.html");
    if (name == QLatin1String("projektkabel.hlp")) return QStringLiteral("kabel.html#projektkabel");
    if (name == QLatin1String("stammkabel.hlp")) return QStringLiteral("kabel.html#stammkabel");
    if (name == QLatin1String("web")) return QStringLiteral("support.html");
    return QStringLiteral("index.html");
}

QStringList TFormHelp::Search(const QString& query) {
    const QStringList words = query.simplified().split(u' ', Qt::SkipEmptyParts);
    QStringList found;
    for (const Page& page : kPages) {
        const QString file = QString::fromLatin1(page.file);
        const QString text = PageText(file) + u' ' + QString::fromUtf8(page.title);
        bool all = true;
        for (const QString& word : words)
            if (!text.contains(word, Qt::CaseInsensitive)) {
                all = false;
                break;
            }
        if (all) found << file;
    }
    return found;
}

void TFormHelp::RunSearch() {
    const QStringList pages = Search(search_->text());
    contents_->clear();
    for (const Page& page : kPages) {
        const QString file = QString::fromLatin1(page.file);
        if (!pages.contains(file)) continue;
        auto* item = new QListWidgetItem(QString::fromUtf8(page.title), contents_);
        item->setData(Qt::UserRole, file);
    }
}

bool TFormHelp::ShowTopic(const QString& topic) {
    const QString file = topic.section(u'#', 0, 0);
    if (!QFile::exists(QStringLiteral(":/handbook/") + file)) return false;
    browser_->setSource(QUrl(kRoot + topic));
    return true;
}

QString TFormHelp::CurrentTopic() const {
    const QString url = browser_->source().toString();
    return url.startsWith(kRoot) ? url.mid(kRoot.size()) : url;
}

}  // namespace korin
