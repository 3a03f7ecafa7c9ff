// The crash test of the mailbox moves and the send run. For each scenario a
// child process runs the program's own command on a fresh program
// directory and is killed with SIGKILL at a moment spread over the
// command's length (measured first, uninterrupted); the parent then checks
// account.xml and every file with an oracle of its own, lets a second child
// do what the program's start-up does, and checks again. It prints one row
// per scenario and exits 1 when any record was broken, any fax lost or
// doubled, any leftover stayed or any fax reached the server twice.
//
//     fax_crash [--scenario NAME|all] [--faxes N] [--reports N] [--outbox N]
//               [--kills N] [--seed N] [--keep]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "CrashScenarios.h"
#include "KillPoints.h"
#include "core/stores/AccountConfig.h"
#include "jotter/Jotter.h"

namespace fs = std::filesystem;

namespace {

struct Options {
    std::string scenario = "all";
    int faxes = 600;
    int reports = 60;
    int outbox = 30;
    int kills = 200;
    unsigned seed = 38;
    bool keep = false;
};

struct Row {
    std::string name;
    int kills = 0;
    int ranToEnd = 0;
    int recordsChecked = 0;
    int recordsBroken = 0;
    int faxesLostOrDoubled = 0;
    int orphans = 0;
    int leftovers = 0;
    int submittedTwice = 0;
    int filedUnsent = 0;
    int recoveryFailed = 0;
    double commandMs = 0;
    std::vector<std::string> problems;

    bool Passed() const
    {
        return recordsBroken == 0 && faxesLostOrDoubled == 0 && leftovers == 0 && submittedTwice == 0 &&
               recoveryFailed == 0;
    }
};

constexpr int kChildLimitMs = 120000;

// The child's side: the program directory's store opened, the log beside it.
void openProgram(const std::string& directory)
{
    ::setenv("ZUVO_HOME", directory.c_str(), 1);
    cpLogOpen((directory + "/zuvo.log").c_str());
    if (AccountConfig::Open(directory) != 1)
        ::_exit(4);
}

void freshDirectory(const std::string& directory, const Scenario& scenario)
{
    fs::remove_all(directory);
    fs::create_directories(directory);
    scenario.write(directory);
}

// Milliseconds of the command run to its end (the median of three).
double measureCommand(const std::string& directory, const Scenario& scenario)
{
    std::vector<double> runs;
    for (int k = 0; k < 3; ++k) {
        freshDirectory(directory, scenario);
        const ChildOutcome outcome =
            RunChild([&] { openProgram(directory); }, [&] { scenario.command(directory); }, -1, kChildLimitMs);
        if (outcome.finished)
            runs.push_back(outcome.ranMs);
    }
    if (runs.empty())
        return -1;
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

std::map<std::string, int> serverLog(const std::string& directory)
{
    std::map<std::string, int> titles;
    std::ifstream in(ServerLogPath(directory));
    for (std::string line; std::getline(in, line);)
        ++titles[line];
    return titles;
}

void note(Row& row, const StoreVerdict& verdict, const char* phase, int kill)
{
    row.recordsChecked += verdict.recordsChecked;
    row.recordsBroken += verdict.recordsBroken;
    row.faxesLostOrDoubled += verdict.faxesMissing + verdict.faxesDoubled;
    for (const std::string& problem : verdict.problems)
        if (row.problems.size() < 12)
            row.problems.push_back("kill " + std::to_string(kill) + " " + phase + ": " + problem);
}

Row runScenario(const Scenario& scenario, const Options& options, const std::string& scratch)
{
    Row row;
    row.name = scenario.name;
    const std::string directory = scratch + "/" + scenario.name;
    row.commandMs = measureCommand(directory, scenario);
    if (row.commandMs < 0) {
        row.recoveryFailed = 1;
        row.problems.push_back("the command does not run to its end");
        return row;
    }
    std::mt19937 random(options.seed);
    std::uniform_real_distribution<double> within(0.0, 1.0);
    for (int kill = 0; kill < options.kills; ++kill) {
        freshDirectory(directory, scenario);
        // Spread over the command's length, a little past its end.
        const double share = (kill + within(random)) / options.kills;
        const long killAfterUs = static_cast<long>(share * row.commandMs * 1000.0 * 1.05);
        const ChildOutcome outcome =
            RunChild([&] { openProgram(directory); }, [&] { scenario.command(directory); }, killAfterUs, kChildLimitMs);
        if (outcome.killed)
            ++row.kills;
        else if (outcome.finished)
            ++row.ranToEnd;
        note(row, CheckStore(directory, scenario.afterKill), "after the kill", kill);

        const ChildOutcome recovery = RunChild([&] { openProgram(directory); },
                                               [&] { RecoverAsAtStartUp(directory, scenario.sends); }, -1,
                                               kChildLimitMs);
        if (!recovery.finished) {
            ++row.recoveryFailed;
            row.problems.push_back("kill " + std::to_string(kill) + ": the start-up did not finish");
        }
        note(row, CheckStore(directory, scenario.afterRecovery), "after the start-up", kill);
        const LeftoverCount leftovers = CountLeftovers(directory);
        row.orphans += leftovers.orphans;
        row.leftovers += leftovers.temporaries + leftovers.unnamedFiles;
        if (leftovers.temporaries + leftovers.unnamedFiles > 0 && row.problems.size() < 12)
            row.problems.push_back("kill " + std::to_string(kill) + ": " + std::to_string(leftovers.temporaries) +
                                   " temporaries and " + std::to_string(leftovers.unnamedFiles) +
                                   " unnamed page files stay");
        if (scenario.sends) {
            const std::map<std::string, int> accepted = serverLog(directory);
            for (const auto& [title, count] : accepted) {
                if (count > 1) {
                    ++row.submittedTwice;
                    if (row.problems.size() < 12)
                        row.problems.push_back("kill " + std::to_string(kill) + ": " + title + " submitted " +
                                               std::to_string(count) + " times");
                }
            }
            for (const auto& [title, places] : scenario.afterRecovery.faxes)
                if (!accepted.count(title))
                    ++row.filedUnsent;
        }
        const bool clean = row.Passed();
        if (!clean && options.keep) {
            const std::string kept = scratch + "/kept-" + scenario.name + "-" + std::to_string(kill);
            fs::rename(directory, kept);
            std::printf("kept %s\n", kept.c_str());
        }
    }
    fs::remove_all(directory);
    return row;
}

Options parse(int argc, char** argv)
{
    Options options;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        const auto next = [&]() -> std::string {
            if (k + 1 >= argc) {
                std::fprintf(stderr, "%s needs a value\n", arg.c_str());
                std::exit(2);
            }
            return argv[++k];
        };
        if (arg == "--scenario")
            options.scenario = next();
        else if (arg == "--faxes")
            options.faxes = std::atoi(next().c_str());
        else if (arg == "--reports")
            options.reports = std::atoi(next().c_str());
        else if (arg == "--outbox")
            options.outbox = std::atoi(next().c_str());
        else if (arg == "--kills")
            options.kills = std::atoi(next().c_str());
        else if (arg == "--seed")
            options.seed = static_cast<unsigned>(std::strtoul(next().c_str(), nullptr, 10));
        else if (arg == "--keep")
            options.keep = true;
        else {
            std::fprintf(stderr, "unknown argument %s\n", arg.c_str());
            std::exit(2);
        }
    }
    return options;
}

} // namespace

int main(int argc, char** argv)
{
    const Options options = parse(argc, argv);
    std::vector<Scenario> scenarios;
    const auto wanted = [&](const char* name) { return options.scenario == "all" || options.scenario == name; };
    if (wanted("delete-all"))
        scenarios.push_back(DeleteAllScenario(options.faxes));
    if (wanted("purge"))
        scenarios.push_back(PurgeScenario(options.faxes));
    if (wanted("resend"))
        scenarios.push_back(ResendScenario(options.reports));
    if (wanted("send"))
        scenarios.push_back(SendScenario(options.outbox));
    if (scenarios.empty()) {
        std::fprintf(stderr, "no scenario named %s\n", options.scenario.c_str());
        return 2;
    }
    char scratchName[] = "/tmp/zuvo-crash-XXXXXX";
    if (!::mkdtemp(scratchName)) {
        std::perror("mkdtemp");
        return 2;
    }
    const std::string scratch = scratchName;
    std::printf("seed %u; faxes %d, reports %d, outbox %d; %d kills a scenario\n", options.seed, options.faxes,
                options.reports, options.outbox, options.kills);
    std::printf("| scenario | command ms | kills | ran to end | records checked | records broken | faxes lost or "
                "doubled | orphans | leftovers left | submitted twice | filed unsent |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|\n");
    bool passed = true;
    std::vector<Row> rows;
    for (const Scenario& scenario : scenarios) {
        const Row row = runScenario(scenario, options, scratch);
        std::printf("| %s | %.1f | %d | %d | %d | %d | %d | %d | %d | %s | %s |\n", row.name.c_str(), row.commandMs,
                    row.kills, row.ranToEnd, row.recordsChecked, row.recordsBroken, row.faxesLostOrDoubled,
                    row.orphans, row.leftovers, scenario.sends ? std::to_string(row.submittedTwice).c_str() : "-",
                    scenario.sends ? std::to_string(row.filedUnsent).c_str() : "-");
        std::fflush(stdout);
        passed = passed && row.Passed();
        rows.push_back(row);
    }
    for (const Row& row : rows)
        for (const std::string& problem : row.problems)
            std::printf("%s: %s\n", row.name.c_str(), problem.c_str());
    if (!options.keep)
        fs::remove_all(scratch);
    std::printf("%s\n", passed ? "PASSED" : "FAILED");
    return passed ? 0 : 1;
}
