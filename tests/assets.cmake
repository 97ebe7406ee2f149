# The program's pictures (host: their file headers) and the Win32 toolkit (Windows:
# the real window, controls and services, under Wine on a virtual display).
if(NOT WIN32)
  add_executable(asset_tests assets/asset_test.cpp)
  target_compile_definitions(asset_tests PRIVATE TDM_ASSETS_DIR="${PROJECT_SOURCE_DIR}/assets")
  target_link_libraries(asset_tests PRIVATE gtest_main)
  tdm_warnings(asset_tests)
  gtest_discover_tests(asset_tests)
endif()

if(WIN32 AND TARGET tdm_platform)
  # Linked with the program's resource script: the cases read its version numbers,
  # icon and cursor the way the program does.
  add_executable(win32_toolkit_tests toolkit/win32_toolkit_test.cpp ${PROJECT_SOURCE_DIR}/assets/app.rc)
  target_include_directories(win32_toolkit_tests PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/assets)
  target_link_libraries(win32_toolkit_tests PRIVATE tdm_platform gtest_main)
  tdm_warnings(win32_toolkit_tests)
  gtest_discover_tests(win32_toolkit_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)
endif()
