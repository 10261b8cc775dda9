# tavimo_existing_sources(OUT file...): the files of the list that exist, so a
# folder's library can name all its parts while they are being written.
function(tavimo_existing_sources out)
  set(found)
  foreach(file ${ARGN})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${file})
      list(APPEND found ${file})
    endif()
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()
