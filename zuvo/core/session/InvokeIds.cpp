#include "core/session/InvokeIds.h"

#include <atomic>

namespace {

constexpr long kLastInvokeId = 0x7fffffffL; // 2^31 - 1

std::atomic<long> lastIssued{0};

} // namespace

long InvokeIdAfter(long previous)
{
    return previous >= kLastInvokeId || previous < 0 ? 1 : previous + 1;
}

long NextInvokeId()
{
    long previous = lastIssued.load();
    long next = 0;
    do {
        next = InvokeIdAfter(previous);
    } while (!lastIssued.compare_exchange_weak(previous, next));
    return next;
}
