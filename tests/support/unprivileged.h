#pragma once
// Runs a check as a user the permission bits apply to. The tests often run
// as root, which may read and write any file whatever its bits say; a
// check of what the library does with a file it may not read or write
// then runs in a child process that has given up root for the user
// "nobody". Without root the check runs in this process as it is.
#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

namespace unprivileged {

inline constexpr uid_t kNobody = 65534;

inline bool runningAsRoot() { return ::geteuid() == 0; }

// The owner a file must have for the check's user to be its owner.
inline void giveToCheckUser(const std::filesystem::path& path) {
    if (runningAsRoot() && ::chown(path.c_str(), kNobody, kNobody) != 0) {
        // The check then fails and says so.
    }
}

// A folder the check's user may create and rename files in.
inline void openFolderToCheckUser(const std::filesystem::path& folder) {
    std::filesystem::permissions(folder, std::filesystem::perms::all);
}

// The check's result: true when it ran and returned true.
inline bool check(const std::function<bool()>& body) {
    if (!runningAsRoot()) return body();
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        const bool dropped = ::setgroups(0, nullptr) == 0 && ::setresgid(kNobody, kNobody, kNobody) == 0 &&
                             ::setresuid(kNobody, kNobody, kNobody) == 0;
        ::_exit(dropped && body() ? 0 : 1);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace unprivileged
