# End-to-end tests: a Win32 driver starts the real program under Wine (or Windows), seeds
# adapter entries below the real Display class key and works the window through its
# controls and message boxes.
if(WIN32)
  add_library(tdm_e2e_driver STATIC
    e2e/wait_for.cpp
    e2e/display_class.cpp
    e2e/display_class_seed.cpp
    e2e/program_process.cpp
    e2e/app_window.cpp
    e2e/message_box.cpp
    e2e/program_session.cpp
  )
  target_include_directories(tdm_e2e_driver PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(tdm_e2e_driver PUBLIC user32 advapi32 ntdll shell32)
  tdm_warnings(tdm_e2e_driver)

  if(TARGET TalvorinDeviceManager)
    target_compile_definitions(tdm_e2e_driver PRIVATE
      TDM_PROGRAM_PATH="$<TARGET_FILE:TalvorinDeviceManager>")
  else()
    message(STATUS "e2e: no program target; the tests need TDM_E2E_PROGRAM to find one")
  endif()

  add_executable(e2e_tests
    e2e/inventory_test.cpp
    e2e/window_test.cpp
    e2e/removal_test.cpp
  )
  target_link_libraries(e2e_tests PRIVATE tdm_e2e_driver gtest_main)
  tdm_warnings(e2e_tests)
  if(TARGET TalvorinDeviceManager)
    add_dependencies(e2e_tests TalvorinDeviceManager)
  endif()

  # Every test seeds and reads the one Display class key of the session and runs its own
  # copy of the program on the one display: they must not run side by side.
  gtest_discover_tests(e2e_tests
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES RESOURCE_LOCK tdm_display_class TIMEOUT 120
  )
endif()
