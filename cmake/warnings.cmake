# Project targets compile warning-free on both toolchains; third-party code
# (GoogleTest) keeps its own flags.
function(telm_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    target_compile_features(${target} PUBLIC cxx_std_20)
endfunction()
