# One entry per fuzz target: fuzz/<name>.cpp, seeded from fuzz/corpus/<name>/.
set(LUMIVEX_FUZZ_TARGETS)
foreach(name fuzz_ini fuzz_reply fuzz_dib fuzz_konf fuzz_reference fuzz_stability)
    if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/${name}.cpp)
        list(APPEND LUMIVEX_FUZZ_TARGETS ${name})
    endif()
endforeach()
