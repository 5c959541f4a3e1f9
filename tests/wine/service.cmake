add_wine_program(service_test service_test.cpp)
add_dependencies(service_test tkPTSer tkWDSend popup_standin)
register_wine_test(service service_test)
register_wine_test(service_cp936 service_test LOCALE zh_CN.UTF-8 FILTER *Gbk*)
