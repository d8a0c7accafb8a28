// korintool export: a project table into a Paradox, FoxPro or SQLite table, as
// the table module's export does (tables/table_export.h).
#include <string>
#include <vector>

#include "cli/catalogue_args.h"
#include "cli/command.h"
#include "project/kor_dir_file.h"
#include "store/kor_error.h"
#include "store/kor_table.h"
#include "tables/table_export.h"

namespace korintool {
namespace {

constexpr const char* kUsage =
    "  export DIR PATH paradox TARGET.db [--with-contents] [--replace]\n"
    "  export DIR PATH foxpro TARGET.dbf [--with-contents] [--replace]\n"
    "  export DIR PATH sqlite TARGET.sqlite TABLE [--with-contents] [--replace]\n"
    "        PATH is the catalogue path of the table, texts joined by '/'\n";

int Run(const Args& args) {
    // args: DIR PATH FORMAT TARGET [TABLE] [--with-contents] [--replace]
    std::vector<std::string> positional;
    bool withContents = false, replace = false;
    for (const std::string& a : args) {
        if (a == "--with-contents")
            withContents = true;
        else if (a == "--replace")
            replace = true;
        else if (a.rfind("--", 0) == 0)
            throw UsageError("unknown option: " + a);
        else
            positional.push_back(a);
    }
    if (positional.size() < 4) throw UsageError("wrong number of arguments");
    korin::TExportOptions options;
    options.withContents = withContents;
    const std::string& format = positional[2];
    if (format == "paradox" || format == "foxpro") {
        if (positional.size() != 4) throw UsageError("wrong number of arguments");
        options.format = format == "paradox" ? korin::TExportFormat::Paradox : korin::TExportFormat::FoxPro;
        SplitPath(positional[3], options.database, options.tableName);
        if (options.tableName.empty()) throw UsageError("missing TARGET file name");
    } else if (format == "sqlite") {
        if (positional.size() != 5) throw UsageError("wrong number of arguments");
        options.format = korin::TExportFormat::SQLite;
        options.database = positional[3];
        options.tableName = positional[4];
    } else {
        throw UsageError("unknown format: " + format);
    }

    korin::TKorTable table;
    OpenCatalogueTable(positional[0], positional[1], table);
    korin::TTableExport exporter(options);
    exporter.Run(table, replace);
    return 0;
}

}  // namespace

KORINTOOL_COMMAND("export", kUsage, Run);

}  // namespace korintool
