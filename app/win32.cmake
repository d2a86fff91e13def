# The Windows saver, VendrelScreensaver.exe at the top of the build folder,
# and the same file as VendrelScreensaver.scr, the form Windows installs
# screen savers in. The -nologo variant lacks bitmap 131 and exists only so
# the tests can see the missing-logo message in a real run.
set(resources ${CMAKE_SOURCE_DIR}/resources)

function(vendrel_saver_program name rc)
  add_executable(${name} ${CMAKE_CURRENT_SOURCE_DIR}/win32_main.cpp ${resources}/${rc})
  target_link_libraries(${name} PRIVATE vendrel_saver gdiplus)
  target_include_directories(${name} PRIVATE ${resources})
  # windres reads these too; CMake's scan of the .rc file does not see them.
  set_source_files_properties(${resources}/${rc} PROPERTIES OBJECT_DEPENDS
    "${resources}/saver.rc;${resources}/saver.manifest;${resources}/logo.bmp")
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  vendrel_subsystem(${name} windows)
endfunction()

vendrel_saver_program(VendrelScreensaver saver.rc)
add_custom_command(TARGET VendrelScreensaver POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:VendrelScreensaver>
          ${CMAKE_BINARY_DIR}/VendrelScreensaver.scr
  VERBATIM)

vendrel_saver_program(VendrelScreensaver-nologo saver-nologo.rc)
