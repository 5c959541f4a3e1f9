add_wine_program(service_test service_test.cpp)
add_dependencies(service_test tkPTSer tkWDSend)
register_wine_test(service service_test)
