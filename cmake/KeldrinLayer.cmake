# keldrin_layer(NAME SOURCES_DIR DEPS...): a static library of every .cpp in the folder (and its
# formats/ subfolder), headers included as "layer/File.h" from src/.
function(keldrin_layer name dir)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARGN})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()

# keldrin_test(NAME SOURCES_DIR DEPS...): one GoogleTest executable of every .cpp in the folder.
function(keldrin_test name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARGN} keldrin_test_support GTest::gtest GTest::gmock
                        GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "KELDRIN_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()

# keldrin_layer_from(NAME "SOURCES" DEPS...): as keldrin_layer, from an explicit source list.
function(keldrin_layer_from name sources)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARGN})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()
