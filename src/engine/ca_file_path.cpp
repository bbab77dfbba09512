#include "engine/ca_file_path.h"

#include <filesystem>

namespace velnorix {

std::string CAFilePath(const RunModel& model) {
    if (model.CAFile.empty())
        return {};
    const std::filesystem::path bundle(model.CAFile);
    if (bundle.is_absolute())
        return model.CAFile;
    return (std::filesystem::path(model.IniFileName).parent_path() / bundle).string();
}

} // namespace velnorix
