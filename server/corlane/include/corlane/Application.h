#pragma once

#include <memory>

#include "spindle/Runnable.h"

namespace CRL {

class Application;

// Makes the program's one Application; registered with Application::creator.
class ApplicationCreator {
public:
    ApplicationCreator() = default;
    ApplicationCreator(const ApplicationCreator&) = default;
    ApplicationCreator& operator=(const ApplicationCreator&) = default;
    virtual ~ApplicationCreator() = default;

    // A new application, owned by the frame from then on; null when none
    // can be made.
    virtual std::unique_ptr<Application> create() = 0;
};

// The frame of a console program: one application, made by the registered
// creator, taken through init, run and uninit by Main.
//
//   int main(int argc, char** argv, char** envp)
//   {
//       CRL::Application::creator(&myCreator);
//       return CRL::Application::Main(argc, argv, envp);
//   }
class Application : public Spindle::Runnable {
public:
    Application() = default;
    ~Application() override = default;

    // The program's work; its result is Main's.
    int run() override = 0;

    // Registers the creator (not owned; the last registration wins).
    static void creator(ApplicationCreator* creator);
    // The one application, made by the creator on first use; two threads
    // asking at once get the same one. Throws the const char* text
    // "No ApplicationCreator" when no creator is registered or it makes
    // none. The creator's create() must not call instance().
    static Application* instance();

    // The program's body: instance(), then init; a result of init other than
    // 1 is returned at once. Then run and uninit; the application is
    // destroyed and forgotten, and run's result returned. An exception that
    // leaves a phase prints "Unhandled exception from Application::<phase>().
    // Exiting." on standard error and returns 2 at once, leaving the
    // application as it is. The exception of instance() reaches the caller.
    static int Main(int argc, char** argv, char** envp);

protected:
    // 1 to go on (the base); anything else ends Main with that result.
    virtual int init(int argc, char** argv, char** envp);
    virtual void uninit();
};

} // namespace CRL
