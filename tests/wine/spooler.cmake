add_wine_program(spooler_test spooler_test.cpp)
add_dependencies(spooler_test tkPTSer winspool_standin popup_standin)
# Wine takes a program's DLL overrides from its own start, so the whole run carries the
# override; "n,b" lets Wine's own programs, which have no stand-in beside them, keep its spooler.
register_wine_test(spooler spooler_test ENVIRONMENT WINEDLLOVERRIDES=winspool.drv=n,b)
