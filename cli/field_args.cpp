#include "cli/field_args.h"

#include <climits>

#include "cli/command.h"

namespace korintool {

int32_t ParseInt32(const std::string& text, const char* what, int64_t low, int64_t high) {
    const int64_t v = ParseInt(text, what);
    if (v < low || v > high) throw UsageError(std::string("out of range for ") + what + ": " + text);
    return static_cast<int32_t>(v);
}

korin::TKorNewField ParseField(const std::string& arg) {
    const auto first = arg.find(':');
    if (first == std::string::npos || first == 0) throw UsageError("bad FIELD: " + arg);
    const auto second = arg.find(':', first + 1);
    const std::string kind =
        arg.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    korin::TKorNewField def;
    def.name = arg.substr(0, first);
    if (kind == "smallint")
        def.type = korin::TKorFieldType::SmallInt;
    else if (kind == "integer")
        def.type = korin::TKorFieldType::Integer;
    else if (kind == "word")
        def.type = korin::TKorFieldType::Word;
    else if (kind == "float")
        def.type = korin::TKorFieldType::Float;
    else if (kind == "string")
        def.type = korin::TKorFieldType::String;
    else
        throw UsageError("bad FIELD kind: " + arg);
    if (second != std::string::npos) {
        if (def.type != korin::TKorFieldType::String)
            throw UsageError("only a string field takes a SIZE: " + arg);
        def.size = ParseInt32(arg.substr(second + 1), "SIZE", 0, INT16_MAX);
    }
    return def;
}

TableDefinition ParseTableDefinition(const std::vector<std::string>& args, size_t from,
                                     const std::string& textOption) {
    TableDefinition def;
    for (size_t i = from; i < args.size(); ++i) {
        if (args[i] == textOption || args[i] == "--primary") {
            if (i + 1 >= args.size()) throw UsageError("missing value of " + args[i]);
            if (args[i] == textOption)
                def.text = args[i + 1];
            else
                def.primary = ParseInt32(args[i + 1], "--primary", 0, 255);
            ++i;
        } else {
            def.fields.push_back(ParseField(args[i]));
        }
    }
    if (def.fields.empty()) throw UsageError("missing FIELD");
    return def;
}

}  // namespace korintool
