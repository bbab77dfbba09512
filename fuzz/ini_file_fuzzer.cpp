// Arbitrary contents of the configuration file, loaded as the Open command loads them; what
// loads must save and load back to the same configuration.
#include "base/utf8_text.h"
#include "config/configuration_file.h"
#include "config/ini_values.h"
#include "engine/run_model.h"
#include "kit/fake_host.h"
#include "kit/scripted_prompts.h"
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

bool SameConfiguration(const RunModel& loaded, const RunModel& reloaded) {
    if (loaded.DeleteLogs != reloaded.DeleteLogs ||
        loaded.IntervalHours != reloaded.IntervalHours ||
        loaded.IntervalMins != reloaded.IntervalMins ||
        loaded.IntervalSecs != reloaded.IntervalSecs ||
        loaded.TargetCount != reloaded.TargetCount || AsSaved(loaded.CAFile) != reloaded.CAFile ||
        loaded.CertWarnDays != reloaded.CertWarnDays)
        return false;
    for (std::int32_t i = 0; i < loaded.TargetCount; ++i) {
        const TargetEntry& a = loaded.Target(i);
        const TargetEntry& b = reloaded.Target(i);
        if (AsSaved(a.Type) != b.Type || AsSaved(a.Addr) != b.Addr || AsSaved(a.User) != b.User ||
            AsSaved(a.Password) != b.Password || a.Audible != b.Audible || a.Port != b.Port ||
            a.Security != b.Security)
            return false;
    }
    return true;
}

void Load(RunModel& model, std::string_view text) {
    WriteFile(ScratchPath(), text);
    kit::FakeDisplay display; // an insert or delete beyond its lines throws: a finding
    kit::ScriptedPrompts prompts;
    LoadIniFile(model, display, prompts, ScratchPath());
    if (model.TargetCount < 0 || model.TargetCount > kMaxIniTargets ||
        static_cast<std::size_t>(model.TargetCount) > model.TargetTable.size())
        PropertyFailed("a target count outside the table");
    for (std::int32_t i = 0; i < model.TargetCount; ++i) {
        // A tag keeps six characters, which in UTF-8 may be more bytes.
        if (CharacterCount(model.Target(i).Type) > kTypeLength)
            PropertyFailed("a type longer than a tag");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    RunModel loaded;
    try {
        Load(loaded, text);
    } catch (const ConfigurationError&) {
        return 0; // a number out of range or too many targets: the load is refused
    }
    const std::string saved = WithTargetsSection(text, loaded);
    RunModel reloaded;
    try {
        Load(reloaded, saved);
    } catch (const ConfigurationError& error) {
        PropertyFailed(error.what());
    }
    if (!SameConfiguration(loaded, reloaded))
        PropertyFailed("a saved configuration loads back differently");
    return 0;
}
