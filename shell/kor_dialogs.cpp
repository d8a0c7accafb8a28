#include "shell/kor_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressBar>
#include <algorithm>

namespace korin {
namespace {

const QString kTitle = QStringLiteral("Korin Pro");

class QtDialogs final : public IKorDialogs {
public:
    void ShowMessage(QWidget* parent, const QString& text) override {
        QMessageBox::information(parent, kTitle, text);
    }
    void ShowError(QWidget* parent, const QString& text) override {
        QMessageBox::critical(parent, kTitle, text);
    }
    bool AskYesNo(QWidget* parent, const QString& text, bool warning) override {
        const auto buttons = QMessageBox::Yes | QMessageBox::No;
        const auto answer = warning
                                ? QMessageBox::warning(parent, kTitle, text, buttons, QMessageBox::No)
                                : QMessageBox::question(parent, kTitle, text, buttons, QMessageBox::No);
        return answer == QMessageBox::Yes;
    }
    QString AskSaveFileName(QWidget* parent, const QString& caption, const QString& initialPath,
                            const QString& filter, const QString& suffix) override {
        QFileDialog dialog(parent, caption, initialPath, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(suffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
        return dialog.selectedFiles().front();
    }
};

QtDialogs g_qtDialogs;
IKorDialogs* g_dialogs = &g_qtDialogs;

}  // namespace

IKorDialogs& Dialogs() { return *g_dialogs; }

IKorDialogs* SetDialogs(IKorDialogs* dialogs) {
    IKorDialogs* previous = g_dialogs;
    g_dialogs = dialogs ? dialogs : &g_qtDialogs;
    return previous;
}

QString StoreText(const std::string& text) {
    QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(u'\r', u'\n');
    return s;
}

void RunGuarded(QWidget* parent, const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& e) {
        Dialogs().ShowError(parent, StoreText(e.what()));
    }
}

void TKorStoreMessages::ShowError(const std::string& text) {
    Dialogs().ShowError(QApplication::activeWindow(), StoreText(text));
}

bool TKorStoreMessages::AskYesNo(const std::string& text) {
    return Dialogs().AskYesNo(QApplication::activeWindow(), StoreText(text), false);
}

void TKorProgressBar::SetRange(int minimum, int maximum) {
    bar_->setRange(minimum, maximum);
    bar_->setValue(minimum);
}

void TKorProgressBar::StepIt() {
    // A bar that was never started shows -1; count from its minimum then.
    const int from = std::max(bar_->value(), bar_->minimum());
    bar_->setValue(std::min(from + step_, bar_->maximum()));
    bar_->repaint();
}

void TKorProgressBar::Reset() {
    bar_->setValue(bar_->minimum());
    bar_->repaint();
}

}  // namespace korin
