#pragma once

#include <string>
#include <vector>

namespace velnorix::kit {

// A fresh directory under the system's temporary folder, removed with everything in it when
// the object goes away.
class TempDir final {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] const std::string& Path() const { return m_path; }
    [[nodiscard]] std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// The whole content of a file, or an empty string when it cannot be read.
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& content);
// The lines of a log or configuration text, each of which must end in CR LF (a test failure
// is recorded otherwise).
std::vector<std::string> SplitCrLfLines(const std::string& text);

} // namespace velnorix::kit
