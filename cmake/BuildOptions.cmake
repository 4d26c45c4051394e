# Compile options shared by every target of ours, carried by interface targets
# so that third-party code and generated code keep their own flags.

add_library(tumbleview_build_options INTERFACE)
add_library(tumbleview::build_options ALIAS tumbleview_build_options)
target_compile_options(tumbleview_build_options INTERFACE
  -Wall -Wextra -Wpedantic -Wnon-virtual-dtor
  $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>)

if(TUMBLEVIEW_SANITIZE)
  set(_tv_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(tumbleview_build_options INTERFACE ${_tv_san})
  target_link_options(tumbleview_build_options INTERFACE ${_tv_san})
endif()

# libFuzzer instrumentation for the code under fuzz; the fuzz executables add
# -fsanitize=fuzzer themselves (it brings its own main).
if(TUMBLEVIEW_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TUMBLEVIEW_FUZZ needs clang (configure with CXX=clang++)")
  endif()
  target_compile_options(tumbleview_build_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

# Every library and program of ours links this.
function(tumbleview_target target)
  target_link_libraries(${target} PRIVATE tumbleview::build_options)
endfunction()

# A fuzz target: one source with LLVMFuzzerTestOneInput, linked to the code
# it drives.  Registered as a bounded CTest run (label "fuzz") that first
# replays the committed corpus and then explores for a few seconds.
function(tumbleview_fuzz_target name source corpus_dir)
  if(NOT TUMBLEVIEW_FUZZ)
    return()
  endif()
  add_executable(${name} ${source})
  tumbleview_target(${name})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARGN})
  if(NOT DEFINED TUMBLEVIEW_FUZZ_SECONDS)
    set(TUMBLEVIEW_FUZZ_SECONDS 20)
  endif()
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
      $<TARGET_FILE:${name}> -max_total_time=${TUMBLEVIEW_FUZZ_SECONDS}
      -rss_limit_mb=2048 -timeout=5 -print_final_stats=1 -max_len=65536
      ${corpus_dir})
  set_tests_properties(${name} PROPERTIES LABELS fuzz)
endfunction()
