# Shared compile settings, the build identification and the helpers that
# turn a source folder into one static library of the layered runtime.

add_compile_options(-Wall -Wextra)

if(KV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# A fuzz build (its own build folder, clang only): every library is
# instrumented for libFuzzer's coverage and checked by AddressSanitizer and
# UBSan; the fuzz targets in fuzz/ add libFuzzer's main.
if(KV_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "KV_FUZZ needs clang: configure with CC=clang CXX=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
  # Lets code check its fast paths against plain reference rules.
  add_compile_definitions(KV_FUZZ_BUILD)
endif()

# The build date and time appear in the runtime's 35-character
# identification and in abort titles.  string(TIMESTAMP) honours
# SOURCE_DATE_EPOCH, so a reproducible build gets a fixed stamp.
# Without SOURCE_DATE_EPOCH the stamp is the time of the last commit, so a
# new configure of the same sources does not rebuild everything.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git log -1 --format=%ct
                  WORKING_DIRECTORY ${CMAKE_CURRENT_LIST_DIR}/..
                  OUTPUT_VARIABLE kv_commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE kv_git_rc ERROR_QUIET)
  if(kv_git_rc EQUAL 0 AND kv_commit_time)
    set(ENV{SOURCE_DATE_EPOCH} ${kv_commit_time})
  endif()
endif()
string(TIMESTAMP KV_BUILD_DATE_RAW "%b %d, %Y" UTC)
string(TOUPPER "${KV_BUILD_DATE_RAW}" KV_BUILD_DATE)
string(TIMESTAMP KV_BUILD_TIME "%H.%M" UTC)
string(TIMESTAMP KV_BUILD_TIME_LONG "%H.%M.%S" UTC)
set(KV_VERSION "1.0.")
set(KV_REVISION "001")
configure_file(${CMAKE_CURRENT_LIST_DIR}/build_info.h.in
               ${CMAKE_BINARY_DIR}/generated/kv/build_info.h @ONLY)

# kv_folder_library(<target> <folder> [DEPS ...])
# A static library (position independent, hidden symbols) from every .cpp
# of one folder.  Folders are globbed so that new files need no list edits.
function(kv_folder_library target folder)
  cmake_parse_arguments(KV "" "" "DEPS;EXTRA_FOLDERS" ${ARGN})
  set(srcs)
  foreach(f ${folder} ${KV_EXTRA_FOLDERS})
    file(GLOB found CONFIGURE_DEPENDS ${f}/*.cpp ${f}/*.c)
    list(APPEND srcs ${found})
  endforeach()
  if(srcs)
    # The objects serve twice: in the static library that tests and the
    # editor link, and directly in the shared libraries.
    add_library(${target}_obj OBJECT ${srcs})
    target_include_directories(${target}_obj PUBLIC ${PROJECT_SOURCE_DIR}
                               ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(${target}_obj PUBLIC ${KV_DEPS})
    add_library(${target} STATIC $<TARGET_OBJECTS:${target}_obj>)
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}
                               ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(${target} PUBLIC ${KV_DEPS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}
                               ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(${target} INTERFACE ${KV_DEPS})
  endif()
endfunction()

# The object files of the given folder libraries (those that have sources).
function(kv_objects_of out)
  set(objs)
  foreach(t ${ARGN})
    if(TARGET ${t}_obj)
      list(APPEND objs $<TARGET_OBJECTS:${t}_obj>)
    endif()
  endforeach()
  set(${out} ${objs} PARENT_SCOPE)
endfunction()
