// Large blocks kept for the next input. The decoders take buffers of a
// hundred kilobytes to a megabyte for each call (FFmpeg's demuxer and
// resampler contexts through posix_memalign, our own blocks through new),
// and under the address sanitizer each such block is fresh memory from the
// kernel, mapped, faulted in page by page and unmapped again: most of an
// input's time went there. Here a freed large block is kept, poisoned (a use
// after free is still reported), and handed out again to a request of its
// size and alignment; a request smaller than a kept block by at most half
// gets it with the rest left poisoned (an overflow is still reported).
//
// The sanitizer's malloc family is weak; these strong definitions take every
// call and hand what is not kept to the sanitizer's own. This file is built
// without the sanitizer (it runs before the sanitizer has started), so it
// poisons through the sanitizer's functions, not its macros, which would be
// empty here. Only the libFuzzer builds link this.
#include <sanitizer/allocator_interface.h>
#include <sanitizer/asan_interface.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

extern "C" {
void* __interceptor_malloc(std::size_t size);
void* __interceptor_calloc(std::size_t count, std::size_t size);
void __interceptor_free(void* block);
void* __interceptor_realloc(void* block, std::size_t size);
int __interceptor_posix_memalign(void** block, std::size_t alignment, std::size_t size);
}

namespace {

constexpr std::size_t kLarge = 64 * 1024;
constexpr int kSlots = 32;

struct Slot {
    void* block = nullptr;
    std::size_t capacity = 0;
    std::size_t alignment = 0;
    std::size_t size = 0;  // handed out; 0 while kept
    unsigned lastUse = 0;
};
Slot slots[kSlots];
unsigned uses = 0;

// A spin lock: the sanitizer's pthread functions do not work before it has
// started, and the loader frees memory before that.
std::atomic_flag slotsBusy = ATOMIC_FLAG_INIT;
struct SlotsLock {
    SlotsLock() {
        while (slotsBusy.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~SlotsLock() { slotsBusy.clear(std::memory_order_release); }
};

// A kept block for the request, unpoisoned as far as it asks.
void* Reuse(std::size_t size, std::size_t alignment) {
    const SlotsLock lock;
    for (Slot& slot : slots) {
        if (slot.block && slot.size == 0 && slot.alignment == alignment && slot.capacity >= size &&
            slot.capacity - size <= size / 2) {
            slot.size = size;
            slot.lastUse = ++uses;
            __asan_unpoison_memory_region(slot.block, size);
            return slot.block;
        }
    }
    return nullptr;
}

// A fresh large block joins the slots, in place of the longest unused kept
// one when they are all taken.
void Keep(void* block, std::size_t size, std::size_t alignment) {
    void* evicted = nullptr;
    {
        const SlotsLock lock;
        Slot* target = nullptr;
        for (Slot& slot : slots) {
            if (!slot.block) {
                target = &slot;
                break;
            }
            if (slot.size == 0 && (!target || slot.lastUse < target->lastUse)) target = &slot;
        }
        if (!target) return;
        if (target->block) {
            evicted = target->block;
            __asan_unpoison_memory_region(evicted, target->capacity);
        }
        *target = {block, size, alignment, size, ++uses};
    }
    if (evicted) __interceptor_free(evicted);
}

// Keeps `block` if a slot holds it; false for any other block.
bool Release(void* block) {
    const SlotsLock lock;
    for (Slot& slot : slots) {
        if (slot.block != block) continue;
        // The sanitizer would take the block back without a word.
        if (slot.size == 0) {
            std::fputs("LargeBlockCache: a kept block freed twice\n", stderr);
            std::abort();
        }
        slot.size = 0;
        __asan_poison_memory_region(block, slot.capacity);
        return true;
    }
    return false;
}

std::size_t HandedOutSize(void* block) {
    const SlotsLock lock;
    for (const Slot& slot : slots) {
        if (slot.block == block && slot.size != 0) return slot.size;
    }
    return 0;
}

constexpr std::size_t kMallocAlignment = 0;  // whatever malloc gives

// A large request gets a kept block, or a fresh one that is then kept; a
// small one goes to the sanitizer as it is.
void* Allocate(std::size_t size, std::size_t alignment = kMallocAlignment) {
    const auto fresh = [&]() -> void* {
        if (alignment == kMallocAlignment) return __interceptor_malloc(size);
        void* block = nullptr;
        return __interceptor_posix_memalign(&block, alignment, size) == 0 ? block : nullptr;
    };
    if (size < kLarge) return fresh();
    if (void* block = Reuse(size, alignment)) return block;
    void* block = fresh();
    if (block) Keep(block, size, alignment);
    return block;
}

}  // namespace

extern "C" int posix_memalign(void** block, std::size_t alignment, std::size_t size) {
    // The sanitizer's own checks of the alignment and their error codes.
    if (size < kLarge) return __interceptor_posix_memalign(block, alignment, size);
    void* allocated = Allocate(size, alignment);
    if (!allocated) return ENOMEM;
    *block = allocated;
    return 0;
}

extern "C" void free(void* block) {
    if (block && !Release(block)) __interceptor_free(block);
}

extern "C" void* malloc(std::size_t size) { return Allocate(size); }

extern "C" void* calloc(std::size_t count, std::size_t size) {
    if (size != 0 && count > SIZE_MAX / size) {
        errno = ENOMEM;
        return nullptr;
    }
    if (count * size < kLarge) return __interceptor_calloc(count, size);
    void* block = Allocate(count * size);
    if (block) std::memset(block, 0, count * size);
    return block;
}

// A block that is or becomes large moves, so that the new one can be kept.
extern "C" void* realloc(void* block, std::size_t size) {
    const std::size_t kept = block ? HandedOutSize(block) : 0;
    if (kept == 0 && size < kLarge) return __interceptor_realloc(block, size);
    if (block && size == 0) {
        free(block);
        return nullptr;
    }
    void* moved = Allocate(size);
    if (!moved) {
        errno = ENOMEM;
        return nullptr;
    }
    if (block) {
        const std::size_t old = kept ? kept : __sanitizer_get_allocated_size(block);
        std::memcpy(moved, block, old < size ? old : size);
        free(block);
    }
    return moved;
}

void* operator new(std::size_t size) {
    if (void* block = Allocate(size)) return block;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* block) noexcept { free(block); }
void operator delete[](void* block) noexcept { free(block); }
void operator delete(void* block, std::size_t) noexcept { free(block); }
void operator delete[](void* block, std::size_t) noexcept { free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { free(block); }
