# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up, single instance, splash and the main window, and the program built
# twice: beside the shipped plug-in (<build>/corvane-control) and beside the
# simulated one (<build>/sim/corvane-control, for the demo). Each copy loads
# the plug-in from the "generic" folder next to it.
target_sources(corvane-app-core PRIVATE
  mainwindow.h mainwindow.cpp
  platform/instancemarker.h platform/instancemarker.cpp
  splashimage.h splashimage.cpp
  uitranslation.h uitranslation.cpp
  usersettings.h usersettings.cpp
  windowlogging.h windowlogging.cpp
)

# Resources live in OBJECT libraries: from a static archive the linker would
# drop their registration, so every program links them directly.
function(corvane_add_program target output_dir)
  add_executable(${target} main.cpp)
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME corvane-control
    RUNTIME_OUTPUT_DIRECTORY ${output_dir})
  target_link_libraries(${target} PRIVATE
    corvane-app-core corvane-ui-resources corvane-ledlaws corvane-key-resource)
endfunction()

corvane_add_program(corvane-control ${CMAKE_BINARY_DIR})
corvane_add_program(corvane-control-sim ${CMAKE_BINARY_DIR}/sim)

# The program expects its folder whole (plug-in, configuration, splash and
# utilities beside it), so it is installed into a folder of its own and the
# command on the PATH is a symbolic link to it.
set(CORVANE_PROGRAM_DIR ${CORVANE_INSTALL_DIR})
install(TARGETS corvane-control RUNTIME DESTINATION ${CORVANE_PROGRAM_DIR})
install(CODE "
  set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/corvane-control\")
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  file(RELATIVE_PATH target \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\"
       \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CORVANE_PROGRAM_DIR}/corvane-control\")
  message(STATUS \"Installing: \${link} -> \${target}\")
  file(CREATE_LINK \"\${target}\" \"\${link}\" SYMBOLIC)
")

# Everything scripts/demo runs: the simulated build, the simulated plug-in and
# the signed configuration beside them (corvane_sign_file's target for it).
add_custom_target(corvane-demo)
add_dependencies(corvane-demo corvane-control-sim cvhidprt_qt5_sim corvane-signed-sim_cv2global_conf)
