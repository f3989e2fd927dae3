# Test bed: GoogleTest built with the cross toolchain, every Windows test run
# under Wine through tools/wine-run in a prefix of this build tree.
enable_testing()

set(QV_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(QV_WINE_RUN env QV_WINEPREFIX=${QV_WINEPREFIX} ${CMAKE_SOURCE_DIR}/tools/wine-run)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QV_WINE_RUN})

set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GoogleTest's own sources are not held to this project's warning level.
foreach(t gtest gtest_main gmock gmock_main)
    if(TARGET ${t})
        target_compile_options(${t} PRIVATE -Wno-error)
    endif()
endforeach()

# One wineserver for the whole run: every Wine test requires this fixture.
add_test(NAME wine.start COMMAND ${QV_WINE_RUN} --start)
set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
add_test(NAME wine.stop COMMAND ${QV_WINE_RUN} --stop)
set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine)

# qv_add_gtest(TARGET name SOURCES ... LIBS ... [LOCK resource])
# Builds a GoogleTest executable and registers one CTest entry per test suite.
# The suites are read from the sources, so listing them needs no Wine run.
# Suites that change machine-wide state (HKLM keys, global objects, services)
# end their name in "Machine" and never run beside each other; LOCK puts every
# suite of the executable under that lock instead.
function(qv_add_gtest)
    cmake_parse_arguments(A "" "TARGET;LOCK;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${A_TARGET} ${A_SOURCES})
    target_link_libraries(${A_TARGET} PRIVATE ${A_LIBS} gtest gtest_main)
    if(NOT A_TIMEOUT)
        set(A_TIMEOUT 120)
    endif()
    set(suites)
    foreach(src ${A_SOURCES})
        file(READ ${src} text)
        string(REGEX MATCHALL "(TEST|TEST_F)\\([ \t\r\n]*[A-Za-z_0-9]+" hits "${text}")
        foreach(h ${hits})
            string(REGEX REPLACE ".*\\([ \t\r\n]*" "" s "${h}")
            list(APPEND suites "${s}.*")
        endforeach()
        string(REGEX MATCHALL "INSTANTIATE_TEST_SUITE_P\\([ \t\r\n]*[A-Za-z_0-9]+[ \t\r\n]*,[ \t\r\n]*[A-Za-z_0-9]+" hits "${text}")
        foreach(h ${hits})
            string(REGEX REPLACE ".*\\([ \t\r\n]*([A-Za-z_0-9]+)[ \t\r\n]*,[ \t\r\n]*([A-Za-z_0-9]+)" "\\1/\\2.*" s "${h}")
            list(APPEND suites "${s}")
        endforeach()
    endforeach()
    list(REMOVE_DUPLICATES suites)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${A_SOURCES})
    foreach(s ${suites})
        string(REPLACE ".*" "" name "${s}")
        add_test(NAME ${A_TARGET}.${name} COMMAND ${A_TARGET} --gtest_filter=${s}
                 WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
        set_tests_properties(${A_TARGET}.${name} PROPERTIES FIXTURES_REQUIRED wine
                             TIMEOUT ${A_TIMEOUT})
        if(A_LOCK)
            set_tests_properties(${A_TARGET}.${name} PROPERTIES RESOURCE_LOCK ${A_LOCK})
        elseif(name MATCHES "Machine$")
            set_tests_properties(${A_TARGET}.${name} PROPERTIES RESOURCE_LOCK machine)
        endif()
    endforeach()
endfunction()
