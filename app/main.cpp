// korinpro [PROJECTFOLDER] [--screenshot FILE]
//
// Starts the desktop program. A project folder given here is opened instead of
// the remembered project. --screenshot renders the main window after start-up
// into a PNG and ends without writing the settings; without a display it uses
// Qt's offscreen platform by itself.
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/register_modules.h"
#include "shell/form_main.h"
#include "shell/kor_application.h"
#include "shell/kor_dialogs.h"

namespace {

// A picture is taken without anybody at the screen: messages go to stderr and
// questions are answered with No, so that nothing waits for a click.
class StderrDialogs final : public korin::IKorDialogs {
public:
    void ShowMessage(QWidget*, const QString& text) override { Print(text); }
    void ShowError(QWidget*, const QString& text) override { Print(text); }
    bool AskYesNo(QWidget*, const QString& text, bool) override {
        Print(text);
        return false;
    }
    QString AskSaveFileName(QWidget*, const QString&, const QString&, const QString&,
                            const QString&) override {
        return {};
    }

private:
    static void Print(const QString& text) {
        QString line = text;
        line.replace(u'\n', u' ');
        std::fprintf(stderr, "korinpro: %s\n", qPrintable(line));
    }
};

bool HasDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform) return true;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

bool WantsScreenshot(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--screenshot") == 0 || std::strncmp(argv[i], "--screenshot=", 13) == 0)
            return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (!HasDisplay()) {
        if (!WantsScreenshot(argc, argv)) {
            std::fprintf(stderr,
                         "korinpro: Keine Anzeige gefunden (DISPLAY und WAYLAND_DISPLAY sind leer).\n"
                         "Ein Bild des Hauptfensters entsteht auch ohne Anzeige:\n"
                         "  korinpro [PROJEKTORDNER] --screenshot fenster.png\n");
            return 1;
        }
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }

    korin::TKorApplication app(argc, argv);
    korin::RegisterProgramModules();
    QCoreApplication::setApplicationName(QStringLiteral("KorinPro"));
    QCoreApplication::setOrganizationName(QStringLiteral("RVK-Nordwerk"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORIN_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Korin Pro, Planungsdatenbank für die MSR-Technik"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("PROJECTFOLDER"),
                                 QStringLiteral("Projektordner, der statt des zuletzt benutzten geöffnet wird"));
    QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                  QStringLiteral("Bild des Hauptfensters nach dem Start als PNG speichern und beenden"),
                                  QStringLiteral("FILE"));
    parser.addOption(screenshot);
    parser.process(app);
    if (parser.positionalArguments().size() > 1) {
        std::fprintf(stderr, "korinpro: Höchstens ein Projektordner.\n");
        return 2;
    }

    korin::TFormMain::Options options;
    if (!parser.positionalArguments().isEmpty()) {
        const QFileInfo folder(parser.positionalArguments().front());
        if (!folder.isDir()) {
            std::fprintf(stderr, "korinpro: Der Ordner %s existiert nicht.\n",
                         qPrintable(parser.positionalArguments().front()));
            return 1;
        }
        options.projectFolder = folder.absoluteFilePath();
    }
    const QString shotFile = parser.value(screenshot);
    options.saveSettings = shotFile.isEmpty();

    StderrDialogs quiet;
    if (!shotFile.isEmpty()) korin::SetDialogs(&quiet);

    korin::TFormMain window(options);
    window.show();
    if (shotFile.isEmpty()) return app.exec();

    // The start-up runs from the first showing; the picture is taken once it has
    // run and the window has been laid out.
    QCoreApplication::processEvents();
    window.Startup();
    QCoreApplication::processEvents();
    const QImage image = window.grab().toImage();
    if (!image.save(shotFile, "PNG")) {
        std::fprintf(stderr, "korinpro: Das Bild %s konnte nicht gespeichert werden.\n", qPrintable(shotFile));
        return 1;
    }
    std::printf("%s\n", qPrintable(QFileInfo(shotFile).absoluteFilePath()));
    return 0;
}
