# Shared build settings and helpers for every directory of the tree.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

add_library(morogif_warnings INTERFACE)
target_compile_options(morogif_warnings INTERFACE -Wall -Wextra -Wno-missing-field-initializers)
if(MOROGIF_WERROR)
  target_compile_options(morogif_warnings INTERFACE -Werror)
endif()

if(MOROGIF_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(MOROGIF_FUZZ)
  # Every library gets coverage instrumentation; only the harness links the fuzzer main.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# morogif_library(NAME SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# A static library whose headers are included as "dir/Header.h" from the repository root.
function(morogif_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE morogif_warnings ${ARG_PRIVATE_LIBS})
endfunction()

# morogif_test(NAME SOURCES ... [LIBS ...] [LABELS ...] [ENVIRONMENT ...])
# A GoogleTest executable; its cases are listed when ctest runs, not at build time.
function(morogif_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main morogif_warnings)
  target_compile_definitions(${name} PRIVATE
    MOROGIF_SOURCE_DIR="${PROJECT_SOURCE_DIR}" MOROGIF_BINARY_DIR="${PROJECT_BINARY_DIR}")
  set(props)
  if(ARG_LABELS)
    list(APPEND props LABELS "${ARG_LABELS}")
  endif()
  if(ARG_ENVIRONMENT)
    list(APPEND props ENVIRONMENT "${ARG_ENVIRONMENT}")
  endif()
  # Parameterised cases are listed by their gtest names, not by a dump of the parameter bytes.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} PROPERTIES ${props})
endfunction()
