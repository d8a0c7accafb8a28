#include "msr/ui/form_check_inst.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "msr/msr_checks.h"
#include "shell/kor_host.h"

namespace korin {

TFormCheckInst::TFormCheckInst(IKorHost& host, QWidget* parent)
    : TCheckWindow(host, QStringLiteral("  Instrumentierung prüfen"),
                   {{QStringLiteral("Messtelle Blatt"), 140},
                    {QStringLiteral("Typical"), 60},
                    {QStringLiteral("Messtelle Instrument"), 140},
                    {QStringLiteral("Instrumentierung"), 120},
                    {QStringLiteral("Fehler [Symbol]<>[Tabelle]"), 160}},
                   true, parent) {
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setMinimumSize(650, 280);
    Options()->addWidget(new QLabel(QStringLiteral("Folgende Möglichkeiten können angezeigt werden"), this));
    const char* const texts[] = {"Symboltext unterschiedlich zum Eintrag in Intrumentierung",
                                 "Instrument nicht zuweisbar", "Messtelle nicht vorhanden"};
    for (int i = 0; i < 3; ++i) {
        modes_[i] = new QRadioButton(QString::fromUtf8(texts[i]), this);
        Options()->addWidget(modes_[i]);
    }
    modes_[0]->setChecked(true);
    ignoreEmpty_ = new QCheckBox(QStringLiteral("Leere Instrumentierungen ignorieren"), this);
    Options()->addWidget(ignoreEmpty_);
}

std::vector<std::vector<std::string>> TFormCheckInst::Run() {
    std::vector<std::vector<std::string>> rows;
    if (!Host().ProjectIsOpen()) return rows;
    auto mode = msrcheck::InstMode::SymbolText;
    if (modes_[1]->isChecked()) mode = msrcheck::InstMode::NotAssignable;
    if (modes_[2]->isChecked()) mode = msrcheck::InstMode::MissingMeasurePoint;
    msrcheck::Progress progress;
    progress.step = [](int64_t done, int64_t) {
        if (done % 10 == 0) QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    const msrcheck::InstResult result =
        msrcheck::RunInstrumentationCheck(Host().GetProjectDir(), mode, ignoreEmpty_->isChecked(), progress);
    for (const msrcheck::InstRow& r : result.rows)
        rows.push_back({r.pageMeasurePoint, r.typical, r.measurePoint, r.instrument, r.error});
    return rows;
}

}  // namespace korin
