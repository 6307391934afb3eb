# Windows build (MinGW-w64): QV.exe, QvRun.dll, qvtool.exe and the Win32 tests run under Wine.
enable_language(RC)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
add_link_options(-static -static-libgcc -static-libstdc++)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
# qvtool is defined before this file is included: give it the same static runtime and folder.
target_link_options(qvtool PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(qvtool PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

set(QV_WIN_LIBS comctl32 comdlg32 gdi32 user32 kernel32 advapi32 shell32 shlwapi version winspool ole32 uuid wininet bcrypt)

# Resource files include each other and the string catalogue; rebuild on any change.
file(GLOB_RECURSE QV_RESOURCE_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*)
set(QV_RC ${CMAKE_SOURCE_DIR}/resources/qv.rc)
set_source_files_properties(${QV_RC} PROPERTIES OBJECT_DEPENDS "${QV_RESOURCE_FILES}")
configure_file(${CMAKE_SOURCE_DIR}/resources/version.h.in ${CMAKE_BINARY_DIR}/generated/version.h @ONLY)

# The Win32 shell as a library, so that the Win32 tests link the same code as QV.exe.
file(GLOB_RECURSE QV_WIN_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/win/*.cpp)
list(FILTER QV_WIN_SOURCES EXCLUDE REGEX ".*/winmain\\.cpp$")
add_library(qvwin STATIC ${QV_WIN_SOURCES})
target_include_directories(qvwin PUBLIC ${CMAKE_SOURCE_DIR}/src/win ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(qvwin PUBLIC qvcore ${QV_WIN_LIBS})
target_compile_options(qvwin PRIVATE ${QV_WARNINGS})

# OnlineUpdate.exe, the updater QV.exe carries as resource "UPDATE" 546, trusts one RSA public key
# (a PEM "PUBLIC KEY" file), built into it:
# - a release build sets QV_UPDATE_PUBLIC_KEY to the maker's key;
# - a test build opts into the test key, whose private half is in tests/keys, with QV_UPDATE_TEST_KEY;
# - with neither, the build trusts no key: QV.exe and the updater install no update and say so.
# QV_UPDATE_TRUST (0 none, 1 test key, 2 maker's key) tells QV.exe and the updater which it is.
set(QV_UPDATE_PUBLIC_KEY "" CACHE FILEPATH "The maker's RSA public key (PEM) that OnlineUpdate.exe trusts")
option(QV_UPDATE_TEST_KEY "Test build: OnlineUpdate.exe trusts the test key (anyone can sign with it)" OFF)
set(QV_TEST_PUBLIC_KEY ${CMAKE_SOURCE_DIR}/tests/keys/update-test-public.pem)
file(SHA256 ${QV_TEST_PUBLIC_KEY} QV_TEST_KEY_HASH)
set(QV_UPDATER_KEY "")
if(QV_UPDATE_PUBLIC_KEY)
  file(SHA256 ${QV_UPDATE_PUBLIC_KEY} QV_GIVEN_KEY_HASH)
endif()
if(QV_UPDATE_TEST_KEY)
  if(QV_UPDATE_PUBLIC_KEY AND NOT QV_GIVEN_KEY_HASH STREQUAL QV_TEST_KEY_HASH)
    message(FATAL_ERROR "QV_UPDATE_TEST_KEY=ON and a maker's key in QV_UPDATE_PUBLIC_KEY exclude each other")
  endif()
  set(QV_UPDATER_KEY ${QV_TEST_PUBLIC_KEY})
  set(QV_UPDATE_TRUST 1)
  message(WARNING "TEST BUILD: OnlineUpdate.exe trusts the TEST key, whose private half is public "
                  "(tests/keys). Anyone can sign an update this build installs. Never ship it.")
elseif(QV_UPDATE_PUBLIC_KEY)
  if(QV_GIVEN_KEY_HASH STREQUAL QV_TEST_KEY_HASH)
    message(FATAL_ERROR "QV_UPDATE_PUBLIC_KEY is the TEST key (${QV_UPDATE_PUBLIC_KEY}). A test build sets "
                        "-DQV_UPDATE_TEST_KEY=ON and leaves QV_UPDATE_PUBLIC_KEY empty; a release sets the maker's key.")
  endif()
  set(QV_UPDATER_KEY ${QV_UPDATE_PUBLIC_KEY})
  set(QV_UPDATE_TRUST 2)
  message(STATUS "OnlineUpdate.exe trusts the maker's key ${QV_UPDATE_PUBLIC_KEY}")
else()
  set(QV_UPDATE_TRUST 0)
  message(WARNING "NO UPDATE KEY: this build installs no online update (QV.exe and OnlineUpdate.exe say so). "
                  "A release sets -DQV_UPDATE_PUBLIC_KEY=<the maker's public key>; a test build sets "
                  "-DQV_UPDATE_TEST_KEY=ON.")
endif()
file(GLOB QV_UPDATER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/updater/*.cpp)
# An updater trusting `key` (empty: none) at trust level `trust`; its key header lives in its own
# generated folder. The message-log test hook is compiled only into test-key updaters.
function(qv_add_updater name key trust)
  set(generated ${CMAKE_BINARY_DIR}/generated/${name})
  set(bytes "0x00,")
  set(size 0)
  if(key)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${key})
    file(READ ${key} hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    file(SIZE ${key} size)
  endif()
  file(WRITE ${generated}/update_public_key.h.new
       "// Generated: the public key this updater trusts (none when its size is 0).\n#pragma once\n"
       "#include <cstddef>\n#include <cstdint>\n"
       "inline constexpr std::uint8_t updatePublicKeyBytes[] = {${bytes}};\n"
       "inline constexpr std::size_t updatePublicKeySize = ${size};\n")
  configure_file(${generated}/update_public_key.h.new ${generated}/update_public_key.h COPYONLY)
  add_executable(${name} WIN32 ${QV_UPDATER_SOURCES} ${CMAKE_SOURCE_DIR}/src/updater/updater.rc)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src/updater ${CMAKE_SOURCE_DIR}/resources
                                             ${generated})
  target_compile_definitions(${name} PRIVATE QV_UPDATE_TRUST=${trust})
  target_link_libraries(${name} PRIVATE qvwin bcrypt)
  target_compile_options(${name} PRIVATE ${QV_WARNINGS})
  # Stripped: it travels inside every QV.exe.
  target_link_options(${name} PRIVATE -municode $<$<CONFIG:Release>:-s>)
endfunction()
qv_add_updater(OnlineUpdate "${QV_UPDATER_KEY}" ${QV_UPDATE_TRUST})
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/updater/updater.rc PROPERTIES OBJECT_DEPENDS
                            "${CMAKE_SOURCE_DIR}/resources/strings/update.def;${CMAKE_SOURCE_DIR}/src/updater/updater.manifest")
# The resource script that carries it (included by qv.rc), and the dependency that rebuilds the
# resources when the updater changes.
file(WRITE ${CMAKE_BINARY_DIR}/generated/update_resource.rc.new "546 UPDATE \"${CMAKE_BINARY_DIR}/bin/OnlineUpdate.exe\"\n")
configure_file(${CMAKE_BINARY_DIR}/generated/update_resource.rc.new ${CMAKE_BINARY_DIR}/generated/update_resource.rc COPYONLY)
set_property(SOURCE ${QV_RC} APPEND PROPERTY OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/bin/OnlineUpdate.exe)

add_executable(QV WIN32 ${CMAKE_SOURCE_DIR}/src/win/app/winmain.cpp ${QV_RC})
add_dependencies(QV OnlineUpdate)
target_include_directories(QV PRIVATE ${CMAKE_SOURCE_DIR}/resources ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(QV PRIVATE qvwin)
target_compile_options(QV PRIVATE ${QV_WARNINGS})
target_compile_definitions(QV PRIVATE QV_UPDATE_TRUST=${QV_UPDATE_TRUST})

# QvRun.dll, the virtual instrument.
file(GLOB QV_DLL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/instrument/*.cpp)
add_library(QvRun SHARED ${QV_DLL_SOURCES} ${CMAKE_SOURCE_DIR}/src/instrument/QvRun.def)
set_target_properties(QvRun PROPERTIES PREFIX "" OUTPUT_NAME QvRun)
target_link_libraries(QvRun PRIVATE qvcore qvsim ${QV_WIN_LIBS})
target_compile_options(QvRun PRIVATE ${QV_WARNINGS})
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  # Undecorated stdcall names, as a vendor driver exports them: QvRun.def lists the plain names
  # and the linker resolves each to its name@N on purpose.
  target_link_options(QvRun PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
endif()

if(QV_BUILD_TESTS)
  # Cross builds compile GoogleTest from the Debian source package; a native Windows build
  # (MSYS2) uses its installed package.
  set(QV_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
  if(EXISTS ${QV_GTEST_SOURCE}/CMakeLists.txt)
    add_subdirectory(${QV_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  else()
    find_package(GTest REQUIRED)
    add_library(gtest ALIAS GTest::gtest)
  endif()
  file(GLOB_RECURSE QV_WIN_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*.cpp)
  list(FILTER QV_WIN_TEST_SOURCES EXCLUDE REGEX ".*/tests/win/fixtures/.*")
  add_executable(qv_win_tests ${QV_WIN_TEST_SOURCES} ${QV_RC})
  target_include_directories(qv_win_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/win ${CMAKE_SOURCE_DIR}/resources)
  target_link_libraries(qv_win_tests PRIVATE qvwin gtest ws2_32)
  target_compile_options(qv_win_tests PRIVATE ${QV_WARNINGS})
  add_dependencies(qv_win_tests QvRun QV OnlineUpdate)
  # The updater of a build that sets no key, for the whole-program update test.
  qv_add_updater(OnlineUpdateNoKey "" 0)
  # A program that only leaves a mark that it ran, planted where a hijacked start would find it.
  add_executable(PlantedProgram WIN32 ${CMAKE_SOURCE_DIR}/tests/win/fixtures/planted_program.cpp)
  target_compile_options(PlantedProgram PRIVATE ${QV_WARNINGS})
  add_dependencies(qv_win_tests OnlineUpdateNoKey PlantedProgram)
  # A driver DLL lacking exports, for the loader's missing-export path (lands in bin/ beside the tests).
  add_library(QvRunLacksExports SHARED ${CMAKE_SOURCE_DIR}/tests/win/fixtures/driver_lacking_exports.cpp
                                       ${CMAKE_SOURCE_DIR}/tests/win/fixtures/driver_lacking_exports.def)
  set_target_properties(QvRunLacksExports PROPERTIES PREFIX "")
  target_include_directories(QvRunLacksExports PRIVATE ${CMAKE_SOURCE_DIR}/src/core)
  target_compile_options(QvRunLacksExports PRIVATE ${QV_WARNINGS})
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    target_link_options(QvRunLacksExports PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
  endif()
  add_dependencies(qv_win_tests QvRunLacksExports)
  # Runs through CMAKE_CROSSCOMPILING_EMULATOR (wine); the test script provides WINEPREFIX and DISPLAY.
  add_test(NAME win.unit COMMAND qv_win_tests)
  set_tests_properties(win.unit PROPERTIES TIMEOUT 900 WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

  file(GLOB QV_E2E_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*.sh)
  foreach(script ${QV_E2E_TESTS})
    get_filename_component(name ${script} NAME_WE)
    add_test(NAME e2e.${name} COMMAND bash ${script} ${CMAKE_BINARY_DIR}/bin)
    set_tests_properties(e2e.${name} PROPERTIES TIMEOUT 600 RUN_SERIAL TRUE)
  endforeach()
endif()

# The help files enQV.chm, twQV.chm and cnQV.chm next to QV.exe, compiled from help/<language>
# with Free Pascal's chmcmd (package fp-utils). The sources are copied into the build tree first
# so that compiling leaves the source tree untouched. The Chinese sources are UTF-8, but the HTML
# Help engine reads a help file's project, contents and page titles in the ANSI code page of its
# language: their copies are converted with sed and iconv (sed, libc-bin) to Big5 (950) and GBK (936).
find_program(QV_CHMCMD chmcmd)
find_program(QV_SED sed)
find_program(QV_ICONV iconv)
if(QV_CHMCMD)
  set(QV_HELP_OUTPUTS)
  set(QV_HELP_ENCODING_tw CP950)
  set(QV_HELP_CHARSET_tw big5)
  set(QV_HELP_ENCODING_cn CP936)
  set(QV_HELP_CHARSET_cn gb2312)
  foreach(language en tw cn)
    set(work ${CMAKE_BINARY_DIR}/help/${language})
    set(output ${CMAKE_BINARY_DIR}/bin/${language}QV.chm)
    set(convert)
    if(DEFINED QV_HELP_ENCODING_${language})
      if(NOT QV_SED OR NOT QV_ICONV)
        message(STATUS "sed or iconv not found (packages sed, libc-bin): ${language}QV.chm is not built")
        continue()
      endif()
      set(convert COMMAND ${CMAKE_COMMAND} -DSOURCE=${CMAKE_SOURCE_DIR}/help/${language} -DDIR=${work}
                          -DSED=${QV_SED} -DICONV=${QV_ICONV} -DENCODING=${QV_HELP_ENCODING_${language}}
                          -DCHARSET=${QV_HELP_CHARSET_${language}} -P ${CMAKE_SOURCE_DIR}/cmake/help-codepage.cmake)
    endif()
    file(GLOB QV_HELP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/help/${language}/*)
    # chmcmd writes the .chm into its working directory.
    file(MAKE_DIRECTORY ${work})
    add_custom_command(
      OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/help/${language} ${work}
      ${convert}
      COMMAND ${QV_CHMCMD} --no-html-scan QV.hhp
      COMMAND ${CMAKE_COMMAND} -E copy ${language}QV.chm ${output}
      WORKING_DIRECTORY ${work}
      DEPENDS ${QV_HELP_SOURCES} ${CMAKE_SOURCE_DIR}/cmake/help-codepage.cmake
      COMMENT "Compiling ${language}QV.chm"
      VERBATIM)
    list(APPEND QV_HELP_OUTPUTS ${output})
  endforeach()
  add_custom_target(qv_help ALL DEPENDS ${QV_HELP_OUTPUTS})
  list(LENGTH QV_HELP_OUTPUTS QV_HELP_COUNT)
  if(QV_BUILD_TESTS AND QV_HELP_COUNT EQUAL 3)
    # The test program checks the help files beside it: built with it, and missing ones fail.
    add_dependencies(qv_win_tests qv_help)
    set_source_files_properties(${CMAKE_SOURCE_DIR}/tests/win/help_test.cpp PROPERTIES COMPILE_DEFINITIONS
                                QV_HELP_FILES_BUILT=1)
  endif()
else()
  message(STATUS "chmcmd not found (package fp-utils): the help files enQV.chm, twQV.chm and cnQV.chm are not built")
endif()

# The paint benchmark under Wine, when Google Benchmark's sources are given (scripts/bench-wine.sh).
if(QV_BENCHMARK_SOURCE)
  set(BENCHMARK_ENABLE_TESTING OFF CACHE BOOL "" FORCE)
  set(BENCHMARK_ENABLE_GTEST_TESTS OFF CACHE BOOL "" FORCE)
  set(BENCHMARK_ENABLE_WERROR OFF CACHE BOOL "" FORCE)
  add_subdirectory(${QV_BENCHMARK_SOURCE} ${CMAKE_BINARY_DIR}/gbench EXCLUDE_FROM_ALL)
  add_executable(qv_paint_bench ${CMAKE_SOURCE_DIR}/bench/win/wave_paint_bench.cpp)
  target_link_libraries(qv_paint_bench PRIVATE qvwin benchmark::benchmark shlwapi)
endif()
