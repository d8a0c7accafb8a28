// User-interface hooks of the store.
//
// The store never shows anything itself. Warnings that the user must see without
// ending the operation (a key conflict, a file that cannot grow, an inconsistency
// in the catalogue) go to the message sink; long operations drive a progress
// indicator. The desktop program installs a sink that shows modal message boxes
// and binds the progress interface to its status bar; korintool prints on stderr;
// tests record the calls.
#pragma once

#include <string>

namespace korin {

class IKorMessageSink {
public:
    virtual ~IKorMessageSink() = default;
    // A modal error message with one OK button.
    virtual void ShowError(const std::string& text) = 0;
    // A modal Yes/No question; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
};

// The sink in use; by default one that writes the text as one line on stderr and
// answers every question with No.
IKorMessageSink& MessageSink();
// Installs a sink (nullptr restores the default) and returns the previous one.
IKorMessageSink* SetMessageSink(IKorMessageSink* sink);

inline void ShowErrorMessage(const std::string& text) { MessageSink().ShowError(text); }

// A progress indicator as the store drives it: a range, a step width, a step,
// and a reset to the minimum at the end of the work.
class IKorProgress {
public:
    virtual ~IKorProgress() = default;
    virtual void SetRange(int minimum, int maximum) = 0;
    virtual void SetStep(int step) = 0;
    virtual void StepIt() = 0;
    virtual void Reset() = 0;
};

}  // namespace korin
