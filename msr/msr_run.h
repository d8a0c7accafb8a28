// What a long MSR run reports to its caller and asks of it.
//
// The progress bar is driven as everywhere: range 0 .. the number of items,
// step 10, one step after every tenth item, reset at the end. Between two items
// (measure points, page files) the run asks `Cancelled`; when it answers true
// the run stops there, with every item handled so far complete. Log lines are
// the program log's messages ("Eintrag erstellt : 42"); the caller writes them
// with the source name kLogSource.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "store/kor_ui.h"

namespace korin::msr {

struct TMsrRun {
    IKorProgress* progress = nullptr;
    std::function<bool()> cancelled;
    std::function<void(const std::string&)> log;

    bool Cancelled() const { return cancelled && cancelled(); }
    void Log(const std::string& line) const {
        if (log) log(line);
    }
    void Start(int32_t items) const {
        if (!progress) return;
        progress->SetRange(0, items);
        progress->SetStep(10);
    }
    // After item i (0-based) is done.
    void Done(int32_t i) const {
        if (progress && (i + 1) % 10 == 0) progress->StepIt();
    }
    void End() const {
        if (progress) progress->Reset();
    }
};

// Appends "dd.mm.yyyy hh:mm:ss <source> <message>" lines to "KorPro.Log" in the
// project directory; a log that cannot be written is left alone.
void AppendProjectLog(const std::string& dir, const std::string& source, const std::string& message);

// Today as "dd.mm.yyyy".
std::string TodayText();

}  // namespace korin::msr
