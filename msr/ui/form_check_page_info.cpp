#include "msr/ui/form_check_page_info.h"

#include <QApplication>
#include <QCheckBox>
#include <QVBoxLayout>

#include "msr/msr_checks.h"
#include "shell/kor_dialogs.h"
#include "shell/kor_host.h"

namespace korin {

TFormCheckPageInfo::TFormCheckPageInfo(IKorHost& host, QWidget* parent)
    : TCheckWindow(host, QStringLiteral("Zeichnungsinformation prüfen"),
                   {{QStringLiteral("Anlage (61)"), 80},
                    {QStringLiteral("Bezeichner Stelle (63)"), 140},
                    {QStringLiteral("Seite (62)"), 60},
                    {QStringLiteral("Vorhanden"), 60},
                    {QStringLiteral("Bezeichner Stelle (12135)"), 140},
                    {QStringLiteral("Vorhanden"), 60},
                    {QStringLiteral("Anlage (1)"), 80},
                    {QStringLiteral("MSR Stelle (2)"), 100},
                    {QStringLiteral("Typical (76)"), 60}},
                   false, parent) {
    const char* const texts[] = {"Bezeichner_Stelle = Anlage + MSR_Stelle",
                                 "Bezeichner_Stelle (63) in Tabelle MESSTELLE",
                                 "Bezeichner_Stelle (12135) in Tabelle MESSTELLE",
                                 "Bezeichner_Stelle (63) = Bezeichner_Stelle (12135)",
                                 "Bezeichner_Stelle (12135) = '' (leerer Eintrag) ignorieren",
                                 "Warnungen ignorieren",
                                 "Bezeichner_Stelle (63) = Bezeichner_Stelle (12135) und beide in Tabelle MESSTELLE"};
    for (size_t i = 0; i < options_.size(); ++i) {
        options_[i] = new QCheckBox(QString::fromUtf8(texts[i]), this);
        Options()->addWidget(options_[i]);
    }
    options_[4]->setChecked(true);
    options_[6]->setChecked(true);
}

std::vector<std::vector<std::string>> TFormCheckPageInfo::Run() {
    std::vector<std::vector<std::string>> rows;
    if (!Host().ProjectIsOpen()) return rows;
    msrcheck::PageInfoOptions o;
    o.composed = options_[0]->isChecked();
    o.found63 = options_[1]->isChecked();
    o.found12135 = options_[2]->isChecked();
    o.same = options_[3]->isChecked();
    o.ignoreEmpty12135 = options_[4]->isChecked();
    o.ignoreWarnings = options_[5]->isChecked();
    o.bothFoundButDiffer = options_[6]->isChecked();
    msrcheck::Progress progress;
    progress.step = [](int64_t done, int64_t) {
        if (done % 10 == 0) QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    const msrcheck::PageInfoResult result = msrcheck::RunPageInfoCheck(Host().GetProjectDir(), o, progress);
    for (const std::string& warning : result.warnings) Dialogs().ShowMessage(this, StoreText(warning));
    for (const msrcheck::PageInfoRow& r : result.rows)
        rows.push_back({r.plant61, r.designation63, r.page62, r.found63, r.designation12135, r.found12135, r.plant1,
                        r.measurePoint2, r.typical76});
    return rows;
}

}  // namespace korin
