# A layer is a folder of sources under src/ that becomes the static library
# harvo_<layer>; its own CMakeLists.txt names what it links.
function(harvo_add_layer_if_present layer)
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${layer}/*.cpp)
  if(sources)
    add_subdirectory(src/${layer})
  endif()
endfunction()

# harvo_layer_library(<layer> [DEPENDS <lower layers>...]) builds the layer
# from every source in its folder and links the lower layers it builds on.
function(harvo_layer_library layer)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS *.cpp *.h)
  add_library(harvo_${layer} STATIC ${sources})
  target_include_directories(harvo_${layer} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(harvo_${layer} PUBLIC Qt6::Core)
  foreach(dep IN LISTS ARG_DEPENDS)
    if(TARGET harvo_${dep})
      target_link_libraries(harvo_${layer} PUBLIC harvo_${dep})
    endif()
  endforeach()
endfunction()

# One test program per layer, made of every *.cpp in tests/<layer>/.
function(harvo_layer_tests layer)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${layer}/*.cpp)
  if(NOT sources OR NOT TARGET harvo_${layer})
    return()
  endif()
  add_executable(harvo_${layer}_tests ${sources})
  target_link_libraries(harvo_${layer}_tests PRIVATE harvo_${layer} harvo_testsupport GTest::gmock GTest::gtest_main)
  gtest_discover_tests(harvo_${layer}_tests
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;HARVO_TEST_DATA=${CMAKE_CURRENT_SOURCE_DIR}/data")
endfunction()
