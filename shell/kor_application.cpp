#include "shell/kor_application.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "shell/kor_dialogs.h"

namespace korin {

TKorApplication::TKorApplication(int& argc, char** argv)
    : QApplication(argc, argv), messages_(new TKorStoreMessages) {
    SetMessageSink(messages_);
    auto* translator = new QTranslator(this);
    if (translator->load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        installTranslator(translator);
        qtTranslationLoaded_ = true;
    } else {
        delete translator;
    }
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
