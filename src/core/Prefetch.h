// QUILLON_PREFETCH: a hint to start fetching memory that will be read soon.
#pragma once

// Where the compiler has no such hint (MSVC) the address is not even worked
// out: sizeof keeps the expression checked and its names used, and nothing runs.
#if defined(__GNUC__) || defined(__clang__)
#define QUILLON_PREFETCH(address) __builtin_prefetch(address)
#else
#define QUILLON_PREFETCH(address) ((void)sizeof(address))
#endif
