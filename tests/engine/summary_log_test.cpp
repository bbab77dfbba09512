#include "base/text_file.h"
#include "base/utf8_text.h"
#include "engine/statistics.h"
#include "engine/summary_log.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace velnorix {
namespace {

using kit::ReadWholeFile;
using kit::TempDir;

class SummaryLogTest : public testing::Test {
protected:
    SummaryLogTest() {
        m_model.SummaryLogName = m_dir.File("Velnorix061205143000.smy");
        m_model.RunStartTime = ToDayCount(LocalDateTime{2006, 12, 5, 14, 30, 0, 0});
    }

    void AddTarget(const char* type, const char* addr) {
        m_model.SetTargetCount(m_model.TargetCount() + 1);
        TargetSettings& entry = m_model.Target(m_model.TargetCount() - 1);
        entry.SetType(type);
        entry.Addr = addr;
    }

    TempDir m_dir;
    RunModel m_model;
    FormatSettings m_english;
    const LocalDateTime m_stamp{2006, 12, 5, 14, 30, 7, 0};
};

TEST_F(SummaryLogTest, WritesTheHeaderAndAFirstBlockByteForByte) {
    AddTarget("<HTML>", "192.0.2.20");
    AddTarget("<Ping>", "192.0.2.10");
    m_model.CycleCount = 1;
    RecordResult(m_model, 0, 250, false);
    RecordResult(m_model, 1, 5030, true);

    WriteNewFile(m_model.SummaryLogName, SummaryLogHeader());
    WriteSummary(m_model, m_stamp, m_english);

    const std::string expected =
        "Cycl Target                          Type  Attempt Success Failure % Succ Avg Resp Low "
        "Resp Hgh Resp\r\n"
        "==== ============================== ====== ======= ======= ======= ====== ======== "
        "======== ========\r\n"
        "   1 192.0.2.20                     <HTML>       1       1       0  100.0     0.25     "
        "0.25     0.25\r\n"
        "   1 192.0.2.10                     <Ping>       1       0       1    0.0     5.03     "
        "5.03     5.03\r\n"
        "     14:30:07 Dec 05, 2006  / 0:00:07            2       1       1   50.0     2.64     "
        "0.25     5.03\r\n"
        " \r\n";
    EXPECT_EQ(ReadWholeFile(m_model.SummaryLogName), expected);
}

TEST_F(SummaryLogTest, HeaderAndSeparatorAreAHundredCharactersEach) {
    const std::string header = SummaryLogHeader();
    const auto firstEnd = header.find("\r\n");
    ASSERT_NE(firstEnd, std::string::npos);
    EXPECT_EQ(firstEnd, 100u);
    EXPECT_EQ(header.size(), 2 * (100u + 2));
}

TEST_F(SummaryLogTest, RowsCutLongAddressesAndShowUntestedTargetsAsZeros) {
    AddTarget("<HTML>", "http://a-very-long-host-name.example.com/page.htm");
    AddTarget("<Gone>", "192.0.2.99"); // a type no probe takes still gets its row
    m_model.CycleCount = 12345;        // wider than its field: not cut
    const std::string block = FormatSummaryBlock(m_model, m_stamp, m_english);
    EXPECT_EQ(block.substr(0, block.find("\r\n")),
              "12345 http://a-very-long-host-name.e <HTML>       0       0       0    0.0"
              "     0.00     0.00     0.00");
    EXPECT_NE(block.find("\r\n12345 192.0.2.99                     <Gone>       0"),
              std::string::npos);
}

TEST_F(SummaryLogTest, RowsCountCharactersNotBytes) {
    // 29 letters then two-byte ones: a byte cut would split the 30th character.
    AddTarget("<HTML>", "http://xn-bcher-kva.example.c\xC3\xBC\xC3\xBC\xC3\xBC/");
    AddTarget("<Ping>", "\xE2\x82\xAC.example");
    AddTarget("<Ping>", "192.0.2.1");
    m_model.CycleCount = 1;
    const std::string block = FormatSummaryBlock(m_model, m_stamp, m_english);
    EXPECT_NE(block.find("   1 http://xn-bcher-kva.example.c\xC3\xBC <HTML>"), std::string::npos);
    // Every row holds its type at the same character column.
    std::size_t lineStart = 0;
    for (int row = 0; row < 3; ++row) {
        const std::size_t lineEnd = block.find("\r\n", lineStart);
        const std::string_view line(block.data() + lineStart, lineEnd - lineStart);
        const std::size_t type = line.find('<');
        EXPECT_EQ(CharacterCount(line.substr(0, type)), 36u) << line;
        EXPECT_EQ(CharacterCount(line), 100u) << line;
        lineStart = lineEnd + 2;
    }
}

TEST_F(SummaryLogTest, AnEmptyTableGivesOnlyTheTotalsRowAndTheSpaceLine) {
    m_model.CycleCount = 1;
    EXPECT_EQ(FormatSummaryBlock(m_model, m_stamp, m_english),
              "     14:30:07 Dec 05, 2006  / 0:00:07            0       0       0    0.0     "
              "0.00     0.00     0.00\r\n \r\n");
}

TEST_F(SummaryLogTest, FollowsTheLocalesDecimalSeparator) {
    AddTarget("<Ping>", "127.0.0.1");
    RecordResult(m_model, 0, 125, false);
    FormatSettings comma;
    comma.DecimalSeparator = ",";
    const std::string block = FormatSummaryBlock(m_model, m_stamp, comma);
    EXPECT_NE(block.find("  100,0     0,13     0,13     0,13\r\n"), std::string::npos);
}

TEST_F(SummaryLogTest, AMissingLogIsAnErrorCarryingTheSystemsMessage) {
    AddTarget("<Ping>", "127.0.0.1");
    m_model.SummaryLogName = m_dir.File("deleted.smy");
    try {
        WriteSummary(m_model, m_stamp, m_english);
        FAIL() << "writing to a missing summary log must fail";
    } catch (const FileError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("deleted.smy"), std::string::npos);
        EXPECT_NE(message.find("No such file or directory"), std::string::npos);
    }
    EXPECT_FALSE(FileExists(m_model.SummaryLogName)); // appending never creates the file
}

} // namespace
} // namespace velnorix
