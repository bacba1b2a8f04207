# Tests of the packages (see cmake/packaging.cmake), included from
# tests/CMakeLists.txt after the end-to-end tests exist. The screenshots of
# the window come first, in the shared Wine session; the packages are made
# from them; the package test then installs, runs and uninstalls them in a
# Wine prefix of its own, so that installing touches no other test's state.
set_tests_properties(e2e_test_package_screenshots PROPERTIES FIXTURES_SETUP guide_shots)

add_test(NAME package_build
         COMMAND ${CMAKE_COMMAND} -DBINARY_DIR=${CMAKE_BINARY_DIR}
                 -P ${CMAKE_SOURCE_DIR}/cmake/make-package.cmake)
set_tests_properties(package_build PROPERTIES FIXTURES_REQUIRED guide_shots
                     FIXTURES_SETUP package TIMEOUT 600)

set_tests_properties(e2e_test_package PROPERTIES FIXTURES_REQUIRED package)
