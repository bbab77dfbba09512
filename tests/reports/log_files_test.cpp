#include "base/text_file.h"
#include "reports/log_files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace velnorix {
namespace {

class LogFilesTest : public testing::Test {
protected:
    kit::TempDir m_dir;
};

TEST_F(LogFilesTest, ReadsTheWholeFileByteForByte) {
    std::string bytes = "   1 Failure:\r\n\r\n";
    bytes += std::string(1, '\0') + "\xFF\x80 binary";
    bytes += std::string(300'000, 'x');
    kit::WriteWholeFile(m_dir.File("a.log"), bytes);
    EXPECT_EQ(ReadLogFile(m_dir.File("a.log")), bytes);
    kit::WriteWholeFile(m_dir.File("empty.log"), "");
    EXPECT_EQ(ReadLogFile(m_dir.File("empty.log")), "");
}

TEST_F(LogFilesTest, AFileThatCannotBeOpenedRaisesAFileErrorNamingIt) {
    try {
        ReadLogFile(m_dir.File("missing.log"));
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find("missing.log"), std::string::npos);
    }
}

} // namespace
} // namespace velnorix
