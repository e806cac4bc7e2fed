#include "base/large_arrays.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace tessaryn {

void adviseLargePages(void* data, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
    if (bytes < 4 * kLargePage) return;
    // Only whole large pages inside the room: the system advises page-aligned ranges,
    // and the room's first and last bytes may share pages with other allocations.
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t end = (begin + bytes) & ~(kLargePage - 1);
    if (end > first) {
        // Advice only: a system that refuses it maps the room in small pages, as before.
        (void)::madvise(static_cast<char*>(data) + (first - begin), end - first, MADV_HUGEPAGE);
    }
#else
    (void)data;
    (void)bytes;
#endif
}

void prefaultRoom(void* data, std::size_t bytes) {
#if defined(__linux__)
    // MADV_POPULATE_WRITE, named by the system's headers from Linux 5.14 on; an older
    // system refuses the request, which changes nothing.
    constexpr int kPopulateWrite = 23;
    constexpr std::uintptr_t kPage = 4096;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kPage - 1) & ~(kPage - 1);
    const std::uintptr_t end = (begin + bytes) & ~(kPage - 1);
    if (end > first)
        (void)::madvise(static_cast<char*>(data) + (first - begin), end - first, kPopulateWrite);
#else
    (void)data;
    (void)bytes;
#endif
}

}  // namespace tessaryn
