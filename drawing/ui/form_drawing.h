// TFormDrawing: the drawing module (View "&Zeichnung").
//
// It shows the drawing selected in the project tree in one of two views, chosen
// with the radio items "&Tabelle" and "&Bild" of its menu "&Zeichnung" (merged
// into the main menu while the module is shown; the module always starts with
// the table view):
//   table view  the symbols of the drawing (left, 320 pixels) and the codes of
//               its title block symbols (right: the code rows filtered with
//               "SymTyp=9"; a symbol chosen on the left shows its own codes),
//               both TKorDrawDS models read when the selection changes;
//   image view  the bitmap of the original page that belongs to the drawing's
//               measure point, zoomed with the mouse (TImageScrollBox). The
//               bitmap is found through the first symbol's code 12135 (the
//               measure point in "MESSTELLE"), the measure point's ORIGPATH
//               (its first item the original folder) and ORIGINAL (the item at
//               code 62 − 1): folder + "bitmap\" + name + ".bmp".
// A damaged drawing shows the store's message; a drawing without a usable
// bitmap shows an empty image view and says why in the status bar. Refusal:
//   "ModDrawingImage: Konnte Tabelle Messtelle nicht öffnen!"
// Its views share the default module key ("Module") and keep no values.
#pragma once

#include <QString>
#include <string>

#include "shell/form_module.h"

class QAction;
class QMenu;
class QSplitter;
class QTableView;

namespace korin {

class TKorDrawDS;
class TImageScrollBox;

class TFormDrawing : public TFormModule {
    Q_OBJECT
public:
    explicit TFormDrawing(IKorHost& host);
    ~TFormDrawing() override;

    // 0 the table view, 1 the image view.
    void SelectView(int view) override;
    int View() const { return view_; }

    QMenu* MenuDrawing() const { return menu_; }
    TKorDrawDS& SymbolRows() { return *dsSymbol_; }
    TKorDrawDS& CodeRows() { return *dsCode_; }
    QTableView* GridSymbolList() const { return gridSymbolList_; }
    QTableView* GridSymbol() const { return gridSymbol_; }
    TImageScrollBox* ImageScrollBox() const { return image_; }

    // The bitmap of the drawing `drawingFile` of the open project, as the image
    // view finds it (see above); empty when the drawing names none.
    std::string PageImageFile(const std::string& drawingFile);

protected:
    void ShowModule() override;
    void HideModule() override;
    void OnProjectOpened() override;
    void OnSelectionChanged() override;

private:
    void RefreshTable();
    void RefreshImage();

    QMenu* menu_;
    QAction* actTable_;
    QAction* actImage_;
    int view_ = 0;
    TKorDrawDS* dsSymbol_;
    TKorDrawDS* dsCode_;
    QSplitter* tableView_;
    QTableView* gridSymbolList_;
    QTableView* gridSymbol_;
    TImageScrollBox* image_;
};

}  // namespace korin
