# The packages a hospital's IT deploys, made by CPack from the installed tree:
# a portable ZIP folder and a per-user NSIS installer (the project's own
# template, cmake/NSIS.template.in), each holding the exe and the user guide
# rendered to HTML. Names inside the packages stay ASCII: the ZIP and NSIS
# tools mangle others.
#
# The guide shows screenshots that the end-to-end tests take of the current
# program, so the packages are made after them: cmake/make-package.cmake
# renders the guide and runs CPack (see the package_build test and
# `make package`).

# The four-part version that the installed-programs list shows, read from
# the one place the program's version is written.
file(STRINGS ${CMAKE_SOURCE_DIR}/resources/version.h telm_version_line
     REGEX "#define TELM_VERSION_TEXT ")
string(REGEX MATCH "[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+" TELM_FILE_VERSION "${telm_version_line}")
if(NOT TELM_FILE_VERSION)
    message(FATAL_ERROR "resources/version.h has no TELM_VERSION_TEXT")
endif()

set(TELM_GUIDE_DIR ${CMAKE_BINARY_DIR}/guide)
set(TELM_GUIDE_HTML ${TELM_GUIDE_DIR}/user-guide.zh-CN.html)
set(TELM_PACKAGE_DIR ${CMAKE_BINARY_DIR}/packages)

# CPack installs what is already built rather than building everything
# (the tests included) again: the package step runs after the build.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)
install(TARGETS TelmMedTool RUNTIME DESTINATION .)
install(FILES ${TELM_GUIDE_HTML} DESTINATION .)

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_NAME TelmMedTool)
set(CPACK_PACKAGE_VENDOR TelmMedSuite)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Varnel pediatric dehydration fluid plan")
set(CPACK_PACKAGE_FILE_NAME TelmMedTool-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY TelmMedTool)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY TelmMedTool)
set(CPACK_PACKAGE_DIRECTORY ${TELM_PACKAGE_DIR})
# The ZIP unpacks to one folder named like the package.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_TELM_FILE_VERSION ${TELM_FILE_VERSION})

set(CPACK_MODULE_PATH ${CMAKE_SOURCE_DIR}/cmake)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/cpack-generators.cmake)
set(CPACK_NSIS_PACKAGE_NAME TelmMedTool)
set(CPACK_NSIS_DISPLAY_NAME TelmMedTool)
set(CPACK_NSIS_INSTALLED_ICON_NAME TelmMedTool.exe)
set(CPACK_NSIS_MUI_ICON ${CMAKE_BINARY_DIR}/resources/app.ico)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")

include(CPack)
