// The MSR module's assignment and rename windows on a demo project with pages:
// drops onto and between slots and back, the refusal of a full slot, the
// navigation selecting the page in the tree, a refused rename, and the list
// filtered through a secondary key, kept over a restart.
#include <QAction>
#include <QLineEdit>
#include <QProcess>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "drawing/ui/image_scroll_box.h"
#include "msr/ui/filter_panel.h"
#include "msr/ui/form_assign_mpoint.h"
#include "msr/ui/form_msr.h"
#include "msr/ui/form_rename_mpoint.h"
#include "shell/form_dir.h"
#include "shell/form_main.h"
#include "shell/module_factory.h"
#include "shell/support/qt_test_env.h"

using namespace korin;
using namespace korin::testing;

namespace {

QStringList Column(QTableWidget& list) {
    QStringList texts;
    for (int r = 0; r < list.rowCount(); ++r) texts << list.item(r, 0)->text();
    return texts;
}

}  // namespace

class TestFormAssignMPoint : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QCOMPARE(QProcess::execute(QCoreApplication::applicationDirPath() + QStringLiteral("/../korintool"),
                                   {"demo", dir_.path(), "--measure-points", "8"}), 0);
    }

    void dropsNavigationAndRename() {
        TFormMain w(Options());
        w.Startup();
        auto& host = *static_cast<TFormMSR*>(w.Module(kViewMSR));
        TFormAssignMeasurePoint& a = host.Assign();
        QCOMPARE(host.SelectedView(), 1);
        QVERIFY(a.SlotCount() > 2);
        const QString own = a.Current();
        const QString other = Column(a.List()).value(3);
        QVERIFY(!other.isEmpty() && other != own);

        a.DropListRowOnSlot(other, 1);
        QCOMPARE(a.SlotText(1), other);
        QVERIFY(!Column(a.List()).contains(other));
        a.DropListRowOnSlot(Column(a.List()).value(0), 1);
        QVERIFY(dialogs_.messages.size() == 1 && dialogs_.messages[0].startsWith(QStringLiteral("Das Feld ist nicht leer.")));
        a.DropSlotOnSlot(1, 2);
        QCOMPARE(QStringList({a.SlotText(1), a.SlotText(2)}), QStringList({QString(), other}));
        a.DropSlotOnList(2);
        QCOMPARE(a.SlotText(2), QString());
        QVERIFY(Column(a.List()).contains(other));
        a.RebuildReferences();
        QCOMPARE(a.SlotText(2), QString());

        // The navigation selects the page in the tree.
        a.Navigate(TFormAssignMeasurePoint::Step::NextPoint);
        QVERIFY(a.Current() != own && w.ProjectTree().GetSelectedPath().contains(a.Current()));
        a.Navigate(TFormAssignMeasurePoint::Step::First);
        QCOMPARE(a.Current(), own);
        QVERIFY(!a.NavButton(TFormAssignMeasurePoint::Step::PriorPoint)->isEnabled());

        // Renaming a measure point to another one's designation is refused.
        host.SelectView(2);
        TFormMSRRenameMPoint& r = host.Rename();
        r.List().setCurrentCell(0, 0);
        QVERIFY(r.ApplyAction()->isEnabled());
        r.Plant().setText(r.Plant().text() + QStringLiteral("#"));
        QVERIFY(!r.ApplyAction()->isEnabled());
        r.List().setCurrentCell(1, 0);
        const QString second = r.Plant().text() + r.Point().text();
        r.List().setCurrentCell(0, 0);
        r.Point().setText(second.mid(r.Plant().text().size()));
        r.Plant().setText(second.left(second.size() - r.Point().text().size()));
        QVERIFY(r.Apply().contains(QStringLiteral("gibt es bereits")));
        QCOMPARE(dialogs_.errors.size(), 1);
    }

    void filterRefillsTheListAndIsKept() {
        QStringList filtered;
        {
            TFormMain w(Options());
            w.Startup();
            TFormAssignMeasurePoint& a = static_cast<TFormMSR*>(w.Module(kViewMSR))->Assign();
            const QStringList all = Column(a.List());
            TFilterPanel& f = a.Filter();
            f.SetKey("Anlage_Planart");
            QCOMPARE(f.Grid().rowCount(), 2);
            const std::vector<std::string> plants = f.ValueChoices(0);
            QVERIFY(plants.size() > 1);
            f.SetValue(0, plants[1]);
            const std::vector<std::string> plans = f.ValueChoices(1);
            QVERIFY(plans.size() > 2);
            f.SetValue(1, plans[1]);
            filtered = Column(a.List());
            QVERIFY(!filtered.isEmpty() && filtered.size() < all.size());
            for (const QString& d : filtered) QVERIFY(d.startsWith(QString::fromStdString(plants[1])));
            f.SetFilterShown(false);
            a.DrawingAction()->setChecked(true);
            QVERIFY(a.DrawingNotice().isEmpty() && a.DrawingView().PictureShown());
            w.CloseDown();
        }
        TFormMain w(Options());
        w.Startup();
        TFormAssignMeasurePoint& a = static_cast<TFormMSR*>(w.Module(kViewMSR))->Assign();
        QCOMPARE(a.Filter().KeyName(), std::string("Anlage_Planart"));
        QVERIFY(!a.Filter().FilterShown() && !a.Filter().ShowAction()->isChecked());
        QCOMPARE(Column(a.List()), filtered);
    }

private:
    TFormMain::Options Options() const { return {.projectFolder = dir_.path() + "/Demo", .module = kViewMSR, .view = 1}; }
    SettingsScope scope_;
    RecordingDialogs dialogs_;
    QTemporaryDir dir_;
};

QTEST_MAIN(TestFormAssignMPoint)
#include "test_form_assign_mpoint.moc"
