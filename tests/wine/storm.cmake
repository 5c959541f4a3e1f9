# The service under a storm of hostile clients and a soak, with a stand-in pop-up that only
# records its starts: build/<preset>/tests/standin-log/tkWDBox.exe. Run on code page 936, so
# that the storm's GBK printer names are real Chinese names.
add_executable(popup_logger WIN32 standins/popup_standin.cpp)
target_compile_definitions(popup_logger PRIVATE STANDIN_LOG_ONLY)
target_link_libraries(popup_logger PRIVATE common_logic)
target_link_options(popup_logger PRIVATE -municode)
set_target_properties(popup_logger PROPERTIES OUTPUT_NAME tkWDBox RUNTIME_OUTPUT_DIRECTORY ${TK_TEST_DIR}/standin-log)

add_wine_program(storm_test storm_test.cpp)
target_link_libraries(storm_test PRIVATE psapi)
add_dependencies(storm_test tkPTSer popup_logger)
register_wine_test(storm storm_test LOCALE zh_CN.UTF-8)
