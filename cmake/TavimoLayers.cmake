# Layers the build enforces. A library's sources and the libraries that link
# it see only the headers of the folders it is made of: each folder's headers
# are linked into an include root of the library's own,
# build/include/<target>/<folder>/, and that root is the library's only
# include path. Including a header of a library one does not link fails to
# compile, so a wrong-way include (a decoder including platform/, audio/
# including workflow/) cannot build. tests/layers checks the direction too.

# tavimo_headers(TARGET [PRIVATE|PUBLIC|INTERFACE] [FOLDERS folder...]):
# exposes the headers of FOLDERS (relative to the source tree; default: the
# current folder alone, without its subfolders) through TARGET's root.
function(tavimo_headers target)
  cmake_parse_arguments(H "PRIVATE;PUBLIC;INTERFACE" "" "FOLDERS" ${ARGN})
  set(scope PUBLIC)
  if(H_PRIVATE)
    set(scope PRIVATE)
  elseif(H_INTERFACE)
    set(scope INTERFACE)
  endif()
  if(NOT H_FOLDERS)
    file(RELATIVE_PATH H_FOLDERS ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  # Links of headers that are gone must not outlive them.
  file(REMOVE_RECURSE ${root})
  foreach(folder ${H_FOLDERS})
    file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.h)
    file(MAKE_DIRECTORY ${root}/${folder})
    foreach(header ${headers})
      get_filename_component(name ${header} NAME)
      file(CREATE_LINK ${header} ${root}/${folder}/${name} SYMBOLIC)
    endforeach()
  endforeach()
  target_include_directories(${target} ${scope} ${root})
endfunction()
