// The multi-select grid: marking by click and sweep, and clearing from the
// top-left corner.
#include <QAbstractButton>
#include <QTest>

#include "msr/ui/multi_select_grid.h"

using namespace korin;

class TestMultiSelectGrid : public QObject {
    Q_OBJECT
private:
    static QPoint RowPoint(TMultiSelectGrid& g, int row) {
        return QPoint(g.columnViewportPosition(0) + 5, g.rowViewportPosition(row) + 5);
    }

private slots:
    // Down over five rows and back up over two: three rows stay marked.
    void sweepingMarksAndSweepingBackUnmarks() {
        TMultiSelectGrid g;
        g.setColumnCount(2);
        g.SetRows(8);
        g.resize(300, 400);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        QWidget* vp = g.viewport();
        QTest::mousePress(vp, Qt::LeftButton, {}, RowPoint(g, 1));
        for (int r : {2, 3, 4, 5, 3}) {
            QMouseEvent move(QEvent::MouseMove, RowPoint(g, r), vp->mapToGlobal(RowPoint(g, r)), Qt::NoButton,
                             Qt::LeftButton, {});
            QApplication::sendEvent(vp, &move);
        }
        QTest::mouseRelease(vp, Qt::LeftButton, {}, RowPoint(g, 3));
        QCOMPARE(g.MarkedRows(), (std::vector<int>{1, 2, 5}));
        QCOMPARE(g.item(1, 1)->background().color(), QColor(0x80, 0x80, 0x80));

        // A click on a marked row unmarks it; the corner clears every mark.
        QTest::mouseClick(vp, Qt::LeftButton, {}, RowPoint(g, 2));
        QCOMPARE(g.MarkedRows(), (std::vector<int>{1, 5}));
        g.SetColumnOfMarked(0, QStringLiteral("x"));
        QCOMPARE(g.Text(1, 0) + u'|' + g.Text(2, 0), QStringLiteral("x|"));
        auto* corner = g.findChild<QAbstractButton*>();
        QVERIFY(corner);
        corner->click();
        QVERIFY(g.MarkedRows().empty());
    }
};

QTEST_MAIN(TestMultiSelectGrid)
#include "test_multi_select_grid.moc"
