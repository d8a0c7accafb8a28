#include "store/kor_table_watch.h"

#include <map>
#include <vector>
#include <utility>

namespace korin {
namespace {

struct Watch {
    std::string path;
    TKorTableWatcher watcher;
};

std::map<int64_t, Watch>& Watches() {
    static std::map<int64_t, Watch> watches;
    return watches;
}

int64_t nextToken = 1;

// "/a//b/./c" and "/a/b/c" name the same file: the watchers compare paths with
// repeated slashes and "./" components removed.
std::string Normal(const std::string& path) {
    std::string out;
    out.reserve(path.size());
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '/' && !out.empty() && out.back() == '/') continue;
        if (path[i] == '.' && (out.empty() || out.back() == '/') && i + 1 < path.size() && path[i + 1] == '/') {
            ++i;
            continue;
        }
        out.push_back(path[i]);
    }
    return out;
}

}  // namespace

int64_t WatchTable(const std::string& dataFilePath, TKorTableWatcher watcher) {
    const int64_t token = nextToken++;
    Watches()[token] = Watch{Normal(dataFilePath), std::move(watcher)};
    return token;
}

void UnwatchTable(int64_t token) { Watches().erase(token); }

void AnnounceTableChange(const std::string& dataFilePath, TKorTableChange change) {
    auto& watches = Watches();
    if (watches.empty()) return;
    const std::string path = Normal(dataFilePath);
    // A watcher may unsubscribe (or subscribe another) while it runs.
    std::vector<int64_t> tokens;
    for (const auto& [token, watch] : watches)
        if (watch.path == path) tokens.push_back(token);
    for (int64_t token : tokens) {
        auto it = watches.find(token);
        if (it != watches.end()) {
            TKorTableWatcher watcher = it->second.watcher;
            watcher(change);
        }
    }
}

}  // namespace korin
