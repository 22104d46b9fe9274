#include "plugin/skin_handover.h"

#include <windows.h>

#include <atomic>
#include <cstring>

namespace {

// Three buffers: the reader's, the one in between, and the writer's (the one
// that is neither). A post fills the writer's buffer and swaps it in between;
// a take swaps the one in between for the reader's. Both swaps are one
// compare-exchange of the word below, so neither side ever touches bytes the
// other is using: a notice that arrives while a reload copies the previous
// name cannot tear it. The word also carries who owns what, so a new host
// window's thread takes up the writer's part without any state of its own.
char buffers[3][MAX_PATH];

const unsigned kSlotMask = 3;
const unsigned kReaderShift = 2;
const unsigned kFresh = 16;   // the buffer in between holds an untaken post

std::atomic<unsigned> state{1u | (2u << kReaderShift)};

unsigned Between(unsigned s) { return s & kSlotMask; }
unsigned Reader(unsigned s) { return (s >> kReaderShift) & kSlotMask; }
unsigned Pack(unsigned between, unsigned reader, unsigned fresh)
{
    return between | (reader << kReaderShift) | fresh;
}

}  // namespace

void PostNoticedSkin(const char* name, size_t length)
{
    unsigned seen = state.load(std::memory_order_acquire);
    // The slots are 0, 1 and 2; a take only ever swaps the other two, so this
    // one stays the writer's whatever the reader does meanwhile.
    const unsigned own = 3 - Between(seen) - Reader(seen);
    if (length) memcpy(buffers[own], name, length);
    buffers[own][length] = '\0';
    while (!state.compare_exchange_weak(seen, Pack(own, Reader(seen), kFresh),
                                        std::memory_order_acq_rel, std::memory_order_acquire)) {
    }
}

bool TakeNoticedSkin(char* out)
{
    unsigned seen = state.load(std::memory_order_acquire);
    do {
        if (!(seen & kFresh)) return false;
    } while (!state.compare_exchange_weak(seen, Pack(Reader(seen), Between(seen), 0),
                                          std::memory_order_acq_rel, std::memory_order_acquire));
    memcpy(out, buffers[Between(seen)], MAX_PATH);
    return true;
}
