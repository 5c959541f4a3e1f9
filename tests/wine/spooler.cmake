# Stand-in print spooler that the real service loads in the spooler tests, kept in
# build/<preset>/tests/standin so that nothing else loads it.
add_library(winspool_standin MODULE standins/winspool.cpp standins/winspool.def)
set_target_properties(winspool_standin PROPERTIES PREFIX "" OUTPUT_NAME winspool SUFFIX ".drv"
                      LIBRARY_OUTPUT_DIRECTORY ${TK_TEST_DIR}/standin)

add_wine_program(spooler_test spooler_test.cpp)
add_dependencies(spooler_test tkPTSer winspool_standin popup_standin)
register_wine_test(spooler spooler_test)
# Wine takes a program's DLL overrides from its own start, so the whole run carries the
# override; "n,b" lets Wine's own programs, which have no stand-in beside them, keep its spooler.
set_tests_properties(spooler PROPERTIES ENVIRONMENT "WINEDLLOVERRIDES=winspool.drv=n,b")
