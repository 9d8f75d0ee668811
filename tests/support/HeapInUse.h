#pragma once

// The bytes of heap the whole process has in use now, as the allocator
// counts them: what a test measures a bound on memory with (what a reader
// keeps, what a read makes), independently of the code it measures.

#include <cstddef>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KXSOA_TEST_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KXSOA_TEST_ASAN 1
#endif

#if defined(KXSOA_TEST_ASAN)
// The sanitizers' allocator interface (g++ ships no header for it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace kxsoa_test {

inline std::size_t heapInUse() {
#if defined(KXSOA_TEST_ASAN)
    return __sanitizer_get_current_allocated_bytes();
#else
    struct mallinfo2 const info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

}  // namespace kxsoa_test
