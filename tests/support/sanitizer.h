// Whether this test program runs under AddressSanitizer, which makes it tens of times slower:
// tests over very long inputs take a shorter length there.
#pragma once

namespace kv::test {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif
#else
inline constexpr bool kSanitized = false;
#endif

}  // namespace kv::test
