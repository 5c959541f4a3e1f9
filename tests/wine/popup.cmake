# The pop-up's window object on real windows; the skins come from the program's own script.
add_wine_program(popup_window_test popup_window_test.cpp popup_png.cpp
                 ${PROJECT_SOURCE_DIR}/popup/tkWDBox.rc)
target_link_libraries(popup_window_test PRIVATE popup_window shell32)
register_wine_test(popup_window popup_window_test SHARDS 2)
set_source_files_properties(${PROJECT_SOURCE_DIR}/popup/tkWDBox.rc PROPERTIES
                            OBJECT_DEPENDS "${TK_POPUP_RESOURCES}")
