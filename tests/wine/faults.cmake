# The fault matrix: the real service and pop-up under faults of their surroundings.
add_wine_program(fault_matrix_test fault_matrix_test.cpp)
add_dependencies(fault_matrix_test tkPTSer tkWDBox popup_standin)
register_wine_test(faults fault_matrix_test)
