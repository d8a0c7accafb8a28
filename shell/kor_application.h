// The application object of korinpro.
//
// An exception that escapes an event handler is shown in a message box with its
// German text, and the program goes on with the next event. The store's
// messages are shown as modal message boxes while the application lives.
// Qt's own texts (file dialogs, message-box buttons) are German like the
// program's: Qt's German translation is loaded when it is installed.
#pragma once

#include <QApplication>

namespace korin {

class TKorStoreMessages;

class TKorApplication : public QApplication {
    Q_OBJECT
public:
    TKorApplication(int& argc, char** argv);
    ~TKorApplication() override;

    bool notify(QObject* receiver, QEvent* event) override;

    // Whether Qt's German translation was found and installed.
    bool QtTranslationLoaded() const { return qtTranslationLoaded_; }

private:
    TKorStoreMessages* messages_;
    bool qtTranslationLoaded_ = false;
};

}  // namespace korin
