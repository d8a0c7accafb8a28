// The check windows on a demo project with filled pages: nothing to report at first;
// a title block changed by korintool is reported by the page info check, and
// the text export writes the headings and that row.
#include <QCheckBox>
#include <QFile>
#include <QProcess>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "msr/ui/form_check_inst.h"
#include "msr/ui/form_check_page_info.h"
#include "shell/form_main.h"
#include "shell/support/qt_test_env.h"

using namespace korin;
using namespace korin::testing;

namespace {

int Tool(const QStringList& args, QString* out = nullptr) {
    QProcess tool;
    tool.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../korintool"), args);
    tool.waitForFinished(120000);
    if (out) *out = QString::fromUtf8(tool.readAllStandardOutput());
    return tool.exitCode();
}

int CheckPageInfo(TFormCheckPageInfo& info) {
    for (int i = 0; i < 4; ++i) info.Option(i)->setChecked(true);
    info.Check();
    return info.Grid().rowCount();
}

}  // namespace

class TestFormChecks : public QObject {
    Q_OBJECT
private slots:
    void pageInfoReportsTheChangedPage() {
        QVERIFY(Tool({"demo", dir_.path(), "--measure-points", "6"}) == 0 &&
                Tool({"msr", "fill", dir_.path() + QStringLiteral("/Demo"), "instruments"}) == 0);
        const TFormMain::Options o{.projectFolder = dir_.path() + QStringLiteral("/Demo")};
        {
            TFormMain w(o);
            w.Startup();
            TFormCheckInst inst(w);
            inst.Check();
            QCOMPARE(inst.Grid().rowCount(), 0);
            TFormCheckPageInfo info(w);
            QCOMPARE(CheckPageInfo(info), 0);
        }
        // The first page of `korintool msr pages` gets another designation in
        // code 63 (the tool cannot write while the window holds the project).
        QString pages;
        QCOMPARE(Tool({QStringLiteral("msr"), QStringLiteral("pages"), o.projectFolder}, &pages), 0);
        const QString changed = pages.section(u'\n', 0, 0).section(u'\t', 2);
        QCOMPARE(Tool({QStringLiteral("drawing"), QStringLiteral("set-code"), o.projectFolder + u'/' + changed,
                       QStringLiteral("0"), QStringLiteral("63"), QStringLiteral("ANDERS")}),
                 0);
        TFormMain w(o);
        w.Startup();
        TFormCheckPageInfo info(w);
        QCOMPARE(CheckPageInfo(info), 1);
        QCOMPARE(info.Grid().item(0, 1)->text(), QStringLiteral("ANDERS"));

        dialogs_.saveFileName = dir_.filePath(QStringLiteral("ExportGrid.txt"));
        info.ExportText();
        QFile text(dialogs_.saveFileName);
        QVERIFY(text.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = text.readAll().split('\n');
        QVERIFY(lines.value(0).startsWith("Anlage (61)\tBezeichner Stelle (63)"));
        QVERIFY(lines.value(1).contains("\tANDERS\t"));
    }

private:
    SettingsScope scope_;
    RecordingDialogs dialogs_;
    QTemporaryDir dir_;
};

QTEST_MAIN(TestFormChecks)
#include "test_form_checks.moc"
