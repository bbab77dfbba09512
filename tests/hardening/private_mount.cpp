#include "hardening/private_mount.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velnorix::kit {
namespace {

// Answers from the child: kReady, or the errno of the call that failed (all below 255).
constexpr unsigned char kReady = 0;
constexpr unsigned char kNoAnswer = 255;
constexpr char kReadOnly = 'r';
constexpr char kWritable = 'w';

// The child: only system calls from here on, as the test process may have threads.
[[noreturn]] void HoldMount(const char* mountPoint, const char* options, const char* remount,
                            int commands, int answers) {
    const auto fail = [answers](int error) {
        const auto answer = static_cast<unsigned char>(error);
        [[maybe_unused]] const auto written = ::write(answers, &answer, 1);
        ::_exit(1);
    };
    if (::unshare(CLONE_NEWNS) != 0)
        fail(errno);
    // Nothing mounted here may reach the machine's own namespace.
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        fail(errno);
    if (::mount("velnorix-test", mountPoint, "tmpfs", MS_NOSUID | MS_NODEV, options) != 0)
        fail(errno);
    unsigned char answer = kReady;
    [[maybe_unused]] auto written = ::write(answers, &answer, 1);
    char command = 0;
    while (::read(commands, &command, 1) == 1) {
        unsigned long flags = MS_REMOUNT | MS_NOSUID | MS_NODEV;
        if (command == kReadOnly)
            flags |= MS_RDONLY;
        answer = ::mount(nullptr, mountPoint, nullptr, flags, remount) == 0
                     ? kReady
                     : static_cast<unsigned char>(errno);
        written = ::write(answers, &answer, 1);
    }
    ::_exit(0);
}

} // namespace

std::unique_ptr<PrivateMount> PrivateMount::Create(std::size_t bytes, std::string& whyNot) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "velnorix-mount-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        whyNot = "cannot create a mount point";
        return nullptr;
    }
    const std::string remount = "size=" + std::to_string(bytes);
    const std::string options = remount + ",mode=0755";
    int commands[2];
    int answers[2];
    if (::pipe2(commands, O_CLOEXEC) != 0 || ::pipe2(answers, O_CLOEXEC) != 0) {
        whyNot = "cannot create pipes";
        return nullptr;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(commands[1]);
        ::close(answers[0]);
        HoldMount(pattern.c_str(), options.c_str(), remount.c_str(), commands[0], answers[1]);
    }
    ::close(commands[0]);
    ::close(answers[1]);
    if (child < 0) {
        ::close(commands[1]);
        ::close(answers[0]);
        ::rmdir(pattern.c_str());
        whyNot = "cannot fork";
        return nullptr;
    }
    std::unique_ptr<PrivateMount> mount(new PrivateMount(child, commands[1], answers[0], pattern));
    unsigned char answer = kNoAnswer;
    if (::read(answers[0], &answer, 1) != 1 || answer != kReady) {
        whyNot = "no private tmpfs here: " +
                 std::string(answer == kNoAnswer ? "the helper ended" : std::strerror(answer));
        return nullptr;
    }
    return mount;
}

PrivateMount::PrivateMount(pid_t child, int commands, int answers, std::string mountPoint)
    : m_child(child), m_commands(commands), m_answers(answers), m_mountPoint(std::move(mountPoint)),
      m_path("/proc/" + std::to_string(child) + "/root" + m_mountPoint) {}

PrivateMount::~PrivateMount() {
    // The child ends when its command pipe closes; the tmpfs goes with its namespace.
    ::close(m_commands);
    ::close(m_answers);
    if (m_child > 0) {
        int status = 0;
        ::waitpid(m_child, &status, 0);
    }
    ::rmdir(m_mountPoint.c_str());
}

bool PrivateMount::SetReadOnly(bool readOnly) {
    return Ask(readOnly ? kReadOnly : kWritable);
}

bool PrivateMount::Ask(char command) {
    unsigned char answer = kNoAnswer;
    return ::write(m_commands, &command, 1) == 1 && ::read(m_answers, &answer, 1) == 1 &&
           answer == kReady;
}

} // namespace velnorix::kit
