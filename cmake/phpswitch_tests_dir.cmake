# phpswitch_tests_from_folder(<prefix> <libs...>): every *_test.cpp of the current
# folder and of its <platform>/ subfolder becomes a test program <prefix>_<stem>,
# so that a module's test files build and run independently of each other.
# Shared helpers of a folder live in support/ (common) and are linked into each.
function(phpswitch_tests_from_folder prefix)
  set(libs ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/${PHPSWITCH_PLATFORM}/*_test.cpp)
  file(GLOB support CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/support/*.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/support/${PHPSWITCH_PLATFORM}/*.cpp)
  foreach(test ${tests})
    get_filename_component(stem ${test} NAME_WE)
    phpswitch_test(${prefix}_${stem} SOURCES ${test} ${support} LIBS ${libs})
    target_include_directories(${prefix}_${stem} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  endforeach()
endfunction()
