# Test helpers shared by every folder.
enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)

# The CTest label of a test is the top folder it lives in, so that
# `ctest -L platform` runs one area.
function(celvane_area_of out_var)
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    string(REPLACE "/" ";" parts "${rel}")
    list(GET parts 0 area)
    set(${out_var} ${area} PARENT_SCOPE)
endfunction()

# Every test program fails a test that asked for a text id no string table
# holds, in its own process or in a program it started.
add_library(celvane_missing_texts_check OBJECT ${CMAKE_SOURCE_DIR}/core/tests/missing_texts_check.cpp)
target_link_libraries(celvane_missing_texts_check PRIVATE GTest::gtest)

# celvane_add_test(<name> SOURCES <files...> [LIBS <targets...>])
function(celvane_add_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    celvane_area_of(area)
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} celvane_missing_texts_check GTest::gtest
                                          GTest::gmock GTest::gtest_main)
    # The program tests lay out their device roots as copies of the build's
    # device image.
    target_compile_definitions(${name} PRIVATE
        CELVANE_DEVICE_IMAGE_DIR="${CMAKE_BINARY_DIR}/device-image")
    if(area STREQUAL "app" OR area STREQUAL "language" OR area STREQUAL "tools")
        add_dependencies(${name} device-image)
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        PROPERTIES LABELS ${area} ENVIRONMENT "CELVANE_BUILD_BIN=${CMAKE_BINARY_DIR}/bin")
endfunction()

# Visits every direct subfolder that has its own CMakeLists.txt.
macro(celvane_add_subfolders)
    file(GLOB _children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
    list(SORT _children)
    foreach(_child ${_children})
        if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${_child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${_child}/CMakeLists.txt)
            add_subdirectory(${_child})
        endif()
    endforeach()
endmacro()

# A libFuzzer program `name` from `source`, over `library`, which is built with
# the fuzzer's coverage. Only with -DCELVANE_FUZZ=ON and clang.
function(celvane_add_fuzz_target name source library)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "CELVANE_FUZZ needs clang (libFuzzer)")
    endif()
    target_compile_options(${library} PRIVATE -fsanitize=fuzzer-no-link)
    add_executable(${name} ${source})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${library})
endfunction()
