#pragma once

#include "base/text_file.h"
#include "config/configuration_commands.h"
#include "config/configuration_file.h"
#include "config/ini_values.h"
#include "kit/fake_host.h"
#include "kit/scripted_prompts.h"
#include "support/temp_dir.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <utility>

namespace velnorix::kit {

// A file of two targets as a save writes it; the writing tests and the TLS tests both use it.
inline const std::string kTwoTargetExample =
    "[Targets]\r\nDeleteLogs=TRUE\r\nIntervalHours=0\r\nIntervalMins=15\r\nIntervalSecs=0\r\n"
    "Count=2\r\n"
    "01Type=<Ping>\r\n01Addr=10.0.0.1\r\n01User=\r\n01Password=\r\n01Audible=TRUE\r\n01Port=0\r\n"
    "02Type=<SMTP>\r\n02Addr=10.0.0.25\r\n02User=\r\n02Password=\r\n02Audible=FALSE\r\n"
    "02Port=25\r\n";

// Configuration commands on a file of their own, shared by the tests that read files and those
// that write them.
class ConfigurationFileTest : public testing::Test {
protected:
    void Load(const std::string& text) {
        WriteWholeFile(m_file, text);
        m_commands.LoadIniFile(m_file);
    }
    void Save() { m_commands.SaveIniFile(m_file); }
    std::string SavedText() const { return ReadWholeFile(m_file); }
    // The message of the ConfigurationError that `action` throws; fails when it throws none.
    template <typename Action>
    std::string ErrorOf(Action action) {
        try {
            action();
        } catch (const ConfigurationError& error) {
            return error.what();
        }
        ADD_FAILURE() << "no ConfigurationError";
        return {};
    }
    void AddTarget(std::string_view type, std::string addr, bool audible, std::int32_t port) {
        m_model.SetTargetCount(m_model.TargetCount() + 1);
        TargetSettings& entry = m_model.Target(m_model.TargetCount() - 1);
        entry.SetType(type);
        entry.Addr = std::move(addr);
        entry.Audible = audible;
        entry.Port = port;
    }

    TempDir m_dir;
    std::string m_file = m_dir.File("Velnorix.Ini");
    RunModel m_model;
    FakeDisplay m_display;
    FakeStatusLine m_status;
    ScriptedPrompts m_prompts{ScriptedPrompts::WhenUnscripted::Fail};
    ConfigurationCommands m_commands{m_model, m_display, m_status, m_prompts, m_dir.Path()};
};

} // namespace velnorix::kit
