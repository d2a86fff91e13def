# vendrel-render: its scene-file parser, its answers to bad input, and the
# proof that both builds draw the same frames from the same scene.
add_executable(vendrel-scene-file-tests scene_file_test.cpp)
target_link_libraries(vendrel-scene-file-tests PRIVATE vendrel_scene_file GTest::gtest_main)
gtest_discover_tests(vendrel-scene-file-tests)

set(RENDER_NATIVE $<TARGET_FILE:vendrel-render>)
set(RENDER_WIN32 ${WINE_BUILD_DIR}/tools/vendrel-render.exe)
set(SCENES ${CMAKE_CURRENT_SOURCE_DIR}/scenes)
set(FRAMES_WORK ${CMAKE_CURRENT_BINARY_DIR}/frames)

add_test(NAME render_errors_native
  COMMAND ${HARNESS}/render-errors.sh ${RENDER_NATIVE} ${FRAMES_WORK}/errors-native)
vendrel_wine_test(render_errors_win32
  ${HARNESS}/render-errors.sh ${RENDER_WIN32} ${FRAMES_WORK}/errors-win32)

# FRAMES above 1 only where no particle leaves the screen: a respawn draws
# from rand, and the two C libraries' rand differ.
function(vendrel_frame_comparison name frames)
  vendrel_wine_test(frames_${name}
    ${HARNESS}/compare-frames.sh ${RENDER_WIN32} ${RENDER_NATIVE} ${FRAMES_WORK}/${name}
    ${frames} ${ARGN})
endfunction()

vendrel_frame_comparison(edges 1 --scene ${SCENES}/edges.scene)
vendrel_frame_comparison(fractions 1 --scene ${SCENES}/fractions.scene)
vendrel_frame_comparison(tiny 1 --scene ${SCENES}/tiny.scene)
vendrel_frame_comparison(link_threshold 50 --scene ${SCENES}/link-threshold.scene)
vendrel_frame_comparison(coincident 50 --scene ${SCENES}/coincident.scene)
vendrel_frame_comparison(network 50 --scene ${SCENES}/network-1280x720.scene)
foreach(k RANGE 0 4)
  vendrel_frame_comparison(small_backdrop_${k} 50
    --scene ${SCENES}/small-160x140.scene --backdrop ${k})
endforeach()
foreach(k RANGE 1 4)
  vendrel_frame_comparison(logo_corners_${k} 50
    --scene ${SCENES}/logo-corners.scene --backdrop ${k})
endforeach()

vendrel_wine_test(frames_seed
  ${HARNESS}/compare-seed.sh ${RENDER_WIN32} ${RENDER_NATIVE} ${FRAMES_WORK}/seed 1 1920x1080)

vendrel_wine_test(frames_no_gdi_leak
  ${HARNESS}/gdi-leak.sh ${RENDER_WIN32} ${RENDER_NATIVE} ${SCENES}/dense.scene 600
  ${FRAMES_WORK}/gdi-leak)

# Long and hostile runs of the frame function: under the asan preset any
# write outside a surface, leak or undefined arithmetic stops them.
add_test(NAME render_2000_frames
  COMMAND ${RENDER_NATIVE} --seed 2026 --size 1280x720 --frames 2000)
foreach(size 1x1 2x2 100x100 149x138 7680x4320)
  add_test(NAME render_screen_${size}
    COMMAND ${RENDER_NATIVE} --seed 5 --size ${size} --frames 30 --backdrop 3
            --every 30 --out ${FRAMES_WORK}/screen-${size})
endforeach()
