// The drawing module in the main window: the symbol and title block grids,
// the page bitmap of the drawing's measure point with its zoom, and what a
// missing or unreadable bitmap and a damaged drawing show; the rows of a large
// drawing read in time.
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "cable/cable_project.h"
#include "drawing/drawing_gen.h"
#include "drawing/ui/form_drawing.h"
#include "drawing/ui/image_scroll_box.h"
#include "drawing/ui/kor_draw_ds.h"
#include "shell/form_main.h"
#include "shell/module_factory.h"
#include "shell/support/qt_test_env.h"

using namespace korin;
using namespace korin::testing;

namespace {

void WriteFile(const std::string& file, const std::vector<uint8_t>& bytes) {
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

class TestFormDrawing : public QObject {
    Q_OBJECT
private slots:
    void showsTheTitleBlockAndThePageBitmap() {
        QTemporaryDir temp;
        const std::string root = temp.path().toStdString() + "/";
        const std::string dir = root + "Projekt/", originals = root + "Originale/";
        std::filesystem::create_directories(dir);
        std::filesystem::create_directories(originals + "bitmap");
        MakeTable(dir, "MESSTELLE", {{"Stelle#12135", 32}, {"ORIGINAL#20020", 137}, {"ORIGPATH#20021", 137}}, 1,
                  {}, {{"A10.TI1", "TYP-1,TYP-2,TYP-3", originals + ","}});
        QImage(40, 20, QImage::Format_RGB32).save(QString::fromStdString(originals + "bitmap/TYP-2.bmp"), "BMP");
        gen::Drawing d;
        d.symbols = {{.kind = 6, .type = 9, .name = "SF",
                      .codes = {{.number = 60}, {.number = 61}, {.number = 62}, {.number = 12135, .text = "A10.TI1"}}},
                     {.kind = 10, .type = 3, .name = "TT", .codes = {{.number = 1, .text = "x"}}}};
        WriteFile(root + "source", gen::Build(d));
        TKorDirFile cat;
        cat.SetProject(dir);
        cat.Open();
        const std::string page = cat.CreateDrawingEntry(root + "source", DrawingKey({"A10", "A10.TI1", "2"}));
        cat.Close();

        TFormMain w({.projectFolder = QString::fromStdString(dir).chopped(1), .saveSettings = false,
                     .selectPath = {"A10", "A10.TI1", "2"}, .module = kViewDrawing});
        w.Startup();
        auto* form = qobject_cast<TFormDrawing*>(w.Module(kViewDrawing));
        QVERIFY(form && form->Active());
        QCOMPARE(std::pair(form->SymbolRows().rowCount(), form->CodeRows().rowCount()), std::pair(2, 4));  // title block codes only

        form->SelectView(1);
        TImageScrollBox* image = form->ImageScrollBox();
        QVERIFY(image->PictureShown());
        QCOMPARE(image->DisplaySize(), QSize(41, 21));
        for (int i = 0; i < 4; ++i) image->Zoom(Qt::LeftButton);
        QCOMPARE(image->ScaleFactor(), 220);
        for (Qt::MouseButton b : {Qt::MiddleButton, Qt::RightButton}) image->Zoom(b);
        QCOMPARE(image->DisplaySize(), QSize(32, 16));

        // Not a BMP, then no file: an empty view that says why.
        std::ofstream(originals + "bitmap/TYP-2.bmp") << "kein Bild";
        for (const char* why : {"keine lesbare BMP-Datei", "nicht vorhanden"}) {
            form->SelectionChanged();
            QVERIFY(!image->PictureShown() && image->LoadProblem().contains(QString::fromUtf8(why)));
            std::filesystem::remove(originals + "bitmap/TYP-2.bmp");
        }

        // A damaged drawing: the store's message, empty grids.
        WriteFile(dir + page, std::vector<uint8_t>(64, 7));
        form->SelectView(0);
        QVERIFY(dialogs_.errors.size() == 1 && dialogs_.errors[0].startsWith(QStringLiteral("KorMMF: Konnte Datei nicht öffnen.")));
        QCOMPARE(form->CodeRows().rowCount(), 0);
    }

    void aLargeDrawingOpensAtOnce() {
        QTemporaryDir temp;
        const std::string file = temp.path().toStdString() + "/000001";
        // 10^4 symbols: a quarter instruments with a code each, the rest opaque
        // records, as many as the symbol index can address.
        gen::Drawing d;
        for (int i = 0; i < 10000; ++i)
            d.symbols.push_back(i % 4 ? gen::Symbol{.kind = 2}
                                      : gen::Symbol{.kind = 10, .type = 3, .name = "TT", .codes = {{.number = 1, .text = "x"}}});
        WriteFile(file, gen::Build(d));
        for (TKorDrawTable table : {TKorDrawTable::Symbol, TKorDrawTable::Code}) {
            TKorDrawDS rows(table);
            rows.SetFileName(file);
            QElapsedTimer timer;
            timer.start();
            rows.Open();
            const qint64 ms = timer.elapsed();
            QCOMPARE(rows.rowCount(), table == TKorDrawTable::Code ? 2500 : 10000);
            QVERIFY2(ms < 50, qPrintable(QStringLiteral("%1 ms").arg(ms)));
        }
    }

private:
    SettingsScope scope_;
    RecordingDialogs dialogs_;
};

QTEST_MAIN(TestFormDrawing)
#include "test_form_drawing.moc"
