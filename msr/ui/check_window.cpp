#include "msr/ui/check_window.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "shell/kor_dialogs.h"
#include "shell/kor_host.h"
#include "tables/prt_grid.h"
#include "tables/ui/grid_printer.h"

namespace korin {

TCheckWindow::TCheckWindow(IKorHost& host, const QString& title,
                           const std::vector<std::pair<QString, int>>& columns, bool withText, QWidget* parent)
    : QDialog(parent), host_(host) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    grid_ = new QTableWidget(this);
    grid_->setColumnCount(static_cast<int>(columns.size()));
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->verticalHeader()->setFixedWidth(12);
    grid_->verticalHeader()->setDefaultSectionSize(20);
    for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
        grid_->setHorizontalHeaderItem(c, new QTableWidgetItem(columns[c].first));
        grid_->setColumnWidth(c, columns[c].second);
    }
    layout->addWidget(grid_, 1);
    controls_ = new QWidget(this);
    auto* below = new QVBoxLayout(controls_);
    below->setContentsMargins(0, 0, 0, 0);
    options_ = new QVBoxLayout;
    below->addLayout(options_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    const auto add = [&](const QString& text, void (TCheckWindow::*command)()) {
        auto* button = new QPushButton(text, controls_);
        buttons->addWidget(button);
        if (command)
            connect(button, &QPushButton::clicked, this, [this, command] { RunGuarded(this, [&] { (this->*command)(); }); });
        return button;
    };
    connect(add(QStringLiteral("&Schließen"), nullptr), &QPushButton::clicked, this, &QDialog::close);
    add(QStringLiteral("&Prüfen"), &TCheckWindow::Check);
    add(QStringLiteral("&Drucken"), &TCheckWindow::Print);
    if (withText) {
        add(QStringLiteral("ASCII"), &TCheckWindow::ExportText);
        add(QStringLiteral("&Hilfe"), nullptr);
    }
    below->addLayout(buttons);
    layout->addWidget(controls_);
}

void TCheckWindow::Check() {
    controls_->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
        QWidget* controls;
        ~Restore() {
            QApplication::restoreOverrideCursor();
            controls->setEnabled(true);
        }
    } restore{controls_};
    grid_->setRowCount(0);
    const std::vector<std::vector<std::string>> rows = Run();
    grid_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r)
        for (int c = 0; c < static_cast<int>(rows[r].size()) && c < grid_->columnCount(); ++c)
            grid_->setItem(r, c, new QTableWidgetItem(StoreText(rows[r][c])));
}

TPrtTextGrid TCheckWindow::PrintGrid() const {
    TPrtTextGrid grid;
    grid.PrintTitle = windowTitle().trimmed().toStdString();
    std::vector<std::string> head;
    for (int c = 0; c < grid_->columnCount(); ++c) {
        head.push_back(grid_->horizontalHeaderItem(c)->text().toStdString());
        grid.Widths.push_back(grid_->columnWidth(c));
    }
    grid.Cells.push_back(std::move(head));
    for (int r = 0; r < grid_->rowCount(); ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < grid_->columnCount(); ++c)
            row.push_back(grid_->item(r, c) ? grid_->item(r, c)->text().toStdString() : std::string());
        grid.Cells.push_back(std::move(row));
    }
    return grid;
}

void TCheckWindow::Print() {
    TPrtTextGrid grid = PrintGrid();
    PrintGridWithPreview(this, grid);
}

void TCheckWindow::ExportText() {
    TPrtTextGrid grid = PrintGrid();
    const QString file = Dialogs().AskSaveFileName(this, QStringLiteral("ASCII"), QString::fromStdString(grid.FileName),
                                                   QStringLiteral("Text (*.txt)"), QStringLiteral(".txt"));
    if (file.isEmpty()) return;
    grid.FileName = file.toStdString();
    grid.Export();
}

}  // namespace korin
