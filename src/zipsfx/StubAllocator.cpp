// The stub's memory allocator, in place of the C library's, which is larger than the rest of the
// library the stub links. Blocks come in power-of-two sizes from 16 bytes to 64 KiB, cut from
// regions of 1 MiB and reused through one free list per size; larger blocks are mapped one by
// one. The stub runs one thread, so nothing is locked.
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>

namespace {

constexpr std::size_t kHeader = 16; // before each block, keeping blocks 16-byte aligned
constexpr std::size_t kSmallest = 16;
constexpr std::size_t kSizes = 13; // 16 bytes << 12 is 64 KiB
constexpr std::size_t kLargest = kSmallest << (kSizes - 1);
constexpr std::size_t kRegion = 1 << 20;

struct FreeBlock {
    FreeBlock* next;
};

FreeBlock* freeLists[kSizes];
char* regionNext = nullptr;
std::size_t regionLeft = 0;

void* Map(std::size_t size) {
    void* memory =
        ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return memory == MAP_FAILED ? nullptr : memory;
}

// The header holds the size class of a small block, or the mapped length of a large one (which
// is always above kSizes).
std::size_t& HeaderOf(void* block) {
    return *reinterpret_cast<std::size_t*>(static_cast<char*>(block) - kHeader);
}

std::size_t CapacityOf(void* block) {
    const std::size_t header = HeaderOf(block);
    return header < kSizes ? kSmallest << header : header - kHeader;
}

} // namespace

extern "C" {

void* malloc(std::size_t size) {
    if (size > kLargest) {
        char* memory =
            size < SIZE_MAX - kHeader ? static_cast<char*>(Map(size + kHeader)) : nullptr;
        if (!memory) {
            errno = ENOMEM;
            return nullptr;
        }
        HeaderOf(memory + kHeader) = size + kHeader;
        return memory + kHeader;
    }
    std::size_t sizeClass = 0;
    while ((kSmallest << sizeClass) < size)
        ++sizeClass;
    if (FreeBlock* block = freeLists[sizeClass]) {
        freeLists[sizeClass] = block->next;
        return block;
    }
    const std::size_t need = kHeader + (kSmallest << sizeClass);
    if (regionLeft < need) {
        // What is left of the old region, less than one block, stays unused.
        regionNext = static_cast<char*>(Map(kRegion));
        regionLeft = regionNext ? kRegion : 0;
        if (!regionNext) {
            errno = ENOMEM;
            return nullptr;
        }
    }
    char* block = regionNext + kHeader;
    regionNext += need;
    regionLeft -= need;
    HeaderOf(block) = sizeClass;
    return block;
}

void free(void* block) {
    if (!block)
        return;
    const std::size_t header = HeaderOf(block);
    if (header >= kSizes) {
        ::munmap(static_cast<char*>(block) - kHeader, header);
        return;
    }
    auto* freed = static_cast<FreeBlock*>(block);
    freed->next = freeLists[header];
    freeLists[header] = freed;
}

void* calloc(std::size_t count, std::size_t size) {
    if (size != 0 && count > SIZE_MAX / size) {
        errno = ENOMEM;
        return nullptr;
    }
    void* block = malloc(count * size);
    if (block)
        std::memset(block, 0, count * size);
    return block;
}

void* realloc(void* block, std::size_t size) {
    if (!block)
        return malloc(size);
    const std::size_t capacity = CapacityOf(block);
    if (size <= capacity)
        return block;
    void* moved = malloc(size);
    if (moved) {
        std::memcpy(moved, block, capacity);
        free(block);
    }
    return moved;
}

} // extern "C"
