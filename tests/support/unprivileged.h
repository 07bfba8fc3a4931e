#pragma once

// Permission tests need a user whom permissions bind. The suite runs as root,
// whom they do not, so a test hands the work to a forked child that becomes
// the user "nobody"; run by any other user, the child stays that user.

#include <functional>
#include <string>

#if !defined(_WIN32)
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#if defined(_WIN32)

inline bool UnprivilegedUserAvailable(std::string& whyNot) {
    whyNot = "permissions are POSIX modes here, which Windows does not have";
    return false;
}
inline int RunUnprivileged(const std::function<int()>&) { return -1; }

#else

constexpr uid_t kNobodyUser = 65534;
constexpr gid_t kNobodyGroup = 65534;

// In a child about to do the work: gives up root. False when that failed.
inline bool BecomeUnprivileged() {
    if (geteuid() != 0) return true;
    return setgroups(0, nullptr) == 0 && setgid(kNobodyGroup) == 0 && setuid(kNobodyUser) == 0 &&
           geteuid() == kNobodyUser;
}

// Runs fn as the unprivileged user in a forked child and returns its exit
// status (fn's result, 0 to 254), or -1 when the child could not run it.
inline int RunUnprivileged(const std::function<int()>& fn) {
    const pid_t pid = fork();
    if (pid == 0) _exit(BecomeUnprivileged() ? fn() : 255);
    int nStatus = 0;
    if (pid < 0 || waitpid(pid, &nStatus, 0) != pid || !WIFEXITED(nStatus)) return -1;
    return WEXITSTATUS(nStatus) == 255 ? -1 : WEXITSTATUS(nStatus);
}

inline bool UnprivilegedUserAvailable(std::string& whyNot) {
    if (RunUnprivileged([] { return 0; }) == 0) return true;
    whyNot = "cannot switch to an unprivileged user here";
    return false;
}

// The user whom the child becomes.
inline uid_t UnprivilegedUser() { return geteuid() == 0 ? kNobodyUser : geteuid(); }

#endif
