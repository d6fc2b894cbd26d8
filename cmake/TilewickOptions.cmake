# One interface target carries the language standard, warnings and sanitizer flags.
# Every target of the project links it; nothing is set globally.
add_library(tilewick_options INTERFACE)
add_library(Tilewick::options ALIAS tilewick_options)

target_compile_features(tilewick_options INTERFACE cxx_std_20)
target_compile_options(tilewick_options INTERFACE
  -Wall -Wextra -Wpedantic
  $<$<BOOL:${TILEWICK_WERROR}>:-Werror>)

if(TILEWICK_SANITIZE)
  target_compile_options(tilewick_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(tilewick_options INTERFACE -fsanitize=address,undefined)
endif()
