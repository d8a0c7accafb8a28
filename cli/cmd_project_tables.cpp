// korintool project dump/info/empty/reindex/print/export-text: the table
// module without its window, on a table named by its catalogue path.
#include <string>
#include <vector>

#include "cli/catalogue_args.h"
#include "cli/command.h"
#include "project/kor_dir_file.h"
#include "store/kor_error.h"
#include "store/kor_table.h"
#include "tables/table_grids.h"
#ifdef KORIN_HAVE_PRINT
#include "tables/ui/table_print_tool.h"
#endif

namespace korintool {

int RunProjectTables(const Args& args);

namespace {

void Need(const Args& args, size_t count) {
    if (args.size() != count) throw UsageError("wrong number of arguments");
}



}  // namespace

// -1 when args[0] is none of these commands.
int RunProjectTables(const Args& args) {
    if (args.empty()) return -1;
    const std::string& cmd = args[0];
    korin::TKorTable table;
    if (cmd == "info") {
        Need(args, 3);
        OpenCatalogueTable(args[1], args[2], table);
        PrintTableInfo(table);
    } else if (cmd == "dump") {
        if (args.size() != 3 && !(args.size() == 5 && args[3] == "--filter")) throw UsageError("wrong arguments");
        OpenCatalogueTable(args[1], args[2], table);
        if (args.size() == 5) table.SetFilter(args[4]);
        for (bool more = table.First(); more; more = table.Next()) {
            std::vector<std::string> line{std::to_string(table.CurrentSlot())};
            for (int32_t i = 0; i < table.FieldCount(); ++i) line.push_back(table.GetField(i));
            PrintLine(line);
        }
    } else if (cmd == "empty") {
        Need(args, 3);
        OpenCatalogueTable(args[1], args[2], table);
        korin::EmptyTable(table);
    } else if (cmd == "reindex") {
        Need(args, 3);
        OpenCatalogueTable(args[1], args[2], table, true);
        table.Reindex();
    } else if (cmd == "print") {
        if (args.size() != 5 || args[3] != "--pdf") throw UsageError("usage: project print DIR PATH --pdf FILE");
        OpenCatalogueTable(args[1], args[2], table);
#ifdef KORIN_HAVE_PRINT
        korin::PrintTableContentsToPdf(table, "Inhalt " + args[2], args[4]);
#else
        // A build without Qt has no painter for the pages.
        throw korin::Exception("Drucken ist in dieser Ausgabe ohne Qt nicht verfügbar!");
#endif
    } else if (cmd == "export-text") {
        Need(args, 4);
        OpenCatalogueTable(args[1], args[2], table);
        korin::TTableContentsGrid grid(table);
        grid.FileName = args[3];
        grid.Export();
    } else {
        return -1;
    }
    return 0;
}

}  // namespace korintool
