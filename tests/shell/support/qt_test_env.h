// What every Qt test of the desktop program needs: its own settings file, and
// dialogs that answer without a window and remember what they were asked.
#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "shell/kor_dialogs.h"

namespace korin {
class TFormMain;
}

namespace korin::testing {

// A started main window on this project folder (none: the remembered one).
std::unique_ptr<TFormMain> StartMain(const QString& folder, bool saveSettings = false);

// Points the user settings at a fresh folder for the lifetime of the object, so
// that tests never read or write the user's own settings.
class SettingsScope {
public:
    SettingsScope();
    ~SettingsScope();
    // Forgets every value.
    void Clear();
    std::unique_ptr<QSettings> Open() const;

private:
    QTemporaryDir dir_;
};

class RecordingDialogs final : public IKorDialogs {
public:
    RecordingDialogs();
    ~RecordingDialogs() override;

    void ShowMessage(QWidget*, const QString& text) override { messages << text; }
    void ShowError(QWidget*, const QString& text) override { errors << text; }
    bool AskYesNo(QWidget*, const QString& text, bool) override {
        questions << text;
        return answerYes;
    }
    QString AskSaveFileName(QWidget*, const QString&, const QString&, const QString&,
                            const QString&) override {
        return saveFileName;
    }
    void Clear() {
        messages.clear();
        errors.clear();
        questions.clear();
    }

    QStringList messages;
    QStringList errors;
    QStringList questions;
    bool answerYes = true;
    QString saveFileName;

private:
    IKorDialogs* previous_;
};

}  // namespace korin::testing
