# Renders the user guide with the screenshots that the end-to-end tests took
# of the current program, then makes the packages with CPack.
#   cmake -DBINARY_DIR=<cross build tree> -P cmake/make-package.cmake
# The packages land in BINARY_DIR/packages; old ones are removed first, so
# what is there always comes from this build.
if(NOT BINARY_DIR)
    message(FATAL_ERROR "usage: cmake -DBINARY_DIR=<build tree> -P make-package.cmake")
endif()
get_filename_component(source_dir ${CMAKE_CURRENT_LIST_DIR} DIRECTORY)
set(guide_dir ${BINARY_DIR}/guide)

execute_process(COMMAND python3 ${source_dir}/cmake/render_guide.py
                        ${source_dir}/docs/user-guide.zh-CN.md ${guide_dir}/shots
                        ${guide_dir}/user-guide.zh-CN.html
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the user guide could not be rendered (are the screenshots "
                        "in ${guide_dir}/shots? the test e2e_test_package_screenshots takes them)")
endif()

file(REMOVE_RECURSE ${BINARY_DIR}/packages)
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} --config ${BINARY_DIR}/CPackConfig.cmake
                WORKING_DIRECTORY ${BINARY_DIR} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "CPack failed")
endif()
file(GLOB packages ${BINARY_DIR}/packages/*.zip ${BINARY_DIR}/packages/*.exe)
foreach(package ${packages})
    file(SIZE ${package} size)
    message(STATUS "${package}: ${size} bytes")
endforeach()
