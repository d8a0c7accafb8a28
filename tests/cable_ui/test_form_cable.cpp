// The cable module in the main window: the cable list and the wires of the
// selected cable, the two commands with their progress and messages, and the
// grid refilled after them.
#include <QAction>
#include <QListWidget>
#include <QProgressBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>

#include "cable/cable_project.h"
#include "cable/kor_cable_ops.h"
#include "cable/ui/form_cable.h"
#include "shell/form_main.h"
#include "shell/module_factory.h"
#include "shell/support/qt_test_env.h"

using namespace korin;
using namespace korin::testing;

class TestFormCable : public QObject {
    Q_OBJECT
private:
    QStringList Column(TFormCable& form, int column) {
        QStringList out;
        for (int r = 0; r < form.GridWires()->rowCount(); ++r) out << form.GridWires()->item(r, column)->text();
        return out;
    }

private slots:
    void showsCreatesAndAligns() {
        QTemporaryDir temp;
        const std::string dir = temp.path().toStdString() + "/Projekt/";
        std::filesystem::create_directories(dir);
        MakeCables(dir, {{"K1", "T2", "", "", "", "2"}, {"K2", "T2", "", "", "", "3"}});
        MakeWires(dir, {Wire("K1", "1")});

        TFormMain w({.projectFolder = QString::fromStdString(dir).chopped(1), .saveSettings = false, .module = kViewCable});
        w.Startup();
        auto* form = qobject_cast<TFormCable*>(w.Module(kViewCable));
        QVERIFY(form && form->Active());
        QCOMPARE(std::pair(form->ListCables()->count(), form->ListCables()->currentRow()), std::pair(2, 0));
        QCOMPARE(Column(*form, 1), QStringList{"1"});

        form->ActionCreateWires()->trigger();
        QCOMPARE(Column(*form, 1), (QStringList{"1", "2"}));
        QCOMPARE(w.ProgressBar()->value(), w.ProgressBar()->minimum());
        form->ListCables()->setCurrentRow(1);
        QCOMPARE(Column(*form, 1), (QStringList{"1", "2", "3"}));

        // Without a master database entry the alignment says so and writes nothing.
        form->ActionAlign()->trigger();
        QCOMPARE(dialogs_.errors,
                 QStringList{QStringLiteral("FormCable: Die Stammkabeldatenbank muß im Projekt eingetragen sein!")});
        QCOMPARE(Column(*form, 2), (QStringList{"", "", ""}));

        w.ViewSelect(kViewTable);
        QVERIFY(!form->Active() && !form->Ops().IsOpen());
        QCOMPARE(form->ListCables()->count(), 0);
    }

private:
    SettingsScope scope_;
    RecordingDialogs dialogs_;
};

QTEST_MAIN(TestFormCable)
#include "test_form_cable.moc"
