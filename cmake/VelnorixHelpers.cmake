# Settings every target of ours shares: the language level, warnings, sanitizers, fuzzing.
add_library(velnorix_settings INTERFACE)
target_compile_features(velnorix_settings INTERFACE cxx_std_20)
target_compile_options(velnorix_settings INTERFACE
  -Wall -Wextra -Wpedantic -Wold-style-cast -Wnon-virtual-dtor)
if(VELNORIX_WERROR)
  target_compile_options(velnorix_settings INTERFACE -Werror)
endif()
# GCC 12 reports false overlaps inside std::string concatenation at -O2 and above
# (GCC bug 105329); the warning finds nothing real in our code, so it stays off there.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(velnorix_settings INTERFACE -Wno-restrict)
endif()
target_compile_definitions(velnorix_settings INTERFACE
  QT_NO_CONTEXTLESS_CONNECT QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII
  VELNORIX_VERSION="${PROJECT_VERSION}"
  VELNORIX_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  VELNORIX_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  VELNORIX_VERSION_PATCH=${PROJECT_VERSION_PATCH}
  VELNORIX_VERSION_TWEAK=${PROJECT_VERSION_TWEAK})
# Hardening as Debian's dpkg-buildflags gives it for hardening=+all, so the packaged programs
# carry it: stack protector, format-string errors, relocations read-only and bound at start.
# PIE needs no flag: Debian's gcc and clang make it by default (dpkg-buildflags adds none
# either), and lintian's hardening checks in CI would catch a program without it. Every build
# gets these, Debug and sanitizer ones too so tests run what ships, but _FORTIFY_SOURCE only
# optimised ones without a sanitizer: it needs -O (glibc warns otherwise) and the sanitizers
# intercept the same calls it checks.
target_compile_options(velnorix_settings INTERFACE
  -fstack-protector-strong -Wformat -Werror=format-security)
target_link_options(velnorix_settings INTERFACE LINKER:-z,relro,-z,now)
if(NOT VELNORIX_SANITIZE AND NOT VELNORIX_SANITIZE_THREAD AND NOT VELNORIX_BUILD_FUZZ)
  target_compile_definitions(velnorix_settings INTERFACE
    $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
endif()
if(VELNORIX_SANITIZE)
  target_compile_options(velnorix_settings INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(velnorix_settings INTERFACE -fsanitize=address,undefined)
endif()
if(VELNORIX_SANITIZE_THREAD)
  target_compile_options(velnorix_settings INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(velnorix_settings INTERFACE -fsanitize=thread)
endif()
# A fuzz build instruments every target for coverage and runs it under AddressSanitizer and
# UndefinedBehaviorSanitizer, so a finding inside the core is caught where it happens.
if(VELNORIX_BUILD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VELNORIX_BUILD_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  target_compile_options(velnorix_settings INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(velnorix_settings INTERFACE -fsanitize=address,undefined)
endif()

# velnorix_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [GUI])
# One GoogleTest executable whose cases CTest discovers one by one. GUI tests get the
# offscreen Qt platform so they need no display. Parameterised cases are listed by the names
# their suites give them, not by a dump of their parameter's bytes.
function(velnorix_add_test)
  cmake_parse_arguments(ARG "GUI" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_link_libraries(${ARG_NAME} PRIVATE velnorix_settings ${ARG_LIBS} GTest::gtest GTest::gmock)
  if(ARG_GUI)
    set(test_env "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
  else()
    target_link_libraries(${ARG_NAME} PRIVATE GTest::gtest_main)
    set(test_env "LC_ALL=C.UTF-8")
  endif()
  gtest_discover_tests(${ARG_NAME} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
    PROPERTIES ENVIRONMENT "${test_env}" TIMEOUT 120)
endfunction()
