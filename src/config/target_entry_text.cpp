#include "config/target_entry_text.h"

#include "config/target_security.h"

#include <algorithm>
#include <charconv>

namespace velnorix {
namespace {

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// The first `count` characters, or all of them when there are fewer.
std::string_view Head(std::string_view text, std::size_t count) {
    return text.substr(0, std::min(count, text.size()));
}

// The characters from `position` on, or nothing when the text is shorter.
std::string_view From(std::string_view text, std::size_t position) {
    return position >= text.size() ? std::string_view{} : text.substr(position);
}

std::string_view SecurityMarker(TargetSecurity security) {
    return security == TargetSecurity::Tls ? kTlsMarker : kStartTlsMarker;
}

struct SecurityMark {
    std::size_t Position = std::string_view::npos;
    TargetSecurity Security = TargetSecurity::None;
};

// The first protection marker in the text; neither marker holds the other.
SecurityMark FindSecurityMarker(std::string_view text) {
    SecurityMark found;
    for (const TargetSecurity security : {TargetSecurity::Tls, TargetSecurity::StartTls}) {
        const std::size_t position = text.find(SecurityMarker(security));
        if (position < found.Position)
            found = {position, security};
    }
    return found;
}

std::string WithoutLineBreaks(std::string_view text) {
    std::string result(text);
    std::erase_if(result, [](char c) { return c == '\r' || c == '\n'; });
    return result;
}

} // namespace

std::string TrimBlanksAndControls(std::string_view text) {
    const auto first = std::find_if_not(text.begin(), text.end(), IsBlankOrControl);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), IsBlankOrControl).base();
    return first < last ? std::string(first, last) : std::string{};
}

std::optional<std::int32_t> ParsePortText(std::string_view text) {
    const std::string trimmed = TrimBlanksAndControls(text);
    std::string_view digits = trimmed;
    const bool plus = !digits.empty() && digits.front() == '+';
    if (plus)
        digits.remove_prefix(1);
    if (digits.empty() || (plus && digits.front() == '-'))
        return std::nullopt;
    std::int32_t value = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value);
    if (error != std::errc{} || stop != end)
        return std::nullopt;
    return value;
}

std::string FormatTargetEntry(const TargetEntryFields& fields) {
    std::string entry(Head(fields.Type, kTypeLength));
    entry.resize(kTypeLength, ' ');
    entry += TrimBlanksAndControls(WithoutLineBreaks(fields.Addr));
    if (!fields.User.empty()) {
        entry += kUserMarker;
        entry += TrimBlanksAndControls(fields.User);
    }
    if (!fields.Password.empty()) {
        entry += kPasswordMarker;
        entry += TrimBlanksAndControls(fields.Password);
    }
    if (fields.Audible)
        entry += kAudibleMarker;
    if (fields.Security != TargetSecurity::None)
        entry += SecurityMarker(fields.Security);
    entry += kPortMarker;
    entry += std::to_string(fields.Port);
    return entry;
}

TargetEntryFields ParseTargetEntry(std::string_view entry) {
    TargetEntryFields fields;
    std::string_view tag = Head(entry, kTypeLength);
    tag.remove_suffix(tag.size() - (tag.find_last_not_of(' ') + 1));
    fields.Type = std::string(tag);

    std::string_view rest = From(entry, kTypeLength);
    // Every position is taken before any cut, so a later cut cannot move an earlier find.
    const std::size_t user = rest.find(kUserMarker);
    const std::size_t password = rest.find(kPasswordMarker);
    const std::size_t audible = rest.find(kAudibleMarker);
    const std::size_t port = rest.find(kPortMarker);
    const SecurityMark security = FindSecurityMarker(rest);
    fields.Security = security.Security;
    fields.Port = DefaultPort(TestTypeOf(fields.Type), fields.Security);
    if (user == rest.npos && password == rest.npos && audible == rest.npos && port == rest.npos &&
        security.Position == rest.npos) {
        fields.Addr = TrimBlanksAndControls(rest);
        return fields;
    }
    if (port != rest.npos) {
        if (const auto value = ParsePortText(From(rest, port + kPortMarker.size())))
            fields.Port = *value;
        rest = Head(rest, port);
    }
    rest = Head(rest, security.Position);
    if (audible != rest.npos) {
        fields.Audible = true;
        rest = Head(rest, audible);
    }
    if (user != rest.npos) {
        fields.Addr = std::string(Head(rest, user));
        const std::string_view userAndPassword = From(rest, user + kUserMarker.size());
        const std::size_t inner = userAndPassword.find(kPasswordMarker);
        fields.User = std::string(Head(userAndPassword, inner));
        if (inner != userAndPassword.npos)
            fields.Password = std::string(From(userAndPassword, inner + kPasswordMarker.size()));
    } else if (password != rest.npos) {
        fields.Addr = std::string(Head(rest, password));
        fields.Password = std::string(From(rest, password + kPasswordMarker.size()));
    } else {
        fields.Addr = std::string(rest);
    }
    return fields;
}

std::string EntryShownInList(std::string_view entry) {
    TargetEntryFields fields = ParseTargetEntry(entry);
    if (fields.Password.empty())
        return std::string(entry);
    fields.Password = "***";
    return FormatTargetEntry(fields);
}

std::string EntryTextOf(const TargetSettings& target) {
    return FormatTargetEntry({target.Type, target.Addr, target.User, target.Password,
                              target.Audible, target.Port, target.Security});
}

TargetSettings TargetOfEntryText(std::string_view entry) {
    const TargetEntryFields fields = ParseTargetEntry(entry);
    TargetSettings target;
    target.SetType(fields.Type);
    target.Addr = fields.Addr;
    target.User = fields.User;
    target.Password = fields.Password;
    target.Audible = fields.Audible;
    target.Port = fields.Port;
    target.Security = fields.Security;
    return target;
}

TargetStateFields TargetStateFields::Of(const TargetSettings& target) {
    return {target.SlowMs,    target.Parent, target.Echoes, target.LossPct,
            target.Method,    target.Expect, target.Match,  target.MatchAbsent,
            target.TimeoutMs, target.Record, target.Server};
}

void TargetStateFields::ApplyTo(TargetSettings& target) const {
    target.SlowMs = SlowMs;
    target.Parent = Parent;
    target.Echoes = Echoes;
    target.LossPct = LossPct;
    target.Method = Method;
    target.Expect = Expect;
    target.Match = Match;
    target.MatchAbsent = MatchAbsent;
    target.TimeoutMs = TimeoutMs;
    target.Record = Record;
    target.Server = Server;
}

} // namespace velnorix
