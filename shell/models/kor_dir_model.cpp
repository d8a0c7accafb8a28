#include "shell/models/kor_dir_model.h"

#include <unordered_set>

#include "project/kor_dir_file.h"
#include "store/kor_tree_walk.h"
#include "shell/models/codepage.h"
#include "shell/models/node_images.h"

namespace korin {

TKorDirModel::TKorDirModel(QObject* parent) : QAbstractItemModel(parent) {
    for (int t = 0; t < 10; ++t) icons_[static_cast<size_t>(t)] = NodeIcon(t);
    nodes_[0] = Node{};
    nodes_[0].fetched = true;
}

void TKorDirModel::SetDirFile(TKorDirFile* dir) {
    dir_ = dir;
    Clear();
}

void TKorDirModel::Clear() {
    beginResetModel();
    nodes_.clear();
    nodes_[0] = Node{};
    nodes_[0].fetched = true;
    endResetModel();
}

void TKorDirModel::Reload() {
    beginResetModel();
    nodes_.clear();
    nodes_[0] = Node{};
    nodes_[0].fetched = !(dir_ && dir_->IsOpen());
    endResetModel();
    if (canFetchMore(QModelIndex())) fetchMore(QModelIndex());
}

std::vector<TKorDirModel::LevelEntry> TKorDirModel::ReadLevel(int32_t owner) const {
    std::vector<LevelEntry> level;
    if (!dir_ || !dir_->IsOpen()) return level;
    const TKorKeyTable& n = dir_->Nodes();
    if (owner < 0 || owner >= n.Count()) return level;

    // One level in key order, every entry once: a further link to an entry
    // already read (a ring, or a link back into the level) is not followed,
    // and a link outside the file ends the level with what was read so far.
    TKorTreeWalk walk(TKorTreeWalk::Order::Level, TKorTreeWalk::Repeats::Skip);
    walk.Start(n, n.GetDown(owner));
    for (int32_t k = walk.Next(n); k >= 0; k = walk.Next(n))
        level.push_back({k, n.GetType(k), n.GetValue(k), dir_->DirDat().GetText(k)});
    return level;
}

bool TKorDirModel::canFetchMore(const QModelIndex& parent) const {
    const Node* node = parent.isValid() ? NodeOf(parent) : &nodes_.at(0);
    return node && !node->fetched && (!parent.isValid() || node->type == dirref::kFolder);
}

void TKorDirModel::fetchMore(const QModelIndex& parent) {
    const int32_t owner = parent.isValid() ? EntryOf(parent) : 0;
    auto it = nodes_.find(owner);
    if (it == nodes_.end() || it->second.fetched) return;
    it->second.fetched = true;

    std::vector<LevelEntry> level = ReadLevel(owner);

    // Entries are unique in a sound catalogue. One that is still shown elsewhere
    // was moved or reused since that level was read: its old row goes. An
    // ancestor of this folder met again below it is damage and is left out.
    std::unordered_set<int32_t> ancestors;
    for (int32_t a = owner; a != 0; a = nodes_.at(a).parent) ancestors.insert(a);
    std::vector<LevelEntry> kept;
    for (LevelEntry& e : level) {
        if (ancestors.count(e.entry)) continue;
        auto old = nodes_.find(e.entry);
        if (old != nodes_.end()) {
            const Node stale = old->second;
            const QModelIndex oldParent = stale.parent == 0 ? QModelIndex() : IndexOfNode(nodes_.at(stale.parent));
            beginRemoveRows(oldParent, stale.row, stale.row);
            Node& p = nodes_.at(stale.parent);
            p.children.erase(p.children.begin() + stale.row);
            for (size_t r = static_cast<size_t>(stale.row); r < p.children.size(); ++r)
                nodes_.at(p.children[r]).row = static_cast<int>(r);
            Forget(stale.entry);
            endRemoveRows();
        }
        kept.push_back(std::move(e));
    }
    if (kept.empty()) return;

    const QModelIndex parentIndex = owner == 0 ? QModelIndex() : IndexOfNode(nodes_.at(owner));
    beginInsertRows(parentIndex, 0, static_cast<int>(kept.size()) - 1);
    std::vector<int32_t> children;
    for (size_t r = 0; r < kept.size(); ++r) {
        Node node;
        node.entry = kept[r].entry;
        node.parent = owner;
        node.row = static_cast<int>(r);
        node.type = kept[r].type;
        node.name = std::move(kept[r].name);
        node.longText = std::move(kept[r].longText);
        children.push_back(node.entry);
        nodes_[node.entry] = std::move(node);
    }
    nodes_.at(owner).children = std::move(children);
    endInsertRows();
}

void TKorDirModel::FetchChildren(const QModelIndex& index) {
    if (canFetchMore(index)) fetchMore(index);
}

void TKorDirModel::Forget(int32_t entry) {
    auto it = nodes_.find(entry);
    if (it == nodes_.end()) return;
    const std::vector<int32_t> children = it->second.children;
    for (int32_t c : children) Forget(c);
    nodes_.erase(entry);
}

void TKorDirModel::ForgetChildren(Node& node) {
    const std::vector<int32_t> children = std::move(node.children);
    node.children.clear();
    for (int32_t c : children) Forget(c);
}

void TKorDirModel::Collapse(const QModelIndex& index) {
    auto it = nodes_.find(EntryOf(index));
    if (!index.isValid() || it == nodes_.end() || it->second.type != dirref::kFolder) return;
    Node& node = it->second;
    if (!node.children.empty()) {
        beginRemoveRows(index, 0, static_cast<int>(node.children.size()) - 1);
        ForgetChildren(node);
        endRemoveRows();
    }
    node.fetched = false;
}

const TKorDirModel::Node* TKorDirModel::NodeOf(const QModelIndex& index) const {
    if (!index.isValid()) return nullptr;
    auto it = nodes_.find(static_cast<int32_t>(index.internalId()));
    return it == nodes_.end() ? nullptr : &it->second;
}

QModelIndex TKorDirModel::IndexOfNode(const Node& node) const {
    return createIndex(node.row, 0, static_cast<quintptr>(node.entry));
}

int32_t TKorDirModel::EntryOf(const QModelIndex& index) const {
    const Node* node = NodeOf(index);
    return node ? node->entry : 0;
}

int TKorDirModel::TypeOf(const QModelIndex& index) const {
    const Node* node = NodeOf(index);
    return node ? node->type : -1;
}

std::string TKorDirModel::NameOf(const QModelIndex& index) const {
    const Node* node = NodeOf(index);
    return node ? node->name : std::string();
}

std::vector<std::string> TKorDirModel::PathNames(const QModelIndex& index) const {
    std::vector<std::string> names;
    for (const Node* node = NodeOf(index); node && node->entry != 0; node = &nodes_.at(node->parent))
        names.insert(names.begin(), node->name);
    return names;
}

TKeyList TKorDirModel::KeyParts(const QModelIndex& index) const {
    TKeyList parts;
    for (const Node* node = NodeOf(index); node && node->entry != 0; node = &nodes_.at(node->parent))
        parts.insert(parts.begin(), KeyPart('C', static_cast<uint8_t>(node->type), node->name));
    return parts;
}

QModelIndex TKorDirModel::IndexOfEntry(int32_t entry) const {
    auto it = nodes_.find(entry);
    if (entry == 0 || it == nodes_.end()) return {};
    return IndexOfNode(it->second);
}

QModelIndex TKorDirModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    const Node* p = parent.isValid() ? NodeOf(parent) : &nodes_.at(0);
    if (!p || row >= static_cast<int>(p->children.size())) return {};
    return createIndex(row, 0, static_cast<quintptr>(p->children[static_cast<size_t>(row)]));
}

QModelIndex TKorDirModel::parent(const QModelIndex& child) const {
    const Node* node = NodeOf(child);
    if (!node || node->parent == 0) return {};
    return IndexOfNode(nodes_.at(node->parent));
}

int TKorDirModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) return 0;
    const Node* p = parent.isValid() ? NodeOf(parent) : &nodes_.at(0);
    return p ? static_cast<int>(p->children.size()) : 0;
}

int TKorDirModel::columnCount(const QModelIndex&) const { return 1; }

bool TKorDirModel::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid()) return !nodes_.at(0).children.empty() || !nodes_.at(0).fetched;
    const Node* node = NodeOf(parent);
    if (!node || node->type != dirref::kFolder) return false;
    return !node->fetched || !node->children.empty();
}

QString TKorDirModel::StoredText(const Node& node) const {
    QString text = FromCatalogue(node.name);
    if (showLongTexts_ && node.type == dirref::kDrawing)
        text += QStringLiteral(" : ") + FromCatalogue(node.longText);
    return text + QStringLiteral(", ") + QString::number(node.type);
}

QVariant TKorDirModel::data(const QModelIndex& index, int role) const {
    const Node* node = NodeOf(index);
    if (!node) return {};
    switch (role) {
        case Qt::DisplayRole: {
            QString text = FromCatalogue(node->name);
            if (showLongTexts_ && node->type == dirref::kDrawing)
                text += QStringLiteral(" : ") + FromCatalogue(node->longText);
            return text;
        }
        case Qt::DecorationRole:
            return icons_[static_cast<size_t>(node->type >= 0 && node->type <= 9 ? node->type : 9)];
        case StoredTextRole: return StoredText(*node);
        case TypeRole: return node->type;
        case EntryRole: return node->entry;
        case NameRole: return FromCatalogue(node->name);
        default: return {};
    }
}

Qt::ItemFlags TKorDirModel::flags(const QModelIndex& index) const {
    const Node* node = NodeOf(index);
    if (!node) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (node->type != dirref::kFolder) f |= Qt::ItemNeverHasChildren;
    return f;
}

}  // namespace korin
