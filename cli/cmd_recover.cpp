// korintool recover: the audit of a project and the repairs it offers.
#include <cstdio>

#include "cli/command.h"
#include "project/kor_project_lock.h"
#include "project/kor_recovery.h"
#include "store/kor_path.h"

namespace korintool {
namespace {

constexpr const char* kUsage =
    "  recover DIR [--check]\n"
    "        audits the catalogue and every table of the project; without --check the\n"
    "        offered repairs (free chain, index rebuild, entries of missing drawings) are made\n";

int Run(const Args& args) {
    if (args.empty() || args.size() > 2 || (args.size() == 2 && args[1] != "--check"))
        throw UsageError("recover takes DIR and optionally --check");
    const bool repair = args.size() == 1;
    korin::TKorRecovery recovery;
    recovery.Audit(args[0]);
    for (const std::string& line : recovery.ReportLines()) PrintLine({line});
    if (repair && !recovery.Clean()) {
        for (const std::string& line : recovery.Repair()) PrintLine({line});
        recovery.Audit(args[0]);
        if (!recovery.Clean())
            for (const std::string& line : recovery.ReportLines()) PrintLine({"Nicht behoben: " + line});
    }
    // A clean project ends the recovery that a dead holder left pending.
    HeldProjectLock().SetRecoveryPending(!recovery.Clean());
    return recovery.Clean() ? 0 : 1;
}

}  // namespace
}  // namespace korintool

KORINTOOL_COMMAND("recover", korintool::kUsage, korintool::Run);
