#include "shell/dm.h"

#include "shell/form_dir.h"
#include "shell/kor_host.h"
#include "shell/models/kor_dataset.h"
#include "shell/project_table.h"
#include "store/kor_table.h"

namespace korin {

TDM::TDM(IKorHost& host) : host_(host) {
    for (int t = 0; t < Count; ++t) {
        tables_[t] = std::make_unique<TKorTable>();
        tables_[t]->SetProgressBar(&host.Progress());
        datasets_[t] = std::make_unique<TKorDataSet>();
        datasets_[t]->SetKorTab(tables_[t].get());
    }
}

TDM::~TDM() {
    // The datasets read their tables: they go first.
    for (auto& d : datasets_) d.reset();
}

const std::vector<std::string>& TDM::Path(Table t) {
    static const std::array<std::vector<std::string>, Count> paths = {{
        {"AUC_SYSTEM", "MESSTELLE"},
        {"AUC_SYSTEM", "ANLAGE"},
        {"AUC_SYSTEM", "ADERN"},
        {"AUC_SYSTEM", "FUNKTIONSGRUPPEN"},
        {"AUC_SYSTEM", "INSTRUMENTIERUNG"},
        {"AUC_SYSTEM", "KABEL"},
        {"AUC_SYSTEM", "SIGNALPFADE"},
        {"AUC_SYSTEM", "SIGNALREPRESENTATION"},
        {"AUC_SYSTEM", "ZEICHNUNGEN"},
        {"AUC_SYSTEM", "PRO_DOKU", "MSR_REF"},
        {"AUC_SYSTEM", "PRO_DOKU", "KLEMMEN"},
    }};
    return paths[t];
}

void TDM::Open(Table t) {
    path_ = Path(t);
    EnsureOpen(*tables_[t], *datasets_[t]);
}

void TDM::EnsureOpen(TKorTable& table, TKorDataSet& dataset) {
    if (!table.IsOpen()) {
        const std::string project = host_.GetProjectDir();
        if (!project.empty()) table.SetProject(project);
        if (OpenProjectTable(path_, table, false))
            dataset.Open();
        else
            dataset.Close();
    } else if (!dataset.Active()) {
        dataset.Open();
    }
}

bool TDM::OpenProjectTable(const std::vector<std::string>& path, TKorTable& table, bool force) {
    return korin::OpenProjectTable(host_.ProjectTree().KorDirFileModDir(), host_.GetProjectDir(), path,
                                   table, force);
}

void TDM::CloseAllTables() {
    for (int t = 0; t < Count; ++t) {
        datasets_[t]->Close();
        tables_[t]->Close();
    }
}

}  // namespace korin
