# The Windows program and its test suite (run under Wine by
# scripts/check-windows.sh). Included by the root CMakeLists.txt when WIN32.

# Our Expat is a static library; its header must not ask for DLL imports.
set_property(TARGET EXPAT::EXPAT APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS XML_STATIC)

# The icon and the banner are drawn at build time; nothing binary is kept in
# the sources.
set(QUORVEL_ART_DIR ${CMAKE_BINARY_DIR}/art)
set(QUORVEL_ART ${QUORVEL_ART_DIR}/quorvel.ico ${QUORVEL_ART_DIR}/banner.bmp)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(
  OUTPUT ${QUORVEL_ART}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/make-art.py ${QUORVEL_ART_DIR}
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/make-art.py
  COMMENT "Drawing the icon and the banner")
add_custom_target(quorvel_art DEPENDS ${QUORVEL_ART})

set(QUORVEL_RC ${CMAKE_SOURCE_DIR}/src/ui/quorvel.rc)
set_source_files_properties(${QUORVEL_RC} PROPERTIES
  OBJECT_DEPENDS "${QUORVEL_ART};${CMAKE_SOURCE_DIR}/src/ui/resource.h;${CMAKE_SOURCE_DIR}/src/ui/quorvel.manifest")

# The window code without its entry point, so that the Wine suite can drive
# the same windows.
file(GLOB_RECURSE QUORVEL_UI_SOURCES CONFIGURE_DEPENDS src/ui/*.cpp)
list(FILTER QUORVEL_UI_SOURCES EXCLUDE REGEX "/WinMain\\.cpp$")
add_library(quorvel_ui STATIC ${QUORVEL_UI_SOURCES})
target_link_libraries(quorvel_ui PUBLIC quorvel_core
  comctl32 comdlg32 shell32 shlwapi ole32 winmm gdi32 user32 advapi32)
target_compile_definitions(quorvel_ui PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
quorvel_warnings(quorvel_ui)

# One self-contained file: no MinGW runtime DLLs beside it.
set(QUORVEL_STATIC_LINK -static -static-libgcc -static-libstdc++)

add_executable(quorvel WIN32 src/ui/WinMain.cpp ${QUORVEL_RC})
target_link_libraries(quorvel PRIVATE quorvel_ui)
target_include_directories(quorvel PRIVATE src/ui ${QUORVEL_ART_DIR})
target_link_options(quorvel PRIVATE ${QUORVEL_STATIC_LINK})
add_dependencies(quorvel quorvel_art)
quorvel_warnings(quorvel)

# The Linux suite needs the Linux program; this build has the Wine suite
# below instead.
set(QUORVEL_TESTS OFF)

# GoogleTest from Debian's sources, cross-built with the same compiler.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB_RECURSE QUORVEL_WIN32_TEST_SOURCES CONFIGURE_DEPENDS tests/win32/*.cpp)
# The long run writes its collection with the writers of the Linux tests, and
# both suites make their folders the same way.
set(QUORVEL_WIN32_TEST_WRITERS tests/harness/TempFolder.cpp tests/support/Bytes.cpp tests/support/RnsWriter.cpp
  tests/support/SongXmlWriter.cpp tests/support/ZipWriter.cpp tests/support/SoakCollection.cpp)
add_executable(quorvel_win32_tests EXCLUDE_FROM_ALL ${QUORVEL_WIN32_TEST_SOURCES} ${QUORVEL_WIN32_TEST_WRITERS}
  ${QUORVEL_RC})
# The suite starts the real program for the command-line run, and scans
# tiny libraries that export the names the inventory looks for.
add_dependencies(quorvel_win32_tests quorvel)
file(GLOB QUORVEL_TEST_DLL_DEFS CONFIGURE_DEPENDS tests/win32/dlls/*.def)
foreach(def ${QUORVEL_TEST_DLL_DEFS})
  get_filename_component(stem ${def} NAME_WE)
  add_library(quorvel_test_${stem} SHARED EXCLUDE_FROM_ALL tests/win32/dlls/TestPlugin.c ${def})
  set_target_properties(quorvel_test_${stem} PROPERTIES PREFIX "" OUTPUT_NAME ${stem}
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/testdlls)
  target_link_options(quorvel_test_${stem} PRIVATE -static-libgcc)
  add_dependencies(quorvel_win32_tests quorvel_test_${stem})
endforeach()
target_link_libraries(quorvel_win32_tests PRIVATE quorvel_ui gtest)
target_include_directories(quorvel_win32_tests PRIVATE src/ui ${QUORVEL_ART_DIR} tests)
target_link_options(quorvel_win32_tests PRIVATE ${QUORVEL_STATIC_LINK})
add_dependencies(quorvel_win32_tests quorvel_art)
quorvel_warnings(quorvel_win32_tests)
