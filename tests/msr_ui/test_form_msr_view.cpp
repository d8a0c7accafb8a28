// The MSR overview on a demo project: moving in the plants filters the
// measure points, moving there filters the instrumentation; a "Zeigen" flag
// set to 0 takes the column away and set back appends it at the end.
#include <QAction>
#include <QProcess>
#include <QTableView>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "msr/ui/fixed_table_view.h"
#include "msr/ui/form_msr_view.h"
#include "shell/form_main.h"
#include "shell/module_factory.h"
#include "shell/support/qt_test_env.h"

using namespace korin;
using namespace korin::testing;

namespace {

// The texts of a column of the view's content grid.
QStringList Column(TFormTabView& v, const QString& field) {
    QAbstractItemModel* m = v.Content().model();
    QStringList texts;
    for (int c = 0; c < m->columnCount(); ++c)
        if (m->headerData(c, Qt::Horizontal).toString() == field)
            for (int r = 0; r < m->rowCount(); ++r) texts << m->index(r, c).data().toString().trimmed();
    return texts;
}

}  // namespace

class TestFormMSRView : public QObject {
    Q_OBJECT
private slots:
    void filteringAndShownFields() {
        QCOMPARE(QProcess::execute(QCoreApplication::applicationDirPath() + QStringLiteral("/../korintool"),
                                   {"demo", dir_.path(), "--measure-points", "12", "--no-pages"}), 0);
        TFormMain w({.projectFolder = dir_.path() + QStringLiteral("/Demo"), .module = kViewMSRView});
        w.Startup();
        auto& m = *static_cast<TFormMSRView*>(w.Module(kViewMSRView));
        TFormTabView& plants = m.View(TFormMSRView::kUnit);
        TFormTabView& points = m.View(TFormMSRView::kMPoint);
        TFormTabView& inst = m.View(TFormMSRView::kInstr);
        QVERIFY(plants.IsActive() && points.IsActive() && inst.IsActive());
        const QStringList plantNames = Column(plants, QStringLiteral("Bezeichner_Anlage"));
        QVERIFY(plantNames.size() > 1);

        // A row selected in one grid keeps in the next only the rows of its designation.
        for (auto [from, to, field, row] : {std::tuple{&plants, &points, "Bezeichner_Anlage", 1},
                                            {&points, &inst, "Bezeichner_Stelle", 0}}) {
            from->SelectRow(row);
            QCoreApplication::processEvents();
            const QStringList shown = Column(*to, QString::fromUtf8(field));
            QVERIFY2(!shown.isEmpty(), field);
            QCOMPARE(shown, QStringList(shown.size(), Column(*from, QString::fromUtf8(field)).value(row)));
        }

        // The first field hidden, then shown again: it comes back last.
        const QStringList before = plants.ShownFields();
        auto* tabs = plants.findChild<QTabWidget*>();
        for (const QStringList& expected : {before.mid(1), before.mid(1) + before.mid(0, 1)}) {
            tabs->setCurrentIndex(2);
            emit plants.Structure().cellClicked(0, 4);
            tabs->setCurrentIndex(0);
            QCOMPARE(plants.ShownFields(), expected);
        }

        // Toggling a view twice hides it again.
        for (bool checked : {true, false}) {
            m.ToggleView(TFormMSRView::kRef);
            QCOMPARE(m.Item(TFormMSRView::kRef)->isChecked(), checked);
        }
    }

private:
    SettingsScope scope_;
    RecordingDialogs dialogs_;
    QTemporaryDir dir_;
};

QTEST_MAIN(TestFormMSRView)
#include "test_form_msr_view.moc"
