#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>

namespace storage_test {

// What `work` returned in a process of an ordinary user, or why it could not run.
struct Unprivileged {
    bool ran = false;
    std::string text;
};

inline constexpr uid_t kNobody = 65534;
// A second ordinary user, for a folder that two users share.
inline constexpr uid_t kOtherUser = 65533;

// Runs `work` in a child process that cannot pass permission checks: as root,
// which passes them all, the child first becomes the user `user` (and group of
// the same number); as any other user it stays that user. The returned text
// comes back through a pipe, since a forked child cannot report to the test
// itself.
inline Unprivileged RunUnprivileged(const std::string& dir,
                                    const std::function<std::string()>& work,
                                    uid_t user = kNobody) {
    constexpr int kSkipped = 77;
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {false, std::string("No pipe: ") + std::strerror(errno)};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        std::string text;
        int code = 0;
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setresgid(user, user, user) != 0 ||
             ::setresuid(user, user, user) != 0)) {
            text = "Cannot drop root privileges to user " + std::to_string(user) + ": " +
                   std::strerror(errno);
            code = kSkipped;
        } else if (::access(dir.c_str(), X_OK) != 0) {
            text = "The unprivileged user cannot reach the temporary directory " + dir;
            code = kSkipped;
        } else {
            text = work();
        }
        const bool sent =
            ::write(pipeFds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::_exit(sent ? code : 1);
    }
    ::close(pipeFds[1]);
    std::string text;
    char buffer[512];
    for (ssize_t count; (count = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(pipeFds[0]);
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return {false, "The unprivileged child process did not run to its end"};
    }
    return {WEXITSTATUS(status) != kSkipped, text};
}

}  // namespace storage_test
