// The project log "KorPro.Log".
//
// One text line per event: the local date and time ("dd.mm.yyyy hh:mm:ss"), a
// blank, the name of the writing part ("KorPro", "ModDir", ...), a blank and the
// message. The main window starts the file afresh when it starts up with an
// existing project folder and appends from then on.
//
// Refusal (general class Exception), the file left as it was:
//   "KorPro: In die Protokolldatei " + file + " konnte nicht geschrieben werden!"
#pragma once

#include <ctime>
#include <string>

namespace korin {

inline constexpr const char* kLogFileName = "KorPro.Log";

// "dd.mm.yyyy hh:mm:ss" of a point in time, in local time.
std::string LogDateTime(std::time_t when);

// Appends "date-time source message"; creates the file when it does not exist.
void AppendLogLine(const std::string& file, const std::string& source,
                   const std::string& message);

// Replaces the file by the single line "date-time KorPro gestartet".
void StartLog(const std::string& file);

}  // namespace korin
