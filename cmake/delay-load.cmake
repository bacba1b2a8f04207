# Delay-loaded system DLLs. Windows and Wine map every DLL of the import
# table before the program starts, and USER32 and GDI32 bring up the whole
# window system with them: under Wine that costs the headless self-test more
# than all its own work. Their functions are bound on the first call instead,
# by __delayLoadHelper2 (in libmingwex, which every link takes), so that only
# KERNEL32 and msvcrt load at start and the window mode loads the rest when
# it first calls them.
#
# cmake/delay-load/<dll>.def lists the functions the program calls from that
# DLL; dlltool makes a delay-import library of it, which is linked ahead of
# the normal import libraries. A function missing from the list still links,
# but through the normal import library, so the DLL would load at start
# again: the exe_imports test (tests/e2e/check_imports.sh) catches that.

if(NOT CMAKE_DLLTOOL)
    message(FATAL_ERROR "dlltool was not found; it makes the delay-import libraries")
endif()

# Delay-loads each DLL named after TARGET, e.g. telm_delay_load(app user32).
function(telm_delay_load target)
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/delay-load)
    file(MAKE_DIRECTORY ${dir})
    set(libs)
    foreach(dll IN LISTS ARGN)
        set(def ${CMAKE_SOURCE_DIR}/cmake/delay-load/${dll}.def)
        # dlltool names the library's symbols and its temporary objects after
        # the output as given: a bare name keeps build paths out of the exe
        # and parallel runs apart.
        set(name lib${dll}-delay.a)
        set(lib ${dir}/${name})
        add_custom_command(OUTPUT ${lib}
                           COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --output-delaylib ${name}
                           WORKING_DIRECTORY ${dir}
                           DEPENDS ${def}
                           COMMENT "Making the delay-import library of ${dll}.dll"
                           VERBATIM)
        list(APPEND libs ${lib})
    endforeach()
    add_custom_target(${target}_delay_load DEPENDS ${libs})
    add_dependencies(${target} ${target}_delay_load)
    target_link_libraries(${target} PRIVATE ${libs})
endfunction()
