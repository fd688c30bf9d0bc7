#include "render/private_display.h"

#include "render/interrupt_cleanup.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace render {
namespace {

constexpr int kStartTimeoutMs = 10000;

} // namespace

std::string startPrivateDisplay(const std::string& xvfb)
{
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) return std::string("cannot make a pipe: ") + std::strerror(errno);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        close(ready[0]);
        close(ready[1]);
        return std::string("cannot start Xvfb: ") + std::strerror(errno);
    }
    if (pid == 0) {
        // The server must not outlive us, even when we are killed outright.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127);
        const int fd = dup(ready[1]); // without close-on-exec: Xvfb writes to it
        const int quiet = open("/dev/null", O_RDWR);
        if (fd < 0 || quiet < 0) _exit(127);
        dup2(quiet, 0);
        dup2(quiet, 1);
        dup2(quiet, 2);
        const std::string fdText = std::to_string(fd);
        execlp(xvfb.c_str(), xvfb.c_str(), "-displayfd", fdText.c_str(), "-screen", "0", "1024x768x24",
               "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ready[1]);
    cleanup::watchChild(pid);

    // Xvfb writes the display number and a line feed once it accepts clients.
    std::string number;
    pollfd wait = {ready[0], POLLIN, 0};
    bool done = false;
    while (!done) {
        const int got = poll(&wait, 1, kStartTimeoutMs);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        char buffer[16];
        const ssize_t n = read(ready[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break; // the server ended before it was ready
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] == '\n') done = true;
            else if (buffer[i] >= '0' && buffer[i] <= '9') number += buffer[i];
        }
    }
    close(ready[0]);
    if (!done || number.empty()) {
        int status = 0;
        const bool ended = waitpid(pid, &status, WNOHANG) == pid;
        cleanup::runNow();
        if (ended && WIFEXITED(status) && WEXITSTATUS(status) == 127)
            return "cannot run " + xvfb + " (install the package xvfb)";
        return "the private X server (" + xvfb + ") did not start";
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    return {};
}

} // namespace render
