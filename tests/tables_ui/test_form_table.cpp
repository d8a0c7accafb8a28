// The table module in the main window: its buttons follow the tree's
// selection, its views show the selected table, its settings outlive the
// window, emptying asks first, and structure changes reach the store.
#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QProcess>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "shell/form_dir.h"
#include "shell/form_main.h"
#include "shell/models/kor_dataset.h"
#include "shell/support/project_builder.h"
#include "shell/support/qt_test_env.h"
#include "store/kor_table.h"
#include "tables/ui/form_add_field.h"
#include "tables/ui/form_table.h"
#include "tables/ui/grid_printer.h"
#include "tables/ui/table_cont_view.h"
#include "tables/ui/table_index_view.h"
#include "tables/ui/table_struc_view.h"

using namespace korin;
using namespace korin::testing;

namespace {

struct Sample {
    ProjectBuilder b{"Anlage1"};
    std::pair<std::string, std::string> files =
        b.AddTable({"AUC_SYSTEM", "MESSTELLE"}, {{"Stelle", 20}, {"Text", 40}, {"Ort", 10}},
                   {{"FIC101", "Durchfluss", "Halle"}, {"TIC200", "Temperatur", "Keller"}, {"LIS300", "Stand", "Halle"}});
    Sample() { b.AddFolder({"AUC_SYSTEM", "PRO_DOKU"}); }
    // The table module showing MESSTELLE in the view given (-1 the one remembered).
    TFormMain::Options Options(int view = -1) const {
        return {.projectFolder = QString::fromStdString(b.Dir()).chopped(1), .selectPath = {"AUC_SYSTEM", "MESSTELLE"},
                .module = kViewTable, .view = view};
    }
    // `korintool table info` of the table, as lines.
    QStringList Info() const {
        QProcess tool;
        tool.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../korintool"),
                   {QStringLiteral("table"), QStringLiteral("info"), QString::fromStdString(b.FilePath(files.first)),
                    QString::fromStdString(b.FilePath(files.second))});
        tool.waitForFinished();
        return QString::fromUtf8(tool.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    }
};

TFormTable& Module(TFormMain& w) { return *static_cast<TFormTable*>(w.Module(kViewTable)); }

QList<QAction*> SevenActions(TFormTable& m) {
    return {m.ViewAction(0), m.ViewAction(1), m.ViewAction(2), m.ViewAction(3),
            m.ActionExport(), m.ActionDirectImport(), m.ActionEmpty()};
}

}  // namespace

class TestFormTable : public QObject {
    Q_OBJECT

private slots:
    void init() {
        scope_.Clear();
        dialogs_.Clear();
        dialogs_.answerYes = true;
    }

    void selectionDrivesButtonsAndViews() {
        Sample s;
        TFormMain w(s.Options());
        w.Startup();
        TFormTable& m = Module(w);
        for (QAction* a : SevenActions(m)) QVERIFY(a->isEnabled());
        m.SelectView(0);
        QCOMPARE(std::pair(m.StrucView().Grid()->rowCount(), m.StrucView().Grid()->item(1, 2)->text()), std::pair(3, QString("Text")));
        m.SelectView(1);
        auto* index = static_cast<TTableIndexView*>(m.ViewAt(1))->Grid();
        QCOMPARE(index->item(0, 1)->text() + u'|' + index->item(0, 2)->text(), QStringLiteral("Primärindex|Stelle"));
        m.SelectView(2);
        QVERIFY(m.ViewAction(2)->isChecked() && !m.ViewAction(1)->isChecked());
        QCOMPARE(std::pair(m.ContView().DataSet().rowCount(), m.ContView().DataSet().index(0, 0).data().toString()),
                 std::pair(3, QString("FIC101")));

        w.ProjectTree().SelectPath(QStringLiteral("AUC_SYSTEM,PRO_DOKU"));
        for (QAction* a : SevenActions(m)) QVERIFY(!a->isEnabled());
        QVERIFY(m.ActionReindex()->isEnabled() && m.ContView().DataSet().rowCount() == 0);
        m.SelectView(0);
        QCOMPARE(m.StrucView().Grid()->rowCount(), 0);

        w.ProjectTree().SelectPath(QStringLiteral("AUC_SYSTEM,MESSTELLE"));
        for (QAction* a : SevenActions(m)) QVERIFY(a->isEnabled());
        QCOMPARE(m.StrucView().Grid()->rowCount(), 3);
    }

    // A hidden field and the chosen view are there again after a restart, and
    // printing and the text export follow them.
    void settingsSurviveARestart() {
        Sample s;
        {
            TFormMain w(s.Options(0));
            w.Startup();
            TFormTable& m = Module(w);
            m.StrucView().ToggleShown(1);
            QCOMPARE(m.StrucView().Grid()->item(1, 5)->text(), QStringLiteral("0"));
            m.SelectView(2);
            QVERIFY(m.ContView().Grid()->isColumnHidden(1));
            m.ContView().Grid()->setColumnWidth(2, 77);
            w.CloseDown();
        }
        TFormMain w(s.Options());
        w.Startup();
        TFormTable& m = Module(w);
        QCOMPARE(m.SelectedView(), 2);
        QVERIFY(m.ContView().ViewActive() && !m.ContView().Grid()->isColumnHidden(0) && m.ContView().Grid()->isColumnHidden(1));
        QCOMPARE(m.ContView().Grid()->columnWidth(2), 77);

        // Printing and the text export take the contents grid's shown columns.
        QString printed;  // columns, rows, a corner cell
        SetPrintPreviewHandler([&](TPrtGrid& g) {
            printed = QStringLiteral("%1 %2 %3").arg(g.ColCount()).arg(g.RowCount()).arg(QString::fromStdString(g.Cell(1, 2)));
        });
        w.PrintTableModule();
        SetPrintPreviewHandler(nullptr);
        QCOMPARE(printed, QStringLiteral("2 4 Halle"));
        QTemporaryDir dir;
        dialogs_.saveFileName = dir.filePath(QStringLiteral("ExportGrid.txt"));
        w.ExportTableModule();
        QFile file(dialogs_.saveFileName);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("Stelle\tOrt\r\nFIC101\tHalle\r\nLIS300\tHalle\r\nTIC200\tKeller\r\n"));

        m.SelectView(0);
        QCOMPARE(m.StrucView().Grid()->item(1, 5)->text(), QStringLiteral("0"));
    }

    void renamedAndAddedFieldsReachTheStore() {
        Sample s;
        TFormMain w(s.Options(0));
        w.Startup();
        TFormTable& m = Module(w);
        QTableWidget* grid = m.StrucView().Grid();
        grid->item(1, 2)->setText(QStringLiteral("Beschreibung"));
        grid->item(2, 2)->setText(QStringLiteral("mit Blank"));  // refused by the store
        QCOMPARE(grid->item(2, 2)->text(), QStringLiteral("Ort"));

        TFormAddField& dialog = m.StrucView().AddFieldDialog();
        for (auto [edit, text] : {std::pair{dialog.EditCode(), "700"}, {dialog.EditName(), "Loop"}, {dialog.EditType(), "2"},
                                  {dialog.EditLength(), "3"}, {dialog.EditDecimals(), "3"}})
            edit->setText(QString::fromUtf8(text));
        QVERIFY(!dialog.OkEnabled());
        dialog.EditDecimals()->setText(QStringLiteral("1"));
        QVERIFY(dialog.OkEnabled());
        QTimer::singleShot(0, &dialog, &QDialog::accept);
        m.ActionAddField()->trigger();
        QCOMPARE(grid->rowCount(), 4);

        const QStringList info = s.Info();
        for (const char* f : {"field\t1\t601\tBeschreibung\t40\t0\t0", "field\t2\t602\tOrt\t10\t0\t0", "field\t3\t700\tLoop\t3\t2\t1"})
            QVERIFY2(info.contains(QString::fromUtf8(f)), f);
        // The contents grid shows the new column and the new name.
        m.SelectView(2);
        QCOMPARE(std::pair(m.ContView().DataSet().columnCount(), m.ContView().DataSet().headerData(1, Qt::Horizontal).toString()),
                 std::pair(4, QString("Beschreibung")));
    }

    // Records written by another object on the same files appear, move and go
    // without the grid being reopened; emptying asks first.
    void contentsFollowChangesOfTheTableAndEmptying() {
        Sample s;
        TFormMain w(s.Options(2));
        w.Startup();
        TKorDataSet& ds = Module(w).ContView().DataSet();
        TKorTable other;
        other.SetProject(s.b.Dir());
        other.SetFileName(s.files.first);
        other.SetKeyFileName(s.files.second);
        other.Open();
        const auto rowsAndCell = [&](int r, int c) {
            QCoreApplication::processEvents();
            return QStringLiteral("%1 %2").arg(ds.rowCount()).arg(ds.index(r, c).data().toString());
        };
        QVERIFY(other.Append({"AAA001", "Neu", "Dach"}) >= 0);
        QCOMPARE(rowsAndCell(0, 0), QStringLiteral("4 AAA001"));
        QVERIFY(other.FindByPrimary("TIC200"));
        other.EditField(1, "Temperatur neu");
        QCOMPARE(rowsAndCell(3, 1), QStringLiteral("4 Temperatur neu"));
        QVERIFY(other.FindByPrimary("FIC101"));
        other.Delete();
        other.Reindex();
        QCOMPARE(rowsAndCell(1, 0), QStringLiteral("3 LIS300"));
        other.Close();

        // Emptying asks first and can be cancelled.
        TFormTable& m = Module(w);
        dialogs_.answerYes = false;
        m.ActionEmpty()->trigger();
        QCOMPARE(dialogs_.questions,
                 QStringList{QStringLiteral("Soll der Inhalt der Tabelle wirklich gelöscht werden?")});
        QVERIFY(s.Info().contains(QStringLiteral("records\t3")));
        dialogs_.answerYes = true;
        m.ActionEmpty()->trigger();
        QVERIFY(dialogs_.errors.isEmpty() && m.ViewAction(2)->isEnabled());
        QCOMPARE(ds.rowCount(), 0);
        QVERIFY(s.Info().contains(QStringLiteral("records\t0")));
    }

private:
    SettingsScope scope_;
    RecordingDialogs dialogs_;
};

QTEST_MAIN(TestFormTable)
#include "test_form_table.moc"
