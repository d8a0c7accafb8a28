#include "shell/project_guard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include "project/kor_recovery.h"
#include "shell/kor_dialogs.h"
#include "store/kor_error.h"
#include "store/kor_mmf.h"

namespace korin {
namespace {

QString Lines(const std::vector<std::string>& lines) {
    QString text;
    for (const std::string& line : lines) text += StoreText(line) + u'\n';
    return text;
}

}  // namespace

TProjectGuard::TProjectGuard(QWidget* window) : QObject(window), window_(window) {
    QCoreApplication::instance()->installEventFilter(this);
}

TProjectGuard::~TProjectGuard() {
    try {
        TKorMMF::FlushAll();
    } catch (const Exception&) {
        // Nothing can be shown any more; each file is flushed again as it closes.
    }
}

QString TProjectGuard::Take(const QString& folder) {
    try {
        lock_.Acquire(QFile::encodeName(folder).toStdString(), "korinpro");
    } catch (const Exception& e) {
        return StoreText(e.what());
    }
    if (!lock_.FoundCrash()) return {};
    TKorRecovery recovery;
    recovery.Audit(lock_.Folder());
    QString text = QStringLiteral("Das Programm %1 wurde beendet, während es das Projekt bearbeitete.\n\n")
                       .arg(StoreText(lock_.CrashedHolder())) +
                   Lines(recovery.ReportLines());
    if (recovery.Clean()) {
        Dialogs().ShowMessage(window_, text);
        return {};
    }
    if (!Dialogs().AskYesNo(window_, text + QStringLiteral("\nSollen die angebotenen Reparaturen ausgeführt werden?"),
                            true)) {
        lock_.SetRecoveryPending(true);
        return {};
    }
    const std::vector<std::string> done = recovery.Repair();
    lock_.SetRecoveryPending(!recovery.Clean());
    Dialogs().ShowMessage(window_, Lines(done) + (recovery.Clean() ? QString() : u'\n' + Lines(recovery.ReportLines())));
    return {};
}

void TProjectGuard::Release() { lock_.Release(); }

bool TProjectGuard::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseButtonRelease || type == QEvent::KeyPress) && !flushQueued_) {
        // Runs once the handler of this event, and the command it started, ended.
        flushQueued_ = true;
        QTimer::singleShot(0, this, [this] { FlushStore(); });
    }
    return QObject::eventFilter(watched, event);
}

void TProjectGuard::FlushStore() {
    flushQueued_ = false;
    try {
        TKorMMF::FlushAll();
    } catch (const Exception& e) {
        Dialogs().ShowError(window_, StoreText(e.what()));
    }
}

}  // namespace korin
