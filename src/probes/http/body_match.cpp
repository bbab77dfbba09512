#include "probes/http/body_match.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <array>
#include <pcre2.h>

namespace velnorix {
namespace {

// Far above what a sensible pattern needs over 64 KiB, far below what would stall a probe.
constexpr std::uint32_t kMatchSteps = 10'000'000;
constexpr std::uint32_t kHeapKiB = 16'384;
constexpr std::size_t kJitStackBytes = 1'048'576;

std::string ErrorText(int code) {
    std::array<PCRE2_UCHAR, 256> text{};
    pcre2_get_error_message(code, text.data(), text.size());
    return {reinterpret_cast<const char*>(text.data())};
}

} // namespace

void BodyPattern::Release::operator()(pcre2_real_code_8* code) const {
    pcre2_code_free(code);
}
void BodyPattern::Release::operator()(pcre2_real_match_context_8* context) const {
    pcre2_match_context_free(context);
}
void BodyPattern::Release::operator()(pcre2_real_jit_stack_8* stack) const {
    pcre2_jit_stack_free(stack);
}

BodyPattern::BodyPattern(const std::string& pattern) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    m_code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), 0,
                               &error, &offset, nullptr));
    if (!m_code)
        throw PatternError(ErrorText(error) + " at offset " + std::to_string(offset));
    m_context.reset(pcre2_match_context_create(nullptr));
    pcre2_set_match_limit(m_context.get(), kMatchSteps);
    pcre2_set_heap_limit(m_context.get(), kHeapKiB);
    // Without the JIT (a system that forbids executable memory) the interpreter matches alike.
    if (pcre2_jit_compile(m_code.get(), PCRE2_JIT_COMPLETE) == 0) {
        m_jitStack.reset(pcre2_jit_stack_create(32'768, kJitStackBytes, nullptr));
        pcre2_jit_stack_assign(m_context.get(), nullptr, m_jitStack.get());
    }
}

bool BodyPattern::FoundIn(std::string_view body) const {
    const std::unique_ptr<pcre2_match_data, void (*)(pcre2_match_data*)> data(
        pcre2_match_data_create_from_pattern(m_code.get(), nullptr), pcre2_match_data_free);
    const int result = pcre2_match(m_code.get(), reinterpret_cast<PCRE2_SPTR>(body.data()),
                                   body.size(), 0, 0, data.get(), m_context.get());
    if (result >= 0)
        return true;
    if (result == PCRE2_ERROR_NOMATCH)
        return false;
    throw PatternError("The text check gave up: " + ErrorText(result));
}

} // namespace velnorix
