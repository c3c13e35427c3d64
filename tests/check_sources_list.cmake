# cmake -DSOLVER_DIR=<the solver folder> -P check_sources_list.cmake
# Checks that solver/sources.txt, the list of the library's files that every build reads,
# matches the folder: every entry is a file there and every .cc and .h file there (in any
# subfolder) is an entry, so that the list cannot drift from the tree. Each entry must also be
# spelled so that every reader (CMake, setup.py, make, build_quorvane.m) takes it alike.
cmake_minimum_required(VERSION 3.20)
set(failures "")
set(list_file "${SOLVER_DIR}/sources.txt")
if(NOT EXISTS "${list_file}")
  message(FATAL_ERROR "${list_file}: missing")
endif()

# Line by line, blank lines and separators kept: file(STRINGS) would drop empty lines and
# split at semicolons, which are themselves faults to report.
file(READ "${list_file}" text)
string(REPLACE ";" "<semicolon>" text "${text}")
string(REPLACE "\n" ";" lines "${text}")
set(entries "")
set(number 0)
foreach(line IN LISTS lines)
  math(EXPR number "${number} + 1")
  if(line STREQUAL "" OR line MATCHES "^#")
    continue()
  endif()
  set(where "sources.txt:${number}: '${line}'")
  # No blanks, separators or quotes, which make or the shell would split or change; no
  # leading "#" after a blank, which some readers take as a comment and others as a file.
  if(NOT line MATCHES "^[A-Za-z0-9_.+-]+(/[A-Za-z0-9_.+-]+)*$")
    list(APPEND failures
         "${where}: not a plain relative path (a blank, quote, backslash or the like)")
    continue()
  endif()
  if(line MATCHES "(^|/)\\.\\.?(/|$)")
    list(APPEND failures "${where}: a . or .. in the path")
    continue()
  endif()
  if(NOT line MATCHES "\\.(cc|h)$")
    list(APPEND failures "${where}: neither .cc nor .h, so no build would take it")
  endif()
  if(line IN_LIST entries)
    list(APPEND failures "${where}: listed twice")
  endif()
  if(NOT EXISTS "${SOLVER_DIR}/${line}" OR IS_DIRECTORY "${SOLVER_DIR}/${line}")
    list(APPEND failures "${where}: no such file in solver/")
  endif()
  list(APPEND entries "${line}")
endforeach()
if(NOT entries)
  list(APPEND failures "sources.txt: no entries")
endif()

file(GLOB_RECURSE files RELATIVE "${SOLVER_DIR}" "${SOLVER_DIR}/*.cc" "${SOLVER_DIR}/*.h")
foreach(file IN LISTS files)
  if(NOT file IN_LIST entries)
    list(APPEND failures "solver/${file}: not in sources.txt, so only some builds would take it")
  endif()
endforeach()

list(LENGTH entries entry_count)
if(failures)
  list(JOIN failures "\n  " report)
  message(FATAL_ERROR "solver/sources.txt and solver/ disagree:\n  ${report}")
endif()
message(STATUS "solver/sources.txt: ${entry_count} entries, each a file of solver/ and all of them")
