# Header views: the build's way of enforcing the layering. A target does not get the source tree
# as an include directory; it gets a folder of its own in the build tree that holds symbolic
# links to exactly the source folders it may include from. An include that reaches across the
# layering (erp/ from the component, freeitem/ from userdefine/) then fails to compile.
#
#   tarn_header_view(<target> <PUBLIC|PRIVATE|INTERFACE> <folder>...)
#
# Each <folder> is a path below the project's source directory. It is visible under the same
# path, except that a leading "include/" is dropped: include/tarnvelloc/automation is included
# as "tarnvelloc/automation/…", exactly as an installed program includes it.
function(tarn_header_view target scope)
  set(view ${PROJECT_BINARY_DIR}/header_views/${target}_${scope})
  foreach(folder IN LISTS ARGN)
    string(REGEX REPLACE "^include/" "" visible_as ${folder})
    set(link ${view}/${visible_as})
    get_filename_component(link_parent ${link} DIRECTORY)
    file(MAKE_DIRECTORY ${link_parent})
    if(NOT IS_SYMLINK ${link})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${link} SYMBOLIC)
    endif()
  endforeach()
  if(scope STREQUAL "PRIVATE")
    target_include_directories(${target} PRIVATE ${view})
  else()
    target_include_directories(${target} ${scope} $<BUILD_INTERFACE:${view}>)
  endif()
endfunction()
