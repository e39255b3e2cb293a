# The compile and link options of the project's own targets, in one interface target,
# qu::options. It is attached to every library and program defined in this source tree by
# qu_attach_options() at the end of the top-level CMakeLists.txt, never through global flags,
# so a toolchain's or a packager's CMAKE_CXX_FLAGS stay theirs and code from elsewhere built in
# the same tree is not held to the project's warnings.

add_library(qu_options INTERFACE)
add_library(qu::options ALIAS qu_options)

# The geometry rounds at exactly the places its design states; a fused multiply-add or
# fast-math reassociation would change results, so both stay off everywhere.
target_compile_options(qu_options INTERFACE -ffp-contract=off -fno-fast-math -Wall -Wextra
                                            -Wpedantic $<$<BOOL:${QU_WERROR}>:-Werror>)
if(QU_SANITIZE OR QU_BUILD_FUZZ)
  # Every library is instrumented; any report ends the process with an error.
  target_compile_options(qu_options INTERFACE -fsanitize=address,undefined
                                              -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(qu_options INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all)
endif()
if(QU_BUILD_FUZZ)
  # Coverage instrumentation in every library, so the fuzzer sees into the reader.
  target_compile_options(qu_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

# Links qu::options into every library and program defined in `folder` and below it.
function(qu_attach_options folder)
  get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY|EXECUTABLE)$")
      target_link_libraries(${target} PRIVATE qu::options)
    endif()
  endforeach()
  get_property(folders DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
  foreach(subfolder IN LISTS folders)
    qu_attach_options(${subfolder})
  endforeach()
endfunction()
