// The catalogue tree model: levels read lazily and keyed by entry number,
// stored and displayed texts, images, re-reading, and damaged levels; the code
// pages of store texts.
#include <QAbstractItemModelTester>
#include <QImage>
#include <QTest>

#include "project/kor_dir_file.h"
#include "shell/models/codepage.h"
#include "shell/models/kor_dir_model.h"
#include "shell/models/node_images.h"
#include "shell/support/project_builder.h"

using namespace korin;
using namespace korin::testing;

namespace {

QModelIndex Child(const TKorDirModel& m, const QModelIndex& parent, const QString& name) {
    for (int r = 0; r < m.rowCount(parent); ++r) {
        const QModelIndex i = m.index(r, 0, parent);
        if (i.data(TKorDirModel::NameRole).toString() == name) return i;
    }
    return {};
}

QStringList Names(const TKorDirModel& m, const QModelIndex& parent, int role = Qt::DisplayRole) {
    QStringList names;
    for (int r = 0; r < m.rowCount(parent); ++r) names << m.index(r, 0, parent).data(role).toString();
    return names;
}

// The model over the catalogue of b, with its first level read.
struct Opened {
    explicit Opened(const ProjectBuilder& b) {
        dir.SetProject(b.Dir());
        dir.Open();
        m.SetDirFile(&dir);
        m.Reload();
    }
    TKorDirFile dir;
    TKorDirModel m;
};

}  // namespace

class TestDirModel : public QObject {
    Q_OBJECT

private slots:
    void levelsAreReadWhenAFolderIsExpanded() {
        ProjectBuilder b;
        // A folder without a schedule: two tables and a drawing.
        b.AddTable({"ANLAGEN", "PUMPEN"}, {{"Name", 10}}, {}, "Lange Tabelle", false);
        b.AddTable({"ANLAGEN", "MOTOREN"}, {{"Name", 10}}, {}, "", false);
        b.AddDrawing({"ANLAGEN", "Blatt1"});
        b.SetLongText(DrawingKey({"ANLAGEN", "Blatt1"}), "Rührwerk");
        b.AddFolder({"ANLAGEN", "Halle 2"});
        // No model tester here: it would read every level at once.
        Opened o(b);
        TKorDirModel& m = o.m;
        QCOMPARE(Names(m, {}), QStringList{"ANLAGEN"});
        const QModelIndex folder = m.index(0, 0);
        QCOMPARE(Names(m, {}, TKorDirModel::TypeRole), QStringList{"0"});
        QCOMPARE(Names(m, {}, TKorDirModel::StoredTextRole), QStringList{"ANLAGEN, 0"});
        // Not read yet, but it offers to be expanded.
        QVERIFY(m.hasChildren(folder) && m.rowCount(folder) == 0 && m.canFetchMore(folder));

        m.fetchMore(folder);
        QVERIFY(!m.canFetchMore(folder));
        // Key order: the type number first, then the name.
        QCOMPARE(Names(m, folder), (QStringList{"Halle 2", "Blatt1", "MOTOREN", "PUMPEN"}));
        QCOMPARE(Names(m, folder, TKorDirModel::TypeRole), (QStringList{"0", "1", "5", "5"}));

        const QModelIndex table = Child(m, folder, "PUMPEN");
        QVERIFY(!m.hasChildren(table) && (m.flags(table) & Qt::ItemNeverHasChildren) && !m.canFetchMore(table));
        QVERIFY(!table.data(Qt::DecorationRole).value<QIcon>().isNull());

        // Rows are known by their entry numbers.
        const int32_t entry = o.dir.Locate(TableKey({"ANLAGEN", "PUMPEN"}));
        QCOMPARE(std::pair(m.EntryOf(table), o.dir.Locate(m.KeyParts(table))), std::pair(entry, entry));
        QCOMPARE(std::pair(m.IndexOfEntry(entry), m.parent(table)), std::pair(table, folder));
        QCOMPARE(m.PathNames(table), (std::vector<std::string>{"ANLAGEN", "PUMPEN"}));

        // A sub-folder with its schedule and system table.
        const QModelIndex sub = Child(m, folder, "Halle 2");
        m.fetchMore(sub);
        QCOMPARE(Names(m, sub), (QStringList{"SCHEDULE", "SYSTABLE"}));
        QCOMPARE(Names(m, sub, TKorDirModel::StoredTextRole).front(), QStringLiteral("SCHEDULE, 7"));

        // Long texts are shown for drawings only.
        QCOMPARE(Child(m, folder, "Blatt1").data().toString(), QStringLiteral("Blatt1"));
        m.SetShowLongTexts(true);
        m.Reload();
        m.fetchMore(m.index(0, 0));
        const QModelIndex page = Child(m, m.index(0, 0), "Blatt1");
        QCOMPARE((QStringList{page.data().toString(), page.data(TKorDirModel::StoredTextRole).toString(),
                              page.data(TKorDirModel::NameRole).toString()}),
                 (QStringList{"Blatt1 : Rührwerk", "Blatt1 : Rührwerk, 1", "Blatt1"}));
        QCOMPARE(Child(m, m.index(0, 0), "PUMPEN").data().toString(), QStringLiteral("PUMPEN"));
    }

    void collapsingForgetsAndReexpandingReadsAnew() {
        ProjectBuilder b;
        b.AddTable({"A", "T1"}, {{"Name", 10}}, {});
        b.AddTable({"B", "T2"}, {{"Name", 10}}, {});
        Opened o(b);
        TKorDirModel& m = o.m;
        // The tester checks every change from here on (and reads all levels).
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QModelIndex a = Child(m, {}, "A"), bFolder = Child(m, {}, "B");
        for (const QModelIndex& level : {a, bFolder}) m.fetchMore(level);
        const int32_t t1 = m.EntryOf(Child(m, a, "T1"));
        QVERIFY(t1 > 0);

        // The table of A goes and B gets tables; the freed entry numbers are
        // used again, while A still shows its old rows.
        o.dir.DeleteTable({"A", "T1"});
        std::string data, key;
        for (const char* name : {"T3", "T4", "T5"}) o.dir.CreateTableEntries({"B", name}, "", data, key);
        m.Collapse(bFolder);
        QVERIFY(m.rowCount(bFolder) == 0 && m.hasChildren(bFolder));
        m.fetchMore(bFolder);
        QVERIFY(Names(m, bFolder).contains(QStringLiteral("T5")));
        // Every entry is one row: a number now used in B is no longer a row of A.
        QSet<quintptr> seen;
        for (const QModelIndex& parent : {QModelIndex(), a, bFolder})
            for (int r = 0; r < m.rowCount(parent); ++r) {
                const QModelIndex i = m.index(r, 0, parent);
                QVERIFY(m.parent(i) == parent && !seen.contains(i.internalId()));
                seen.insert(i.internalId());
            }
        m.Collapse(a);
        m.fetchMore(a);
        QVERIFY(!Names(m, a).contains(QStringLiteral("T1")));
    }

    void aLevelThatLinksToItselfIsReadUpToTheDamage() {
        ProjectBuilder b;
        b.AddTable({"F", "T1"}, {{"Name", 10}}, {}, "", false);
        b.AddTable({"F", "T2"}, {{"Name", 10}}, {}, "", false);
        Opened o(b);
        TKorDirFile& dir = o.dir;
        const int32_t folder = dir.Locate({FolderPart("F")});
        const int32_t root = dir.Nodes().GetDown(folder);
        // The level's root becomes its own left neighbour and the folder its
        // right one: a ring inside the level and a link back to an ancestor.
        dir.Nodes().SetLeft(root, root);
        dir.Nodes().SetRight(root, folder);
        TKorDirModel& m = o.m;
        m.Reload();
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QModelIndex f = m.index(0, 0);
        m.fetchMore(f);
        QVERIFY(m.rowCount(f) >= 1 && m.rowCount(f) <= 2);
        for (int r = 0; r < m.rowCount(f); ++r) QVERIFY(m.EntryOf(m.index(r, 0, f)) != folder);
    }

    void aClosedCatalogueShowsNothing() {
        TKorDirFile dir;
        TKorDirModel m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (TKorDirFile* file : {&dir, static_cast<TKorDirFile*>(nullptr)}) {
            m.SetDirFile(file);
            m.Reload();
            QCOMPARE(m.rowCount(), 0);
        }
    }

    void twentyDistinctNodeImages() {
        QList<QImage> images;
        for (int i = 0; i < kNodeImageCount; ++i) {
            const QImage image = NodeImage(i, 16).toImage();
            QCOMPARE(image.size(), QSize(16, 16));
            for (const QImage& other : images) QVERIFY(image != other);
            images << image;
        }
        // Numbers out of range draw image 9.
        for (int outside : {42, -1}) QCOMPARE(NodeImage(outside).toImage(), NodeImage(9).toImage());
        const QIcon icon = NodeIcon(5);
        QCOMPARE(icon.pixmap(16, QIcon::Normal).toImage(), NodeImage(5).toImage());
        QCOMPARE(icon.pixmap(16, QIcon::Selected).toImage(), NodeImage(15).toImage());
    }

    void storeTextsBecomeUnicode() {
        QCOMPARE(FromOem("\x84\x94\x81\x8E\x99\x9A\xE1"), QStringLiteral("äöüÄÖÜß"));
        QCOMPARE(FromOem(std::string_view("ab\0cd", 5)), QStringLiteral("ab"));
        QCOMPARE(FromAnsi("\xE4\xF6\xFC\x80"), QStringLiteral("äöü€"));
        // Bytes Windows-1252 leaves undefined keep their number.
        QCOMPARE(FromAnsi("\x81").front().unicode(), char16_t(0x81));
        for (const char* text : {"R\xC3\xBChrwerk", "R\xFChrwerk"})
            QCOMPARE(FromCatalogue(text), QStringLiteral("Rührwerk"));
        QCOMPARE(FromCatalogue("\xC3"), QStringLiteral("Ã"));  // a cut UTF-8 sequence
        QCOMPARE(FromCatalogue("AUC_SYSTEM"), QStringLiteral("AUC_SYSTEM"));
    }
};

QTEST_MAIN(TestDirModel)
#include "test_dir_model.moc"
