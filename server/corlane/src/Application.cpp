// The application frame: the registered creator, the single application and
// the phases of Main.
#include "corlane/Application.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace CRL {

namespace {

constexpr const char* kNoCreator = "No ApplicationCreator";
constexpr int kUnhandledException = 2;

struct Registry {
    std::mutex mutex;
    ApplicationCreator* creator = nullptr; // under mutex
    Application* application = nullptr;   // under mutex; owned, see Main
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

// Runs one phase of Main; an exception leaving it is reported on standard
// error as one line.
template <typename Phase>
bool runPhase(const char* phaseName, Phase phase)
{
    try {
        phase();
        return true;
    } catch (...) {
        std::fprintf(stderr, "Unhandled exception from Application::%s(). Exiting.\n", phaseName);
        return false;
    }
}

} // namespace

void Application::creator(ApplicationCreator* creator)
{
    Registry& reg = registry();
    std::lock_guard<std::mutex> hold(reg.mutex);
    reg.creator = creator;
}

Application* Application::instance()
{
    Registry& reg = registry();
    std::lock_guard<std::mutex> hold(reg.mutex);
    if (!reg.application) {
        if (!reg.creator)
            throw kNoCreator;
        std::unique_ptr<Application> made = reg.creator->create();
        if (!made)
            throw kNoCreator;
        reg.application = made.release();
    }
    return reg.application;
}

int Application::init(int, char**, char**) { return 1; }

void Application::uninit() {}

int Application::Main(int argc, char** argv, char** envp)
{
    Application* app = instance();
    int initResult = 0;
    if (!runPhase("init", [&] { initResult = app->init(argc, argv, envp); }))
        return kUnhandledException;
    if (initResult != 1)
        return initResult;
    int result = 0;
    if (!runPhase("run", [&] { result = app->run(); }))
        return kUnhandledException;
    if (!runPhase("uninit", [&] { app->uninit(); }))
        return kUnhandledException;

    // The phases are over: the application is destroyed and forgotten, so a
    // later instance() makes a new one. After a failed phase it is left as
    // it stands, still the instance.
    std::unique_ptr<Application> finished;
    {
        Registry& reg = registry();
        std::lock_guard<std::mutex> hold(reg.mutex);
        finished.reset(std::exchange(reg.application, nullptr));
    }
    return result;
}

} // namespace CRL
