// The standard tables: opened once by their catalogue paths, left closed when
// a project lacks them, closed together.
#include <QTest>
#include <cstdio>

#include "shell/dm.h"
#include "shell/form_main.h"
#include "shell/models/kor_dataset.h"
#include "shell/support/project_builder.h"
#include "shell/support/qt_test_env.h"
#include "store/kor_table.h"

using namespace korin;
using namespace korin::testing;

class TestDM : public QObject {
    Q_OBJECT

private slots:
    void init() { scope_.Clear(); }

    void aTableIsOpenedOnceAndAllCloseTogether() {
        ProjectBuilder b;
        const auto files = b.AddTable({"AUC_SYSTEM", "MESSTELLE"}, {{"Bezeichner_Stelle", 20}}, {{"FIC101"}, {"TIC200"}});
        b.AddTable({"AUC_SYSTEM", "PRO_DOKU", "MSR_REF"}, {{"R", 10}}, {{"1"}});
        auto main = StartMain(b.Folder());
        TDM& dm = main->DataModule();
        dm.OpenMPoint();
        QCOMPARE(dm.KorDataSet(TDM::MPoint).rowCount(), 2);

        // The file goes away under the open table: a second open that opened the
        // file again would find nothing.
        QCOMPARE(std::remove(b.FilePath(files.first).c_str()), 0);
        dm.OpenMPoint();
        QVERIFY(dm.KorTab(TDM::MPoint).IsOpen() && dm.KorDataSet(TDM::MPoint).Active());
        QCOMPARE(dm.KorDataSet(TDM::MPoint).index(1, 0).data().toString(), QStringLiteral("TIC200"));

        dm.OpenMSRRef();
        dm.CloseAllTables();
        for (int t = 0; t < TDM::Count; ++t)
            QVERIFY(!dm.KorTab(TDM::Table(t)).IsOpen() && !dm.KorDataSet(TDM::Table(t)).Active());
        dm.OpenMSRRef();
        QVERIFY(dm.KorDataSet(TDM::MSRRef).Active());
    }

    void missingTablesStayClosed() {
        ProjectBuilder b;
        // KLEMMEN in AUC_SYSTEM instead of PRO_DOKU; ANLAGE without its data file.
        b.AddTable({"AUC_SYSTEM", "KLEMMEN"}, {{"Klemme", 10}}, {{"X1"}});
        const auto anlage = b.AddTable({"AUC_SYSTEM", "ANLAGE"}, {{"Anlage", 10}}, {{"A1"}});
        std::remove(b.FilePath(anlage.first).c_str());
        auto main = StartMain(b.Folder());
        TDM& dm = main->DataModule();
        dm.OpenConn();
        dm.OpenUnit();
        dm.OpenSignal();
        for (TDM::Table t : {TDM::Conn, TDM::Unit, TDM::Signal}) QVERIFY(!dm.KorTab(t).IsOpen() && !dm.KorDataSet(t).Active());
    }

    void aTableOpenedElsewhereOnlyGetsItsDataset() {
        ProjectBuilder b;
        b.AddTable({"AUC_SYSTEM", "KABEL"}, {{"Kabel", 10}}, {{"W1"}, {"W2"}, {"W3"}});
        auto main = StartMain(b.Folder());
        TDM& dm = main->DataModule();
        QVERIFY(dm.OpenProjectTable(TDM::Path(TDM::Cable), dm.KorTab(TDM::Cable), false));
        QVERIFY(!dm.KorDataSet(TDM::Cable).Active());
        dm.OpenCable();
        QCOMPARE(dm.KorDataSet(TDM::Cable).rowCount(), 3);
    }

private:
    SettingsScope scope_;
    RecordingDialogs dialogs_;
};

QTEST_MAIN(TestDM)
#include "test_dm.moc"
