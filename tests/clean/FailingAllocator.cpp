// Replaces the nothrow forms of operator new for the whole test program. Memory
// still comes from the ordinary operator new, so the ordinary delete (and the
// sanitizers' pairing checks) see nothing unusual.
#include "FailingAllocator.h"

#include <atomic>
#include <new>

namespace {

std::atomic<uint32_t> countdown{0};

bool failNow()
{
    uint32_t left = countdown.load();
    while (left != 0 && !countdown.compare_exchange_weak(left, left - 1)) {
    }
    return left == 1;
}

} // namespace

void failNothrowAllocation(uint32_t occurrence)
{
    countdown.store(occurrence);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    if (failNow())
        return nullptr;
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    if (failNow())
        return nullptr;
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}
