# kv_cobol_test(<name> PROGRAM <main.cob> [SOURCES <more.cob>...]
#               [MODULES <exit.cob>...] [COPY <dir>...] [INPUT <script>]
#               [EXPECT_OUT <file>] [EXPECT_ERR <file>] [EXPECT_LOG <file>]
#               [EXPECT_ERR_LINES <file>]
#               [EXIT <status>]
#               [ENV K=V ...] [LINK static|shared])
#
# Compiles a COBOL program with cobc against the project's libraries and
# runs it on the headless display.  MODULES are compiled with `cobc -m`
# into the test's COB_LIBRARY_PATH (user exits, replacement modules).
# Expected output files may hold @BUILD_DATE@, @BUILD_TIME@,
# @BUILD_TIME_LONG@ and @REVISION@, replaced by this build's values.
# EXPECT_LOG lines "+ text" must appear in KORVEXAN.LOG, "- text" must not;
# EXPECT_ERR_LINES does the same for standard error (and "= N text": the
# text appears exactly N times).

find_program(KV_COBC cobc REQUIRED)

function(kv_cobol_test name)
  cmake_parse_arguments(T "" "PROGRAM;INPUT;EXPECT_OUT;EXPECT_ERR;EXPECT_LOG;EXPECT_ERR_LINES;EXIT;LINK"
                          "SOURCES;MODULES;COPY;ENV" ${ARGN})
  if(NOT T_EXIT)
    set(T_EXIT 0)
  endif()
  if(NOT T_LINK)
    set(T_LINK shared)
  endif()
  set(args --name ${name} --build ${CMAKE_BINARY_DIR} --program ${T_PROGRAM}
           --exit ${T_EXIT} --link ${T_LINK} --sanitize $<BOOL:${KV_SANITIZE}>)
  foreach(s ${T_SOURCES})
    list(APPEND args --source ${s})
  endforeach()
  foreach(m ${T_MODULES})
    list(APPEND args --module ${m})
  endforeach()
  foreach(c ${T_COPY})
    list(APPEND args --copy ${c})
  endforeach()
  foreach(e ${T_ENV})
    list(APPEND args --env ${e})
  endforeach()
  if(T_INPUT)
    list(APPEND args --input ${T_INPUT})
  endif()
  if(T_EXPECT_OUT)
    list(APPEND args --expect-out ${T_EXPECT_OUT})
  endif()
  if(T_EXPECT_LOG)
    list(APPEND args --expect-log ${T_EXPECT_LOG})
  endif()
  if(T_EXPECT_ERR)
    list(APPEND args --expect-err ${T_EXPECT_ERR})
  endif()
  if(T_EXPECT_ERR_LINES)
    list(APPEND args --expect-err-lines ${T_EXPECT_ERR_LINES})
  endif()
  add_test(NAME ${name}
           COMMAND ${PROJECT_SOURCE_DIR}/tests/tools/cobol_test.sh ${args}
           WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
  set_tests_properties(${name} PROPERTIES LABELS cobol TIMEOUT 120)
endfunction()
