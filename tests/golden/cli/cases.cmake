# One test per recorded zeltric-cli run under tests/golden/cli: every output
# byte must stay as recorded.
file(GLOB golden_cli_cases LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*)
foreach(case_dir ${golden_cli_cases})
  if(NOT EXISTS ${case_dir}/args)
    continue()
  endif()
  get_filename_component(case ${case_dir} NAME)
  file(READ ${case_dir}/args case_args)
  # A build without Qt has no BMP plot.
  if(case_args MATCHES "--plot" AND NOT ZELTRIC_BUILD_GUI)
    continue()
  endif()
  add_test(NAME golden_cli_${case}
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/compare.sh ${ZELTRIC_TEST_CLI} ${case_dir}
            ${CMAKE_CURRENT_BINARY_DIR}/golden_cli/${case})
  set_tests_properties(golden_cli_${case} PROPERTIES LABELS process TIMEOUT 300)
endforeach()
