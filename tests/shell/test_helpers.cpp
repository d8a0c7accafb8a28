// The shell's small helpers: comma texts, the log file, the module key paths,
// the project selection dialog's memory, and exceptions that reach the event
// loop.
#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "shell/comma_text.h"
#include "shell/form_main.h"
#include "shell/form_module.h"
#include "shell/form_project_select.h"
#include "shell/kor_application.h"
#include "shell/kor_log.h"
#include "shell/kor_settings.h"
#include "shell/support/qt_test_env.h"
#include "test_support.h"
#include "store/kor_error.h"

using namespace korin;
using namespace korin::testing;

namespace {

std::string ReadAll(const std::string& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// An object whose event handler fails as a menu handler might.
class Failing : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) throw EKorTabError("KorTable: Datensatz 7 existiert nicht!");
        return QObject::event(e);
    }
};

}  // namespace

class TestHelpers : public QObject {
    Q_OBJECT

private slots:
    void init() {
        scope_.Clear();
        dialogs_.Clear();
    }

    void commaTextsJoinAndSplit() {
        const struct {
            const char* name;
            QStringList texts;
            QString comma;
        } cases[] = {
            {"plain", {"AUC_SYSTEM", "PRO_DOKU", "MSR_REF"}, QStringLiteral("AUC_SYSTEM,PRO_DOKU,MSR_REF")},
            {"blank", {"Halle 2", "Blatt1"}, QStringLiteral("\"Halle 2\",Blatt1")},
            {"comma and quote", {"a,b", "say \"x\""}, QStringLiteral("\"a,b\",\"say \"\"x\"\"\"")},
            {"empty text", {"A", "", "B"}, QStringLiteral("A,\"\",B")},
            {"one empty", {""}, QStringLiteral("\"\"")},
            {"none", {}, QString()},
            {"umlaut", {"Rührwerk"}, QStringLiteral("Rührwerk")},
        };
        for (const auto& c : cases) {
            QVERIFY2(JoinCommaText(c.texts) == c.comma, c.name);
            QVERIFY2(SplitCommaText(c.comma) == c.texts, c.name);
        }
        QCOMPARE(SplitCommaText(QStringLiteral("  a b , c,")) + SplitCommaText(QStringLiteral("\"x")),
                 (QStringList{"a", "b", "c", "", "x"}));
    }

    void logLinesHaveDateTimeSourceAndMessage() {
        QTemporaryDir dir;
        const std::string file = dir.filePath(QStringLiteral("KorPro.Log")).toStdString();
        AppendLogLine(file, "ModDir", "Benutzter Eintrag: 3");  // creates the file
        AppendLogLine(file, "KorPro", "Programm normal beendet.");
        const QStringList lines = QString::fromStdString(ReadAll(file)).split(u'\n', Qt::SkipEmptyParts);
        const QRegularExpression stamp(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d "));
        QVERIFY(stamp.match(lines.value(0)).hasMatch());
        QCOMPARE((QStringList{lines.value(0).mid(20), lines.value(1).mid(20), lines.value(2)}),
                 (QStringList{"ModDir Benutzter Eintrag: 3", "KorPro Programm normal beendet.", ""}));

        // An unwritable log stops the writer.
        const std::string bad = "/nonexistent-folder/KorPro.Log";
        QVERIFY_THROWS_EXCEPTION(Exception, AppendLogLine(bad, "KorPro", "x"));
        QCOMPARE(QString::fromStdString(MessageOf([&] { StartLog(bad); })),
                 QStringLiteral("KorPro: In die Protokolldatei /nonexistent-folder/KorPro.Log konnte nicht "
                                "geschrieben werden!"));
    }

    void projectDialogRemembersItsPanelWhicheverButtonCloses() {
        QTemporaryDir a;
        {
            TFormProjectSelect dialog;
            QCOMPARE(dialog.SelectedPath(), QString());  // first run: nothing remembered
            dialog.SelectFolder(a.path());
            QCOMPARE(dialog.SelectedPath(), QDir::cleanPath(a.path()));
            dialog.reject();  // Cancel still remembers the panel
        }
        QCOMPARE(scope_.Open()->value(kLastPathKey).toString(), QDir::cleanPath(a.path()));
        {
            TFormProjectSelect dialog;
            QCOMPARE(dialog.SelectedPath(), QDir::cleanPath(a.path()));
            dialog.SetSelectedPath(QStringLiteral("/tmp"));
            dialog.accept();
        }
        QCOMPARE(scope_.Open()->value(kLastPathKey).toString(), QStringLiteral("/tmp"));

        // A remembered folder that is gone is ignored.
        scope_.Open()->setValue(kLastPathKey, QStringLiteral("/nonexistent-folder/Projekt"));
        TFormProjectSelect dialog;
        QCOMPARE(dialog.SelectedPath(), QString());
        QVERIFY(dialogs_.errors.isEmpty());
    }

    void nestedModulesHaveNestedKeyPaths() {
        class Probe : public TFormModule {
        public:
            using TFormModule::TFormModule;
        };
        TFormMain host;
        Probe outer(host, QStringLiteral("MSR"));
        Probe inner(host, QStringLiteral("CreatePages"), &outer);
        QCOMPARE(inner.KeyPath(), QStringLiteral("MSR/CreatePages"));

        // "ANSIPath" is read from the module's own key; an inactive one saves nothing.
        auto s = scope_.Open();
        s->setValue(QStringLiteral("MSR/CreatePages/ANSIPath"), QStringLiteral("/daten/export"));
        inner.LoadSettings(*s);
        QCOMPARE(inner.ExportFolder(), QStringLiteral("/daten/export"));
        s->remove(QStringLiteral("MSR"));
        inner.SaveSettings(*s);
        QVERIFY(s->allKeys().isEmpty());
    }

    void exceptionsInEventHandlersAreShownAndTheProgramGoesOn() {
        QVERIFY(qobject_cast<TKorApplication*>(QCoreApplication::instance()));
        Failing failing;
        QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));
        bool later = false;
        QTimer::singleShot(0, [&later] { later = true; });
        QTRY_VERIFY(later);
        QCOMPARE(dialogs_.errors, QStringList{QStringLiteral("KorTable: Datensatz 7 existiert nicht!")});
    }

    void storeMessagesBecomeDialogs() {
        ShowErrorMessage("Achtung! In der Tabelle X kam es zu\r einem Schlüsselkonflikt.");
        QCOMPARE(dialogs_.errors,
                 QStringList{QStringLiteral("Achtung! In der Tabelle X kam es zu\n einem Schlüsselkonflikt.")});
        for (bool answer : {true, false}) {
            dialogs_.answerYes = answer;
            QCOMPARE(MessageSink().AskYesNo("Weiter?"), answer);
        }
    }

private:
    SettingsScope scope_;
    RecordingDialogs dialogs_;
};

int main(int argc, char** argv) {
    TKorApplication app(argc, argv);
    TestHelpers test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_helpers.moc"
