#include "shell/module_factory.h"

#include <array>
#include <cstring>

#include "shell/kor_module.h"

namespace korin {
namespace {

std::array<ModuleFactory, kViewCount>& Factories() {
    static std::array<ModuleFactory, kViewCount> factories;
    return factories;
}

// The registry names of the seven slots; an unregistered slot keeps its place
// in the protocol under the name its module would have.
constexpr const char* kModuleNames[kViewCount] = {"Table", "Cable", "MSR", "MSRView", "Drawing", "Symbol", "DBase"};
constexpr const char* kCommandNames[kViewCount] = {"table", "cable", "msr", "overview", "drawing", "symbol", "master"};

}  // namespace

void RegisterModule(int view, ModuleFactory factory) {
    if (view < 0 || view >= kViewCount) return;
    Factories()[static_cast<size_t>(view)] = std::move(factory);
}

TKorModule* CreateModule(int view, IKorHost& host) {
    if (view < 0 || view >= kViewCount) return nullptr;
    const auto& factory = Factories()[static_cast<size_t>(view)];
    if (factory) return factory(host);
    return new TKorPanelModule(host, QString::fromLatin1(kModuleNames[view]));
}

const char* ModuleCommandName(int view) {
    return view >= 0 && view < kViewCount ? kCommandNames[view] : "";
}

int ModuleViewByCommandName(const char* name) {
    for (int v = 0; v < kViewCount; ++v)
        if (std::strcmp(kCommandNames[v], name) == 0) return v;
    return -1;
}

}  // namespace korin
