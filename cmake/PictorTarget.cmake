# Compile options shared by every target of our own code.
function(pictor_target_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(PICTOR_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(PICTOR_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                             -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
  if(PICTOR_FUZZ_LIBFUZZER)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()

# Compiles the target's sources in groups of eight, one translation unit per
# group: the headers (GoogleTest's and Qt's above all) are read and their
# inline code generated once per group rather than once per file, which
# takes two thirds off the suites' compile time. Files of a group share one
# unit, so names in anonymous namespaces must differ between the files of a
# target; configure with -DPICTOR_UNITY_BUILD=OFF to compile file by file.
function(pictor_unity_build target)
  if(PICTOR_UNITY_BUILD)
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
  endif()
endfunction()

# A library of one subsystem: every .cpp of the folder (and its subfolders),
# linked publicly to the libraries named after it.
function(pictor_library name)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    # A subsystem that has no code yet.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARGN})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARGN})
  pictor_target_options(${name})
  pictor_unity_build(${name})
  if(PICTOR_SANITIZE)
    target_link_options(${name} INTERFACE -fsanitize=address,undefined)
  endif()
endfunction()

# A GoogleTest suite made of every .cpp in the calling folder.
function(pictor_test name)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${sources})
  pictor_target_options(${name})
  pictor_unity_build(${name})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    PICTOR_CORPUS_DIR="${PICTOR_CORPUS_DIR}"
    PICTOR_BUNDLED_CORPUS_DIR="${PICTOR_BUNDLED_CORPUS_DIR}"
    PICTOR_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data")
  if(PICTOR_SANITIZE)
    # Leaks of fontconfig's that are not ours (cmake/lsan.supp); suites of
    # windows, those that make the tests' Qt application, also leave Qt's
    # fontconfig patterns (cmake/lsan-qt.supp).
    set(suppressions ${CMAKE_SOURCE_DIR}/cmake/lsan.supp)
    file(GLOB_RECURSE files CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    foreach(file ${files})
      file(STRINGS ${file} qt LIMIT_COUNT 1 REGEX "QtTestApp\\.h")
      if(qt)
        set(suppressions ${CMAKE_SOURCE_DIR}/cmake/lsan-qt.supp)
        break()
      endif()
    endforeach()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600
                         ENVIRONMENT "LSAN_OPTIONS=suppressions=${suppressions}")
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600)
  endif()
endfunction()

# Adds every subfolder of the calling folder that has a CMakeLists.txt.
function(pictor_add_child_folders)
  file(GLOB children LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(child ${children})
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
