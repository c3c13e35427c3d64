# quorvane-<version>.tar.gz in Octave's package format, for `pkg install`: the gateway and
# solver sources with a Makefile that builds them by mkoctfile, and the help text.
string(TIMESTAMP QUORVANE_PACKAGE_DATE "%Y-%m-%d" UTC)
configure_file(package/DESCRIPTION.in ${CMAKE_CURRENT_BINARY_DIR}/package/DESCRIPTION @ONLY)

set(package_name quorvane-${PROJECT_VERSION})
set(QUORVANE_OCTAVE_PACKAGE ${CMAKE_CURRENT_BINARY_DIR}/${package_name}.tar.gz)
set(stage ${CMAKE_CURRENT_BINARY_DIR}/package/stage)
set(root ${stage}/${package_name})

list(TRANSFORM quorvane_m_files PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/ OUTPUT_VARIABLE m_files)
list(TRANSFORM quorvane_gateway_files PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/
     OUTPUT_VARIABLE gateway_files)
# The library's files as solver/sources.txt lists them, in their subfolders under src/solver,
# with the list itself and the floating-point flags, both of which the package's Makefile reads.
if(NOT quorvane_library_files)
  message(FATAL_ERROR "no library files for the Octave package: solver/sources.txt not read")
endif()
set(solver_copies "")
set(solver_directories ${root}/src/solver)
set(solver_files "")
foreach(entry IN LISTS quorvane_library_files
        ITEMS sources.txt floating_point_flags.txt)
  set(file ${PROJECT_SOURCE_DIR}/solver/${entry})
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "solver/sources.txt lists ${entry}, which is not in solver/")
  endif()
  get_filename_component(directory ${root}/src/solver/${entry} DIRECTORY)
  list(APPEND solver_directories ${directory})
  list(APPEND solver_files ${file})
  list(APPEND solver_copies COMMAND ${CMAKE_COMMAND} -E copy ${file} ${root}/src/solver/${entry})
endforeach()
list(REMOVE_DUPLICATES solver_directories)
set(top_files ${CMAKE_CURRENT_BINARY_DIR}/package/DESCRIPTION
    ${CMAKE_CURRENT_SOURCE_DIR}/package/INDEX ${CMAKE_CURRENT_SOURCE_DIR}/package/COPYING
    ${CMAKE_CURRENT_SOURCE_DIR}/package/post_install.m)

add_custom_command(
  OUTPUT ${QUORVANE_OCTAVE_PACKAGE}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${root}/inst ${root}/src/gateway
          ${solver_directories}
  COMMAND ${CMAKE_COMMAND} -E copy ${top_files} ${root}
  COMMAND ${CMAKE_COMMAND} -E copy ${m_files} ${root}/inst
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/package/Makefile ${root}/src
  COMMAND ${CMAKE_COMMAND} -E copy ${gateway_files} ${root}/src/gateway
  ${solver_copies}
  COMMAND ${CMAKE_COMMAND} -E chdir ${stage} ${CMAKE_COMMAND} -E tar czf
          ${QUORVANE_OCTAVE_PACKAGE} ${package_name}
  DEPENDS ${top_files} ${m_files}
          ${CMAKE_CURRENT_SOURCE_DIR}/package/Makefile ${gateway_files} ${solver_files}
  COMMENT "Octave package ${package_name}.tar.gz"
  VERBATIM)
add_custom_target(octave_package ALL DEPENDS ${QUORVANE_OCTAVE_PACKAGE})
