// korinpro [PROJECTFOLDER] [--module NAME] [--select PATH] [--view N] [--screenshot FILE]
//
// Starts the desktop program. A project folder given here is opened instead of
// the remembered project. After the start-up, --select selects the catalogue
// entry PATH ("AUC_SYSTEM/MESSTELLE") in the project tree, --module shows the
// module NAME ("table", "cable", "msr", "overview", "drawing", "symbol",
// "master") and --view chooses that module's view N (its menu's radio item,
// from 0). --screenshot renders the main window once all of that is shown into
// a PNG and ends without writing the settings; without a display it uses Qt's
// offscreen platform by itself.
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/register_modules.h"
#include "shell/form_main.h"
#include "shell/kor_application.h"
#include "shell/kor_dialogs.h"
#include "shell/module_factory.h"

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

// A grab holds the client area only; the picture gets a plain title bar with
// the window's title above it, as a window manager would draw it.
QImage WithTitleBar(const QImage& client, const QString& title) {
    constexpr int kBar = 26;
    QImage image(client.width(), client.height() + kBar, QImage::Format_ARGB32);
    image.fill(QColor(0x2b, 0x3a, 0x4a));
    QPainter painter(&image);
    painter.drawImage(0, kBar, client);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, client.width(), kBar), Qt::AlignCenter, title);
    return image;
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
    QCommandLineOption module(QStringLiteral("module"),
                              QStringLiteral("Modul zeigen: table, cable, msr, overview, drawing, symbol, master"),
                              QStringLiteral("NAME"));
    parser.addOption(module);
    QCommandLineOption select(QStringLiteral("select"),
                              QStringLiteral("Eintrag des Projektbaums wählen, z. B. AUC_SYSTEM/MESSTELLE"),
                              QStringLiteral("PATH"));
    parser.addOption(select);
    QCommandLineOption view(QStringLiteral("view"), QStringLiteral("Ansicht N des Moduls wählen (ab 0)"),
                            QStringLiteral("N"));
    parser.addOption(view);
    parser.process(app);
    if (parser.positionalArguments().size() > 1) {
        std::fprintf(stderr, "korinpro: Höchstens ein Projektordner.\n");
        return 2;
    }

    korin::TFormMain::Options options;
    if (!parser.positionalArguments().isEmpty()) {
        // A folder that does not exist or is no project is refused by the window
        // itself, so that a desktop launcher shows the reason too.
        const QFileInfo folder(parser.positionalArguments().front());
        options.projectFolder = folder.absoluteFilePath();
    }
    if (parser.isSet(module)) {
        options.module = korin::ModuleViewByCommandName(parser.value(module).toUtf8().constData());
        if (options.module < 0) {
            std::fprintf(stderr, "korinpro: Unbekanntes Modul %s (table, cable, msr, overview, drawing, symbol, master).\n",
                         qPrintable(parser.value(module)));
            return 2;
        }
    }
    if (parser.isSet(select)) {
        options.selectPath = parser.value(select).split(u'/', Qt::SkipEmptyParts);
        if (options.selectPath.isEmpty()) {
            std::fprintf(stderr, "korinpro: Der Pfad für --select ist leer.\n");
            return 2;
        }
    }
    if (parser.isSet(view)) {
        bool ok = false;
        options.view = parser.value(view).toInt(&ok);
        if (!ok || options.view < 0) {
            std::fprintf(stderr, "korinpro: --view erwartet eine Zahl ab 0.\n");
            return 2;
        }
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
    const QImage image = WithTitleBar(window.grab().toImage(), window.windowTitle());
    if (!image.save(shotFile, "PNG")) {
        std::fprintf(stderr, "korinpro: Das Bild %s konnte nicht gespeichert werden.\n", qPrintable(shotFile));
        return 1;
    }
    std::printf("%s\n", qPrintable(QFileInfo(shotFile).absoluteFilePath()));
    return 0;
}
