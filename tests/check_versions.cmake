# cmake -DVERSION=x.y.z -DSOURCE_DIR=... -DBINARY_DIR=... [-DOCTAVE_DESCRIPTION=file] -P
# Checks that everything that states the version states the project's, and that every
# package names the licence.
set(failures "")
macro(expect_match file regex what)
  if(NOT EXISTS "${file}")
    list(APPEND failures "${file}: missing")
  else()
    file(READ "${file}" text)
    if(NOT text MATCHES "${regex}")
      list(APPEND failures "${file}: ${what}")
    endif()
  endif()
endmacro()

string(REPLACE "." "\\." version "${VERSION}")
expect_match("${BINARY_DIR}/quorvaneConfigVersion.cmake"
             "set\\(PACKAGE_VERSION \"${version}\"\\)" "package version is not ${VERSION}")
expect_match("${SOURCE_DIR}/CITATION.cff" "\nversion: ${version}\n" "version is not ${VERSION}")
expect_match("${SOURCE_DIR}/CITATION.cff" "\nlicense: BSD-3-Clause\n" "licence is not BSD-3-Clause")
# The newest release in the changelog, the first release heading after Unreleased, is this
# version; the entries between may hold anything, brackets and subheadings among them.
file(READ "${SOURCE_DIR}/CHANGELOG.md" changelog)
string(REGEX MATCHALL "\n## \\[[^]\n]*\\]" release_headings "\n${changelog}")
list(FILTER release_headings EXCLUDE REGEX "Unreleased")
list(GET release_headings 0 newest_release)
if(NOT newest_release STREQUAL "\n## [${VERSION}]")
  string(STRIP "${newest_release}" newest_release)
  list(APPEND failures "${SOURCE_DIR}/CHANGELOG.md: the newest release is ${newest_release}, not ${VERSION}")
endif()
expect_match("${SOURCE_DIR}/pyproject.toml" "\ndynamic = \\[\"version\"\\]\n"
             "the version is not dynamic (read from CMakeLists.txt by setup.py)")
expect_match("${SOURCE_DIR}/pyproject.toml" "\nlicense = {text = \"BSD-3-Clause\"}\n"
             "licence is not BSD-3-Clause")
expect_match("${SOURCE_DIR}/LICENSE" "^BSD 3-Clause License\n" "not the BSD 3-Clause licence")
if(OCTAVE_DESCRIPTION)
  expect_match("${OCTAVE_DESCRIPTION}" "\nVersion: ${version}\n" "version is not ${VERSION}")
  expect_match("${OCTAVE_DESCRIPTION}" "\nLicense: BSD-3-Clause\n" "licence is not BSD-3-Clause")
endif()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "version or licence disagrees:\n  ${text}")
endif()
message(STATUS "version ${VERSION} and licence BSD-3-Clause everywhere")
