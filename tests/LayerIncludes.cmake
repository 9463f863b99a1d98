# Fails when a source under src/ includes a header of a layer it does not
# build on: containers <- projects <- engine -> http; ui above them; app on top.
# The engine's rooms build on each other one way: page <- store <- crawl.
# Run as: cmake -DSOURCE_DIR=<src> -P LayerIncludes.cmake
cmake_minimum_required(VERSION 3.21)
set(allowed_containers containers)
set(allowed_projects containers projects)
set(allowed_http containers http)
set(allowed_engine/page containers http engine/page)
set(allowed_engine/store containers http engine/page engine/store)
set(allowed_engine/crawl containers projects http engine/page engine/store engine/crawl)
set(engine_rooms engine/page engine/store engine/crawl)
set(allowed_ui containers projects http ${engine_rooms} ui)
set(allowed_app containers projects http ${engine_rooms} ui app)

set(faults "")
foreach(layer containers projects http engine/page engine/store engine/crawl ui app)
  file(GLOB_RECURSE files ${SOURCE_DIR}/${layer}/*.h ${SOURCE_DIR}/${layer}/*.cpp)
  foreach(file IN LISTS files)
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z]+/")
    foreach(line IN LISTS includes)
      # A room of the engine counts as a layer of its own.
      string(REGEX REPLACE "^[^\"]*\"(engine/[a-z]+|[a-z]+)/.*$" "\\1" included "${line}")
      if(NOT included IN_LIST allowed_${layer})
        string(APPEND faults "\n  ${file}: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "Headers of a layer above the including one:${faults}")
endif()
