# The core library's folders. Shared by the main build and the clang fuzz build, so that
# each folder lists its sources once (target_sources on the target named here).
set(LUMIVEX_ROOT ${CMAKE_CURRENT_LIST_DIR}/..)
set(LUMIVEX_CORE_DIRS base foundation device colour sim app terminal configuration multisensor stability main cli)

function(lumivex_add_core_sources target binroot)
    set(LUMIVEX_CORE_TARGET ${target})
    foreach(dir IN LISTS LUMIVEX_CORE_DIRS)
        if(EXISTS ${LUMIVEX_ROOT}/src/${dir}/CMakeLists.txt)
            add_subdirectory(${LUMIVEX_ROOT}/src/${dir} ${binroot}/${dir})
        endif()
    endforeach()
    target_include_directories(${target} PUBLIC ${LUMIVEX_ROOT}/src)
endfunction()
