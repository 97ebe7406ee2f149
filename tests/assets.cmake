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

# The window at the screen's DPI (96, 144 and 192) and through DPI changes. Each DPI
# runs in a Wine prefix and on a display of its own (dpi_tests.sh), since the DPI is a
# setting of the prefix that every program of it reads when it starts.
if(WIN32 AND TARGET tdm_platform AND TARGET tdm_window AND TARGET TalvorinDeviceManager)
  add_executable(dpi_layout_tests toolkit/dpi_layout_test.cpp ${PROJECT_SOURCE_DIR}/assets/app.rc)
  target_include_directories(dpi_layout_tests PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/assets)
  target_link_libraries(dpi_layout_tests PRIVATE tdm_platform tdm_window tdm_memory_registry gtest_main)
  target_compile_definitions(dpi_layout_tests PRIVATE TDM_PROGRAM_PATH="$<TARGET_FILE:TalvorinDeviceManager>")
  add_dependencies(dpi_layout_tests TalvorinDeviceManager)
  tdm_warnings(dpi_layout_tests)

  set(tdm_dpi_script ${CMAKE_CURRENT_SOURCE_DIR}/toolkit/dpi_tests.sh)
  set(tdm_dpi_prefix ${CMAKE_CURRENT_BINARY_DIR}/dpi-prefix)
  add_test(NAME DpiLayout.MakePrefix COMMAND bash ${tdm_dpi_script} create ${tdm_dpi_prefix})
  add_test(NAME DpiLayout.RemovePrefix COMMAND bash ${tdm_dpi_script} remove ${tdm_dpi_prefix})
  set_tests_properties(DpiLayout.MakePrefix PROPERTIES FIXTURES_SETUP tdm_dpi_prefix TIMEOUT 120)
  set_tests_properties(DpiLayout.RemovePrefix PROPERTIES FIXTURES_CLEANUP tdm_dpi_prefix)
  foreach(dpi 96 144 192)
    add_test(NAME DpiLayout.${dpi}dpi
             COMMAND bash ${tdm_dpi_script} run ${tdm_dpi_prefix} ${dpi} $<TARGET_FILE:dpi_layout_tests>)
    # The runs share the prefix and its DPI setting: one at a time.
    set_tests_properties(DpiLayout.${dpi}dpi PROPERTIES
      FIXTURES_REQUIRED tdm_dpi_prefix RESOURCE_LOCK tdm_dpi_prefix TIMEOUT 120)
  endforeach()
endif()
