# The Windows saver end to end: its file as Windows reads it, and real runs
# under Wine in a 1280x720 virtual desktop on a private Xvfb display.
# Debian's interpreter, which has python3-pefile.
set(VENDREL_PYTHON /usr/bin/python3 CACHE FILEPATH "python3 with the pefile module")
set(WIN32_SAVER ${WINE_BUILD_DIR}/VendrelScreensaver.exe)
set(WIN32_SAVER_NOLOGO ${WINE_BUILD_DIR}/VendrelScreensaver-nologo.exe)
set(WIN32_SAVER_RUN ${VENDREL_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/win32/saver_run.py)
set(WIN32_SAVER_SHOTS ${CMAKE_CURRENT_BINARY_DIR}/win32-saver)

# The product is the i686 build, whichever build the Wine tests run.
add_test(NAME win32_saver_file COMMAND ${VENDREL_PYTHON}
  ${CMAKE_CURRENT_SOURCE_DIR}/win32/pe_check.py
  ${VENDREL_WIN32_DIR}/VendrelScreensaver.exe ${VENDREL_WIN32_DIR}/VendrelScreensaver.scr
  ${VENDREL_WIN32_DIR}/VendrelScreensaver-nologo.exe
  ${CMAKE_SOURCE_DIR}/resources)

# Each start gets a different command line: the saver reads none of them.
vendrel_wine_test(win32_saver_covers_screen
  ${WIN32_SAVER_RUN} cover ${WIN32_SAVER} ${WIN32_SAVER_SHOTS} /s)
set(switches "/s" "/p 1234" "/c" "")
set(k 0)
foreach(trigger key altkey left right middle xbutton wheel motion burst)
  list(GET switches ${k} switch)
  math(EXPR k "(${k} + 1) % 4")
  separate_arguments(switch)
  vendrel_wine_test(win32_saver_ends_on_${trigger}
    ${WIN32_SAVER_RUN} ${trigger} ${WIN32_SAVER} ${WIN32_SAVER_SHOTS} ${switch})
endforeach()
foreach(release keyup buttonup)
  vendrel_wine_test(win32_saver_ignores_${release}
    ${WIN32_SAVER_RUN} ${release} ${WIN32_SAVER} ${WIN32_SAVER_SHOTS})
endforeach()
vendrel_wine_test(win32_saver_logo_after_rotation
  ${WIN32_SAVER_RUN} logo ${WIN32_SAVER} ${WIN32_SAVER_SHOTS})
vendrel_wine_test(win32_saver_ends_when_closed
  ${WIN32_SAVER_RUN} close ${WIN32_SAVER} ${WIN32_SAVER_SHOTS})
# Paths no device reaches under Wine, by a message posted to the window.
vendrel_wine_test(win32_saver_survives_unreadable_record
  ${WIN32_SAVER_RUN} unreadable ${WIN32_SAVER} ${WIN32_SAVER_SHOTS})
vendrel_wine_test(win32_saver_ends_on_key_before_paint
  ${WIN32_SAVER_RUN} early-key ${WIN32_SAVER} ${WIN32_SAVER_SHOTS})
vendrel_wine_test(win32_saver_missing_logo
  ${WIN32_SAVER_RUN} nologo ${WIN32_SAVER_NOLOGO} ${WIN32_SAVER_SHOTS})
# A minute of the saver with Wine counting its GDI objects.
vendrel_wine_test(win32_saver_gdi_objects_flat
  ${WIN32_SAVER_RUN} gdi ${WIN32_SAVER} ${WIN32_SAVER_SHOTS})
if(VENDREL_WINE_TESTS)
  set_tests_properties(win32_saver_logo_after_rotation PROPERTIES TIMEOUT 90)
  set_tests_properties(win32_saver_gdi_objects_flat PROPERTIES TIMEOUT 240)
endif()
