# SPDX-License-Identifier: GPL-3.0-or-later
# Signing helpers shared by every folder that ships signed files or embeds the
# public key. The key files are chosen once in tools/keytool/CMakeLists.txt and
# published as global properties:
#   CORVANE_PUBLIC_KEY_FILE   PEM public key compiled into the program
#   CORVANE_PRIVATE_KEY_FILE  PEM private key that signs at build time; empty
#                             when only a public key was given (pre-signed files)
#   CORVANE_KEY_TARGET        target that makes the key files

# corvane_add_key_resource(<target> [PUBLIC_KEY <pem>] [DEPENDS <targets...>])
#
# An OBJECT library holding <pem> (default: the build's public key) as the Qt
# resource ":/res/cert/cv2_dsa_public.pem". Link it straight into each
# executable that verifies signatures: from a static archive the linker would
# drop the resource's registration.
function(corvane_add_key_resource target)
  cmake_parse_arguments(ARG "" "PUBLIC_KEY" "DEPENDS" ${ARGN})
  if(NOT ARG_PUBLIC_KEY)
    get_property(ARG_PUBLIC_KEY GLOBAL PROPERTY CORVANE_PUBLIC_KEY_FILE)
    get_property(key_target GLOBAL PROPERTY CORVANE_KEY_TARGET)
    list(APPEND ARG_DEPENDS ${key_target})
  endif()
  set(qrc ${CMAKE_CURRENT_BINARY_DIR}/${target}.qrc)
  set(cpp ${CMAKE_CURRENT_BINARY_DIR}/qrc_${target}.cpp)
  file(GENERATE OUTPUT ${qrc} CONTENT
    "<RCC><qresource prefix=\"/res/cert\"><file alias=\"cv2_dsa_public.pem\">${ARG_PUBLIC_KEY}</file></qresource></RCC>\n")
  string(MAKE_C_IDENTIFIER ${target} resource_name)
  add_custom_command(OUTPUT ${cpp}
    COMMAND Qt5::rcc --name ${resource_name} --output ${cpp} ${qrc}
    DEPENDS ${qrc} ${ARG_PUBLIC_KEY}
    COMMENT "Embedding public key ${ARG_PUBLIC_KEY}")
  add_library(${target} OBJECT ${cpp})
  set_target_properties(${target} PROPERTIES AUTOMOC OFF)
  target_link_libraries(${target} PRIVATE Qt5::Core)
  if(ARG_DEPENDS)
    add_dependencies(${target} ${ARG_DEPENDS})
  endif()
endfunction()

# corvane_sign_file(<target-var> <input> <output-dir> [NAME <name>] [DEPENDS <targets...>])
#
# Copies <input> to <output-dir>/<name> (default: the input's file name) and
# puts its signature beside it as <name>.sig, as part of ALL, and sets
# <target-var> to the target that does it: depend on that target wherever the
# signed file must be present. With a private key the build signs; with only a
# public key the input must come pre-signed, its signature lying beside it as
# <input>.sig. DEPENDS names targets that make <input>.
function(corvane_sign_file target_var input output_dir)
  cmake_parse_arguments(ARG "" "NAME" "DEPENDS" ${ARGN})
  if(NOT ARG_NAME)
    get_filename_component(ARG_NAME ${input} NAME)
  endif()
  get_property(private_key GLOBAL PROPERTY CORVANE_PRIVATE_KEY_FILE)
  get_property(key_target GLOBAL PROPERTY CORVANE_KEY_TARGET)
  set(output ${output_dir}/${ARG_NAME})
  if(private_key)
    set(make_signature COMMAND corvane-keytool sign ${private_key} ${output} ${output}.sig)
    set(signature_source ${private_key})
  else()
    set(make_signature COMMAND ${CMAKE_COMMAND} -E copy ${input}.sig ${output}.sig)
    set(signature_source ${input}.sig)
  endif()
  add_custom_command(OUTPUT ${output} ${output}.sig
    COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
    COMMAND ${CMAKE_COMMAND} -E copy ${input} ${output}
    ${make_signature}
    DEPENDS ${input} ${signature_source}
    COMMENT "Signing ${output}"
    VERBATIM)
  # Named after the output, which is unique in the build tree.
  file(RELATIVE_PATH relative ${CMAKE_BINARY_DIR} ${output})
  string(MAKE_C_IDENTIFIER ${relative} id)
  set(target corvane-signed-${id})
  add_custom_target(${target} ALL DEPENDS ${output} ${output}.sig)
  add_dependencies(${target} ${key_target} ${ARG_DEPENDS})
  set(${target_var} ${target} PARENT_SCOPE)
endfunction()
