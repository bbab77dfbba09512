#include "base/atomic_file.h"
#include "config/configuration_file.h"
#include "config/ini_document.h"
#include "engine/run_model.h"
#include "kit/fake_host.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace velnorix {
namespace {

constexpr int kTargets = 1000;

RunModel ModelWithTargets() {
    RunModel model;
    model.Config.DeleteLogs = true;
    model.Config.IntervalMins = 15;
    model.SetTargetCount(kTargets);
    for (int n = 0; n < kTargets; ++n) {
        TargetSettings& entry = model.Target(n);
        entry.SetType(n % 2 == 0 ? "<HTML>" : "<POP3>");
        entry.Addr = "http://host" + std::to_string(n) + ".example.test/status/page.html";
        entry.User = n % 2 == 0 ? "" : "monitor";
        entry.Password = n % 2 == 0 ? "" : "s3cret-password";
        entry.Port = n % 2 == 0 ? 80 : 110;
    }
    return model;
}

// A private folder with the 1,000-target file, removed at the end.
class BenchFile final {
public:
    BenchFile() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velnorix-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        m_folder = pattern;
        ReplaceTextFile(Path(), WithTargetsSection("", ModelWithTargets().Config));
    }
    ~BenchFile() { std::filesystem::remove_all(m_folder); }
    BenchFile(const BenchFile&) = delete;
    BenchFile& operator=(const BenchFile&) = delete;

    [[nodiscard]] std::string Path() const { return m_folder + "/Velnorix.Ini"; }

private:
    std::string m_folder;
};

void BM_LoadIniFile1000Targets(benchmark::State& state) {
    const BenchFile file;
    for (auto _ : state) {
        const Result<Configuration> loaded = ReadConfigurationFile(file.Path(), {});
        benchmark::DoNotOptimize(loaded->TargetCount());
    }
}
BENCHMARK(BM_LoadIniFile1000Targets)->Unit(benchmark::kMillisecond);

void BM_SaveIniFile1000Targets(benchmark::State& state) {
    const BenchFile file;
    const RunModel model = ModelWithTargets();
    kit::FakeStatusLine status{kit::Keep::ShownOnly};
    for (auto _ : state)
        SaveIniFile(model.Config, status, file.Path());
}
BENCHMARK(BM_SaveIniFile1000Targets)->Unit(benchmark::kMillisecond);

// The same two without the file system: parsing the text, and rebuilding the section.
void BM_ParseIniText1000Targets(benchmark::State& state) {
    const std::string text = WithTargetsSection("", ModelWithTargets().Config);
    for (auto _ : state) {
        const IniDocument document(text);
        benchmark::DoNotOptimize(document.Read("Targets", "1000Port"));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ParseIniText1000Targets)->Unit(benchmark::kMicrosecond);

void BM_RewriteTargetsSection1000Targets(benchmark::State& state) {
    const RunModel model = ModelWithTargets();
    const std::string text = WithTargetsSection("", model.Config);
    for (auto _ : state)
        benchmark::DoNotOptimize(WithTargetsSection(text, model.Config));
}
BENCHMARK(BM_RewriteTargetsSection1000Targets)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velnorix

BENCHMARK_MAIN();
