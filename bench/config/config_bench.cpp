#include "base/atomic_file.h"
#include "config/configuration_file.h"
#include "config/ini_document.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace velnorix {
namespace {

constexpr int kTargets = 1000;

class NullDisplay final : public DisplayLines {
public:
    [[nodiscard]] int Count() const override { return m_count; }
    [[nodiscard]] std::string Line(int) const override { return {}; }
    void Add(std::string_view) override { ++m_count; }
    void Insert(int, std::string_view) override { ++m_count; }
    void Delete(int) override { --m_count; }
    void Clear() override { m_count = 0; }
    void BeginUpdate() override {}
    void EndUpdate() override {}
    [[nodiscard]] int PixelHeight() const override { return 385; }
    [[nodiscard]] int FontPixelHeight() const override { return 13; }

private:
    int m_count = 0;
};

class NullStatus final : public StatusLine {
public:
    [[nodiscard]] std::string Text() const override { return {}; }
    void SetText(std::string_view) override {}
};

class NoPrompts final : public UserPrompts {
public:
    void ShowErrorBox(std::string_view) override {}
    void ShowInformation(std::string_view) override {}
    void ShowConfirmation(std::string_view) override {}
    bool AskYesNo(std::string_view) override { return false; }
    void ShowGeneralError(std::string_view) override {}
    std::optional<std::string> ChooseFileToOpen(const FileDialogOptions&) override { return {}; }
    std::optional<std::string> ChooseFileToSave(const FileDialogOptions&) override { return {}; }
};

RunModel ModelWithTargets() {
    RunModel model;
    model.DeleteLogs = true;
    model.IntervalMins = 15;
    model.SetTargetCount(kTargets);
    for (int n = 0; n < kTargets; ++n) {
        TargetEntry& entry = model.Target(n);
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
        ReplaceTextFile(Path(), WithTargetsSection("", ModelWithTargets()));
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
    NullDisplay display;
    NoPrompts prompts;
    for (auto _ : state) {
        RunModel model;
        LoadIniFile(model, display, prompts, file.Path());
        benchmark::DoNotOptimize(model.TargetCount);
    }
}
BENCHMARK(BM_LoadIniFile1000Targets)->Unit(benchmark::kMillisecond);

void BM_SaveIniFile1000Targets(benchmark::State& state) {
    const BenchFile file;
    RunModel model = ModelWithTargets();
    NullStatus status;
    for (auto _ : state)
        SaveIniFile(model, status, file.Path());
}
BENCHMARK(BM_SaveIniFile1000Targets)->Unit(benchmark::kMillisecond);

// The same two without the file system: parsing the text, and rebuilding the section.
void BM_ParseIniText1000Targets(benchmark::State& state) {
    const std::string text = WithTargetsSection("", ModelWithTargets());
    for (auto _ : state) {
        const IniDocument document(text);
        benchmark::DoNotOptimize(document.Read("Targets", "1000Port"));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ParseIniText1000Targets)->Unit(benchmark::kMicrosecond);

void BM_RewriteTargetsSection1000Targets(benchmark::State& state) {
    const RunModel model = ModelWithTargets();
    const std::string text = WithTargetsSection("", model);
    for (auto _ : state)
        benchmark::DoNotOptimize(WithTargetsSection(text, model));
}
BENCHMARK(BM_RewriteTargetsSection1000Targets)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velnorix

BENCHMARK_MAIN();
