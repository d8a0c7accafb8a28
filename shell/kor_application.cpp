#include "shell/kor_application.h"

#include "shell/kor_dialogs.h"

namespace korin {

TKorApplication::TKorApplication(int& argc, char** argv)
    : QApplication(argc, argv), messages_(new TKorStoreMessages) {
    SetMessageSink(messages_);
}

TKorApplication::~TKorApplication() {
    SetMessageSink(nullptr);
    delete messages_;
}

bool TKorApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        Dialogs().ShowError(activeWindow(), StoreText(e.what()));
    } catch (...) {
        Dialogs().ShowError(activeWindow(), QStringLiteral("Unbekannter Fehler."));
    }
    return false;
}

}  // namespace korin
