# The sanitizer build runs the whole suite with AddressSanitizer and UndefinedBehaviorSanitizer;
# any report aborts the test that caused it.
if(KALVANE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
