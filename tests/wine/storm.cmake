# The service under a storm of hostile clients and a soak, with the stand-in pop-up that only
# records its starts (standins/). Run on code page 936, so that the storm's GBK printer names
# are real Chinese names.
add_wine_program(storm_test storm_test.cpp)
target_link_libraries(storm_test PRIVATE psapi)
add_dependencies(storm_test tkPTSer popup_logger)
register_wine_test(storm storm_test LOCALE zh_CN.UTF-8)
