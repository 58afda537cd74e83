add_test(NAME xvfb_show COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/xvfb/run_show.sh $<TARGET_FILE:lumora>)
set_tests_properties(xvfb_show PROPERTIES TIMEOUT 90 RUN_SERIAL TRUE)
add_executable(drag_source xvfb/drag_source.cpp)
target_link_libraries(drag_source PRIVATE Qt6::Widgets)
add_test(NAME xvfb_folder COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/xvfb/run_folder.sh $<TARGET_FILE:lumora>
    $<TARGET_FILE:drag_source>)
set_tests_properties(xvfb_folder PROPERTIES TIMEOUT 90 RUN_SERIAL TRUE)
add_test(NAME xvfb_outside COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/xvfb/run_outside.sh $<TARGET_FILE:lumora>
    $<TARGET_FILE:drag_source>)
set_tests_properties(xvfb_outside PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE)
add_test(NAME xvfb_pictures COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/xvfb/run_pictures.sh $<TARGET_FILE:lumora>)
set_tests_properties(xvfb_pictures PROPERTIES TIMEOUT 90 RUN_SERIAL TRUE)
