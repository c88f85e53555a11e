# cmake -P script: compiles SOURCES (in SOURCES_DIR) with the driver DRIVER
# into the p-code library NAME.lpp in LIBDIR, its by-products in WORK. The
# driver's own output is shown only when it fails.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env TOVRA18_REGISTRY=${WORK}/registry
          ${DRIVER} --chip=18F452 --output=lpp -O${NAME} --outdir=${WORK} --objdir=${WORK}
          ${OPTIONS} ${SOURCES}
  WORKING_DIRECTORY ${SOURCES_DIR}
  RESULT_VARIABLE status
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(NOT status EQUAL 0 OR NOT EXISTS ${WORK}/${NAME}.lpp)
  message(FATAL_ERROR "building ${NAME}.lpp failed (${status}):\n${output}")
endif()
file(COPY_FILE ${WORK}/${NAME}.lpp ${LIBDIR}/${NAME}.lpp)
