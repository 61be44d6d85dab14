# vel_embed_resources(target TYPE type ID id FILE path [TYPE type ID id FILE path]...)
#
# Compiles the listed files into `target` as resources of the given type and
# numeric id (platform/res/Resources.h finds them at run time by module, type
# and id). Relative FILE paths are taken from the calling folder. Each call
# generates one source file with the bytes and a registration table; the
# module that ends up holding that file's object is the module that holds the
# resources:
#   - an executable or shared library gets the generated source directly;
#   - a static library passes the compiled object on to whatever links it
#     (as an object file on the link line, not an archive member, so the
#     linker cannot drop it for want of a reference), which makes the final
#     executable or shared library the module, as it would be for resources
#     bound into a library image.
function(vel_embed_resources target)
  if(NOT TARGET ${target})
    message(FATAL_ERROR "vel_embed_resources: no target '${target}'")
  endif()
  set(args ${ARGN})
  list(LENGTH args n)
  math(EXPR rem "${n} % 6")
  if(n EQUAL 0 OR NOT rem EQUAL 0)
    message(FATAL_ERROR "vel_embed_resources(${target}): expected groups of TYPE t ID n FILE path")
  endif()
  set(gen_args)
  set(files)
  set(i 0)
  while(i LESS n)
    math(EXPR i1 "${i} + 1")
    math(EXPR i2 "${i} + 2")
    math(EXPR i3 "${i} + 3")
    math(EXPR i4 "${i} + 4")
    math(EXPR i5 "${i} + 5")
    list(GET args ${i} k_type)
    list(GET args ${i2} k_id)
    list(GET args ${i4} k_file)
    if(NOT k_type STREQUAL "TYPE" OR NOT k_id STREQUAL "ID" OR NOT k_file STREQUAL "FILE")
      message(FATAL_ERROR "vel_embed_resources(${target}): expected TYPE t ID n FILE path, got ${k_type} ${k_id} ${k_file}")
    endif()
    list(GET args ${i1} r_type)
    list(GET args ${i3} r_id)
    list(GET args ${i5} r_file)
    if(NOT IS_ABSOLUTE "${r_file}")
      set(r_file "${CMAKE_CURRENT_SOURCE_DIR}/${r_file}")
    endif()
    if(NOT EXISTS "${r_file}")
      message(FATAL_ERROR "vel_embed_resources(${target}): no file ${r_file}")
    endif()
    list(APPEND gen_args ${r_type} ${r_id} ${r_file})
    list(APPEND files ${r_file})
    math(EXPR i "${i} + 6")
  endwhile()

  get_property(count TARGET ${target} PROPERTY VEL_RESOURCE_TABLES)
  if(NOT count)
    set(count 0)
  endif()
  math(EXPR next "${count} + 1")
  set_property(TARGET ${target} PROPERTY VEL_RESOURCE_TABLES ${next})

  set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources_${count}.cpp")
  add_custom_command(OUTPUT "${out}"
    COMMAND vel_resgen "${out}" "${target}" ${gen_args}
    DEPENDS vel_resgen ${files}
    COMMENT "Embedding resources of ${target}"
    VERBATIM)

  get_target_property(kind ${target} TYPE)
  if(kind STREQUAL "STATIC_LIBRARY")
    set(obj ${target}_resources_${count})
    add_library(${obj} OBJECT "${out}")
    target_link_libraries(${obj} PRIVATE vel_res)
    target_link_libraries(${target} INTERFACE $<TARGET_OBJECTS:${obj}>)
    target_link_libraries(${target} PUBLIC vel_res)
  else()
    target_sources(${target} PRIVATE "${out}")
    target_link_libraries(${target} PRIVATE vel_res)
  endif()
endfunction()
