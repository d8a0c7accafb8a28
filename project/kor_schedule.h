// Schedule: the key file that indexes the tables of one catalogue folder.
//
// Every folder that holds tables has a schedule and a system table
// (project/kor_sys_table.h), numbered project files whose catalogue entries are
// the folder's ("C",7,"SCHEDULE") and ("C",8,"SYSTABLE") children. The schedule
// is a catalogue file in "Dir.ref" format (it is a TKorDirFile) whose keys are
//   ("C",0,"SYSTABLE") ("C",0,table name)   DIndex = the table's slot number
//   ("C",0,"OPEN")     ("C",0,table name)   DIndex = 0
// Because it is a catalogue file, opening it maps the project's "Dir.dat" a
// second time and its growth grows "Dir.dat" as well; it never writes into
// "Dir.dat" records. The owner gives it its numbered FileName.
//
// Refusals: those of TKorDirFile.
#pragma once

#include "project/kor_dir_file.h"

namespace korin {

class TKorSchedule : public TKorDirFile {
public:
    // FileName is empty until the owner names the file.
    TKorSchedule();
};

}  // namespace korin
