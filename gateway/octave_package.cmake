# quorvane-<version>.tar.gz in Octave's package format, for `pkg install`: the gateway and
# solver sources with a Makefile that builds them by mkoctfile, and the help text.
string(TIMESTAMP QUORVANE_PACKAGE_DATE "%Y-%m-%d" UTC)
configure_file(package/DESCRIPTION.in ${CMAKE_CURRENT_BINARY_DIR}/package/DESCRIPTION @ONLY)

set(package_name quorvane-${PROJECT_VERSION})
set(QUORVANE_OCTAVE_PACKAGE ${CMAKE_CURRENT_BINARY_DIR}/${package_name}.tar.gz)
set(stage ${CMAKE_CURRENT_BINARY_DIR}/package/stage)
set(root ${stage}/${package_name})

list(TRANSFORM quorvane_gateway_files PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/
     OUTPUT_VARIABLE gateway_files)
file(GLOB solver_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/solver/*.h
     ${PROJECT_SOURCE_DIR}/solver/*.cc)
set(solver_header ${PROJECT_SOURCE_DIR}/solver/include/quorvane/solver.h)
set(top_files ${CMAKE_CURRENT_BINARY_DIR}/package/DESCRIPTION
    ${CMAKE_CURRENT_SOURCE_DIR}/package/INDEX ${CMAKE_CURRENT_SOURCE_DIR}/package/COPYING
    ${CMAKE_CURRENT_SOURCE_DIR}/package/post_install.m)

add_custom_command(
  OUTPUT ${QUORVANE_OCTAVE_PACKAGE}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${root}/inst ${root}/src/gateway
          ${root}/src/solver/include/quorvane
  COMMAND ${CMAKE_COMMAND} -E copy ${top_files} ${root}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/quorvane.m
          ${CMAKE_CURRENT_SOURCE_DIR}/quorvane_batch.m ${root}/inst
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/package/Makefile ${root}/src
  COMMAND ${CMAKE_COMMAND} -E copy ${gateway_files} ${root}/src/gateway
  COMMAND ${CMAKE_COMMAND} -E copy ${solver_files} ${root}/src/solver
  COMMAND ${CMAKE_COMMAND} -E copy ${solver_header} ${root}/src/solver/include/quorvane
  COMMAND ${CMAKE_COMMAND} -E chdir ${stage} ${CMAKE_COMMAND} -E tar czf
          ${QUORVANE_OCTAVE_PACKAGE} ${package_name}
  DEPENDS ${top_files} ${CMAKE_CURRENT_SOURCE_DIR}/quorvane.m
          ${CMAKE_CURRENT_SOURCE_DIR}/quorvane_batch.m
          ${CMAKE_CURRENT_SOURCE_DIR}/package/Makefile ${gateway_files} ${solver_files}
          ${solver_header}
  COMMENT "Octave package ${package_name}.tar.gz"
  VERBATIM)
add_custom_target(octave_package ALL DEPENDS ${QUORVANE_OCTAVE_PACKAGE})
