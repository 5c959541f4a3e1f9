add_wine_program(service_test service_test.cpp)
add_dependencies(service_test tkPTSer tkWDSend popup_standin)
register_wine_test(service service_test SHARDS 2)
register_wine_test(service_cp936 service_test LOCALE zh_CN.UTF-8 FILTER *Gbk*)
# The system's code page and the user's apart, both ways round; skipping there would mean
# Wine no longer keeps them apart, and the test would prove nothing.
register_wine_test(service_cp936_user_en service_test LOCALE zh_CN.UTF-8 USER_LOCALE en_US.UTF-8
                   FILTER *SystemCodePage*)
register_wine_test(service_cp1252_user_zh service_test LOCALE en_US.UTF-8 USER_LOCALE zh_CN.UTF-8
                   FILTER *SystemCodePage*)
set_tests_properties(service_cp936_user_en service_cp1252_user_zh
                     shipped32_service_cp936_user_en shipped32_service_cp1252_user_zh PROPERTIES
                     FAIL_REGULAR_EXPRESSION "\\[  SKIPPED \\]")

add_wine_program(dispatch_test dispatch_test.cpp)
add_dependencies(dispatch_test tkPTSer popup_standin)
register_wine_test(dispatch dispatch_test SHARDS 6)
register_wine_test(dispatch_cp936 dispatch_test LOCALE zh_CN.UTF-8 FILTER *NewPrinterPopupEndToEnd*)
register_wine_test(dispatch_cp950 dispatch_test LOCALE zh_TW.UTF-8 FILTER *NewPrinterPopupEndToEnd*)

add_wine_program(sender_test sender_test.cpp)
add_dependencies(sender_test tkWDSend)
register_wine_test(sender sender_test)
register_wine_test(sender_cp936 sender_test LOCALE zh_CN.UTF-8 FILTER SenderCodePage.*)
