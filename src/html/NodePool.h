#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <new>
#include <utility>

namespace quillet {

#if defined(__SANITIZE_ADDRESS__)
#define QUILLET_NODE_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLET_NODE_POOL 0
#endif
#endif
#ifndef QUILLET_NODE_POOL
#define QUILLET_NODE_POOL 1
#endif

// Blocks of one size handed out from large chunks and kept on a free list for
// reuse: a page holds a million nodes or more, and a heap allocation each cost
// more than reading them. Each thread keeps its own list, so a node may be
// freed on any thread; the blocks a thread leaves at its end go to the next
// thread that runs short. Sanitizer builds use the heap, so that a node used
// after its removal is still found.
template <std::size_t Size, std::size_t Align>
class FixedPool {
public:
    static void* Allocate()
    {
        State& s = state;
        if (!s.free && s.next == s.end)
            s.Refill();
        if (s.free) {
            Free* block = s.free;
            s.free = block->next;
            return block;
        }
        void* block = s.next;
        s.next += kStride;
        return block;
    }
    static void Release(void* block)
    {
        State& s = state;
        s.free = new (block) Free{s.free};
    }

private:
    struct Free {
        Free* next;
    };
    static constexpr std::size_t kAlign = Align < alignof(Free) ? alignof(Free) : Align;
    static constexpr std::size_t kSize = Size < sizeof(Free) ? sizeof(Free) : Size;
    static constexpr std::size_t kStride = (kSize + kAlign - 1) / kAlign * kAlign;
    static constexpr std::size_t kChunk = 4096;

    struct Orphans {
        std::mutex lock;
        Free* free = nullptr;
    };
    static constinit inline Orphans orphans{};

    struct State {
        Free* free = nullptr;
        char* next = nullptr;
        char* end = nullptr;

        void Refill()
        {
            {
                std::lock_guard guard(orphans.lock);
                free = std::exchange(orphans.free, nullptr);
            }
            if (free)
                return;
            next = static_cast<char*>(::operator new(kChunk* kStride, std::align_val_t(kAlign)));
            end = next + kChunk * kStride;
        }
        ~State()
        {
            for (; next != end; next += kStride)
                free = new (next) Free{free};
            if (!free)
                return;
            Free* last = free;
            while (last->next)
                last = last->next;
            std::lock_guard guard(orphans.lock);
            last->next = orphans.free;
            orphans.free = free;
        }
    };
    static thread_local inline State state;
};

// The allocator of a page's node list. Every instance is equal, so nodes splice
// freely between pages.
template <class T>
struct NodePool {
    using value_type = T;

    NodePool() = default;
    template <class U>
    NodePool(const NodePool<U>&) noexcept
    {
    }

    T* allocate(std::size_t n)
    {
        if (QUILLET_NODE_POOL && n == 1)
            return static_cast<T*>(FixedPool<sizeof(T), alignof(T)>::Allocate());
        return std::allocator<T>().allocate(n);
    }
    void deallocate(T* p, std::size_t n) noexcept
    {
        if (QUILLET_NODE_POOL && n == 1)
            FixedPool<sizeof(T), alignof(T)>::Release(p);
        else
            std::allocator<T>().deallocate(p, n);
    }

    template <class U>
    bool operator==(const NodePool<U>&) const noexcept
    {
        return true;
    }
};

} // namespace quillet
