#include "shell/project_table.h"

#include "project/kor_dir_file.h"
#include "store/kor_path.h"
#include "store/kor_table.h"

namespace korin {

bool OpenProjectTable(TKorDirFile& dir, const std::string& projectDir,
                      const std::vector<std::string>& path, TKorTable& table, bool force) {
    if (projectDir.empty() || !dir.IsOpen()) return false;
    std::string dataFile;
    std::string keyFile;
    if (!dir.TableFiles(path, dataFile, keyFile)) return false;
    if (!force && !path::FileExists(path::AsDirectory(projectDir) + dataFile)) return false;
    table.SetProject(projectDir);
    table.SetKeyFileName(keyFile);
    table.SetFileName(dataFile);
    table.Open();
    return table.IsOpen();
}

}  // namespace korin
