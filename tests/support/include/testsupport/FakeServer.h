#pragma once

// A fake server of tests/agentsim (agentsim.py, faxservice.py) run as a child
// process: started with its arguments, ready once it has printed
// "LISTENING <port>", waited for or stopped with SIGTERM, and never left
// running when the object goes.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "testsupport/TestSupport.h"

extern char** environ;

namespace testsupport {

class FakeServer {
public:
    // How long a start may take: on a loaded machine Python alone can take
    // over ten seconds to start. The wait ends as soon as the port is there.
    static constexpr int kStartMs = 60000;

    // Runs python3 with `arguments` (the script and its options; the script
    // gets `--port 0` or a port from the caller) and reads the announced
    // port. Throws std::runtime_error when Python does not start, or the
    // server ends or stays silent for startMs before announcing its port.
    explicit FakeServer(const std::vector<std::string>& arguments, int startMs = kStartMs)
    {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        // The pipe's ends are close-on-exec, so a child that another thread
        // starts meanwhile cannot keep the write end open; dup2 gives the
        // server its standard output without that flag.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        std::vector<std::string> words{python3()};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        const int rc = ::posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        if (rc != 0) {
            ::close(out[0]);
            pid_ = -1;
            throw std::runtime_error("cannot start " + words[0]);
        }
        const std::string line = readLine(out[0], startMs);
        ::close(out[0]);
        const std::string prefix = "LISTENING ";
        if (line.rfind(prefix, 0) == 0)
            port_ = std::atoi(line.c_str() + prefix.size());
        if (port_ <= 0) {
            stop();
            throw std::runtime_error("the fake server " + (arguments.empty() ? std::string() : arguments[0]) +
                                     " did not announce its port: \"" + line + "\"");
        }
    }
    ~FakeServer() { stop(); }
    FakeServer(const FakeServer&) = delete;
    FakeServer& operator=(const FakeServer&) = delete;

    int port() const { return port_; }

    // Waits up to timeoutMs for the server to end by itself: its exit status
    // (128 when a signal ended it), or -1 while it still runs. The wait
    // blocks on a process descriptor where the kernel has them, else it
    // looks every 10 ms.
    int waitExit(int timeoutMs)
    {
        const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        const int pidfd = pid_ > 0 && timeoutMs > 0 ? openPidfd(pid_) : -1;
        while (pid_ > 0 && !reap(WNOHANG)) {
            const long long left = msUntil(end);
            if (left <= 0)
                break;
            if (pidfd >= 0) {
                pollfd entry{pidfd, POLLIN, 0};
                ::poll(&entry, 1, static_cast<int>(left));
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long long>(left, 10)));
            }
        }
        if (pidfd >= 0)
            ::close(pidfd);
        return pid_ > 0 ? -1 : status_;
    }

    // Ends the server with SIGTERM unless it has ended already, and reaps it.
    void stop()
    {
        if (pid_ <= 0 || waitExit(0) != -1)
            return;
        ::kill(pid_, SIGTERM);
        reap(0);
    }

private:
    using Clock = std::chrono::steady_clock;

    static long long msUntil(Clock::time_point end)
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    }

    // The first line of the server's output, read within timeoutMs; what
    // came so far when the output ends or the time is up.
    static std::string readLine(int fd, int timeoutMs)
    {
        std::string line;
        const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (line.find('\n') == std::string::npos) {
            const long long left = msUntil(end);
            pollfd entry{fd, POLLIN, 0};
            if (left <= 0 || ::poll(&entry, 1, static_cast<int>(left)) <= 0)
                break;
            char buf[64];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0)
                break;
            line.append(buf, static_cast<std::size_t>(n));
        }
        return line.substr(0, line.find('\n'));
    }

    static int openPidfd(pid_t pid)
    {
#ifdef SYS_pidfd_open
        return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
        (void)pid;
        return -1;
#endif
    }

    // Reaps the child if it has ended (flags WNOHANG) or once it ends (0).
    bool reap(int flags)
    {
        int status = 0;
        pid_t done;
        while ((done = ::waitpid(pid_, &status, flags)) < 0 && errno == EINTR) {
        }
        if (done != pid_)
            return false;
        pid_ = -1;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        return true;
    }

    pid_t pid_ = -1;
    int port_ = 0;
    int status_ = -1;
};

} // namespace testsupport
