#pragma once

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

struct pcre2_real_code_8;
struct pcre2_real_match_context_8;
struct pcre2_real_jit_stack_8;

namespace velnorix {

// How much of a page's body is kept for its text check.
inline constexpr std::size_t kMatchedBodyBytes = 65'536;

// A pattern that is not a regular expression; what() says why and where.
class PatternError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A web target's text check: a regular expression (Perl syntax, which ECMAScript's common
// forms share) searched for in a page's body, byte by byte. PCRE2 rather than std::regex,
// whose recursive matcher overflows the stack on patterns such as "(a|b)*x" over a 64 KiB
// page: here every search is bounded in steps and memory, whatever the page.
class BodyPattern final {
public:
    // Throws PatternError when `pattern` is not a regular expression.
    explicit BodyPattern(const std::string& pattern);
    // Throws PatternError when the search would take more than its bounds allow.
    [[nodiscard]] bool FoundIn(std::string_view body) const;

private:
    struct Release {
        void operator()(pcre2_real_code_8* code) const;
        void operator()(pcre2_real_match_context_8* context) const;
        void operator()(pcre2_real_jit_stack_8* stack) const;
    };
    std::unique_ptr<pcre2_real_code_8, Release> m_code;
    std::unique_ptr<pcre2_real_jit_stack_8, Release> m_jitStack;
    std::unique_ptr<pcre2_real_match_context_8, Release> m_context;
};

} // namespace velnorix
