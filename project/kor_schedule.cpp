#include "project/kor_schedule.h"

namespace korin {

TKorSchedule::TKorSchedule() { SetFileName(""); }

}  // namespace korin
