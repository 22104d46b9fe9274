// The allocation behind every `new (std::nothrow)` of the library, of one
// object or of an array: straight from the C runtime, null when it has
// nothing. The C++ runtime's own version calls the throwing `new` and catches
// its bad_alloc; raising that exception needs memory and a lock made on first
// use, so with memory exhausted it threw again while throwing until the
// thread's stack overflowed, and the player died with it. The array form
// goes the same way.
#include <cstdlib>
#include <new>

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return std::malloc(size == 0 ? 1 : size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return std::malloc(size == 0 ? 1 : size);
}
