# The sanitizer build runs the whole suite with AddressSanitizer and UndefinedBehaviorSanitizer;
# any report aborts the test that caused it.
if(KALVANE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# A fuzz build instruments every target for coverage, so that the fuzzers are guided by the
# library code they exercise and not only by their own small harness.
if(KALVANE_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
