// The frame as a user meets it: the handbook behind every help item, refused
// and damaged projects, and the layout it remembers.
#include <QAction>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTreeView>
#include <filesystem>
#include <fstream>

#include "shell/form_dir.h"
#include "shell/form_help.h"
#include "shell/form_main.h"
#include "shell/kor_settings.h"
#include "shell/models/kor_dir_model.h"
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

bool IsEmptyFolder(const QString& folder) { return std::filesystem::is_empty(folder.toStdString()); }

// The one error shown; "(n errors)" when there is not exactly one.
QString OneError(const RecordingDialogs& d) {
    return d.errors.size() == 1 ? d.errors.front() : QStringLiteral("(%1 errors)").arg(d.errors.size());
}

QString RememberedName(SettingsScope& scope) {
    return scope.Open()->value(kMainGroup + u'/' + kProjectNameKey).toString();
}

}  // namespace

class TestFrame : public QObject {
    Q_OBJECT
private slots:
    void init() {
        scope_.Clear();
        dialogs_.Clear();
    }

    void everyHelpItemOpensAPageOfTheHandbook() {
        auto main = StartMain(QString());
        QList<QAction*> items;
        for (QAction* a : main->menuBar()->actions())
            if (a->text() == QStringLiteral("&Hilfe")) CollectActions(a->menu(), items);
        QVERIFY(!items.isEmpty());
        QStringList opened;
        for (QAction* item : items) {
            if (item->text().startsWith(QStringLiteral("Ü&ber"))) continue;
            item->trigger();
            auto* window = main->findChild<TFormHelp*>();
            QVERIFY2(window && !window->Browser()->toPlainText().isEmpty(), qPrintable(item->text()));
            opened << window->CurrentTopic();
        }
        QCOMPARE(dialogs_.messages, QStringList());
        // Contents, data model, the two cable examples and the web page.
        for (const char* topic : {"index.html", "datenmodell.html", "kabel.html#projektkabel",
                                  "kabel.html#stammkabel", "support.html"})
            QVERIFY2(opened.contains(QString::fromLatin1(topic)), topic);
    }

    void handbookPagesExistAndSearchNeedsAllWords() {
        TFormHelp help;
        for (const QString& topic : TFormHelp::Topics()) QVERIFY2(help.ShowTopic(topic), qPrintable(topic));
        QVERIFY(!help.ShowTopic(QStringLiteral("fehlt.html")));
        const QStringList cable = TFormHelp::Search(QStringLiteral("stammkabeldatenbank ADERN"));
        QVERIFY(cable.contains(QStringLiteral("kabel.html")) && !cable.contains(QStringLiteral("zeichnung.html")));
        QCOMPARE(TFormHelp::Search(QStringLiteral("Stammkabel xyzzy")), QStringList());
        QCOMPARE(TFormHelp::Search(QString()).size(), TFormHelp::Topics().size());
    }

    void aFolderThatIsNoProjectIsRefusedAndChangesNothing() {
        ProjectBuilder b{"Werk"};
        b.AddTable({"AUC_SYSTEM", "MESSTELLE"}, {{"Name", 20}}, {{"M1"}});
        QTemporaryDir other;
        // Chosen in the dialog while a project is open: it stays open.
        auto main = StartMain(b.Folder(), true);
        QCOMPARE(main->windowTitle(), QStringLiteral("Korin Pro – Werk"));
        main->OpenProjectFolder(other.path());
        QVERIFY(OneError(dialogs_).contains(other.path()) && OneError(dialogs_).contains(QStringLiteral("Dir.ref")));
        QVERIFY(main->ProjectIsOpen() && main->ProjectName() == QStringLiteral("Werk"));
        main->CloseDown();
        QVERIFY(IsEmptyFolder(other.path()));
        QCOMPARE(RememberedName(scope_), QStringLiteral("Werk"));

        // Given on the command line, existing or not: the reason shows in the
        // window, nothing is written there, the remembered project stays.
        for (const QString& folder : {other.path(), other.path() + QStringLiteral("/fehlt")}) {
            dialogs_.Clear();
            auto again = StartMain(folder, true);
            QCOMPARE(dialogs_.errors.size(), 1);
            QVERIFY(again->Notice().contains(folder) && !again->ProjectIsOpen());
            again->CloseDown();
            QCOMPARE(RememberedName(scope_), QStringLiteral("Werk"));
        }
        QVERIFY(IsEmptyFolder(other.path()));

        // Remembered as the last project: refused at start and forgotten.
        scope_.Open()->setValue(kMainGroup + u'/' + kProjectPathKey, QFileInfo(other.path()).path() + u'/');
        scope_.Open()->setValue(kMainGroup + u'/' + kProjectNameKey, QFileInfo(other.path()).fileName());
        dialogs_.Clear();
        auto remembered = StartMain(QString(), true);
        QVERIFY(dialogs_.errors.size() == 1 && !remembered->ProjectIsOpen());
        remembered->CloseDown();
        QVERIFY(IsEmptyFolder(other.path()));
        QCOMPARE(RememberedName(scope_), QString());
    }

    void damagedCatalogueFilesAreReportedAndLogged() {
        ProjectBuilder b{"Werk"};
        b.AddTable({"AUC_SYSTEM", "MESSTELLE"}, {{"Name", 20}}, {{"M1"}});
        b.AddTable({"AUC_SYSTEM", "KABEL"}, {{"Name", 20}}, {{"K1"}});
        std::filesystem::resize_file(b.Dir() + "Dir.dat", 90 * 3);
        auto main = StartMain(b.Folder());
        QVERIFY(main->ProjectIsOpen());
        QVERIFY(OneError(dialogs_).startsWith(QStringLiteral("Die Datei \"Dir.dat\" ist zu kurz")));
        std::ifstream log(b.Dir() + "KorPro.Log");
        QVERIFY(QString::fromStdString(std::string(std::istreambuf_iterator<char>(log), {}))
                    .contains(QStringLiteral("ModDir Die Datei \"Dir.dat\" ist zu kurz")));
        main.reset();

        // Regrown, it is sound again; a torn "Dir.ref" is the next finding.
        dialogs_.Clear();
        const auto size = std::filesystem::file_size(b.Dir() + "Dir.ref");
        std::filesystem::resize_file(b.Dir() + "Dir.ref", size + 5);
        main = StartMain(b.Folder());
        QVERIFY(OneError(dialogs_).contains(QStringLiteral("13 Bytes am Ende")));
    }

    void closingTheProjectAndRememberingTheLayout() {
        ProjectBuilder b{"Werk"};
        b.AddTable({"AUC_SYSTEM", "MESSTELLE"}, {{"Name", 20}}, {{"M1"}});
        b.AddDrawing({"AUC_SYSTEM", "PLAN", "Blatt1"});
        {
            auto main = StartMain(b.Folder(), true);
            main->ProjectTree().SelectPath(QStringLiteral("AUC_SYSTEM,PLAN,Blatt1"));
            // Long texts keep the expanded folders and the selection.
            main->ProjectTree().SetShowLongTexts(true);
            QVERIFY(main->ProjectTree().Tree()->isExpanded(main->ProjectTree().Model().index(0, 0)));
            QCOMPARE(main->ProjectTree().GetSelectedPath(), QStringLiteral("AUC_SYSTEM,PLAN,Blatt1"));
            main->setGeometry(40, 50, 700, 500);
            // Print and export only where the active module can do them.
            QVERIFY(!main->ActionPrint()->isEnabled());
            main->CloseDown();
        }
        {
            auto main = StartMain(QString(), true);
            QCOMPARE(std::pair(main->ProjectTree().ShowLongTexts(), main->size()), std::pair(true, QSize(700, 500)));
            // "Schließen" closes the project; it is not opened again.
            main->CloseProject();
            QVERIFY(!main->ProjectIsOpen() && main->ProjectTree().Model().rowCount() == 0);
            QCOMPARE(main->windowTitle(), QStringLiteral("Korin Pro"));
            main->CloseDown();
        }
        QVERIFY(!StartMain(QString())->ProjectIsOpen());
    }

private:
    SettingsScope scope_;
    RecordingDialogs dialogs_;
};

QTEST_MAIN(TestFrame)
#include "test_frame.moc"
