# The hardening of the program file: ASLR with high entropy, DEP, and imports only
# from DLLs every Windows has. Read from its headers on the host, not run.
if(WIN32 AND TARGET TalvorinDeviceManager)
  find_package(Python3 COMPONENTS Interpreter REQUIRED)
  add_test(NAME program_is_hardened
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/platform/check_pe.py
                   $<TARGET_FILE:TalvorinDeviceManager>)
  # The check must catch a file that lacks the protections.
  add_executable(unhardened platform/unhardened.c)
  target_link_options(unhardened PRIVATE -Wl,--disable-dynamicbase,--disable-high-entropy-va,--disable-nxcompat)
  add_test(NAME hardening_check_catches_an_unprotected_file
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/platform/check_pe.py $<TARGET_FILE:unhardened>)
  set_tests_properties(hardening_check_catches_an_unprotected_file PROPERTIES WILL_FAIL TRUE)
endif()
