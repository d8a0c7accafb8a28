// TKorDirModel: the catalogue "Dir.ref" of a project as a lazy Qt tree model.
//
// Every row is a catalogue entry and is known by its entry number (the index's
// internalId). A level is read from the file only when a view expands its folder
// (canFetchMore/fetchMore): the entries below a folder's Down link, in key order
// (Left, the entry, Right). A folder that has not been read yet reports children,
// so that it shows an expand button; Collapse forgets its rows again, so that
// the next expansion reads the file afresh.
//
// What a row shows:
//   stored text    Name + ", " + type; with long texts on, a drawing's stored
//                  text is Name + " : " + its long text from "Dir.dat" + ", 1"
//   displayed text the stored text without the ", " + type at its end
//   image          NodeIcon(type): the images of shell/models/node_images.h
//
// The model reads the file and never writes it. It does not own the catalogue;
// after the catalogue was reopened or changed by an operation, the owner calls
// Reload. A level holding a ring or links outside the file is read up to the
// damage and no further.
#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "store/kor_key_file.h"

namespace korin {

class TKorDirFile;

class TKorDirModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Role {
        StoredTextRole = Qt::UserRole + 1,  // QString
        TypeRole,                           // int
        EntryRole,                          // int
        NameRole,                           // QString: the plain Name
    };

    explicit TKorDirModel(QObject* parent = nullptr);

    // The catalogue shown (not owned); null shows nothing. Resets the model.
    void SetDirFile(TKorDirFile* dir);
    TKorDirFile* DirFile() const { return dir_; }
    // Forgets every row and reads the top level anew (nothing when the
    // catalogue is not open).
    void Reload();
    // Forgets every row.
    void Clear();

    bool ShowLongTexts() const { return showLongTexts_; }
    // Takes effect with the next Reload.
    void SetShowLongTexts(bool on) { showLongTexts_ = on; }

    // Drops the rows below a folder; it reports children again and reads them
    // afresh when it is expanded next.
    void Collapse(const QModelIndex& index);

    int32_t EntryOf(const QModelIndex& index) const;
    int TypeOf(const QModelIndex& index) const;  // -1 for no row
    // The plain Name as stored (bytes).
    std::string NameOf(const QModelIndex& index) const;
    // The plain Names from the top level down to the row.
    std::vector<std::string> PathNames(const QModelIndex& index) const;
    // The row's key: one part ("C", type, Name) per level, top first.
    TKeyList KeyParts(const QModelIndex& index) const;
    // The row of an entry that has been read, or an invalid index.
    QModelIndex IndexOfEntry(int32_t entry) const;
    // Reads the level below a folder now (what expanding it does).
    void FetchChildren(const QModelIndex& index);

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Node {
        int32_t entry = 0;
        int32_t parent = 0;  // 0: the top level
        int row = 0;
        int type = 0;
        std::string name;
        std::string longText;
        bool fetched = false;
        std::vector<int32_t> children;
    };
    struct LevelEntry {
        int32_t entry;
        int type;
        std::string name;
        std::string longText;
    };

    const Node* NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOfNode(const Node& node) const;
    std::vector<LevelEntry> ReadLevel(int32_t owner) const;
    void ForgetChildren(Node& node);
    void Forget(int32_t entry);
    QString StoredText(const Node& node) const;

    TKorDirFile* dir_ = nullptr;
    bool showLongTexts_ = false;
    // Entry 0 is the invisible root; every other node is a row that has been read.
    std::unordered_map<int32_t, Node> nodes_;
    std::array<QIcon, 10> icons_;
};

}  // namespace korin
