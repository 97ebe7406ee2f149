# Host: the window's logic against the in-memory registry and a scripted toolkit.
if(NOT WIN32)
  add_executable(window_unit_tests
    unit/value_text_test.cpp
    unit/guarded_test.cpp
    unit/frm_list_test.cpp
    unit/frm_list_removal_test.cpp
    unit/frm_list_lifecycle_test.cpp
  )
  target_link_libraries(window_unit_tests PRIVATE tdm_window tdm_memory_registry gtest_main gmock)
  target_include_directories(window_unit_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  tdm_warnings(window_unit_tests)
  gtest_discover_tests(window_unit_tests)
endif()
