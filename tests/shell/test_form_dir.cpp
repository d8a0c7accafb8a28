// The project tree window: selecting paths, deleting entries, the catalogue
// check window.
#include <QAction>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include "project/kor_dir_file.h"
#include "shell/form_dir.h"
#include "shell/form_dir_check.h"
#include "shell/form_main.h"
#include "shell/models/kor_dir_model.h"
#include "shell/support/project_builder.h"
#include "shell/support/qt_test_env.h"
#include "store/kor_path.h"

using namespace korin;
using namespace korin::testing;

namespace {

struct Fixture {
    ProjectBuilder b{"Werk"};
    std::pair<std::string, std::string> messtelle = b.AddTable({"AUC_SYSTEM", "MESSTELLE"}, {{"Name", 20}}, {{"M1"}});
    std::pair<std::string, std::string> kabel = b.AddTable({"AUC_SYSTEM", "KABEL"}, {{"Name", 20}}, {{"K1"}});
    std::string page = b.AddDrawing({"AUC_SYSTEM", "Blatt1"});
    std::unique_ptr<TFormMain> main = StartMain(b.Folder());

    TFormDir& Tree() { return main->ProjectTree(); }
    QString Current() const { return main->ProjectTree().Tree()->currentIndex().data().toString(); }
    bool Exists(const std::string& file) const { return path::FileExists(b.FilePath(file)); }
    QList<bool> Exist(std::initializer_list<std::string> files) const {
        QList<bool> out;
        for (const std::string& file : files) out << Exists(file);
        return out;
    }
    // The published selection: its type and table data file.
    std::pair<int, std::string> Published() { return {Tree().SelectedType(), Tree().SelectedTableDataFile()}; }
    // The names below AUC_SYSTEM, read anew.
    QStringList Children() {
        TKorDirModel& m = Tree().Model();
        const QModelIndex top = m.index(0, 0);
        m.FetchChildren(top);
        QStringList names;
        for (int c = 0; c < m.rowCount(top); ++c) names << m.index(c, 0, top).data().toString();
        return names;
    }
};

}  // namespace

class TestFormDir : public QObject {
    Q_OBJECT

private slots:
    void init() {
        scope_.Clear();
        dialogs_.Clear();
        dialogs_.answerYes = true;
    }

    void selectPathToAVanishedEntryStopsAtItsFolder() {
        Fixture f;
        f.Tree().SelectPath(QStringLiteral("AUC_SYSTEM,MESSTELLE"));
        QCOMPARE(std::pair(f.Tree().SelectedType(), f.Tree().SelectedTableKeyFile()), std::pair(5, f.messtelle.second));
        f.Tree().SelectPath(QStringLiteral("AUC_SYSTEM,Blatt1"));
        // The last table stays published.
        QCOMPARE(std::tuple(f.Tree().SelectedType(), f.Tree().SelectedDrawingFile(), f.Tree().SelectedTableDataFile()),
                 std::tuple(1, f.page, f.messtelle.first));
        f.Tree().SelectPath(QStringLiteral("AUC_SYSTEM,MESSTELLE"));

        // Another program removes the table.
        TKorDirFile other;
        other.SetProject(f.b.Dir());
        other.Open();
        other.DeleteTable({"AUC_SYSTEM", "MESSTELLE"});
        other.Close();
        f.Tree().Refresh();
        QCOMPARE(f.Tree().SelectedType(), -1);

        f.Tree().SelectPath(QStringLiteral("AUC_SYSTEM,KABEL"));
        f.Tree().SelectPath(QStringLiteral("AUC_SYSTEM,MESSTELLE"));
        QCOMPARE((QStringList{f.Current(), f.Tree().GetSelectedPath()}), (QStringList{"AUC_SYSTEM", "AUC_SYSTEM"}));
        // The published selection is still the table selected before.
        QCOMPARE(f.Published(), std::pair(5, f.kabel.first));
        QCOMPARE(f.Tree().SelectedPath(), std::string("AUC_SYSTEM\\KABEL"));

        // A first text that names nothing selects nothing new.
        f.Tree().SelectPath(QStringLiteral("GIBTESNICHT,KABEL"));
        QCOMPARE(f.Published(), std::pair(5, f.kabel.first));
        // Names are compared with their letter case.
        f.Tree().SelectPath(QStringLiteral("auc_system"));
        QCOMPARE(f.Tree().SelectedType(), 5);
    }

    void deletingATableRemovesItsEntriesAndFiles() {
        Fixture f;
        f.Tree().SelectPath(QStringLiteral("AUC_SYSTEM,MESSTELLE"));
        dialogs_.answerYes = false;
        f.Tree().DeleteSelected();
        QCOMPARE(dialogs_.questions.size(), 1);
        QVERIFY(dialogs_.questions.front().startsWith(
            QStringLiteral("Achtung! Es kann eine essentiell notwendige Datei gelöscht werden!")));
        QVERIFY(dialogs_.questions.front().endsWith(QStringLiteral("Gelöscht wird: AUC_SYSTEM/MESSTELLE")));
        QVERIFY(f.Exists(f.messtelle.first));

        dialogs_.answerYes = true;
        f.Tree().DeleteSelected();
        QCOMPARE(f.Exist({f.messtelle.first, f.messtelle.second, f.kabel.first}), (QList<bool>{false, false, true}));
        QCOMPARE(f.Children(), (QStringList{"Blatt1", "KABEL", "SCHEDULE", "SYSTABLE"}));
        QCOMPARE(f.Tree().GetSelectedPath(), QStringLiteral("AUC_SYSTEM"));
        std::string data, key;
        QVERIFY(!f.Tree().KorDirFileModDir().TableFiles({"AUC_SYSTEM", "MESSTELLE"}, data, key));
        QVERIFY(dialogs_.errors.isEmpty());
    }

    // After a path found only up to its folder, the tree shows the folder while
    // the table is still published; delete works on what the user sees.
    void theSelectedNodeDecidesWhatIsDeleted() {
        Fixture f;
        f.Tree().SelectPath(QStringLiteral("AUC_SYSTEM,KABEL"));
        f.Tree().SelectPath(QStringLiteral("AUC_SYSTEM,WEG"));
        QCOMPARE(std::pair(f.Tree().SelectedType(), f.Current()), std::pair(5, QStringLiteral("AUC_SYSTEM")));
        f.Tree().DeleteSelected();
        QCOMPARE(f.Exist({f.kabel.first, f.messtelle.first, f.page}), (QList<bool>{false, false, true}));
        QCOMPARE(f.Children(), QStringList{QStringLiteral("Blatt1")});

        // With nothing selected, nothing is asked and nothing goes.
        dialogs_.Clear();
        f.Tree().Tree()->selectionModel()->clear();
        f.Tree().DeleteSelected();
        QVERIFY(dialogs_.questions.isEmpty() && f.Exists(f.page));
    }

    void checkWindowReportsAndRepairsARing() {
        Fixture f;
        TKorDirFile& dir = f.Tree().KorDirFileModDir();
        {
            TFormDirCheck clean(dir);
            QCOMPARE(clean.Summary(), QStringLiteral("Keine Fehler gefunden"));
            QTest::mouseClick(clean.ButtonRepair(), Qt::LeftButton);
            QVERIFY(dialogs_.messages.size() == 1 &&
                    dialogs_.messages.back().startsWith(QStringLiteral("Es gab nichts zu reparieren")));
        }
        // Free some entries, then link the first free entry to itself.
        dir.DeleteTable({"AUC_SYSTEM", "KABEL"});
        const int32_t first = dir.Nodes().GetUp(0);
        QVERIFY(first > 0 && first < dir.Nodes().Count());
        dir.Nodes().SetUp(first, first);

        const QString ring = QStringLiteral("Achtung: In Dir.Ref existiert ein Ringverweis der freiene Einträge!");
        TFormDirCheck check(dir);
        QVERIFY(check.Lines().contains(ring));
        QCOMPARE(check.Lines().front(), QStringLiteral("Freie Einträge:"));
        const int findings = TFormDirCheck::CountFindings(check.Lines());
        QVERIFY(findings > 1);  // the ring, and the entries it cut off the chain
        QCOMPARE(check.Summary(), QStringLiteral("%1 Befund(e) gefunden").arg(findings));

        dialogs_.messages.clear();
        QTest::mouseClick(check.ButtonRepair(), Qt::LeftButton);
        QCOMPARE(check.Summary(), QStringLiteral("Keine Fehler gefunden"));
        QVERIFY(dialogs_.messages.size() == 1 && dialogs_.messages.back().contains(QStringLiteral("%1 von %1").arg(findings)));
        const QStringList lines = check.Lines();
        const int heading = static_cast<int>(lines.indexOf(QStringLiteral(
            "Nicht verlinkte freie Einträge und belegte Einträge, die als frei markiert sind:")));
        QVERIFY(heading > 0 && !lines.contains(ring));
        QCOMPARE(lines.value(heading + 1), QStringLiteral("Nicht zum Projekt gehörende Dateien:"));
        QVERIFY(dir.Verify().empty());

        // "&Sichern" writes the lines as they are shown.
        QTemporaryDir out;
        dialogs_.saveFileName = out.filePath(QStringLiteral("bericht.txt"));
        QTest::mouseClick(check.ButtonSave(), Qt::LeftButton);
        QFile saved(dialogs_.saveFileName);
        QVERIFY(saved.open(QIODevice::ReadOnly | QIODevice::Text));
        QCOMPARE(QString::fromUtf8(saved.readAll()), lines.join(u'\n') + u'\n');
        dialogs_.saveFileName.clear();
        QVERIFY(!check.Save());
        // Free entries are information; an unowned numbered file is a finding.
        QCOMPARE(TFormDirCheck::CountFindings({QStringLiteral("Freie Einträge:"), QStringLiteral("000007"),
                                               QStringLiteral("Nicht zum Projekt gehörende Dateien:"),
                                               QStringLiteral("000042")}),
                 1);
    }

    void clickingARowPublishesItFocusingDoesNot() {
        Fixture f;
        f.main->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.main.get()));
        QTreeView* view = f.Tree().Tree();
        view->setFocus();
        QTRY_VERIFY(view->hasFocus());
        QCOMPARE(f.Tree().SelectedType(), -1);

        const QModelIndex folder = f.Tree().Model().index(0, 0);
        view->expand(folder);
        const QModelIndex table = f.Tree().Model().index(1, 0, folder);  // Blatt1, KABEL, MESSTELLE
        QCOMPARE(table.data().toString(), QStringLiteral("KABEL"));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(table).center());
        QCOMPARE(f.Published(), std::pair(5, f.kabel.first));
        QCOMPARE(f.main->MenuView(), 0);
    }

private:
    SettingsScope scope_;
    RecordingDialogs dialogs_;
};

QTEST_MAIN(TestFormDir)
#include "test_form_dir.moc"
