# The pop-up's window object on real windows; the skins come from the program's own script.
add_wine_program(popup_window_test popup_window_test.cpp
                 ${PROJECT_SOURCE_DIR}/popup/tkWDBox.rc)
target_link_libraries(popup_window_test PRIVATE popup_window shell32)
# The window object runs inside the test program, so only the 64-bit one is tested here;
# popup_builds_test compares the shipped pop-up's pixels with it.
register_wine_test(popup_window popup_window_test LANE 64 SHARDS 2)
set_source_files_properties(${PROJECT_SOURCE_DIR}/popup/tkWDBox.rc PROPERTIES
                            OBJECT_DEPENDS "${TK_POPUP_RESOURCES}")

# The shipped 32-bit pop-up against this build's: the same pixels for the same report.
add_wine_program(popup_builds_test popup_builds_test.cpp popup_png.cpp)
add_dependencies(popup_builds_test tkWDBox)
register_wine_test(popup_builds popup_builds_test LANE 32)
register_wine_test(popup_builds_cp936 popup_builds_test LANE 32 LOCALE zh_CN.UTF-8)
