// Whether a measure point may be renamed: the new designation is the plant
// followed directly by the measure point text (fields 1 and 2), and it must
// not belong to another measure point, since the designation is MESSTELLE's
// primary key and two measure points never share one.
//
// Refusals (returned as the message; empty when the rename may go on):
//   "Die Messtelle <old> gibt es nicht."
//   "Die Anlage <plant> gibt es nicht."
//   "Die Messtellenbezeichnung darf nicht leer sein."
//   "Die Messtelle <new> gibt es bereits. Zwei Messtellen dürfen nicht dieselbe Bezeichnung haben."
#pragma once

#include <string>

namespace korin::msr {

class TMsrProject;

// The designation a rename would give.
std::string RenamedDesignation(const std::string& plant, const std::string& point);

std::string CheckRename(TMsrProject& project, const std::string& oldDesignation, const std::string& plant,
                        const std::string& point);

}  // namespace korin::msr
