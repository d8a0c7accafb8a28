#include "project/kor_dir_damage.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include "project/kor_dir_dat.h"
#include "store/kor_key_table.h"
#include "store/kor_path.h"

namespace korin {
namespace {

// The size of the file whose name matches `name` regardless of letter case
// (catalogues written on Windows), or -1 when there is none.
int64_t FileSizeIgnoringCase(const std::string& dir, const std::string& name) {
    struct stat st {};
    if (::stat((dir + name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_size;
    for (const std::string& entry : path::ListDirectory(dir))
        if (::strcasecmp(entry.c_str(), name.c_str()) == 0 && ::stat((dir + entry).c_str(), &st) == 0 &&
            S_ISREG(st.st_mode))
            return st.st_size;
    return -1;
}

}  // namespace

std::vector<std::string> CatalogueDamageWarnings(const std::string& projectDir) {
    std::vector<std::string> warnings;
    const std::string dir = path::AsDirectory(projectDir);
    const int64_t refSize = FileSizeIgnoringCase(dir, "Dir.ref");
    if (refSize < 0) return warnings;
    const int64_t nodes = refSize / keynode::kSize;
    const int64_t rest = refSize % keynode::kSize;
    if (rest != 8) {
        // The bytes past the last whole node are not read; a file that lacks the
        // 8-byte tail of node N is still read node by node.
        warnings.push_back("Die Datei \"Dir.ref\" ist beschädigt: Ihre Größe von " + std::to_string(refSize) +
                           " Bytes ist keine ganze Zahl von Einträgen (64 Bytes je Eintrag und 8 Bytes "
                           "Abschluss). Gelesen werden " + std::to_string(nodes) +
                           " Einträge; " + std::to_string(rest) + " Bytes am Ende werden nicht beachtet.");
    }
    const int64_t datSize = FileSizeIgnoringCase(dir, dirdat::kFileName);
    const int64_t records = datSize < 0 ? 0 : datSize / dirdat::kRecordSize;
    if (datSize < 0) {
        if (nodes > 1)
            warnings.push_back("Die Datei \"Dir.dat\" fehlt und wird neu angelegt: Die Erstellungszeiten und "
                               "langen Texte aller " + std::to_string(nodes - 1) +
                               " Einträge sind verloren.");
    } else if (records < nodes) {
        const int64_t first = records < 1 ? 1 : records;
        warnings.push_back("Die Datei \"Dir.dat\" ist zu kurz: Sie hält " + std::to_string(records) +
                           " von " + std::to_string(nodes) +
                           " Datensätzen. Die Erstellungszeiten und langen Texte der Einträge " +
                           std::to_string(first) + " bis " + std::to_string(nodes - 1) +
                           " sind verloren; die Datei wird mit leeren Datensätzen ergänzt.");
    }
    return warnings;
}

}  // namespace korin
