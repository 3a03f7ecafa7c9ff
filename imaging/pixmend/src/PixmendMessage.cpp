#include "pixmend/PixmendMessage.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex& handlerLock()
{
    static std::mutex lock;
    return lock;
}

PixmendMessageHandler& currentHandler()
{
    static PixmendMessageHandler handler;
    return handler;
}

} // namespace

PixmendMessageHandler PixmendSetMessageHandler(PixmendMessageHandler handler)
{
    std::lock_guard<std::mutex> guard(handlerLock());
    PixmendMessageHandler previous = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return previous;
}

void PixmendShowMessage(const std::string& text)
{
    PixmendMessageHandler handler;
    {
        std::lock_guard<std::mutex> guard(handlerLock());
        handler = currentHandler();
    }
    // Called outside the lock: a handler may run a modal window for a while.
    if (handler)
        handler(text);
    else
        std::fprintf(stderr, "%s\n", text.c_str());
}
