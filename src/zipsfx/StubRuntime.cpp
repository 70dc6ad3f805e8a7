// What the stub takes from the C++ runtime, which it does not link: allocation through malloc and
// the prime sizes of hash tables. Everything else it uses of the library is instantiated from the
// headers. Leaving the runtime out keeps the stub small enough for the directory reader to find
// the archive behind it.
#include <cstdlib>
#include <new>

void* operator new(std::size_t size) {
    void* block = std::malloc(size);
    if (!block)
        std::abort();
    return block;
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}

namespace std {
inline namespace __1 {

// The smallest prime not below n.
size_t __next_prime(size_t n) {
    if (n <= 2)
        return 2;
    for (n |= 1;; n += 2) {
        bool prime = true;
        for (size_t divisor = 3; prime && divisor <= n / divisor; divisor += 2)
            prime = n % divisor != 0;
        if (prime)
            return n;
    }
}

} // namespace __1
} // namespace std
