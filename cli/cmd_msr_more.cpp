// korintool msr: the checks, the reference list and the further measure points
// of a page (the assignment window without its window).
#include <cstdio>
#include <string>
#include <vector>

#include "cli/command.h"
#include "msr/msr_adapt.h"
#include "msr/msr_checks.h"
#include "msr/msr_further.h"
#include "msr/msr_project.h"
#include "msr/msr_reflist.h"
#include "store/kor_error.h"

namespace korintool {

// The usage lines of the commands below, shown with the family's own.
extern const char* const kMsrMoreUsage;
const char* const kMsrMoreUsage =
    "  msr check-instruments DIR [--mode text|unassigned|missing] [--ignore-empty]\n"
    "        rows: page measure point, typical, measure point, instrument, error\n"
    "  msr check-pages DIR [--window-defaults] [--keep-empty] [--no-warnings]\n"
    "        every title block against MESSTELLE (all comparisons; --window-defaults: the\n"
    "        window's two default boxes); rows: 61, 63, 62, found 63, 12135, found 12135, 1, 2, 76\n"
    "  msr rebuild-references DIR                      prints measurepoints<TAB>N\n"
    "  msr further DIR MP                              the slots of MP's pages: slot<TAB>text<TAB>link\n"
    "  msr assign-further DIR MP SLOT ADDMP [--electrical]\n"
    "  msr move-further DIR MP FROM TO\n"
    "  msr unassign-further DIR MP SLOT [--electrical]\n";

int RunMsrMore(const Args& args);

namespace {

namespace msr = korin::msr;
namespace check = korin::msrcheck;

bool Flag(const Args& args, size_t from, const char* name) {
    for (size_t i = from; i < args.size(); ++i)
        if (args[i] == name) return true;
    return false;
}

void OnlyFlags(const Args& args, size_t from, std::initializer_list<const char*> allowed) {
    for (size_t i = from; i < args.size(); ++i) {
        bool known = false;
        for (const char* a : allowed) known = known || args[i] == a;
        if (!known) throw UsageError("unknown option: " + args[i]);
    }
}

int32_t Slot(const std::string& text) {
    const int64_t n = ParseInt(text, "SLOT");
    if (n < 1 || n > msr::kSlots) throw UsageError("SLOT is 1 to 20: " + text);
    return static_cast<int32_t>(n);
}

// A refusal of the further measure point commands: the message, exit 1.
int Refused(const std::string& refusal) {
    if (refusal.empty()) return 0;
    std::string line = refusal;
    for (char& c : line)
        if (c == '\r') c = ' ';
    std::fprintf(stderr, "%s\n", line.c_str());
    return 1;
}

void OpenForReferences(msr::TMsrProject& project) {
    project.OpenTables();
    msr::TAdaptResult adapted;
    msr::EnsureReferenceList(project, adapted);
}

int CheckInstruments(const Args& args) {
    if (args.size() < 2) throw UsageError("wrong number of arguments");
    check::InstMode mode = check::InstMode::SymbolText;
    bool ignoreEmpty = false;
    for (size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "--ignore-empty") {
            ignoreEmpty = true;
        } else if (args[i] == "--mode" && i + 1 < args.size()) {
            const std::string& m = args[++i];
            if (m == "text") mode = check::InstMode::SymbolText;
            else if (m == "unassigned") mode = check::InstMode::NotAssignable;
            else if (m == "missing") mode = check::InstMode::MissingMeasurePoint;
            else throw UsageError("unknown mode: " + m);
        } else {
            throw UsageError("unknown option: " + args[i]);
        }
    }
    for (const check::InstRow& r : check::RunInstrumentationCheck(args[1], mode, ignoreEmpty).rows)
        PrintLine({r.pageMeasurePoint, r.typical, r.measurePoint, r.instrument, r.error});
    return 0;
}

int CheckPages(const Args& args) {
    if (args.size() < 2) throw UsageError("wrong number of arguments");
    OnlyFlags(args, 2, {"--window-defaults", "--keep-empty", "--no-warnings"});
    // Every comparison, unless the window's two default boxes are asked for.
    check::PageInfoOptions o;
    if (!Flag(args, 2, "--window-defaults")) o.composed = o.found63 = o.found12135 = o.same = true;
    o.ignoreEmpty12135 = !Flag(args, 2, "--keep-empty");
    o.ignoreWarnings = Flag(args, 2, "--no-warnings");
    const check::PageInfoResult result = check::RunPageInfoCheck(args[1], o);
    for (const std::string& w : result.warnings) std::fprintf(stderr, "%s\n", w.c_str());
    for (const check::PageInfoRow& r : result.rows)
        PrintLine({r.plant61, r.designation63, r.page62, r.found63, r.designation12135, r.found12135, r.plant1,
                   r.measurePoint2, r.typical76});
    return 0;
}

}  // namespace

// -1 when the command is none of these.
int RunMsrMore(const Args& args) {
    const std::string& cmd = args[0];
    if (cmd == "check-instruments") return CheckInstruments(args);
    if (cmd == "check-pages") return CheckPages(args);
    if (cmd == "rebuild-references") {
        if (args.size() != 2) throw UsageError("wrong number of arguments");
        msr::TMsrProject project(args[1]);
        OpenForReferences(project);
        PrintLine({"measurepoints", std::to_string(msr::RebuildReferenceList(project).measurePoints)});
        return 0;
    }
    if (cmd == "further") {
        if (args.size() != 3) throw UsageError("wrong number of arguments");
        msr::TMsrProject project(args[1]);
        OpenForReferences(project);
        msr::TReferenceList list(project.ref);
        const std::vector<std::string> slots = msr::FurtherSlots(project, args[2]);
        for (size_t k = 0; k < slots.size(); ++k)
            PrintLine({std::to_string(k + 1), slots[k], slots[k].empty() ? "" : list.LinkOf(args[2], slots[k])});
        return 0;
    }
    if (cmd == "assign-further" || cmd == "unassign-further") {
        const bool assign = cmd == "assign-further";
        const size_t fixed = assign ? 5 : 4;
        if (args.size() < fixed) throw UsageError("wrong number of arguments");
        OnlyFlags(args, fixed, {"--electrical"});
        const char mark = Flag(args, fixed, "--electrical") ? 'y' : 'x';
        msr::TMsrProject project(args[1]);
        OpenForReferences(project);
        const int32_t slot = Slot(args[3]);
        return Refused(assign ? msr::AssignFurther(project, args[2], slot, args[4], mark)
                              : msr::UnassignFurther(project, args[2], slot, mark));
    }
    if (cmd == "move-further") {
        if (args.size() != 5) throw UsageError("wrong number of arguments");
        msr::TMsrProject project(args[1]);
        OpenForReferences(project);
        return Refused(msr::MoveFurther(project, args[2], Slot(args[3]), Slot(args[4])));
    }
    return -1;
}

}  // namespace korintool
