# A layer is a folder of sources under src/ that becomes the static library
# harvo_<layer>; its own CMakeLists.txt names what it links. A missing layer
# stops the configuration: a program built without it would be incomplete.
function(harvo_add_layer layer)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${layer}/*.cpp)
  if(NOT sources)
    message(FATAL_ERROR "The layer src/${layer} has no sources.")
  endif()
  add_subdirectory(src/${layer})
endfunction()

# harvo_layer_library(<layer> [DEPENDS <lower layers>...]) builds the layer
# from every source in its folder and links the lower layers it builds on,
# which must have been added before it.
function(harvo_layer_library layer)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS *.cpp *.h)
  add_library(harvo_${layer} STATIC ${sources})
  target_include_directories(harvo_${layer} PUBLIC ${PROJECT_SOURCE_DIR}/src ${HARVO_GENERATED_DIR})
  target_link_libraries(harvo_${layer} PUBLIC Qt6::Core)
  foreach(dep IN LISTS ARG_DEPENDS)
    if(NOT TARGET harvo_${dep})
      message(FATAL_ERROR "The layer ${layer} needs the layer ${dep}, which is not built before it.")
    endif()
    target_link_libraries(harvo_${layer} PUBLIC harvo_${dep})
  endforeach()
endfunction()

# One test program per layer, made of every *.cpp in tests/<layer>/.
function(harvo_layer_tests layer)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${layer}/*.cpp)
  if(NOT sources)
    return()
  endif()
  harvo_test_program(harvo_${layer}_tests "${sources}" harvo_${layer})
endfunction()

# harvo_test_program(<target> <sources> [libraries...]) builds one GoogleTest
# program with the shared test helpers and lets CTest discover its tests.
function(harvo_test_program target sources)
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${ARGN} harvo_testsupport GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    # One value per property: a list here would be split into separate
    # arguments and every variable after the first would be lost.
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
               ENVIRONMENT_MODIFICATION "HARVO_TEST_DATA=set:${CMAKE_CURRENT_SOURCE_DIR}/data")
endfunction()
