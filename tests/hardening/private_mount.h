#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <sys/types.h>

// A small tmpfs in a mount namespace of its own, held by a child process, so a test can fill it
// up or make it read-only without touching the machine's file systems. The test reaches it
// through the child's view of the file system, /proc/<child>/root.
namespace velnorix::kit {

class PrivateMount final {
public:
    // Nothing when the system does not allow it (no privilege, no mount namespaces); `whyNot`
    // then says what failed.
    static std::unique_ptr<PrivateMount> Create(std::size_t bytes, std::string& whyNot);
    ~PrivateMount();
    PrivateMount(const PrivateMount&) = delete;
    PrivateMount& operator=(const PrivateMount&) = delete;

    // The mounted folder as this process reaches it.
    [[nodiscard]] const std::string& Path() const { return m_path; }
    // Remounts read-only or writable again; false when the child could not.
    bool SetReadOnly(bool readOnly);

private:
    PrivateMount(pid_t child, int commands, int answers, std::string mountPoint);
    // Sends one command to the child; true when it was carried out.
    bool Ask(char command);

    pid_t m_child;
    int m_commands;
    int m_answers;
    std::string m_mountPoint;
    std::string m_path;
};

} // namespace velnorix::kit
