// Further measure points of a measure point's pages ("Zusätzliche Messtellen"):
// what dragging a measure point onto a slot of the assignment mask, moving it
// to another slot, or dragging it back to the list does to the pages, the
// measure point table and the reference list.
//
// Slot k (1 … 20) is title block code 802 + k on every page of the measure
// point and reference list position k + 1 (msr_reflist.h). A measure point
// assigned to a slot carries the mark ("x" for MSR pages, "y" for electrical
// ones) in its ME_Kennung, at most once, and is no longer offered in the list.
//
// Refusals (returned as the message; nothing is changed):
//   "Das Feld ist nicht leer. Bevor diesem Feld etwas zugewiesen\rwerden kann, muß es geleert werden!"
//   "Die Messtelle <d> hat keine Seiten."
//   "Die Messtelle <d> gibt es nicht."
//   "Die Seite hat keinen Platz <k> für zusätzliche Messtellen."
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korin::msr {

class TMsrProject;

// The texts of the slots of the measure point's first page (as many as its
// title block carries consecutive codes from 803 on, at most 20).
std::vector<std::string> FurtherSlots(TMsrProject& project, const std::string& designation);

// `additional` into slot `slot` (a list row dropped on an empty slot edit).
std::string AssignFurther(TMsrProject& project, const std::string& designation, int32_t slot,
                          const std::string& additional, char mark);
// The text of slot `from` into the empty slot `to`.
std::string MoveFurther(TMsrProject& project, const std::string& designation, int32_t from, int32_t to);
// Slot `slot` emptied, its measure point loses the mark (a slot edit dropped on
// the list).
std::string UnassignFurther(TMsrProject& project, const std::string& designation, int32_t slot, char mark);

}  // namespace korin::msr
