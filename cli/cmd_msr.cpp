// korintool msr: the page creation of the MSR module without its window.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "cli/catalogue_args.h"
#include "cli/command.h"
#include "msr/msr_adapt.h"
#include "msr/msr_assign.h"
#include "msr/msr_comma_text.h"
#include "msr/msr_fill.h"
#include "msr/msr_generate.h"
#include "msr/msr_levels.h"
#include "msr/msr_originals.h"
#include "msr/msr_project.h"
#include "msr/msr_reconcile.h"
#include "msr/msr_remove.h"
#include "store/kor_error.h"

namespace korintool {

int RunMsrMore(const Args& args);
extern const char* const kMsrMoreUsage;

namespace {

namespace msr = korin::msr;

constexpr const char* kUsage =
    "  msr originals ORIGDIR LEVEL\n"
    "        the originals grid of the original project ORIGDIR below LEVEL (texts joined by '/'):\n"
    "        original, page, processing function, function group, plan type, directory, file\n"
    "  msr levels DIR [--count N] [--level1 T] [--level2 T] [--level3 T]\n"
    "        sets the given level settings of project.ini, then prints them\n"
    "  msr adapt DIR\n"
    "        adds the MSR fields to MESSTELLE and ADERN, creates MSR_REF when missing\n"
    "  msr assign DIR ORIGDIR LEVEL PAGE... [--replace] (--mp MP... | --all | --from FILE)\n"
    "        assigns the original pages PAGE (\"<original>-<page>\") to the measure points;\n"
    "        merges with an assignment from the same original project unless --replace\n"
    "  msr auto-assign DIR ORIGDIR LEVEL [--criterion processing|group|plan] [MP-SELECTION]\n"
    "  msr unassign DIR MP-SELECTION\n"
    "  msr generate DIR [MP-SELECTION]\n"
    "        removes outdated pages and creates the pages of the measure points (default: all)\n"
    "  msr remove-outdated DIR [MP-SELECTION]\n"
    "  msr reconcile DIR\n"
    "  msr fill DIR instruments|terminals|wires [MP-SELECTION]\n"
    "  msr reset-flags DIR [MP-SELECTION]\n"
    "  msr evaluate DIR\n"
    "        sets the evaluation flag of every created page\n"
    "  msr pages DIR [MP-SELECTION]\n"
    "        one line per page: designation, original, file\n"
    "        MP-SELECTION: --mp MP... | --all | --from FILE (one designation per line, '-' stdin)\n";

// Options and plain arguments after the fixed ones.
struct Parsed {
    std::vector<std::string> plain;
    std::vector<std::string> mps;
    bool all = false;
    bool selected = false;
    bool replace = false;
    std::string criterion;
    std::vector<std::pair<std::string, std::string>> levels;
};

std::vector<std::string> ReadLines(const std::string& file) {
    std::vector<std::string> lines;
    std::ifstream in;
    std::istream* s = &std::cin;
    if (file != "-") {
        in.open(file);
        if (!in) throw korin::Exception("korintool: Die Datei " + file + " kann nicht gelesen werden!");
        s = &in;
    }
    std::string line;
    while (std::getline(*s, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!korin::TrimBlanks(line).empty()) lines.push_back(line);
    }
    return lines;
}

Parsed Parse(const Args& args, size_t from) {
    Parsed p;
    bool inMps = false;
    for (size_t i = from; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw UsageError("missing value of " + a);
            return args[++i];
        };
        if (a == "--mp") {
            inMps = p.selected = true;
        } else if (a == "--all") {
            p.all = p.selected = true;
            inMps = false;
        } else if (a == "--from") {
            const std::vector<std::string> lines = ReadLines(value());
            p.mps.insert(p.mps.end(), lines.begin(), lines.end());
            p.selected = true;
            inMps = false;
        } else if (a == "--replace") {
            p.replace = true;
        } else if (a == "--criterion") {
            p.criterion = value();
        } else if (a == "--count" || a == "--level1" || a == "--level2" || a == "--level3") {
            const std::string name = a;
            p.levels.emplace_back(name, value());
        } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            throw UsageError("unknown option " + a);
        } else if (inMps) {
            p.mps.push_back(a);
        } else {
            p.plain.push_back(a);
        }
    }
    return p;
}

// The measure points chosen: named ones, or all when none is named and
// `allByDefault`.
std::vector<std::string> Selection(msr::TMsrProject& project, const Parsed& p, bool allByDefault) {
    if (p.all || (!p.selected && allByDefault)) return project.Designations();
    if (!p.selected) throw UsageError("no measure points chosen (--mp, --all or --from)");
    return p.mps;
}

msr::TMsrRun LoggingRun(const std::string& dir) {
    msr::TMsrRun run;
    run.log = [dir](const std::string& line) { msr::AppendProjectLog(dir, msr::kLogSource, line); };
    return run;
}

void Need(const Args& args, size_t count) {
    if (args.size() < count) throw UsageError("missing arguments");
}

void PrintCount(const char* what, int64_t n) { PrintLine({what, std::to_string(n)}); }

std::vector<msr::TOriginalRow> Originals(const std::string& dir, const std::string& level) {
    return msr::OriginalRows(msr::BuildOriginalLists(dir, SplitCataloguePath(level, true)));
}

int Assign(const Args& args) {
    Need(args, 4);
    const Parsed p = Parse(args, 4);
    const std::vector<msr::TOriginalRow> rows = Originals(args[2], args[3]);
    std::vector<msr::TOriginalRow> chosen;
    for (const std::string& name : p.plain) {
        bool found = false;
        for (const msr::TOriginalRow& row : rows)
            if (row.Name() == name) {
                chosen.push_back(row);
                found = true;
                break;
            }
        if (!found) throw korin::Exception("korintool: Die Originalseite " + name + " gibt es nicht!");
    }
    if (chosen.empty()) throw UsageError("no original page named");
    msr::TMsrProject project(args[1]);
    const std::vector<std::string> mps = Selection(project, p, false);
    const msr::TAssignment a = msr::AssignmentOf(chosen);
    const msr::TAssignResult r =
        p.replace ? msr::ApplyReplacing(project.mpoint, a, mps) : msr::Apply(project.mpoint, a, mps);
    PrintCount("assigned", r.assigned);
    PrintCount("refused", static_cast<int64_t>(r.refused.size()));
    return r.refused.empty() ? 0 : 1;
}

int AutoAssign(const Args& args) {
    Need(args, 4);
    const Parsed p = Parse(args, 4);
    msr::TCriterion criterion = msr::TCriterion::Processing;
    if (p.criterion == "group")
        criterion = msr::TCriterion::FunctionGroup;
    else if (p.criterion == "plan")
        criterion = msr::TCriterion::PlanType;
    else if (!p.criterion.empty() && p.criterion != "processing")
        throw UsageError("--criterion is one of processing, group, plan");
    const std::vector<msr::TOriginalRow> rows = Originals(args[2], args[3]);
    msr::TMsrProject project(args[1]);
    const msr::TAssignResult r = msr::AutoAssign(project.mpoint, rows, criterion, Selection(project, p, true));
    PrintCount("assigned", r.assigned);
    PrintCount("refused", static_cast<int64_t>(r.refused.size()));
    return r.refused.empty() ? 0 : 1;
}

int Levels(const Args& args) {
    Need(args, 2);
    const Parsed p = Parse(args, 2);
    if (!p.plain.empty()) throw UsageError("unexpected argument " + p.plain.front());
    msr::TMsrLevels levels = msr::ReadLevels(args[1]);
    for (const auto& [name, value] : p.levels) {
        if (name == "--count")
            levels.count = static_cast<int32_t>(ParseInt(value, "--count"));
        else
            levels.level[static_cast<size_t>(name.back() - '1')] = value;
    }
    if (!p.levels.empty()) msr::WriteLevels(args[1], levels);
    PrintLine({"count", std::to_string(levels.count)});
    for (size_t i = 0; i < 3; ++i) PrintLine({"level" + std::to_string(i + 1), levels.level[i]});
    return 0;
}

int Generate(const Args& args, bool create) {
    Need(args, 2);
    const Parsed p = Parse(args, 2);
    msr::TMsrProject project(args[1]);
    const std::vector<std::string> mps = Selection(project, p, true);
    const msr::TMsrRun run = LoggingRun(project.Dir());
    if (!create) {
        int64_t removed = 0;
        for (const std::string& mp : mps) removed += std::max(0, msr::RemoveOutdatedPages(project, mp, run));
        PrintCount("removed", removed);
        return 0;
    }
    msr::TPageGenerator generator(project, msr::ReadLevels(project.Dir()), run);
    const msr::TGenerateResult r = generator.Generate(mps);
    PrintCount("measure-points", r.measurePoints);
    PrintCount("created", r.created);
    PrintCount("removed", r.removed);
    PrintCount("refused", static_cast<int64_t>(r.refused.size()));
    return r.refused.empty() && !r.levelsInvalid ? 0 : 1;
}

int Fill(const Args& args) {
    Need(args, 3);
    msr::TFillMode mode;
    if (args[2] == "instruments")
        mode = msr::TFillMode::Instruments;
    else if (args[2] == "terminals")
        mode = msr::TFillMode::Terminals;
    else if (args[2] == "wires")
        mode = msr::TFillMode::Wires;
    else
        throw UsageError("fill mode is one of instruments, terminals, wires");
    const Parsed p = Parse(args, 3);
    msr::TMsrProject project(args[1]);
    const msr::TFillResult r = msr::FillPages(project, mode, Selection(project, p, true), msr::TMsrRun{});
    PrintCount("measure-points", r.measurePoints);
    PrintCount("pages", r.pages);
    PrintCount("symbols", r.symbols);
    PrintCount("failed", r.failed);
    return r.failed == 0 ? 0 : 1;
}

int Run(const Args& args) {
    if (args.empty()) throw UsageError("missing command");
    if (const int rc = RunMsrMore(args); rc >= 0) return rc;  // checks, references, further points
    const std::string& cmd = args[0];
    if (cmd == "originals") {
        if (args.size() != 3) throw UsageError("wrong number of arguments");
        for (const msr::TOriginalRow& row : Originals(args[1], args[2]))
            PrintLine({row.original, std::to_string(row.page), row.processing, row.functionGroup, row.planType,
                       row.directory, row.file});
        return 0;
    }
    if (cmd == "levels") return Levels(args);
    if (cmd == "adapt") {
        if (args.size() != 2) throw UsageError("wrong number of arguments");
        msr::TMsrProject project(args[1]);
        const msr::TAdaptResult r = msr::AdaptTables(project);
        PrintCount("mpoint-fields", r.mpointFields);
        PrintCount("wire-fields", r.wireFields);
        PrintCount("wire-key", r.wireKey);
        PrintCount("ref-created", r.refCreated);
        PrintCount("ref-keys", r.refKeys);
        return 0;
    }
    if (cmd == "assign") return Assign(args);
    if (cmd == "auto-assign") return AutoAssign(args);
    if (cmd == "unassign") {
        Need(args, 2);
        msr::TMsrProject project(args[1]);
        PrintCount("unassigned", msr::RemoveAssignment(project.mpoint, Selection(project, Parse(args, 2), false)));
        return 0;
    }
    if (cmd == "generate") return Generate(args, true);
    if (cmd == "remove-outdated") return Generate(args, false);
    if (cmd == "reconcile") {
        if (args.size() != 2) throw UsageError("wrong number of arguments");
        msr::TMsrProject project(args[1]);
        const msr::TReconcileResult r = msr::Reconcile(project, msr::TMsrRun{});
        PrintCount("files", r.files);
        PrintCount("registered", r.registered);
        PrintCount("marked", r.marked);
        PrintCount("skipped", r.skipped);
        return 0;
    }
    if (cmd == "fill") return Fill(args);
    if (cmd == "reset-flags") {
        Need(args, 2);
        msr::TMsrProject project(args[1]);
        PrintCount("reset", msr::ResetFillFlags(project.mpoint, Selection(project, Parse(args, 2), true)));
        return 0;
    }
    if (cmd == "evaluate") {
        if (args.size() != 2) throw UsageError("wrong number of arguments");
        msr::TMsrProject project(args[1]);
        PrintCount("flagged", msr::SetEvaluationBits(project));
        return 0;
    }
    if (cmd == "pages") {
        Need(args, 2);
        msr::TMsrProject project(args[1]);
        for (const std::string& mp : Selection(project, Parse(args, 2), true)) {
            if (!project.mpoint.FindByPrimary(mp)) continue;
            for (const msr::TPagePair& pair : msr::PagePairs(project.mpoint.GetFieldById(msr::field::kDrawing)))
                PrintLine({mp, pair.original, pair.file});
        }
        return 0;
    }
    throw UsageError("unknown command " + cmd);
}

}  // namespace

// The family's usage, with the lines of the checks and further measure points.
const char* MsrUsage() {
    static const std::string usage = std::string(kUsage) + kMsrMoreUsage;
    return usage.c_str();
}

KORINTOOL_COMMAND("msr", MsrUsage(), Run);

}  // namespace korintool
