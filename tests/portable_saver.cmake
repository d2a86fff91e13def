# The portable saver end to end, each test on a private Xvfb screen.
set(PORTABLE_TESTS ${CMAKE_CURRENT_SOURCE_DIR}/portable)

# What the ways SDL offers of presenting a frame cost: a benchmark, run by
# hand with tests/portable/present-bench.sh, never as a test.
add_executable(vendrel-present-bench portable/present_bench.cpp)
target_link_libraries(vendrel-present-bench PRIVATE SDL2::SDL2)
