// Bringing a project's tables up to what the MSR functions need.
//
// MESSTELLE gets, in this order and only where no field with the id exists,
// the character fields "ORIGINAL" (20020, 137), "ORIGPATH" (20021, 137),
// "DRAWING" (20022, 137), "Funktionsgruppe" (20026, 32), "ME_Kennung" (20024, 8),
// "Ort_E_Tech" (3, 32), "Planart" (76, 20), "InstrFlags" (20029, 10).
// ADERN gets "Location" (20023, 32) and "Bezeichner_Stelle" (12135, 32) where
// missing, and the secondary key "ProjektAder" over "Bezeichner_Stelle",
// "Location", "Ader" when it has no key of that name; its key file is then
// rebuilt.
//
// The reference list MSR_REF ("AUC_SYSTEM","PRO_DOKU","MSR_REF", long text
// "Referenzliste verknuepfter Messtellen") is created when the catalogue has
// none: the folder's schedule and system table where missing, the entries, the
// table file with "Loop#600" (32), "MSR_No#601" (2), "MSR_Add#602" (32),
// "Link#603" (32), no primary key field, and its key file. A reference list
// without secondary keys gets "MSR_Add" (MSR_Add), "Loop" (Loop), "Link" (Link),
// "Binding" (Loop, MSR_Add), "LoopNo" (Loop, MSR_No), non-unique, and a rebuilt
// key file.
//
// A run on tables that already have everything changes nothing. Errors of the
// catalogue and the tables pass through (AddField writes the widened table
// beside the old one and renames it, so a failure leaves the old table).
#pragma once

#include <functional>
#include <string>

#include "msr/msr_project.h"

namespace korin::msr {

struct TAdaptResult {
    int32_t mpointFields = 0;  // fields added to MESSTELLE
    int32_t wireFields = 0;    // fields added to ADERN
    bool wireKey = false;      // "ProjektAder" defined
    bool refCreated = false;   // MSR_REF created
    bool refKeys = false;      // its five keys defined
};

// Status texts go to `status` ("Tabelle Messtelle wird angepaßt!", "Tabelle
// wird erweitert!", "Tabelle Adern wird angepaßt!", then ""), when given.
TAdaptResult AdaptTables(TMsrProject& project, const std::function<void(const std::string&)>& status = {});

// Creates MSR_REF when missing and gives it its keys when it has none (above);
// leaves it open in project.ref.
void EnsureReferenceList(TMsrProject& project, TAdaptResult& result);

}  // namespace korin::msr
