#pragma once

// A CUPS server of the test's own: cupsd with its configuration, spool and
// state in a scratch directory, listening on a socket there, its helper
// programs (filters) the system's and its one backend (a test may install
// more in BackendDirectory()) a three-line script that writes
// every job into a directory as "job-<id>-<queue>" (cupsd's own file: device writes nothing for a
// raw queue here). While the object lives, CUPS_SERVER names its socket and
// HOME a scratch directory, so lpoptions -d and the program's default
// printer land in a scratch lpoptions; LPDEST and PRINTER are unset. Nothing
// of the machine's printing setup changes.
//
// libcups reads HOME once per thread, at its first call there; a thread
// that called it before the server existed would write the user's real
// lpoptions. The server checks that this thread reads the scratch one, and
// is not Ready() otherwise. Every server of a process shares one scratch
// HOME, so a thread that first met libcups under one of them stays in it.
//
// Where cupsd is missing or cannot start, Ready() is false and Why() says
// why: the test skips.

#include <cups/cups.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "testsupport/TestSupport.h"

extern char** environ;

namespace testsupport {

class PrivateCupsServer {
public:
    // Raw queues of these names, accepting jobs, each writing to
    // JobDirectory(); the first, when given, is the server's default.
    explicit PrivateCupsServer(const std::vector<std::string>& queues = {"capture"})
    {
        if (!std::filesystem::exists("/usr/sbin/cupsd")) {
            why_ = "cupsd is not installed (cups-daemon)";
            return;
        }
        std::filesystem::remove_all(Home() + "/.cups");
        if (!start())
            return;
        for (const std::string& queue : queues)
            if (!runOk("lpadmin -p " + quote(queue) + " -E -v capture:" + quote(JobDirectory()))) {
                why_ = "the raw queue " + queue + " could not be made: " + readFile(dir_.file("error_log"));
                return;
            }
        if (!queues.empty() && !runOk("lpadmin -d " + quote(queues.front()))) {
            why_ = "the default queue could not be set";
            return;
        }
        ready_ = readsScratchHome(queues);
    }
    ~PrivateCupsServer()
    {
        server_.reset();
        cupsSetServer(nullptr);
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        std::error_code ignored;
        std::filesystem::remove_all(Home() + "/.cups", ignored);
    }
    PrivateCupsServer(const PrivateCupsServer&) = delete;
    PrivateCupsServer& operator=(const PrivateCupsServer&) = delete;

    bool Ready() const { return ready_; }
    const std::string& Why() const { return why_; }

    // HOME while a server lives; lpoptions -d writes UserOptionsFile().
    static const std::string& Home()
    {
        static const TempDir home;
        return home.path();
    }
    static std::string UserOptionsFile() { return Home() + "/.cups/lpoptions"; }

    std::string JobDirectory() const { return dir_.file("jobs"); }
    // Where the server finds its backends: a test may install one of its own.
    std::string BackendDirectory() const { return dir_.file("bin/backend"); }
    // The server's log, for a test that says why a job failed.
    std::string ErrorLog() const { return readFile(dir_.file("error_log")); }

    // The files of the jobs that reached the backend, in job order, once at
    // least `count` are there and no job is pending (at most a minute).
    std::vector<std::string> Jobs(std::size_t count) const
    {
        waitFor([&] { return jobFiles().size() >= count && idle(); }, std::chrono::seconds(60));
        return jobFiles();
    }

private:
    bool start()
    {
        for (const char* sub : {"spool", "tmp", "cache", "state", "ppd", "jobs", "bin/backend"})
            std::filesystem::create_directories(dir_.file(sub));
        // The server's helpers are the system's, its one backend ours.
        for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/cups"))
            if (entry.path().filename() != "backend")
                std::filesystem::create_directory_symlink(entry.path(),
                                                          dir_ / ("bin/" + entry.path().filename().string()));
        write("bin/backend/capture", "#!/bin/sh\n"
                                     "[ $# -eq 0 ] && { echo 'file capture \"Unknown\" \"Job capture\"'; exit 0; }\n"
                                     "if [ $# -ge 6 ]; then cat \"$6\"; else cat; fi > \"${DEVICE_URI#capture:}/job-$1-$PRINTER\"\n");
        std::filesystem::permissions(dir_.file("bin/backend/capture"), std::filesystem::perms(0755));
        std::filesystem::permissions(dir_.path(), std::filesystem::perms(0755));
        std::filesystem::permissions(dir_.file("jobs"), std::filesystem::perms(0777));
        // Filters that cupsd runs as another user (lp, when it runs as root) make their temporary files here.
        std::filesystem::permissions(dir_.file("tmp"), std::filesystem::perms(01777));
        socket_ = dir_.file("cups.sock");
        write("cupsd.conf", "Listen " + socket_ + "\nLogLevel warn\nWebInterface No\n"
                            "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                            "<Policy default>\n  <Limit All>\n    Order allow,deny\n    Allow all\n  </Limit>\n</Policy>\n");
        write("cups-files.conf", "ServerRoot " + dir_.path() + "\nRequestRoot " + dir_.file("spool") +
                                     "\nTempDir " + dir_.file("tmp") + "\nCacheDir " + dir_.file("cache") +
                                     "\nStateDir " + dir_.file("state") + "\nErrorLog " + dir_.file("error_log") +
                                     "\nAccessLog " + dir_.file("access_log") + "\nPageLog " +
                                     dir_.file("page_log") + "\nServerBin " + dir_.file("bin") +
                                     "\nDataDir /usr/share/cups\n");
        const std::string conf = dir_.file("cupsd.conf");
        const std::string files = dir_.file("cups-files.conf");
        const char* argv[] = {"cupsd", "-f", "-c", conf.c_str(), "-s", files.c_str(), nullptr};
        if (::posix_spawn(&pid_, "/usr/sbin/cupsd", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
            pid_ = -1;
            why_ = "cupsd could not be started";
            return false;
        }
        if (!waitFor([&] { return std::filesystem::exists(socket_); }, std::chrono::seconds(20))) {
            why_ = "cupsd did not open its socket: " + readFile(dir_.file("error_log"));
            return false;
        }
        server_.emplace("CUPS_SERVER", socket_);
        home_.emplace("HOME", Home());
        lpdest_.emplace("LPDEST", std::nullopt);
        printer_.emplace("PRINTER", std::nullopt);
        cupsSetServer(nullptr); // libcups reads CUPS_SERVER again
        return true;
    }

    // Whether libcups on this thread takes the user's default from the
    // scratch lpoptions: a default written there must be the one it reports.
    bool readsScratchHome(const std::vector<std::string>& queues)
    {
        if (queues.empty())
            return true; // nothing can be made the default then
        std::filesystem::create_directories(Home() + "/.cups");
        writeFile(UserOptionsFile(), "Default " + queues.front() + "/zuvo-home-probe\n");
        cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
        const bool scratch = dest != nullptr && dest->instance != nullptr &&
                             std::string(dest->instance) == "zuvo-home-probe";
        cupsFreeDests(dest != nullptr ? 1 : 0, dest);
        std::filesystem::remove(UserOptionsFile());
        if (!scratch)
            why_ = "libcups read HOME on this thread before the private server set it";
        return scratch;
    }

    void write(const std::string& name, const std::string& text) const { writeFile(dir_.file(name), text); }
    static long jobId(const std::string& path)
    {
        const std::string name = std::filesystem::path(path).filename().string(); // job-<id>-<queue>
        return std::strtol(name.c_str() + 4, nullptr, 10);
    }
    bool idle() const { return run("lpstat -o 2>/dev/null").output.empty(); }
    std::vector<std::string> jobFiles() const
    {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(dir_.file("jobs")))
            files.push_back(entry.path().string());
        std::sort(files.begin(), files.end(),
                  [](const std::string& a, const std::string& b) { return jobId(a) < jobId(b); });
        return files;
    }

    TempDir dir_;
    std::string socket_;
    pid_t pid_ = -1;
    std::optional<ScopedEnv> server_;
    std::optional<ScopedEnv> home_;
    std::optional<ScopedEnv> lpdest_;
    std::optional<ScopedEnv> printer_;
    bool ready_ = false;
    std::string why_;
};

} // namespace testsupport
