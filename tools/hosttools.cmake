# SPDX-License-Identifier: GPL-3.0-or-later
# The build-time tools of a cross build: a native build of this source tree
# in <build>/host-tools, configured once here and built as the target
# corvane-host-tools, whose programs stand in for the tool targets under the
# same names; and where that build found Qt's lrelease. The native build
# needs the Linux build's packages (scripts/deps).
set(host_dir ${CMAKE_BINARY_DIR}/host-tools)
set(host_tools
  corvane-keytool keytool
  corvane-configpacker configpacker
  corvane-ledlawwriter ledlawwriter
  corvane-imagerender imagerender)

if(NOT EXISTS ${host_dir}/CMakeCache.txt)
  message(STATUS "Configuring the build-time tools for the build machine in ${host_dir}")
  # Nothing of the cross build may leak into the native one.
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env --unset=CMAKE_TOOLCHAIN_FILE --unset=CC --unset=CXX
            ${CMAKE_COMMAND} -S ${PROJECT_SOURCE_DIR} -B ${host_dir}
            -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
    OUTPUT_QUIET
    RESULT_VARIABLE failed)
  if(failed)
    file(REMOVE ${host_dir}/CMakeCache.txt)
    message(FATAL_ERROR "The native build of the build-time tools cannot be configured; "
                        "run it by hand to see why: cmake -S ${PROJECT_SOURCE_DIR} -B ${host_dir}")
  endif()
endif()

# Qt's lrelease, which the resources need, is the build machine's too: where
# the native build found it.
load_cache(${host_dir} READ_WITH_PREFIX host_ Qt5LinguistTools_DIR)
set(CORVANE_HOST_LINGUIST_TOOLS_DIR ${host_Qt5LinguistTools_DIR} CACHE INTERNAL "lrelease of the build machine")

set(tool_names "")
set(tool_files "")
while(host_tools)
  list(POP_FRONT host_tools name folder)
  set(file ${host_dir}/tools/${folder}/${name})
  add_executable(${name} IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${file})
  list(APPEND tool_names ${name})
  list(APPEND tool_files ${file})
endwhile()

add_custom_target(corvane-host-tools
  COMMAND ${CMAKE_COMMAND} --build ${host_dir} --target ${tool_names}
  BYPRODUCTS ${tool_files}
  COMMENT "Building the build-time tools for the build machine"
  VERBATIM)
