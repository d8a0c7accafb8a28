// The frame as a user meets it: the handbook behind every help item, the
// check window's summary and what its repair says.
#include <QAction>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>

#include "project/kor_dir_file.h"
#include "shell/form_dir.h"
#include "shell/form_dir_check.h"
#include "shell/form_help.h"
#include "shell/form_main.h"
#include "shell/support/project_builder.h"
#include "shell/support/qt_test_env.h"

using namespace korin;
using namespace korin::testing;

namespace {

// Every action below a menu, submenus included.
void CollectActions(QMenu* menu, QList<QAction*>& out) {
    for (QAction* a : menu->actions()) {
        if (a->menu())
            CollectActions(a->menu(), out);
        else if (!a->isSeparator())
            out << a;
    }
}

}  // namespace

class TestFrame : public QObject {
    Q_OBJECT
private slots:
    void everyHelpItemOpensAPageOfTheHandbook() {
        TFormMain::Options options;
        options.saveSettings = false;
        TFormMain main(options);
        QMenu* help = nullptr;
        for (QAction* a : main.menuBar()->actions())
            if (a->text() == QStringLiteral("&Hilfe")) help = a->menu();
        QVERIFY(help);
        QList<QAction*> items;
        CollectActions(help, items);
        QStringList opened;
        for (QAction* item : items) {
            if (item->text().startsWith(QStringLiteral("Ü&ber"))) continue;
            item->trigger();
            auto* window = main.findChild<TFormHelp*>();
            QVERIFY2(window, qPrintable(item->text()));
            QVERIFY2(!window->Browser()->toPlainText().isEmpty(), qPrintable(item->text()));
            opened << window->CurrentTopic();
        }
        QCOMPARE(dialogs_.messages, QStringList());
        // Contents, data model, the two cable examples and the web page.
        for (const char* topic : {"index.html", "datenmodell.html", "kabel.html#projektkabel",
                                  "kabel.html#stammkabel", "support.html"})
            QVERIFY2(opened.contains(QString::fromLatin1(topic)), topic);
    }

    void handbookSearchAndHistory() {
        // Every page of the contents exists; search needs all words.
        TFormHelp help;
        for (const QString& topic : TFormHelp::Topics()) QVERIFY2(help.ShowTopic(topic), qPrintable(topic));
        QVERIFY(!help.ShowTopic(QStringLiteral("fehlt.html")));
        const QStringList cable = TFormHelp::Search(QStringLiteral("stammkabeldatenbank ADERN"));
        QVERIFY(cable.contains(QStringLiteral("kabel.html")));
        QVERIFY(!cable.contains(QStringLiteral("zeichnung.html")));
        QCOMPARE(TFormHelp::Search(QStringLiteral("Stammkabel xyzzy")), QStringList());
        QCOMPARE(TFormHelp::Search(QString()).size(), TFormHelp::Topics().size());

        help.ShowTopic(QStringLiteral("index.html"));
        help.ShowTopic(QStringLiteral("kabel.html"));
        help.Browser()->backward();
        QCOMPARE(help.CurrentTopic(), QStringLiteral("index.html"));
        help.Browser()->forward();
        QCOMPARE(help.CurrentTopic(), QStringLiteral("kabel.html"));
    }

    void checkWindowSummarisesAndSaysWhatRepairDid() {
        ProjectBuilder b{"Werk"};
        b.AddTable({"AUC_SYSTEM", "MESSTELLE"}, {{"Name", 20}}, {{"M1"}});
        b.AddTable({"AUC_SYSTEM", "KABEL"}, {{"Name", 20}}, {{"K1"}});
        TKorDirFile dir;
        dir.SetProject(b.Dir());
        dir.Open();
        {
            TFormDirCheck check(dir);
            QCOMPARE(check.Summary(), QStringLiteral("Keine Fehler gefunden"));
            QTest::mouseClick(check.ButtonRepair(), Qt::LeftButton);
            QCOMPARE(dialogs_.messages.size(), 1);
            QVERIFY(dialogs_.messages.back().startsWith(QStringLiteral("Es gab nichts zu reparieren")));
        }
        // A ring in the free chain is one finding, and the repair mends it.
        dir.DeleteTable({"AUC_SYSTEM", "KABEL"});
        const int32_t first = dir.Nodes().GetUp(0);
        dir.Nodes().SetUp(first, first);
        TFormDirCheck check(dir);
        QCOMPARE(TFormDirCheck::CountFindings(check.Lines()), 1 + TFormDirCheck::CountFindings({}));
        QVERIFY(check.Summary() != QStringLiteral("Keine Fehler gefunden"));
        dialogs_.messages.clear();
        QTest::mouseClick(check.ButtonRepair(), Qt::LeftButton);
        QCOMPARE(check.Summary(), QStringLiteral("Keine Fehler gefunden"));
        QCOMPARE(dialogs_.messages.size(), 1);
        QVERIFY(dialogs_.messages.back().contains(QStringLiteral("1 von 1")));
        // Free entries are information; an unowned numbered file is a finding.
        QCOMPARE(TFormDirCheck::CountFindings({QStringLiteral("Freie Einträge:"), QStringLiteral("000007"),
                                               QStringLiteral("Nicht zum Projekt gehörende Dateien:"),
                                               QStringLiteral("000042")}),
                 1);
    }

private:
    SettingsScope scope_;
    RecordingDialogs dialogs_;
};

QTEST_MAIN(TestFrame)
#include "test_frame.moc"
