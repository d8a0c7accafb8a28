// The main window: start-up and close in their fixed orders, the settings it
// keeps, the module protocol, the log, and its menu commands.
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QProgressBar>
#include <QTest>
#include <QTreeView>
#include <fstream>

#include "drawing/kor_drawing.h"
#include "shell/form_dir.h"
#include "shell/form_main.h"
#include "shell/kor_module.h"
#include "shell/kor_settings.h"
#include "shell/support/project_builder.h"
#include "shell/support/qt_test_env.h"
#include "store/kor_path.h"

using namespace korin;
using namespace korin::testing;

namespace {

// A plain panel module that writes the host's calls into a shared journal.
class RecordingModule final : public TKorPanelModule {
public:
    RecordingModule(IKorHost& host, int view, QStringList& journal)
        : TKorPanelModule(host, QStringLiteral("Rec%1").arg(view)), view_(view), journal_(journal) {}

    void LoadSettings(QSettings&) override { Note("load"); }
    void SaveSettings(QSettings&) override { Note("save"); }
    void ProjectOpened() override { Note("project"); }
    void SelectionChanged() override { Note("selection"); }

private:
    void Note(const char* what) { journal_ << QStringLiteral("%1 %2").arg(QLatin1String(what)).arg(view_); }
    int view_;
    QStringList& journal_;
};

// "<what> 0" ... "<what> 6": every module in turn.
QStringList EveryModule(const char* what) {
    QStringList out;
    for (int v = 0; v < kViewCount; ++v) out << QStringLiteral("%1 %2").arg(QLatin1String(what)).arg(v);
    return out;
}

QStringList ReadLines(const std::string& file) {
    QFile in(QString::fromStdString(file));
    return in.open(QIODevice::ReadOnly) ? QString::fromUtf8(in.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                        : QStringList();
}

// A project with the folder AUC_SYSTEM: two tables and a drawing.
struct SampleProject {
    ProjectBuilder b{"Anlage1"};
    std::string page;
    SampleProject() {
        b.AddTable({"AUC_SYSTEM", "MESSTELLE"}, {{"Bezeichner_Stelle", 20}, {"Text", 40}},
                   {{"FIC101", "Durchfluss"}, {"TIC200", "Temperatur"}});
        b.AddTable({"AUC_SYSTEM", "ANLAGE"}, {{"Bezeichner_Anlage", 20}}, {{"A1"}});
        page = b.AddDrawing({"AUC_SYSTEM", "Blatt1"});
    }
};

void SaveMain(SettingsScope& scope, const std::string& path, const std::string& name, const QVariant& menuView,
              const QString& selected = QString()) {
    auto s = scope.Open();
    s->beginGroup(kMainGroup);
    s->setValue(kProjectPathKey, QString::fromStdString(path));
    s->setValue(kProjectNameKey, QString::fromStdString(name));
    if (menuView.isValid()) s->setValue(kMenuViewKey, menuView);
    if (!selected.isEmpty()) s->setValue(kSelectedItemKey, selected);
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void init() {
        scope_.Clear();
        dialogs_.Clear();
    }

    void firstRunHasNoProjectAndNoModule() {
        TFormMain w;
        w.show();
        QTRY_VERIFY(w.Started());
        QVERIFY(!w.ProjectIsOpen() && w.MenuView() == -1 && !w.ViewMenu()->menuAction()->isEnabled());
        for (int v = 0; v < kViewCount; ++v) QVERIFY(!w.Module(v)->Active());
        QVERIFY(dialogs_.errors.isEmpty());
    }

    void startupFromSavedSettings_data() {
        QTest::addColumn<QVariant>("menuView");
        QTest::addColumn<int>("shown");
        QTest::newRow("drawing") << QVariant(4) << 4;
        QTest::newRow("none") << QVariant(-1) << -1;
        QTest::newRow("out of range") << QVariant(7) << -1;
        QTest::newRow("not a number") << QVariant(QStringLiteral("x")) << -1;
    }
    void startupFromSavedSettings() {
        QFETCH(QVariant, menuView);
        QFETCH(int, shown);
        SampleProject p;
        SaveMain(scope_, p.b.Parent(), p.b.Name(), menuView);
        auto w = StartMain(QString(), true);
        QCOMPARE(w->GetProjectDir(), p.b.Dir());
        QCOMPARE(w->StatusProject(), QStringLiteral("Projekt: ") + p.b.Folder());
        QVERIFY(w->ViewMenu()->menuAction()->isEnabled());
        for (int v = 0; v < kViewCount; ++v)
            QCOMPARE(std::pair(w->Module(v)->Active(), w->ViewAction(v)->isChecked()), std::pair(v == shown, v == shown));
    }

    void startupReplacesTheLogAndCloseAppendsToIt() {
        SampleProject p;
        const std::string log = p.b.Dir() + "KorPro.Log";
        std::ofstream(log) << "alte Zeile\n";
        SaveMain(scope_, p.b.Parent(), p.b.Name(), 0);
        {
            auto w = StartMain(QString(), true);
            const QStringList lines = ReadLines(log);
            QVERIFY(lines.size() > 1 && lines[0].endsWith(QStringLiteral(" KorPro gestartet")));
            // The tree logs the entries in use after the start line.
            QVERIFY(lines[1].endsWith(QStringLiteral("ModDir Benutzter Eintrag: 0")));
            QVERIFY(!lines.join(u'\n').contains(QStringLiteral("alte Zeile")));
            w->close();
        }
        QVERIFY(ReadLines(log).back().endsWith(QStringLiteral(" KorPro Programm normal beendet.")));
    }

    void vanishedProjectFolderWritesNoLog() {
        auto p = std::make_unique<SampleProject>();
        const std::string parent = p->b.Parent(), name = p->b.Name();
        p.reset();  // the folder is gone
        SaveMain(scope_, parent, name, 0);
        auto w = StartMain(QString(), true);
        QVERIFY(!w->ProjectIsOpen());
        w->close();
        QVERIFY(!path::AnyExists(parent + name) && dialogs_.errors.isEmpty());
    }

    void modulesHearTheHostInTheirFixedOrders() {
        SampleProject p;
        SaveMain(scope_, p.b.Parent(), p.b.Name(), 2, QStringLiteral("AUC_SYSTEM"));
        QStringList journal;
        TFormMain::Options options;
        options.createModule = [&journal](int view, IKorHost& host) { return new RecordingModule(host, view, journal); };
        TFormMain w(options);
        w.Startup();
        // All settings before the project, all of it before the saved
        // selection; then the saved module shows.
        QCOMPARE(journal, EveryModule("load") + EveryModule("project") + EveryModule("selection"));
        QVERIFY(w.Module(2)->Active());
        // A table selection switches to the table module; every module hears.
        journal.clear();
        w.ProjectTree().SelectPath(QStringLiteral("AUC_SYSTEM,MESSTELLE"));
        QCOMPARE(journal, EveryModule("selection"));
        QVERIFY(w.Module(0)->Active() && !w.Module(2)->Active());
        journal.clear();
        w.close();
        QCOMPARE(journal, EveryModule("save"));
    }

    void closeWritesTheMainSettingsAndOnlyTheActiveModulesKey() {
        SampleProject p;
        {
            auto w = StartMain(p.b.Folder(), true);
            w->ProjectTree().SelectPath(QStringLiteral("AUC_SYSTEM,ANLAGE"));  // shows the table module
            w->close();
        }
        auto s = scope_.Open();
        QCOMPARE((QStringList{s->value("Main/ProjectPath").toString(), s->value("Main/ProjectName").toString()}),
                 (QStringList{QString::fromStdString(p.b.Parent()), "Anlage1"}));
        QVERIFY(s->value(QStringLiteral("Main/ModuleDirWidth")).toInt() >= 10);
        QVERIFY(s->contains(QStringLiteral("Table/ANSIPath")) && !s->contains(QStringLiteral("MSRView/ANSIPath")));

        // The saved selection and module come back at the next start.
        auto again = StartMain(QString(), true);
        QCOMPARE(std::pair(again->ProjectTree().GetSelectedPath(), again->Module(kViewTable)->Active()),
                 std::pair(QStringLiteral("AUC_SYSTEM,ANLAGE"), true));

        scope_.Clear();
        StartMain(p.b.Folder())->close();
        QVERIFY(scope_.Open()->allKeys().isEmpty());
    }

    void repairCrcMendsTheSelectedDrawingOnly() {
        SampleProject p;
        std::fstream(p.b.FilePath(p.page), std::ios::in | std::ios::out | std::ios::binary).seekp(28).put('\x5A');
        auto crcOk = [&p] {
            TKorDrawing d;
            d.SetProject(p.b.Dir());
            d.SetFileName(p.page);
            uint32_t stored = 0, computed = 0;
            return d.CheckCrc(stored, computed);
        };
        QVERIFY(!crcOk());
        auto w = StartMain(p.b.Folder(), true);
        for (const char* other : {"AUC_SYSTEM", "AUC_SYSTEM,MESSTELLE"}) {
            w->ProjectTree().SelectPath(QString::fromLatin1(other));
            w->RepairCrc();
            QVERIFY2(!crcOk(), other);
        }
        w->ProjectTree().SelectPath(QStringLiteral("AUC_SYSTEM,Blatt1"));
        w->RepairCrc();
        QVERIFY(crcOk());
    }

    void aTrailingSeparatorIsNoPartOfTheProjectName() {
        SampleProject p;
        auto w = StartMain(QString(), true);
        w->OpenProjectFolder(p.b.Folder() + u'/');
        QCOMPARE((QStringList{w->ProjectName(), w->ProjectPath()}), (QStringList{"Anlage1", QString::fromStdString(p.b.Parent())}));
    }

    void progressBarFollowsTheStore() {
        TFormMain w;
        IKorProgress& progress = w.Progress();
        progress.SetRange(0, 35);
        progress.SetStep(10);
        QList<int> values;  // never past the end, 0 after a reset
        for (int i = 0; i < 5; ++i) {
            if (i < 4) progress.StepIt(); else progress.Reset();
            values << w.ProgressBar()->value();
        }
        QCOMPARE(values, (QList<int>{10, 20, 30, 35, 0}));
    }

private:
    SettingsScope scope_;
    RecordingDialogs dialogs_;
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
