#include "store/kor_ui.h"

#include <cstdio>

namespace korin {
namespace {

class StderrSink final : public IKorMessageSink {
public:
    void ShowError(const std::string& text) override {
        // A message may hold carriage returns as line breaks; stderr gets one line.
        std::string line = text;
        for (char& c : line)
            if (c == '\r' || c == '\n') c = ' ';
        std::fprintf(stderr, "%s\n", line.c_str());
    }
    bool AskYesNo(const std::string& text) override {
        ShowError(text);
        return false;
    }
};

StderrSink g_default_sink;
IKorMessageSink* g_sink = &g_default_sink;

}  // namespace

IKorMessageSink& MessageSink() { return *g_sink; }

IKorMessageSink* SetMessageSink(IKorMessageSink* sink) {
    IKorMessageSink* previous = g_sink;
    g_sink = sink ? sink : &g_default_sink;
    return previous;
}

}  // namespace korin
