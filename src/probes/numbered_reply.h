#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Numbered replies of the SMTP kind ("250-first", "250 last") and the POP3 status lines read
// the same way ("+OK ready").
namespace velnorix {

struct NumberedReply {
    // The whole number the text code reads as; 0 when it is not one ("+OK").
    int NumericCode = 0;
    // The first four characters of the first line, blanks removed; "250" for "250-".
    std::string TextCode;
    // Each line of the reply from its fifth character on.
    std::vector<std::string> Text;
};

// The reply's text lines as one text, lines separated by CR LF.
std::string JoinReplyText(const NumberedReply& reply);

// Collects the lines of one reply as they are read and says when it is complete. Blank lines
// ahead of the reply are skipped; a first line whose fourth character is "-" starts a reply of
// several lines that ends at a line beginning with the same three characters and a blank, or
// at a line shorter than four characters. A reply over either cap throws ProbeError, so a peer
// that never ends its reply cannot grow memory without limit.
class ReplyCollector final {
public:
    ReplyCollector(std::size_t maxBytes, std::size_t maxLines);

    // Adds one line as read (without its line end); true when the reply is complete.
    bool Add(std::string_view line);
    [[nodiscard]] NumberedReply Reply() const;

private:
    std::size_t m_maxBytes;
    std::size_t m_maxLines;
    std::size_t m_bytes = 0;
    std::size_t m_linesSeen = 0;
    std::vector<std::string> m_lines;
    bool m_complete = false;
};

// Removes blanks and control characters at both ends.
std::string_view TrimBlanks(std::string_view text);

// The text code of a reply's first line and the number it reads as (0 when none).
std::string ReplyTextCode(std::string_view firstLine);
int ReplyNumericCode(std::string_view textCode);

} // namespace velnorix
