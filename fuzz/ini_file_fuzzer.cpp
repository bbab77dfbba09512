// Arbitrary contents of the configuration file, loaded as the Open command loads them; what
// loads must save and load back to the same configuration.
#include "base/utf8_text.h"
#include "config/configuration_file.h"
#include "engine/configuration.h"
#include "property_failed.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <sys/mman.h>

using namespace velnorix;
using fuzzing::PropertyFailed;

namespace {

// One file in memory, rewritten for every input and reached by its descriptor's name; it
// leaves nothing behind, as libFuzzer ends without running destructors.
const std::string& ScratchPath() {
    static const std::string path = [] {
        const int fd = ::memfd_create("velnorix-ini-fuzz", MFD_CLOEXEC);
        if (fd < 0)
            PropertyFailed("cannot create the scratch file");
        return "/proc/self/fd/" + std::to_string(fd);
    }();
    return path;
}

void WriteFile(const std::string& path, std::string_view text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(text.data(), 1, text.size(), file) != text.size() ||
        std::fclose(file) != 0)
        PropertyFailed("cannot write the scratch file");
}

// What a saved value reads back as: one line holds no line break, and the blanks around a
// value are not part of it.
std::string AsSaved(std::string value) {
    std::erase_if(value, [](char c) { return c == '\r' || c == '\n'; });
    const std::size_t first = value.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return value.substr(first, value.find_last_not_of(" \t") - first + 1);
}

bool SameConfiguration(const Configuration& loaded, const Configuration& reloaded) {
    if (loaded.DeleteLogs != reloaded.DeleteLogs ||
        loaded.IntervalHours != reloaded.IntervalHours ||
        loaded.IntervalMins != reloaded.IntervalMins ||
        loaded.IntervalSecs != reloaded.IntervalSecs ||
        loaded.TargetCount() != reloaded.TargetCount() ||
        AsSaved(loaded.CAFile) != reloaded.CAFile || loaded.CertWarnDays != reloaded.CertWarnDays ||
        loaded.KeepLogDays != reloaded.KeepLogDays)
        return false;
    for (std::int32_t i = 0; i < loaded.TargetCount(); ++i) {
        const TargetSettings& a = loaded.Target(i);
        const TargetSettings& b = reloaded.Target(i);
        if (AsSaved(a.Type) != b.Type || AsSaved(a.Addr) != b.Addr || AsSaved(a.User) != b.User ||
            AsSaved(a.Password) != b.Password || a.Audible != b.Audible || a.Port != b.Port ||
            a.Security != b.Security)
            return false;
    }
    return true;
}

// The file's configuration, or its message when the load is refused.
Result<Configuration> Load(std::string_view text) {
    WriteFile(ScratchPath(), text);
    Result<Configuration> loaded = ReadConfigurationFile(ScratchPath(), Configuration{});
    if (!loaded)
        return loaded;
    if (loaded->TargetCount() > kMaxIniTargets)
        PropertyFailed("more targets than a file may hold");
    for (const TargetSettings& target : loaded->Targets) {
        // A tag keeps six characters, which in UTF-8 may be more bytes.
        if (CharacterCount(target.Type) > kTypeLength)
            PropertyFailed("a type longer than a tag");
    }
    return loaded;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Result<Configuration> loaded = Load(text);
    if (!loaded)
        return 0; // a number out of range or too many targets: the load is refused
    const std::string saved = WithTargetsSection(text, *loaded);
    const Result<Configuration> reloaded = Load(saved);
    if (!reloaded)
        PropertyFailed(reloaded.Message().c_str());
    if (!SameConfiguration(*loaded, *reloaded))
        PropertyFailed("a saved configuration loads back differently");
    return 0;
}
