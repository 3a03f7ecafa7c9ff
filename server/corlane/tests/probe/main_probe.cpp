// corlane_main_probe MODE: a console program on the application frame whose
// application does what MODE says, so a test can watch Main's phases, its
// exit status and its standard error. Each phase that runs prints its name
// on standard output, and so does the application's destructor.
//
// MODE: ok (run returns 7), init-returns-0, init-returns-3, init-throws,
// run-throws, uninit-throws.
#include <iostream>
#include <memory>
#include <string>

#include "corlane/Application.h"

namespace {

class ProbeApplication : public CRL::Application {
public:
    ~ProbeApplication() override { std::cout << "deleted" << std::endl; }

    int run() override
    {
        std::cout << "run" << std::endl;
        if (mode_ == "run-throws")
            throw 42;
        return 7;
    }

protected:
    int init(int argc, char** argv, char**) override
    {
        std::cout << "init" << std::endl;
        mode_ = argc > 1 ? argv[1] : "";
        if (mode_ == "init-throws")
            throw std::string("init failed");
        if (mode_ == "init-returns-0")
            return 0;
        if (mode_ == "init-returns-3")
            return 3;
        return 1;
    }

    void uninit() override
    {
        std::cout << "uninit" << std::endl;
        if (mode_ == "uninit-throws")
            throw "uninit failed";
    }

private:
    std::string mode_;
};

class ProbeCreator : public CRL::ApplicationCreator {
public:
    std::unique_ptr<CRL::Application> create() override { return std::make_unique<ProbeApplication>(); }
};

} // namespace

int main(int argc, char** argv, char** envp)
{
    static ProbeCreator creator;
    CRL::Application::creator(&creator);
    return CRL::Application::Main(argc, argv, envp);
}
