#include "store/kor_key_preload.h"

#include <array>

#include "store/kor_key_search.h"
#include "store/le.h"

namespace korin {

namespace {

// Keys followed side by side; the keys of a record beyond these are not.
constexpr size_t kLanes = 8;

struct Lane {
    int key = 0;      // the key's place in the list
    size_t part = 0;  // the part being looked for
    size_t end = 0;   // after the key's last part
    int32_t node = 0;
    int steps = 0;
    TKorSearchPart search;
};

}  // namespace

uint64_t PreloadKeyPaths(const TKorKeyTable& nodes, const TKeyList& list) {
    if (!nodes.Attached() || nodes.Count() < 1) return 0;
    const int32_t root = nodes.GetDown(0);
    std::array<Lane, kLanes> lanes;
    size_t used = 0;
    uint64_t absent = 0;
    for (size_t at = 0, key = 0; at < list.size() && used < kLanes && key < 64; ++key) {
        size_t end = at;
        while (end < list.size() && list[end] != kKeySeparator) ++end;
        if (end > at) {
            Lane& lane = lanes[used++];
            lane.key = static_cast<int>(key);
            lane.part = at;
            lane.end = end;
            lane.node = root;
            lane.search.Set(list[at]);
        }
        at = end + 1;
    }
    const int32_t count = nodes.Count();
    // A lane whose descent ends at an empty link has found its key absent; one
    // that meets damage or finds its key stops without a word.
    constexpr int32_t kStop = -1;
    for (size_t i = 0; i < used; ++i)
        if (lanes[i].node == 0) absent |= uint64_t{1} << lanes[i].key;
    for (size_t active = used; active > 0;) {
        active = 0;
        for (size_t i = 0; i < used; ++i) {
            Lane& lane = lanes[i];
            if (lane.node == 0 || lane.node == kStop) continue;
            if (lane.node < 1 || lane.node >= count || ++lane.steps > TKorKeyFile::kMaxDepth) {
                lane.node = kStop;
                continue;
            }
            ++active;
            const uint8_t* bytes = nodes.NodeBytes(lane.node, "GetLeft");
            const int32_t left = le::I32(bytes + keynode::kLeft), right = le::I32(bytes + keynode::kRight);
            nodes.Prefetch(left);
            nodes.Prefetch(right);
            const int c = lane.search.Compare(bytes);
            if (c != 0) {
                lane.node = c < 0 ? left : right;
            } else if (++lane.part < lane.end) {
                lane.search.Set(list[lane.part]);
                lane.node = le::I32(bytes + keynode::kDown);
                lane.steps = 0;
            } else {
                lane.node = kStop;
            }
            if (lane.node == 0) absent |= uint64_t{1} << lane.key;
        }
    }
    return absent;
}

}  // namespace korin
