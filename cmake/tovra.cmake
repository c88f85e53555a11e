# Helpers shared by every folder: programs land in the staged installation's
# bin folder, data files in its other folders, tests beside their sources.

file(MAKE_DIRECTORY ${TOVRA_STAGE}/bin ${TOVRA_STAGE}/dat ${TOVRA_STAGE}/include
     ${TOVRA_STAGE}/lib ${TOVRA_STAGE}/sources)
# An installation has every folder the programs look in, even one that no
# file of this build fills yet.
install(DIRECTORY DESTINATION lib)
install(DIRECTORY DESTINATION sources)

# Every staged data file hangs off this target, so a test built on its own
# still finds the message files and the chip database.
add_custom_target(tovra_stage ALL)

# tovra_program(<name> <sources...> LIBS <libs...>)
function(tovra_program name)
  cmake_parse_arguments(P "" "" "LIBS" ${ARGN})
  add_executable(${name} ${P_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${P_LIBS} common)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TOVRA_STAGE}/bin)
  install(TARGETS ${name} RUNTIME DESTINATION bin)
  set_property(GLOBAL APPEND PROPERTY TOVRA_PROGRAMS ${name})
endfunction()

# tovra_test(<name> <sources...> LIBS <libs...>): a GoogleTest binary run by CTest.
# Tests see the staged installation through TOVRA18_STAGE and never touch the
# user's registry store.
function(tovra_test name)
  cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} common GTest::gtest GTest::gtest_main)
  add_dependencies(${name} tovra_stage)
  target_compile_definitions(${name} PRIVATE
    TOVRA_STAGE="${TOVRA_STAGE}"
    TOVRA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    TOVRA_TEST_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
  gtest_discover_tests(${name}
    PROPERTIES ENVIRONMENT "TOVRA18_REGISTRY=${CMAKE_BINARY_DIR}/test-registry;TOVRA18_STAGE=${TOVRA_STAGE}"
    DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST)
endfunction()

# tovra_stage_files(<subfolder> <files...>): copies data files into the staged
# installation at build time and installs them.
function(tovra_stage_files subdir)
  set(outputs)
  foreach(f ${ARGN})
    get_filename_component(fname ${f} NAME)
    set(out ${TOVRA_STAGE}/${subdir}/${fname})
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_CURRENT_SOURCE_DIR}/${f} ${out}
      DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${f})
    list(APPEND outputs ${out})
    install(FILES ${f} DESTINATION ${subdir})
  endforeach()
  string(MAKE_C_IDENTIFIER "stage_${subdir}_${CMAKE_CURRENT_SOURCE_DIR}" tgt)
  add_custom_target(${tgt} ALL DEPENDS ${outputs})
  add_dependencies(tovra_stage ${tgt})
endfunction()

# A libFuzzer target built with clang in the sanitizer tree from <name>.cpp
# and the SOURCES it needs; CTest runs it for a bounded time from the SEEDS
# folder, with the test ENVIRONMENT given. The seed is fixed so that a test
# run explores the same inputs each time: a CI failure can be replayed, and
# a clean tree never fails on luck. Longer runs with fresh seeds are
# scripts/fuzz's job.
function(tovra_fuzzer name)
  cmake_parse_arguments(F "" "SEEDS" "SOURCES;ENVIRONMENT" ${ARGN})
  find_program(TOVRA_CLANGXX clang++)
  if(NOT (TOVRA_SANITIZE AND TOVRA_CLANGXX))
    return()
  endif()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${name})
  add_custom_command(OUTPUT ${out}
    COMMAND ${TOVRA_CLANGXX} -std=c++20 -g -O1 -fno-omit-frame-pointer
            -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
            -I${CMAKE_SOURCE_DIR} "-DTOVRA_STAGE=\"${TOVRA_STAGE}\""
            ${CMAKE_CURRENT_SOURCE_DIR}/${name}.cpp ${F_SOURCES} -o ${out}
    DEPENDS ${name}.cpp ${F_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/fuzz_quiet.h
    COMMENT "Building libFuzzer target ${name}"
    VERBATIM)
  add_custom_target(${name}_build ALL DEPENDS ${out})
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
  add_test(NAME ${name}
    COMMAND ${out} -seed=1 -max_total_time=25 -timeout=5 -rss_limit_mb=1024
            ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus ${F_SEEDS})
  set_tests_properties(${name} PROPERTIES TIMEOUT 120)
  if(F_ENVIRONMENT)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${F_ENVIRONMENT}")
  endif()
endfunction()
