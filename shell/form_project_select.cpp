#include "shell/form_project_select.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSortFilterProxyModel>
#include <QTreeView>
#include <QVBoxLayout>

#include "shell/kor_settings.h"

namespace korin {
namespace {

// Folders of a recycle bin are not offered: projects are never opened from there.
class NoRecycleBin final : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        const QModelIndex index = sourceModel()->index(row, 0, parent);
        const QString name = index.data(QFileSystemModel::FileNameRole).toString().toLower();
        return name != QLatin1String("recycled") && name != QLatin1String("recycler") &&
               name != QLatin1String("$recycle.bin");
    }
};

}  // namespace

TFormProjectSelect::TFormProjectSelect(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Projekt auswählen"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(420, 460);

    panel_ = new QLineEdit(this);
    panel_->setObjectName(QStringLiteral("PanelPath"));
    panel_->setMinimumHeight(26);
    panel_->setClearButtonEnabled(true);
    panel_->setPlaceholderText(QStringLiteral("Pfad eingeben oder im Baum wählen"));

    fs_ = new QFileSystemModel(this);
    fs_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    fs_->setReadOnly(true);
    fs_->setRootPath(QString());
    proxy_ = new NoRecycleBin(this);
    proxy_->setSourceModel(fs_);

    tree_ = new QTreeView(this);
    tree_->setModel(proxy_);
    for (int c = 1; c < fs_->columnCount(); ++c) tree_->hideColumn(c);
    tree_->setHeaderHidden(true);
    tree_->setDragDropMode(QAbstractItemView::NoDragDrop);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel_);
    layout->addWidget(tree_, 1);
    layout->addWidget(buttons);

    panel_->installEventFilter(this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TFormProjectSelect::CurrentChanged);

    auto settings = OpenAppSettings();
    const QString last = settings->value(kLastPathKey).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir()) {
        panel_->setText(QDir::cleanPath(last));
        SelectFolder(last);
    }
}

QString TFormProjectSelect::SelectedPath() const { return panel_->text().trimmed(); }

void TFormProjectSelect::SetSelectedPath(const QString& path) {
    if (!path.isEmpty()) panel_->setText(path);
}

void TFormProjectSelect::SelectFolder(const QString& path) {
    const QModelIndex source = fs_->index(QDir::cleanPath(path));
    if (!source.isValid()) return;
    const QModelIndex index = proxy_->mapFromSource(source);
    if (!index.isValid()) return;
    tree_->setCurrentIndex(index);
    tree_->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

bool TFormProjectSelect::eventFilter(QObject* watched, QEvent* event) {
    // Enter in the path field selects that folder instead of pressing OK.
    if (watched == panel_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            PathEdited();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormProjectSelect::PathEdited() {
    const QString text = panel_->text().trimmed();
    if (!text.isEmpty() && QFileInfo(text).isDir()) SelectFolder(text);
}

void TFormProjectSelect::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    const QString text = panel_->text();
    if (!text.isEmpty() && QFileInfo(text).isDir()) {
        SelectFolder(text);
        return;
    }
    // Nothing to select: the tree opens at the home folder, leaving the panel
    // as the main window filled it.
    const QModelIndex home = proxy_->mapFromSource(fs_->index(QDir::homePath()));
    if (home.isValid()) {
        tree_->expand(home);
        tree_->scrollTo(home, QAbstractItemView::PositionAtTop);
    }
}

void TFormProjectSelect::CurrentChanged() {
    const QModelIndex index = proxy_->mapToSource(tree_->currentIndex());
    if (index.isValid()) panel_->setText(fs_->filePath(index));
}

void TFormProjectSelect::done(int result) {
    if (!panel_->text().isEmpty()) {
        auto settings = OpenAppSettings();
        settings->setValue(kLastPathKey, panel_->text());
    }
    QDialog::done(result);
}

}  // namespace korin
