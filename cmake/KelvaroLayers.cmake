# The calculator's layers are static libraries, each linking only those below it:
# kelvaro_numbers <- kelvaro_matrix, kelvaro_exact <- kelvaro_commands. A layer's sources see
# the project through an include view that holds its own folder and the folders of the layers
# below it and nothing else, so a header from a layer above or beside it is not found and the
# build stops there.

# kelvaro_layer(<folder> SOURCES <file>... [BELOW <library>...])
function(kelvaro_layer folder)
  cmake_parse_arguments(LAYER "" "" "SOURCES;BELOW" ${ARGN})
  set(target kelvaro_${folder})
  set(view ${PROJECT_BINARY_DIR}/layers/${folder})
  file(MAKE_DIRECTORY ${view})
  set(visible ${folder})
  foreach(below ${LAYER_BELOW})
    get_target_property(below_visible ${below} KELVARO_VISIBLE_FOLDERS)
    list(PREPEND visible ${below_visible})
  endforeach()
  list(REMOVE_DUPLICATES visible)
  foreach(name ${visible})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${name} ${view}/${name} SYMBOLIC)
  endforeach()

  add_library(${target} STATIC ${LAYER_SOURCES})
  set_target_properties(${target} PROPERTIES KELVARO_VISIBLE_FOLDERS "${visible}")
  target_include_directories(${target} PUBLIC ${view})
  if(LAYER_BELOW)
    target_link_libraries(${target} PUBLIC ${LAYER_BELOW})
  endif()
  if(KELVARO_BUILD_FUZZERS)
    # Coverage for the fuzzers' guidance; the sanitizer runtime answers its hooks elsewhere.
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()
