# Builds fuzz/ with clang as an external project and registers a short run of every fuzz
# target in CTest under the label "fuzz" (ctest -L fuzz). Longer runs: see the README.
find_program(LUMIVEX_CLANGXX NAMES clang++ clang++-14)
if(NOT LUMIVEX_CLANGXX)
    message(STATUS "clang++ not found: fuzz targets are not built")
    return()
endif()

include(ExternalProject)
set(fuzz_bin ${CMAKE_BINARY_DIR}/fuzz)
ExternalProject_Add(lumivex_fuzz
    SOURCE_DIR ${CMAKE_SOURCE_DIR}/fuzz
    BINARY_DIR ${fuzz_bin}
    CMAKE_ARGS -DCMAKE_CXX_COMPILER=${LUMIVEX_CLANGXX} -DCMAKE_BUILD_TYPE=RelWithDebInfo -G Ninja
        -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    USES_TERMINAL_BUILD ON)

include(${CMAKE_SOURCE_DIR}/fuzz/Targets.cmake)
set(LUMIVEX_FUZZ_SECONDS 15 CACHE STRING "Length of each fuzz run in CTest")
foreach(name IN LISTS LUMIVEX_FUZZ_TARGETS)
    set(work ${CMAKE_BINARY_DIR}/fuzz-work/${name})
    set(artifacts ${CMAKE_BINARY_DIR}/fuzz-artifacts/${name}/)
    file(MAKE_DIRECTORY ${work} ${artifacts})
    # The committed seeds stay read-only; new inputs go to a scratch corpus in the build tree.
    add_test(NAME ${name}.short
        COMMAND ${fuzz_bin}/${name} -max_total_time=${LUMIVEX_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048
                -print_final_stats=1 -artifact_prefix=${artifacts} ${work} ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name}
        WORKING_DIRECTORY ${work})
    # Alone, so that a busy fuzzer does not starve the tests that run on the real clock.
    set_tests_properties(${name}.short PROPERTIES LABELS fuzz TIMEOUT 120 RUN_SERIAL TRUE)
endforeach()
