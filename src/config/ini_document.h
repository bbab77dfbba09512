#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace velnorix {

// The text of an INI file, read and changed the way the desktop's profile functions do it:
// section and key names match without regard to ASCII letter case, blanks around names and
// values are ignored, the first matching section and key win, lines starting with ";" or "#"
// are comments. A change touches only the lines it must; every other byte of the text, line
// ends, comments and a UTF-8 byte-order mark included, comes out as it went in. Lines this
// class writes end in CR LF.
class IniDocument final {
public:
    explicit IniDocument(std::string_view text);

    // The value of the key, blanks around it removed; nothing when the section or key is absent.
    [[nodiscard]] std::optional<std::string> Read(std::string_view section,
                                                  std::string_view key) const;

    // Removes every section of that name with its header and keys. Blank and comment lines
    // after its last key stay: they usually introduce what follows.
    void RemoveSection(std::string_view section);

    // Replaces the line of an existing key, or adds the key after the last key of its section;
    // a missing section is added at the end. Line breaks in the value are dropped, since one
    // line cannot hold them and they would otherwise start new keys.
    void Write(std::string_view section, std::string_view key, std::string_view value);

    [[nodiscard]] std::string Text() const;

private:
    struct Section {
        std::string Header; // the raw header line; empty for the lines before the first header
        std::string FoldedName;
        std::vector<std::string> Lines; // raw, each with its own line end
        std::unordered_map<std::string, std::size_t> FirstKeyLine;
        std::size_t KeyLinesEnd = 0; // one past the last key line
        std::size_t ContentEnd = 0;  // one past the last line that is not blank or a comment
    };

    Section* Find(std::string_view foldedName);
    [[nodiscard]] const Section* Find(std::string_view foldedName) const;
    Section& AppendSection(std::string_view name);
    void AddLine(std::string_view rawLine);

    std::string m_byteOrderMark;
    std::vector<Section> m_sections;
};

} // namespace velnorix
