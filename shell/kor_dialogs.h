// The shell's modal dialogs behind one small interface.
//
// Windows ask their questions and show their messages through Dialogs(), never
// through QMessageBox directly: the desktop program shows modal message boxes,
// tests install a recorder that answers without a window. The store's message
// sink and progress interface (store/kor_ui.h) are bound here too.
#pragma once

#include <QString>
#include <functional>

#include "store/kor_ui.h"

class QProgressBar;
class QWidget;

namespace korin {

class IKorDialogs {
public:
    virtual ~IKorDialogs() = default;
    // An information with an OK button.
    virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
    // An error with an OK button.
    virtual void ShowError(QWidget* parent, const QString& text) = 0;
    // A Yes/No question (a warning when `warning`); true for Yes.
    virtual bool AskYesNo(QWidget* parent, const QString& text, bool warning) = 0;
    // A save dialog; the chosen file, or empty when cancelled. `suffix` is
    // appended to a name given without one.
    virtual QString AskSaveFileName(QWidget* parent, const QString& caption,
                                    const QString& initialPath, const QString& filter,
                                    const QString& suffix) = 0;
};

// The dialogs in use: by default modal Qt dialogs.
IKorDialogs& Dialogs();
// Installs dialogs (nullptr restores the default) and returns the previous ones.
IKorDialogs* SetDialogs(IKorDialogs* dialogs);

// Runs a user's command; an exception that ends it is shown with its German
// text and the program goes on.
void RunGuarded(QWidget* parent, const std::function<void()>& command);

// The store's messages, shown through Dialogs() over the active window. Store
// texts are UTF-8; a carriage return in them is a line break.
class TKorStoreMessages final : public IKorMessageSink {
public:
    void ShowError(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
};

QString StoreText(const std::string& text);

// The status bar's progress bar as the store's progress indicator. StepIt
// repaints at once: long operations run inside a handler, with the event loop
// waiting until they end.
class TKorProgressBar final : public IKorProgress {
public:
    explicit TKorProgressBar(QProgressBar* bar) : bar_(bar) {}
    void SetRange(int minimum, int maximum) override;
    void SetStep(int step) override { step_ = step; }
    void StepIt() override;
    void Reset() override;
    int Step() const { return step_; }

private:
    QProgressBar* bar_;
    int step_ = 10;
};

}  // namespace korin
