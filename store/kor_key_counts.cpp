#include "store/kor_key_counts.h"

#include "store/kor_error.h"

namespace korin {

void RaiseKeyDamage(const std::string& what) {
    throw EKorKeyError("KorKeyFile: Die Indexdatei ist beschädigt. " + what);
}

void RaiseKeyWalkDamage(const TKorKeyTable& nodes, const TKorTreeWalk& walk, const char* selfLink) {
    switch (walk.Found()) {
    case TKorTreeWalk::Damage::None:
        return;
    case TKorTreeWalk::Damage::Outside:
        nodes.GetLeft(walk.OutsideNode());  // raises the node table's range error
        break;
    case TKorTreeWalk::Damage::SelfLink:
        RaiseKeyDamage(selfLink);
    case TKorTreeWalk::Damage::Ring:
        break;
    }
    RaiseKeyDamage("Ein Baum enthält einen Ringverweis!");
}

void TKorKeyCounts::Make(int32_t anchor) {
    if (anchor_ == anchor || !nodes_.Attached()) return;
    const size_t size = static_cast<size_t>(nodes_.Count()) + 1;
    cnt80_.assign(size, 0);
    cntLeaf_.assign(size, 0);
    anchor_ = -1;
    // Post-order over the nodes under the anchor: a node is counted after its
    // Left, Right and Down trees. Every node is entered once; one reached again
    // is damage, as is a node that is its own child.
    TKorTreeWalk walk(TKorTreeWalk::Order::PostOrder, TKorTreeWalk::Repeats::Skip);
    walk.Start(nodes_, nodes_.GetDown(anchor));
    for (int32_t k = walk.Next(nodes_); k >= 0; k = walk.Next(nodes_)) {
        if (nodes_.GetLeft(k) == k || nodes_.GetRight(k) == k)
            RaiseKeyDamage("Es existiert ein direkter Ringverweis!");
        FixNow(k);
    }
    RaiseKeyWalkDamage(nodes_, walk, "Es existiert ein direkter Ringverweis!");
    if (!walk.Repeated().empty())
        RaiseKeyDamage("Ein Eintrag ist mehrfach verknüpft oder Teil eines Rings!");
    anchor_ = anchor;
}

void TKorKeyCounts::FixNow(int32_t k) {
    if (k <= 0 || static_cast<size_t>(k) >= cnt80_.size()) return;
    const int32_t l = nodes_.GetLeft(k), r = nodes_.GetRight(k), d = nodes_.GetDown(k);
    auto at = [](const std::vector<int32_t>& v, int32_t n) {
        return n > 0 && static_cast<size_t>(n) < v.size() ? v[static_cast<size_t>(n)] : 0;
    };
    const size_t i = static_cast<size_t>(k);
    cnt80_[i] = (nodes_.GetType(k) == kPointerType ? 1 : 0) + at(cnt80_, l) + at(cnt80_, r) +
                at(cnt80_, d);
    cntLeaf_[i] = (d == 0 ? 1 : 0) + at(cntLeaf_, l) + at(cntLeaf_, r) + at(cntLeaf_, d);
}

}  // namespace korin
