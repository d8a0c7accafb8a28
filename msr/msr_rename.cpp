#include "msr/msr_rename.h"

#include "msr/msr_project.h"

namespace korin::msr {
namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::string RenamedDesignation(const std::string& plant, const std::string& point) {
    return Trim(plant) + Trim(point);
}

std::string CheckRename(TMsrProject& project, const std::string& oldDesignation, const std::string& plant,
                        const std::string& point) {
    if (!project.mpoint.IsOpen() || !project.mpoint.FindByPrimary(oldDesignation))
        return "Die Messtelle " + oldDesignation + " gibt es nicht.";
    if (!project.unit.IsOpen() || !project.unit.FindByPrimary(Trim(plant)))
        return "Die Anlage " + Trim(plant) + " gibt es nicht.";
    const std::string renamed = RenamedDesignation(plant, point);
    if (Trim(point).empty()) return "Die Messtellenbezeichnung darf nicht leer sein.";
    // The designation itself is no clash: only another measure point's is.
    if (renamed != Trim(oldDesignation) && project.mpoint.FindByPrimary(renamed))
        return "Die Messtelle " + renamed +
               " gibt es bereits. Zwei Messtellen dürfen nicht dieselbe Bezeichnung haben.";
    return {};
}

}  // namespace korin::msr
