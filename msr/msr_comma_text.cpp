#include "msr/msr_comma_text.h"

#include <algorithm>

namespace korin::msr {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' ' && c != '\0'; }

bool NeedsQuotes(const std::string& item) {
    return std::any_of(item.begin(), item.end(), [](char c) {
        return static_cast<unsigned char>(c) <= ' ' || c == ',' || c == '"';
    });
}

}  // namespace

std::vector<std::string> SplitCommaText(std::string_view text) {
    std::vector<std::string> items;
    size_t p = 0;
    const size_t n = text.size();
    while (p < n && IsBlank(text[p])) ++p;
    while (p < n && text[p] != '\0') {
        std::string item;
        if (text[p] == '"') {
            ++p;
            while (p < n) {
                if (text[p] == '"') {
                    if (p + 1 < n && text[p + 1] == '"') {
                        item += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
        } else {
            const size_t from = p;
            while (p < n && static_cast<unsigned char>(text[p]) > ' ' && text[p] != ',') ++p;
            item.assign(text.substr(from, p - from));
        }
        items.push_back(std::move(item));
        while (p < n && IsBlank(text[p])) ++p;
        if (p < n && text[p] == ',') {
            do ++p;
            while (p < n && IsBlank(text[p]));
        }
    }
    return items;
}

std::string JoinCommaText(const std::vector<std::string>& items) {
    if (items.size() == 1 && items[0].empty()) return "\"\"";
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i) out += ',';
        if (!NeedsQuotes(items[i])) {
            out += items[i];
            continue;
        }
        out += '"';
        for (char c : items[i]) {
            if (c == '"') out += '"';
            out += c;
        }
        out += '"';
    }
    return out;
}

bool Contains(const std::vector<std::string>& items, std::string_view text) {
    return std::find(items.begin(), items.end(), text) != items.end();
}

}  // namespace korin::msr
