# The portable saver program, and a twin without the logo for the tests of
# the missing-logo message.
function(vendrel_portable_saver target logo)
  add_executable(${target} portable_main.cpp portable_triggers.cpp)
  target_link_libraries(${target} PRIVATE vendrel_saver ${logo})
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()

vendrel_portable_saver(vendrel-screensaver vendrel_logo)
vendrel_portable_saver(vendrel-screensaver-nologo vendrel_nologo)
