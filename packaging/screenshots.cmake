# The program that takes the README's pictures (scripts/screenshots builds it
# on demand; the normal build leaves it out).
if(TARGET zeltric_ui)
  add_executable(zeltric_screenshots EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/screenshots/zeltric_screenshots.cpp)
  target_link_libraries(zeltric_screenshots PRIVATE zeltric_ui)
endif()
