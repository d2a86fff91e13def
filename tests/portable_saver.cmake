# The portable saver end to end, each test on a private Xvfb screen.
set(PORTABLE_TESTS ${CMAKE_CURRENT_SOURCE_DIR}/portable)
set(SAVER $<TARGET_FILE:vendrel-screensaver>)
set(SAVER_NOLOGO $<TARGET_FILE:vendrel-screensaver-nologo>)

# The sanitizer builds run the saver several times slower: there the tests
# stretch their bounds of time and work by VENDREL_TIME_SCALE.
function(vendrel_e2e_properties name)
  set_tests_properties(${name} PROPERTIES LABELS xvfb TIMEOUT 120)
  if(VENDREL_SANITIZE)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT VENDREL_TIME_SCALE=10)
  endif()
endfunction()

function(vendrel_xvfb_test name size)
  add_test(NAME ${name}
    COMMAND ${HARNESS}/xvfb.sh ${size} python3 ${PORTABLE_TESTS}/saver_e2e.py ${ARGN})
  vendrel_e2e_properties(${name})
endfunction()

foreach(size 1280x720 1920x1080 320x240)
  vendrel_xvfb_test(portable_screen_${size} ${size} screen ${SAVER})
endforeach()

foreach(trigger key alt-key f10 left middle right x1 x2 wheel motion close sigterm)
  vendrel_xvfb_test(portable_trigger_${trigger} 1280x720 trigger ${trigger} ${SAVER})
endforeach()

vendrel_xvfb_test(portable_ignored_input 1280x720 ignored ${SAVER})
vendrel_xvfb_test(portable_trigger_burst 1280x720 burst ${SAVER})
foreach(size 1x1 2x2 100x100 149x138 7680x4320)
  vendrel_xvfb_test(portable_hostile_screen_${size} ${size} hostile-screen ${SAVER})
endforeach()
vendrel_xvfb_test(portable_logo 1280x720 logo ${SAVER} ${CMAKE_SOURCE_DIR}/resources/logo.bmp)
vendrel_xvfb_test(portable_missing_logo 1280x720 nologo ${SAVER_NOLOGO})
vendrel_xvfb_test(portable_missing_logo_stop 1280x720 nologo-stop ${SAVER_NOLOGO})

# Under real window managers, and started by an idle launcher.
foreach(wm openbox i3)
  vendrel_xvfb_test(portable_desktop_${wm} 1280x720 desktop ${wm} ${SAVER})
endforeach()
if(NOT VENDREL_SANITIZE)
  vendrel_xvfb_test(portable_idle_xautolock 1280x720 idle ${SAVER})
  set_tests_properties(portable_idle_xautolock PROPERTIES TIMEOUT 240)
endif()

# These two make their own display, or none.
add_test(NAME portable_lost_display
  COMMAND python3 ${PORTABLE_TESTS}/saver_e2e.py lost-display ${SAVER})
add_test(NAME portable_no_display
  COMMAND python3 ${PORTABLE_TESTS}/saver_e2e.py no-display ${SAVER})
set_tests_properties(portable_lost_display portable_no_display PROPERTIES TIMEOUT 60)

# The desktop's idle timers run on while the saver runs, and out of sight it
# does no work.
if(NOT VENDREL_SANITIZE)
  vendrel_xvfb_test(portable_idle_machinery 1280x720 idle-machinery ${SAVER})
endif()
vendrel_xvfb_test(portable_unseen 1280x720 unseen ${SAVER})
vendrel_xvfb_test(portable_screen_change 1280x720 screen-change ${SAVER})
vendrel_xvfb_test(portable_monitors 3840x1080 monitors ${SAVER})

# Inside the screen-saver frameworks, on the window they hand over.
function(vendrel_hosted_test name)
  add_test(NAME ${name} COMMAND ${ARGN})
  vendrel_e2e_properties(${name})
endfunction()
set(HOSTED python3 ${PORTABLE_TESTS}/hosted_e2e.py)
vendrel_hosted_test(portable_hosted_preview ${HARNESS}/xvfb.sh 1280x720 ${HOSTED} preview ${SAVER})
vendrel_hosted_test(portable_hosted_windows ${HARNESS}/xvfb.sh 1280x720 ${HOSTED} windows ${SAVER})
vendrel_hosted_test(portable_hosted_ending
  ${HARNESS}/xvfb.sh 1280x720 ${HOSTED} ending ${SAVER} ${SAVER_NOLOGO})
if(NOT VENDREL_SANITIZE)
  vendrel_hosted_test(portable_hosted_xscreensaver
    ${HARNESS}/xvfb.sh 1280x720 ${HOSTED} xscreensaver ${SAVER})
  vendrel_hosted_test(portable_hosted_monitors ${HOSTED} monitors ${SAVER})
  vendrel_hosted_test(portable_hosted_xsecurelock
    ${HARNESS}/xvfb.sh 1280x720 ${HOSTED} xsecurelock ${SAVER})
  vendrel_hosted_test(portable_hosted_mate ${HARNESS}/xvfb.sh 1280x720 ${HOSTED} mate ${SAVER}
    ${CMAKE_SOURCE_DIR}/docs/vendrel-screensaver.desktop)
  # Under sway, headless, which brings its own display (and XWayland), and
  # under mutter, GNOME's compositor, headless.
  foreach(mode swayidle native mutter)
    vendrel_hosted_test(portable_wayland_${mode} python3 ${PORTABLE_TESTS}/wayland_e2e.py
      ${mode} ${SAVER})
  endforeach()
endif()
