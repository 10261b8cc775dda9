// Large blocks kept for the next input. The decoder libraries take buffers
// of half a megabyte and more for each call, as they must, and under the
// address sanitizer each such block is fresh memory from the kernel, mapped,
// faulted in page by page and unmapped again: most of an input's time went
// there. Here a freed large block is kept, poisoned (a use after free is
// still reported), and handed out again to the next request of its size.
// Only the libFuzzer builds link this.
#include <sanitizer/asan_interface.h>

#include <cstdlib>
#include <mutex>
#include <new>

namespace {

constexpr std::size_t kLarge = 64 * 1024;
constexpr int kSlots = 16;

struct Slot {
    void* block = nullptr;
    std::size_t size = 0;
    bool inUse = false;
};
Slot slots[kSlots];
std::mutex slotsLock;

void* Allocate(std::size_t size) {
    if (size >= kLarge) {
        const std::lock_guard lock(slotsLock);
        for (Slot& slot : slots) {
            if (slot.block && !slot.inUse && slot.size == size) {
                slot.inUse = true;
                ASAN_UNPOISON_MEMORY_REGION(slot.block, size);
                return slot.block;
            }
        }
    }
    void* block = std::malloc(size ? size : 1);
    if (!block || size < kLarge) return block;
    const std::lock_guard lock(slotsLock);
    for (Slot& slot : slots) {
        if (!slot.block) {
            slot = {block, size, true};
            break;
        }
    }
    return block;
}

void Release(void* block) {
    if (!block) return;
    {
        const std::lock_guard lock(slotsLock);
        for (Slot& slot : slots) {
            if (slot.block == block) {
                slot.inUse = false;
                ASAN_POISON_MEMORY_REGION(block, slot.size);
                return;
            }
        }
    }
    std::free(block);
}

}  // namespace

void* operator new(std::size_t size) {
    if (void* block = Allocate(size)) return block;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Release(block); }
