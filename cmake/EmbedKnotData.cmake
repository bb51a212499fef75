# tv_embed_knot_data(ROOT OUT_VAR): custom commands that turn the stored block and the names table
# under ROOT/data/ into byte arrays (cmake/EmbedFile.cmake) in this folder's build; OUT_VAR gets
# the two generated sources. Shared by the native library and the browser build.
function(tv_embed_knot_data root out_var)
  set(embed_dir ${CMAKE_CURRENT_BINARY_DIR}/embedded)
  set(embed_script ${root}/cmake/EmbedFile.cmake)
  set(sources)
  foreach(pair "knots.bin;KnotLibraryData.cpp;kKnotLibraryData" "knot-names.txt;KnotNames.cpp;kKnotNamesText")
    list(GET pair 0 input)
    list(GET pair 1 output)
    list(GET pair 2 symbol)
    add_custom_command(
      OUTPUT ${embed_dir}/${output}
      COMMAND ${CMAKE_COMMAND} -DINPUT=${root}/data/${input}
              -DOUTPUT=${embed_dir}/${output} -DSYMBOL=${symbol} -P ${embed_script}
      DEPENDS ${root}/data/${input} ${embed_script}
      COMMENT "Embedding data/${input}")
    list(APPEND sources ${embed_dir}/${output})
  endforeach()
  set(${out_var} ${sources} PARENT_SCOPE)
endfunction()
