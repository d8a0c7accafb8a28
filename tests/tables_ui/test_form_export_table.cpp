// The export dialog: OK follows the edits, the save dialog's answer chooses the
// format, and Access is shown but cannot be chosen.
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "shell/support/qt_test_env.h"
#include "tables/ui/form_export_table.h"

using namespace korin;
using namespace korin::testing;

class TestFormExportTable : public QObject {
    Q_OBJECT
private slots:
    void accessIsShownButNotOffered() {
        TFormExportTable form;
        QVERIFY(!form.OkButton()->isEnabled() && form.FormatButton(TExportFormat::Paradox)->isChecked());
        QVERIFY(!form.FormatButton(TExportFormat::Access)->isEnabled() && !form.DBaseButton()->isEnabled());
        QVERIFY(!form.FormatButton(TExportFormat::Access)->toolTip().isEmpty());
        if (const QByteArray shot = qgetenv("KORIN_EXPORT_SHOT"); !shot.isEmpty())
            form.grab().save(QString::fromLocal8Bit(shot));
    }

    void saveDialogAnswerChoosesFormatAndEnablesOk() {
        QTemporaryDir dir;
        const QString folder = QDir(dir.path()).absolutePath();
        TFormExportTable form;
        form.TakeFileName(folder + QStringLiteral("/Stellen"));  // Paradox's extension is added
        QCOMPARE(form.TableEdit()->text(), QStringLiteral("Stellen.db"));
        QCOMPARE(form.Database(), folder + '/');
        QVERIFY(form.OkButton()->isEnabled());
        form.TakeFileName(folder + QStringLiteral("/Stellen.DBF"));
        QCOMPARE(form.Format(), TExportFormat::FoxPro);

        form.TakeFileName(folder + QStringLiteral("/p.sqlite"));  // a new database file
        QCOMPARE(form.Format(), TExportFormat::SQLite);
        QCOMPARE(form.DatabaseEdit()->text(), folder + QStringLiteral("/p.sqlite"));
        QVERIFY(!form.TableButton()->isHidden());
        form.TableEdit()->clear();
        QVERIFY(!form.OkButton()->isEnabled());
        form.TableEdit()->setText(QStringLiteral("MESSTELLE"));
        QVERIFY(form.OkButton()->isEnabled());
        form.DatabaseEdit()->setText(folder + QStringLiteral("/missing/p.sqlite"));
        QVERIFY(!form.OkButton()->isEnabled());

        form.FormatButton(TExportFormat::Paradox)->click();  // a new choice empties both edits
        QVERIFY(form.DatabaseEdit()->text().isEmpty() && form.TableEdit()->text().isEmpty());
        QVERIFY(form.TableButton()->isHidden());
    }

private:
    SettingsScope scope_;
    RecordingDialogs dialogs_;
};

QTEST_MAIN(TestFormExportTable)
#include "test_form_export_table.moc"
