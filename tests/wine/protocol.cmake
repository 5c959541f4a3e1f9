# The senders that docs/protocol.md quotes, run against the real service, and the check that
# the document quotes them as they stand.
add_executable(send_status ${PROJECT_SOURCE_DIR}/docs/examples/send_status.cpp)
set_target_properties(send_status PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TK_TEST_DIR}/examples)
foreach(example send-status.cmd send-with-tkWDSend.cmd)
  configure_file(${PROJECT_SOURCE_DIR}/docs/examples/${example} ${TK_TEST_DIR}/examples/${example} COPYONLY)
endforeach()

add_wine_program(protocol_test protocol_test.cpp)
add_dependencies(protocol_test tkPTSer tkWDSend popup_standin send_status)
register_wine_test(protocol_examples protocol_test)

add_test(NAME protocol_doc_quotes_examples
         COMMAND ${PROJECT_SOURCE_DIR}/tests/docs/check_quoted_examples.sh
                 ${PROJECT_SOURCE_DIR}/docs/protocol.md ${PROJECT_SOURCE_DIR})
