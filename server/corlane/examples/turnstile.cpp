// turnstile INVOKEID...: runs the turnstile machine over event texts read
// from standard input, one a line ("event=coin|invokeid=7|"). Each invoke id
// on the command line is a known conversation with a context of its own,
// starting Locked; an event of any other id has no context. For every event
// it prints what happened, the states left and entered, and the state the
// conversation is in. The engine's log lines go to standard error.
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "TurnstileMachine.h"
#include "corlane/Application.h"

namespace turnstile {

namespace {

constexpr int kUsage = 64;

// A positive decimal invoke id, or 0.
long parseInvokeId(const char* text)
{
    char* end = nullptr;
    errno = 0;
    const long id = std::strtol(text, &end, 10);
    return (errno == 0 && end != text && *end == '\0' && id > 0) ? id : 0;
}

class TurnstileApplication : public CRL::Application {
public:
    int run() override
    {
        for (std::string line; std::getline(std::cin, line);) {
            if (line.empty())
                continue;
            TurnstileEvent event;
            event.splitEvent(line.c_str());
            std::cout << event.getString("event") << " for conversation " << event.getInvokeId() << '\n';
            builder_.process(&event);
            std::cout << "conversation " << event.getInvokeId() << ": " << stateOf(event) << '\n';
        }
        std::cout.flush();
        return std::cout ? 0 : 1;
    }

protected:
    int init(int argc, char** argv, char**) override
    {
        CRL::State* start = builder_.feature().findState("locked");
        for (int i = 1; i < argc; ++i) {
            const long id = parseInvokeId(argv[i]);
            if (id == 0) {
                std::cerr << "usage: turnstile INVOKEID... (positive numbers; '" << argv[i] << "' is none)\n";
                return kUsage;
            }
            conversations_.push_back(std::make_unique<Conversation>(id));
            conversations_.back()->setCurState(start);
            container_.addCtxInfo(conversations_.back().get());
        }
        builder_.setCtxContainer(&container_);
        return 1;
    }

private:
    static const char* stateOf(const TurnstileEvent& event)
    {
        const CRL::CtxInfo* context = event.getCtxInfo();
        if (!context)
            return "no context";
        CRL::State* state = context->getCurState();
        return state ? state->name() : "no state";
    }

    TurnstileBuilder builder_{std::cout};
    std::vector<std::unique_ptr<Conversation>> conversations_;
    CRL::CtxContainer container_;
};

class TurnstileCreator : public CRL::ApplicationCreator {
public:
    std::unique_ptr<CRL::Application> create() override { return std::make_unique<TurnstileApplication>(); }
};

} // namespace

} // namespace turnstile

int main(int argc, char** argv, char** envp)
{
    static turnstile::TurnstileCreator creator;
    CRL::Application::creator(&creator);
    return CRL::Application::Main(argc, argv, envp);
}
