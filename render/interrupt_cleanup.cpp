#include "render/interrupt_cleanup.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace render::cleanup {
namespace {

char paths[kSlotCount][PATH_MAX];
std::atomic<pid_t> child{0};

void undoAll()
{
    // Only async-signal-safe calls: this runs inside signal handlers.
    const pid_t pid = child.exchange(0);
    if (pid > 0) kill(pid, SIGTERM);
    if (paths[kPartialPng][0]) unlink(paths[kPartialPng]);
    if (paths[kStoryLink][0]) unlink(paths[kStoryLink]);
    if (paths[kScratchDir][0]) rmdir(paths[kScratchDir]);
    for (auto& p : paths) p[0] = '\0';
    if (pid > 0) waitpid(pid, nullptr, 0);
}

void onSignal(int signal)
{
    undoAll();
    // End as the signal would have: the shell sees the usual status.
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigaction(signal, &fallback, nullptr);
    raise(signal);
    _exit(128 + signal);
}

} // namespace

void install()
{
    static bool done = false;
    if (done) return;
    done = true;
    std::atexit(undoAll);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, s);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &action, nullptr);
}

void watchChild(pid_t pid) { child = pid; }

bool watchPath(Slot slot, const std::string& path)
{
    // Blocked while the buffer changes, so a handler never reads half a path.
    sigset_t block, old;
    sigemptyset(&block);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&block, s);
    sigprocmask(SIG_BLOCK, &block, &old);
    const bool fits = path.size() < PATH_MAX;
    if (fits)
        std::memcpy(paths[slot], path.c_str(), path.size() + 1);
    else
        paths[slot][0] = '\0';
    sigprocmask(SIG_SETMASK, &old, nullptr);
    return fits;
}

void runNow() { undoAll(); }

} // namespace render::cleanup
