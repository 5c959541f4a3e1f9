# Regenerates the pop-up's resources into OUT_DIR and compares them byte for byte with the
# files kept in RES_DIR. usage: cmake -DGENERATOR=... -DOUT_DIR=... -DRES_DIR=... -P this
file(REMOVE_RECURSE ${OUT_DIR})
file(MAKE_DIRECTORY ${OUT_DIR})
execute_process(COMMAND ${GENERATOR} ${OUT_DIR} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "skin_generator failed: ${status}")
endif()
foreach(name skin_light.bmp skin_cyan.bmp skin_blue.bmp tkWDBox.ico)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT_DIR}/${name} ${RES_DIR}/${name}
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${name} differs from what skin_generator draws: run it into ${RES_DIR}")
  endif()
endforeach()
message(STATUS "the four resources match their generator")
