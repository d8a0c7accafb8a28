// The table model over a store table: key order, filters, code page, refusal
// of edits, and reading only the rows a view asks for.
#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "shell/models/kor_dataset.h"
#include "store/kor_table.h"

using namespace korin;

namespace {

// A scratch table of text fields; primary is the key field's number, 0 for none.
class ScratchTable {
public:
    ScratchTable(const std::vector<std::pair<std::string, int>>& fields,
                 const std::vector<std::vector<std::string>>& records, int primary = 1) {
        table.SetProject(dir.path().toStdString());
        table.SetKeyFileName("000002");
        table.SetFileName("000001");
        std::vector<TKorNewField> defs;
        for (const auto& [name, size] : fields) defs.push_back({name, TKorFieldType::String, size});
        table.SetFieldDefs(defs);
        table.SetPrimaryKeyField(primary);
        table.SetTitle("TEST");
        table.CreateNew(true);
        table.Open();
        for (const auto& r : records)
            if (table.Append(r) < 0) qFatal("record refused");
        table.DefineSecondaryKey("ORT", {"Ort"});
        table.Reindex();
        table.Close();
    }
    TKorDataSet& Open() {
        ds.SetKorTab(&table);
        ds.Open();
        return ds;
    }
    QTemporaryDir dir;
    TKorTable table;
    TKorDataSet ds;  // goes before the table
};
#define TESTER(m) QAbstractItemModelTester tester(&(m), QAbstractItemModelTester::FailureReportingMode::QtTest)

QStringList Column(const QAbstractItemModel& m, int column) {
    QStringList texts;
    for (int r = 0; r < m.rowCount(); ++r) texts << m.index(r, column).data().toString();
    return texts;
}

const std::vector<std::pair<std::string, int>> kFields = {{"Name", 12}, {"Ort", 10}, {"Text", 30}};

}  // namespace

class TestDataSet : public QObject {
    Q_OBJECT

private slots:
    void rowsFollowTheKeyOrder() {
        ScratchTable t(kFields, {{"TIC200", "Halle 2", "b"}, {"FIC101", "Halle 1", "a"}, {"PI300", "Halle 1", "c"}});
        TKorDataSet& ds = t.ds;
        TESTER(ds);
        ds.SetKorTab(&t.table);
        QCOMPARE(ds.rowCount(), 0);  // closed until opened
        ds.Open();
        QVERIFY(ds.Active() && t.table.IsOpen());
        QCOMPARE(std::pair(ds.rowCount(), ds.columnCount()), std::pair(3, 3));
        QCOMPARE(Column(ds, 0), (QStringList{"FIC101", "PI300", "TIC200"}));
        QCOMPARE(Column(ds, 2), (QStringList{"a", "c", "b"}));
        QCOMPARE(std::pair(ds.headerData(1, Qt::Horizontal).toString(), ds.headerData(2, Qt::Vertical).toInt()),
                 std::pair(QStringLiteral("Ort"), 3));
        // Reading a row moves the table to that record.
        QVERIFY(ds.SelectRow(1));
        QCOMPARE(t.table.GetField(0), std::string("PI300"));
        QVERIFY(!ds.SelectRow(3));
        ds.Close();
        QVERIFY(!t.table.IsOpen() && ds.rowCount() == 0);
    }

    void withoutPrimaryKeyTheSlotOrderCounts() {
        ScratchTable t(kFields, {{"Z", "", ""}, {"A", "", ""}, {"M", "", ""}}, 0);
        QCOMPARE(Column(t.Open(), 0), (QStringList{"Z", "A", "M"}));
    }

    void emptyTableAndNoTable() {
        ScratchTable t(kFields, {});
        t.ds.Open();  // no table: stays closed
        QVERIFY(!t.ds.Active());
        TKorDataSet& ds = t.Open();
        QVERIFY(ds.Active());
        QCOMPARE(std::pair(ds.rowCount(), ds.columnCount()), std::pair(0, 3));
        QVERIFY(!ds.SelectRow(0));
    }

    void filterNarrowsAndReopens() {
        ScratchTable t(kFields, {{"A1", "Halle 1", ""}, {"A2", "Halle 2", ""}, {"A3", "Halle 1", ""}});
        TKorDataSet& ds = t.ds;
        TESTER(ds);
        ds.SetFilter("Ort = \"Halle 1\"");
        t.Open();
        QCOMPARE(Column(ds, 0), (QStringList{"A1", "A3"}));
        // Changing the filter of an open model applies it at once.
        ds.SetFilter("Name = \"A2\"");
        QCOMPARE(std::pair(ds.Active(), Column(ds, 0)), std::pair(true, QStringList{"A2"}));
        ds.SetFilter("Ort = \"Halle 9\"");
        QVERIFY(ds.Active() && ds.rowCount() == 0);
        ds.SetFilter("");
        QCOMPARE(ds.rowCount(), 3);
        // A field without an index is refused by the table; the model stays closed.
        ds.Close();
        ds.SetFilter("Text = \"x\"");
        QVERIFY_THROWS_EXCEPTION(std::exception, ds.Open());
        QVERIFY(!ds.Active());
    }

    void filterRecordHandlerDecidesWhileFiltered() {
        ScratchTable t(kFields, {{"A1", "", "ja"}, {"A2", "", "nein"}, {"A3", "", "ja"}, {"A4", "", "nein"}});
        TKorDataSet& ds = t.ds;
        TESTER(ds);
        ds.SetOnFilterRecord([](TKorTable& table) { return table.GetField(2) == "ja"; });
        t.Open();
        QCOMPARE(ds.rowCount(), 4);  // not filtered: the handler is not asked
        ds.SetFiltered(true);
        QCOMPARE(Column(ds, 0), (QStringList{"A1", "A3"}));
        QVERIFY(ds.RecordPosition(1) == 2 && ds.SelectRow(1));
        QCOMPARE(t.table.GetField(0), std::string("A3"));
        ds.SetFiltered(false);
        QCOMPARE(ds.rowCount(), 4);
    }

    // Editing is refused; records appended later show after reopening.
    void editingIsRefusedAndAppendsShowOnReopening() {
        ScratchTable t(kFields, {{"M1", "", "alt"}});
        TKorDataSet& ds = t.Open();
        const QModelIndex cell = ds.index(0, 2);
        QVERIFY(!ds.CanModify() && !(ds.flags(cell) & Qt::ItemIsEditable));
        QVERIFY(!ds.setData(cell, QStringLiteral("neu")));
        QCOMPARE(std::pair(cell.data().toString(), t.table.GetField(2)), std::pair(QStringLiteral("alt"), std::string("alt")));

        QVERIFY(t.table.Append({"M0", "", ""}) >= 0);
        QCOMPARE(ds.rowCount(), 1);  // the count of the open
        ds.Close();
        ds.Open();
        QCOMPARE(Column(ds, 0), (QStringList{"M0", "M1"}));
    }

    // Rows are read as the view asks for them (timed by bench/bench_dataset.cpp);
    // KORIN_BIG_TABLE raises the size, for example to 1000000.
    void aLargeTableOpensAtOnce() {
        const int big = qEnvironmentVariableIntValue("KORIN_BIG_TABLE"), n = big > 0 ? big : 5000;
        std::vector<std::vector<std::string>> records;
        char name[16];
        for (int i = 0; i < n; ++i) {
            std::snprintf(name, sizeof name, "M%07d", i);
            records.push_back({name, "", "Messtelle"});
        }
        ScratchTable t(kFields, records);
        TKorDataSet& ds = t.Open();
        QTableView view;
        view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        view.setModel(&ds);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.scrollToBottom();
        QCoreApplication::processEvents();
        QCOMPARE(ds.rowCount(), n);
        std::snprintf(name, sizeof name, "M%07d", n - 1);
        QCOMPARE(ds.index(n - 1, 0).data().toString(), QString::fromLatin1(name));
    }
};

QTEST_MAIN(TestDataSet)
#include "test_dataset.moc"
