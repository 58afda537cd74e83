# The real program on a Wayland desktop: a headless sway at scales 1 and 2, natively and through
# XWayland.
add_test(NAME wayland_show COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wayland/run_wayland.sh $<TARGET_FILE:lumora>)
set_tests_properties(wayland_show PROPERTIES TIMEOUT 120 RUN_SERIAL TRUE)
