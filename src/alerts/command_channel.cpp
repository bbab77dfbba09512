#include "alerts/command_channel.h"

#include "base/file_descriptor.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ; // NOLINT(readability-redundant-declaration): POSIX declares it nowhere

namespace velnorix {
namespace {

// How often a wait for the program looks whether the dispatcher is stopping.
constexpr int kAbandonCheckMs = 200;

std::vector<char*> PointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    pointers.reserve(texts.size() + 1);
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Kills the program's whole process group and collects it.
void KillAndReap(pid_t pid) {
    kill(-pid, SIGKILL);
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

std::string Joined(const AlertMessage& message, std::string (*field)(const AlertChange&)) {
    std::string text;
    for (const AlertChange& change : message.Changes)
        text += (text.empty() ? "" : "\n") + field(change);
    return text;
}

} // namespace

std::vector<std::string> CommandArguments(const std::string& command) {
    std::vector<std::string> arguments;
    std::string current;
    bool inQuotes = false;
    bool inArgument = false;
    for (const char c : command) {
        if (c == '"') {
            inQuotes = !inQuotes;
            inArgument = true;
        } else if ((c == ' ' || c == '\t') && !inQuotes) {
            if (inArgument)
                arguments.push_back(std::move(current));
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument)
        arguments.push_back(std::move(current));
    return arguments;
}

std::vector<std::string> AlertEnvironment(const AlertMessage& message) {
    std::vector<std::string> variables;
    for (char** variable = environ; *variable != nullptr; ++variable)
        if (std::strncmp(*variable, "VELNORIX_", 9) != 0)
            variables.emplace_back(*variable);
    variables.push_back("VELNORIX_SUBJECT=" + AlertTitle(message));
    variables.push_back("VELNORIX_TARGET=" +
                        Joined(message, [](const AlertChange& c) { return c.Type + c.Name; }));
    variables.push_back("VELNORIX_OLD_STATE=" + Joined(message, [](const AlertChange& c) {
                            return std::string(StateName(c.Old));
                        }));
    variables.push_back("VELNORIX_NEW_STATE=" + Joined(message, [](const AlertChange& c) {
                            return std::string(StateName(c.New));
                        }));
    variables.push_back("VELNORIX_REASON=" +
                        Joined(message, [](const AlertChange& c) { return c.Reason; }));
    variables.push_back("VELNORIX_TIME=" +
                        Joined(message, [](const AlertChange& c) { return UtcTimestamp(c.Time); }));
    return variables;
}

CommandChannel::CommandChannel(const std::string& command, std::chrono::milliseconds limit)
    : m_arguments(CommandArguments(command)), m_limit(limit) {}

DeliveryResult CommandChannel::Deliver(const AlertMessage& message) {
    if (m_arguments.empty())
        return DeliveryResult::Failure("no command is set");
    std::vector<std::string> arguments = m_arguments;
    std::vector<std::string> environment = AlertEnvironment(message);
    const std::vector<char*> argv = PointersTo(arguments);
    const std::vector<char*> envp = PointersTo(environment);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Its own process group, so a kill reaches whatever the program started.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0)
        return DeliveryResult::Failure("the command could not start: " +
                                       std::string(std::strerror(spawned)));

    // A descriptor that becomes readable when the program ends, so the wait is a poll().
    const FileDescriptor exited(static_cast<int>(syscall(SYS_pidfd_open, pid, 0)));
    const auto deadline = std::chrono::steady_clock::now() + m_limit;
    while (true) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
                return DeliveryResult::Success();
            if (WIFEXITED(status))
                return DeliveryResult::Failure("the command ended with status " +
                                               std::to_string(WEXITSTATUS(status)));
            return DeliveryResult::Failure("the command ended on signal " +
                                           std::to_string(WTERMSIG(status)));
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || m_abandoned) {
            KillAndReap(pid);
            return DeliveryResult::Failure(m_abandoned
                                               ? "abandoned at stop"
                                               : "the command was killed after " +
                                                     std::to_string(m_limit.count()) + " ms");
        }
        pollfd wait{exited.Get(), POLLIN, 0};
        const int slice = static_cast<int>(std::min<std::int64_t>(left.count(), kAbandonCheckMs));
        if (exited.Get() >= 0)
            poll(&wait, 1, slice);
        else
            poll(nullptr, 0, slice); // no pidfd on this kernel: look again after a slice
    }
}

} // namespace velnorix
