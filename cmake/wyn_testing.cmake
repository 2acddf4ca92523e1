# Test harness shared by every test directory.
#
# On Linux tests run natively. In the Windows trees every target executable runs under Wine
# (CMAKE_CROSSCOMPILING_EMULATOR, wine64) with a prefix inside the build tree, which one setup
# test creates before the others use it. The x86 tree's 32-bit programs run in wine64's WoW64
# mode: WINEDLLPATH points at the 32-bit Windows DLLs that cmake/install-deps.sh extracts.
# That mode needs a kernel that runs 32-bit code, which not every machine has: each Wine test
# of the x86 tree first runs a probe (tests/harness/x86-probe.sh) and is reported skipped, with
# the reason, where 32-bit code cannot run.

set(WYN_WINE_PREFIX "${CMAKE_BINARY_DIR}/wineprefix")
set(WYN_XVFB_RUN "${CMAKE_SOURCE_DIR}/tests/harness/with-xvfb.sh")
set(WYN_WINE_SESSION "${CMAKE_SOURCE_DIR}/tests/harness/wine-session.sh")

if(WIN32)
  set(WYN_CAN_RUN_TARGETS OFF)
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    set(WYN_CAN_RUN_TARGETS ON)
  endif()
else()
  set(WYN_CAN_RUN_TARGETS ON)
endif()

# GoogleTest: Debian's prebuilt libraries on Linux, built from /usr/src/googletest for Windows.
if(WIN32)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
  add_library(wyn_gtest INTERFACE)
  target_link_libraries(wyn_gtest INTERFACE gtest gtest_main)
else()
  find_package(GTest REQUIRED)
  add_library(wyn_gtest INTERFACE)
  target_link_libraries(wyn_gtest INTERFACE GTest::gtest GTest::gtest_main)
endif()

# The environment of every Wine process of this tree.
set(WYN_WINE_ENVIRONMENT WINEDEBUG=-all WINEPREFIX=${WYN_WINE_PREFIX})
if(WIN32 AND WYN_CAN_RUN_TARGETS AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  execute_process(COMMAND sh "${CMAKE_SOURCE_DIR}/cmake/wine-wow64-dir.sh"
                  OUTPUT_VARIABLE WYN_WINE_WOW64_DLLS OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT EXISTS "${WYN_WINE_WOW64_DLLS}/i386-windows/kernel32.dll")
    message(FATAL_ERROR "The x86 tests need the 32-bit Windows DLLs of libwine:i386 in "
                        "${WYN_WINE_WOW64_DLLS}: run sh cmake/install-deps.sh (make deps).")
  endif()
  list(APPEND WYN_WINE_ENVIRONMENT WINEDLLPATH=${WYN_WINE_WOW64_DLLS})
  add_executable(wyn_x86_probe "${CMAKE_SOURCE_DIR}/tests/harness/x86_probe.c")
  target_link_options(wyn_x86_probe PRIVATE -static)
  set(WYN_X86_PROBE "${CMAKE_SOURCE_DIR}/tests/harness/x86-probe.sh"
                    ${CMAKE_CROSSCOMPILING_EMULATOR} "$<TARGET_FILE:wyn_x86_probe>")
endif()

if(WIN32 AND WYN_CAN_RUN_TARGETS)
  add_test(NAME ${WYN_TARGET_NAME}.wine-prefix
           COMMAND "${CMAKE_SOURCE_DIR}/tests/harness/wine-prefix.sh" /usr/lib/wine/wine64)
  set_tests_properties(${WYN_TARGET_NAME}.wine-prefix PROPERTIES
    FIXTURES_SETUP ${WYN_TARGET_NAME}.wine-prefix RESOURCE_LOCK wine-prefix-session
    ENVIRONMENT "${WYN_WINE_ENVIRONMENT}")
endif()

# wyn_add_test(NAME <name> COMMAND <command> [args...] [DISPLAY] [WORKING_DIRECTORY <dir>]
#              [ENVIRONMENT <var=value>...] [TIMEOUT <seconds>])
# Registers <WYN_TARGET_NAME>.<name>. A first argument that names a target executable runs
# under the build's emulator (Wine in the Windows trees). DISPLAY runs the command
# with a private Xvfb display that is started for it and stopped afterwards.
function(wyn_add_test)
  cmake_parse_arguments(T "DISPLAY" "NAME;WORKING_DIRECTORY;TIMEOUT" "COMMAND;ENVIRONMENT" ${ARGN})
  set(cmd ${T_COMMAND})
  list(GET cmd 0 first)
  if(TARGET "${first}")
    list(REMOVE_AT cmd 0)
    get_target_property(type "${first}" TYPE)
    set(exe "$<TARGET_FILE:${first}>")
    if(type STREQUAL "EXECUTABLE" AND WIN32 AND CMAKE_CROSSCOMPILING_EMULATOR)
      set(cmd ${CMAKE_CROSSCOMPILING_EMULATOR} ${exe} ${cmd})
    else()
      set(cmd ${exe} ${cmd})
    endif()
  endif()
  if(WIN32 AND CMAKE_CROSSCOMPILING_EMULATOR)
    set(cmd ${WYN_WINE_SESSION} ${WYN_X86_PROBE} ${cmd})
  endif()
  if(T_DISPLAY)
    set(cmd ${WYN_XVFB_RUN} ${cmd})
  endif()
  set(locks "")
  if(WIN32 AND CMAKE_CROSSCOMPILING_EMULATOR)
    # Wine processes of one prefix share one desktop, bound to the display (or the lack of
    # one) of the process that started it: the tests of the prefix run one at a time, each in
    # a session of its own.
    set(locks wine-prefix-session)
  endif()
  set(name "${WYN_TARGET_NAME}.${T_NAME}")
  if(T_WORKING_DIRECTORY)
    add_test(NAME ${name} COMMAND ${cmd} WORKING_DIRECTORY ${T_WORKING_DIRECTORY})
  else()
    add_test(NAME ${name} COMMAND ${cmd})
  endif()
  set(env ${T_ENVIRONMENT})
  if(WIN32 AND CMAKE_CROSSCOMPILING_EMULATOR)
    list(APPEND env ${WYN_WINE_ENVIRONMENT})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED ${WYN_TARGET_NAME}.wine-prefix)
  endif()
  if(WYN_X86_PROBE)
    set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
  endif()
  if(env)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}")
  endif()
  if(locks)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${locks}")
  endif()
  if(T_TIMEOUT)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  else()
    set_tests_properties(${name} PROPERTIES TIMEOUT 300)
  endif()
endfunction()

# wyn_add_checked_test(NAME <name> COMMAND <command> [args...] [EXIT <code>|failure]
#                      [STDOUT <texts>] [STDERR <texts>] [NOT_STDOUT <texts>]
#                      [LOG <file> LOG_LINES <records>] [ENVIRONMENT <var=value>...]
#                      [TIMEOUT <seconds>])
# Like wyn_add_test, but runs the command through tests/harness/check_run.cmake, which checks
# its exit code (default 0), that its output holds the "|"-separated texts in that order (and
# not those of NOT_STDOUT), and that the file LOG, emptied before the run, holds the
# "|"-separated LOG_LINES as whole lines in that order. Texts must not contain ";".
function(wyn_add_checked_test)
  cmake_parse_arguments(C "" "NAME;EXIT;STDOUT;STDERR;NOT_STDOUT;LOG;LOG_LINES;TIMEOUT"
                        "COMMAND;ENVIRONMENT" ${ARGN})
  set(cmd ${C_COMMAND})
  list(GET cmd 0 first)
  if(TARGET "${first}")
    list(REMOVE_AT cmd 0)
    set(exe "$<TARGET_FILE:${first}>")
    if(WIN32 AND CMAKE_CROSSCOMPILING_EMULATOR)
      set(cmd ${CMAKE_CROSSCOMPILING_EMULATOR} ${exe} ${cmd})
    else()
      set(cmd ${exe} ${cmd})
    endif()
  endif()
  set(defs "")
  foreach(key EXIT STDOUT STDERR NOT_STDOUT LOG LOG_LINES)
    if(DEFINED C_${key})
      list(APPEND defs "-D${key}=${C_${key}}")
    endif()
  endforeach()
  set(extra "")
  if(C_TIMEOUT)
    set(extra TIMEOUT ${C_TIMEOUT})
  endif()
  wyn_add_test(NAME ${C_NAME}
    COMMAND ${CMAKE_COMMAND} ${defs} -P "${CMAKE_SOURCE_DIR}/tests/harness/check_run.cmake" -- ${cmd}
    ENVIRONMENT ${C_ENVIRONMENT} ${extra})
endfunction()
