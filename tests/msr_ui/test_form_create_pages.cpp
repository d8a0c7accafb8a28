// The page creation window on a demo project: originals chosen in the original
// project dialog, filter and grid widths kept over a restart (stored negative
// widths included), and the expert items toggled by their key.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

#include "msr/msr_comma_text.h"
#include "msr/ui/filter_panel.h"
#include "msr/ui/form_check_page_info.h"
#include "msr/ui/form_msr.h"
#include "msr/ui/form_msr_create_pages.h"
#include "msr/ui/form_select_orig_project.h"
#include "msr/ui/multi_select_grid.h"
#include "shell/form_main.h"
#include "shell/models/kor_dir_model.h"
#include "shell/module_factory.h"
#include "shell/support/qt_test_env.h"

using namespace korin;
using namespace korin::testing;

class TestFormCreatePages : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QCOMPARE(QProcess::execute(QCoreApplication::applicationDirPath() + QStringLiteral("/../korintool"),
                                   {"demo", dir_.path(), "--measure-points", "12", "--no-pages"}), 0);
        o_ = {.projectFolder = dir_.path() + QStringLiteral("/Demo"), .module = kViewMSR, .view = 0};
    }

    void keptOverRestartAndExpertKeys() {
        msr::TOriginalLists lists;
        int filtered = 0;
        {
            TFormMain w(o_);
            w.Startup();
            TFormMSRCreatePages& c = static_cast<TFormMSR*>(w.Module(kViewMSR))->CreatePages();
            // The dialog, answered when it shows: the folders below TYPICALS become the originals.
            QStringList folders, names;
            QTimer::singleShot(0, [&] {
                auto* d = qobject_cast<TFormSelectOriginalProject*>(QApplication::activeModalWidget());
                d->SetDirectory(dir_.path() + QStringLiteral("/Originale"));
                QAbstractItemModel& m = *d->Tree().model();
                const QModelIndex level =
                    m.match(m.index(0, 0), TKorDirModel::NameRole, QStringLiteral("TYPICALS")).value(0);
                d->Tree().setCurrentIndex(level);
                m.fetchMore(level);
                for (int r = 0; r < m.rowCount(level); ++r)
                    folders << m.index(r, 0, level).data(TKorDirModel::NameRole).toString();
                d->accept();
            });
            c.PointMenu().actions().front()->trigger();
            lists = c.OriginalLists();
            for (const std::string& item : lists.origList)
                names << QString::fromStdString(msr::SplitCommaText(item).front());
            QVERIFY(!folders.isEmpty());
            QCOMPARE(names, folders);
            QCOMPARE(c.OriginalsGrid().rowCount(), int(lists.origInfo.size()));

            const int all = c.MeasurePointGrid().rowCount();
            c.Filter().SetKey("Anlage_Planart");
            c.Filter().SetValue(0, c.Filter().ValueChoices(0).at(1));
            filtered = c.MeasurePointGrid().rowCount();
            QVERIFY(filtered > 0 && filtered < all);
            c.MeasurePointGrid().setColumnWidth(4, 77);
            w.CloseDown();
        }
        for (const char* key : {"TableCol4", "TableCol9", "TableCol11"})
            scope_.Open()->setValue(QStringLiteral("MSR/CreatePages/") + QLatin1String(key), -1);
        TFormMain w(o_);
        w.Startup();
        TFormMSRCreatePages& c = static_cast<TFormMSR*>(w.Module(kViewMSR))->CreatePages();
        QVERIFY(c.OriginalLists().origList == lists.origList && c.OriginalLists().origInfo == lists.origInfo);
        TMultiSelectGrid& g = c.MeasurePointGrid();
        // A stored negative width: plant and ET/MSR flag come back at 20, function group stays hidden.
        QCOMPARE(QList<int>({g.rowCount(), g.columnWidth(4), g.columnWidth(3), g.columnWidth(10)}), QList<int>({filtered, 77, 20, 20}));
        QVERIFY(!g.isColumnHidden(10) && g.isColumnHidden(8));

        // Ctrl+Shift+F12 shows and hides the expert items; Ctrl+Alt+T works while they are hidden.
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const auto& items = c.ExpertItems();
        const auto shown = [&] {
            return std::count_if(items.begin(), items.end(), [](QAction* a) { return a->isVisible(); });
        };
        QCOMPARE(shown(), 0);
        for (int expected : {4, 0}) {
            QTest::keyClick(&w, Qt::Key_F12, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(shown(), expected);
        }
        QTest::keyClick(&w, Qt::Key_T, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(c.PageInfoCheck() && c.PageInfoCheck()->isVisible());
        w.CloseDown();
    }

private:
    SettingsScope scope_;
    RecordingDialogs dialogs_;
    QTemporaryDir dir_;
    TFormMain::Options o_;
};

QTEST_MAIN(TestFormCreatePages)
#include "test_form_create_pages.moc"
