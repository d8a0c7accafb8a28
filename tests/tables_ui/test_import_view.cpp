// The import view in the table module: the mapping grid edits "ImpMap.db",
// "Daten lesen" fills the table with CP850 texts and reports; the direct
// import dialog accepts only upper-case table names.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <sqlite3.h>

#include "shell/form_dir.h"
#include "shell/form_main.h"
#include "shell/support/project_builder.h"
#include "shell/support/qt_test_env.h"
#include "store/kor_table.h"
#include "tables/table_import.h"
#include "tables/ui/form_table.h"
#include "tables/ui/table_import_view.h"

using namespace korin;
using namespace korin::testing;

class TestImportView : public QObject {
    Q_OBJECT

private slots:
    void gridMapsAndReadFillsTheTable() {
        ProjectBuilder b{"Anlage1"};
        const auto files = b.AddTable({"AUC_SYSTEM", "TEIL"}, {{"K", 5}, {"ORT", 8}}, {});
        const std::string src = b.Dir() + "quelle.sqlite";
        sqlite3* db = nullptr;
        sqlite3_open(src.c_str(), &db);
        sqlite3_exec(db, "CREATE TABLE q (k TEXT, ort TEXT); INSERT INTO q VALUES ('A','München'),('B','Köln');",
                     nullptr, nullptr, nullptr);
        sqlite3_close(db);

        TFormMain w({.projectFolder = QString::fromStdString(b.Dir()).chopped(1), .selectPath = {"AUC_SYSTEM", "TEIL"},
                     .module = kViewTable, .view = TFormTable::kImport});
        w.Startup();
        auto& m = *static_cast<TFormTable*>(w.Module(kViewTable));
        auto* view = static_cast<TFormTableImport*>(m.ViewAt(TFormTable::kImport));
        QVERIFY(view->ViewActive() && view->Grid()->rowCount() == 2);
        QCOMPARE(view->Grid()->item(1, 1)->text(), QStringLiteral("ORT"));

        view->Import()->ChooseSource(src, "q");
        view->LoadMapping();
        QCOMPARE(view->EditTable()->text(), QStringLiteral("q"));
        QCOMPARE(view->PickList(), (QStringList{QStringLiteral("        "), QStringLiteral("k"), QStringLiteral("ort")}));
        view->Grid()->item(0, 4)->setText(QStringLiteral("k"));
        view->Grid()->item(1, 4)->setText(QStringLiteral("ort"));
        view->LoadMapping();  // what the grid wrote is in "ImpMap.db"
        QCOMPARE(view->Grid()->item(1, 4)->text(), QStringLiteral("ort"));

        view->ReadDataClick();
        QVERIFY(dialogs_.errors.isEmpty() && dialogs_.messages.size() == 1);
        QVERIFY(dialogs_.messages[0].startsWith(QStringLiteral("2 Datensätze angefügt, 0 geändert, 0 abgewiesen.")));
        QVERIFY(m.Table().FindByPrimary("A"));
        QCOMPARE(m.Table().GetField(1), std::string("M\x81nchen"));
    }

    void directImportTableNames() {
        TFormSelectAccessImport dialog(nullptr, nullptr);
        QVERIFY(!dialog.TableName()->isEnabled());
        dialog.Level(0)->setEditText(QStringLiteral("ANLAGE"));
        QVERIFY(dialog.TableName()->isEnabled() && !dialog.Level(2)->isEnabled());
        QTest::keyClicks(dialog.TableName()->lineEdit(), QStringLiteral("ab-c_1"));
        QCOMPARE(dialog.TableName()->currentText(), QStringLiteral("ABC_1"));
        QCOMPARE(dialog.LevelText(), QStringLiteral("ANLAGE,ABC_1"));
        QVERIFY(!dialog.ButtonOk()->isEnabled());
        dialog.SetDatabasePath(QStringLiteral("/x.mdb"));
        dialog.SetAccessTable(QStringLiteral("T"));
        QVERIFY(dialog.ButtonOk()->isEnabled());
    }

private:
    SettingsScope scope_;
    RecordingDialogs dialogs_;
};

QTEST_MAIN(TestImportView)
#include "test_import_view.moc"
