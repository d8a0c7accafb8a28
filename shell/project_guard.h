// The desktop program's hold on its project: the project lock
// (project/kor_project_lock.h) with the recovery after a holder that died
// (project/kor_recovery.h), and the flush of the store's mapped files at the end
// of every command a user starts.
#pragma once

#include <QObject>
#include <QString>

#include "project/kor_project_lock.h"

class QWidget;

namespace korin {

class TProjectGuard : public QObject {
public:
    // Watches the application's input: after a mouse click or a key press has
    // been handled (the command it started has run to its end inside the
    // handler), every open store file is flushed to the disk.
    explicit TProjectGuard(QWidget* window);
    ~TProjectGuard() override;

    // Takes the lock of the project folder before anything in it changes.
    // Returns the refusal's text ("Das Projekt wird von einem anderen Programm
    // bearbeitet (...)"), empty when the lock is held. When the former holder
    // died while it held the project, the audit's findings are shown and the
    // offered repair is made only when the user agrees.
    QString Take(const QString& folder);
    void Release();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FlushStore();

    QWidget* window_;
    TKorProjectLock lock_;
    bool flushQueued_ = false;
};

}  // namespace korin
