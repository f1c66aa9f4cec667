# SPDX-License-Identifier: GPL-3.0-or-later
# Suites of the configuration and integrity code and the fan duty processor.
#
# They embed a key pair that the openssl command line makes, not the build's
# key, so they never depend on which key the build ships and check our
# verifier against signatures we did not make ourselves.
find_program(CORVANE_OPENSSL_PROGRAM openssl REQUIRED)

set(test_keys ${CMAKE_CURRENT_BINARY_DIR}/testkeys)
add_custom_command(
  OUTPUT ${test_keys}/private.pem ${test_keys}/public.pem ${test_keys}/other.pem
  COMMAND ${CMAKE_COMMAND} -E make_directory ${test_keys}
  COMMAND ${CORVANE_OPENSSL_PROGRAM} genpkey -genparam -algorithm DSA
          -pkeyopt dsa_paramgen_bits:2048 -pkeyopt dsa_paramgen_q_bits:256 -out ${test_keys}/params.pem
  COMMAND ${CORVANE_OPENSSL_PROGRAM} genpkey -paramfile ${test_keys}/params.pem -out ${test_keys}/private.pem
  COMMAND ${CORVANE_OPENSSL_PROGRAM} genpkey -paramfile ${test_keys}/params.pem -out ${test_keys}/other.pem
  COMMAND ${CORVANE_OPENSSL_PROGRAM} pkey -in ${test_keys}/private.pem -pubout -out ${test_keys}/public.pem
  COMMENT "Generating the test DSA keys with openssl"
  VERBATIM)
add_custom_target(corvane-test-keys DEPENDS ${test_keys}/private.pem ${test_keys}/public.pem ${test_keys}/other.pem)
corvane_add_key_resource(corvane-test-key-resource PUBLIC_KEY ${test_keys}/public.pem DEPENDS corvane-test-keys)

add_library(corvane-test-signing STATIC testsigning.h testsigning.cpp)
target_link_libraries(corvane-test-signing PUBLIC Qt5::Core)
target_include_directories(corvane-test-signing PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(corvane-test-signing PRIVATE
  CORVANE_OPENSSL_PROGRAM="${CORVANE_OPENSSL_PROGRAM}"
  CORVANE_TEST_PRIVATE_KEY="${test_keys}/private.pem"
  CORVANE_TEST_PUBLIC_KEY="${test_keys}/public.pem"
  CORVANE_TEST_OTHER_KEY="${test_keys}/other.pem")
add_dependencies(corvane-test-signing corvane-test-keys)

corvane_add_qtest(tst_msgpack SOURCES tst_msgpack.cpp LIBS corvane-app-core)
corvane_add_qtest(tst_fandutyprocessor SOURCES tst_fandutyprocessor.cpp LIBS corvane-app-core)
corvane_add_qtest(tst_globalconfig SOURCES tst_globalconfig.cpp LIBS corvane-app-core)
corvane_add_qtest(tst_signature SOURCES tst_signature.cpp
  LIBS corvane-app-core corvane-test-key-resource corvane-test-signing)
corvane_add_qtest(tst_mainwindowcoprocessor SOURCES tst_mainwindowcoprocessor.cpp
  LIBS corvane-app-core corvane-test-key-resource corvane-test-signing)
# It puts cv2global.conf beside itself: keep it apart from other suites.
set_target_properties(tst_mainwindowcoprocessor PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/coprocessor)

# What the build ships: the configuration signed with the build's key, and
# the tools that made it.
corvane_add_qtest(tst_signedconfig SOURCES tst_signedconfig.cpp
  LIBS corvane-app-core corvane-key-resource corvane-test-signing)
target_compile_definitions(tst_signedconfig PRIVATE
  CORVANE_BUILD_DIR="${CMAKE_BINARY_DIR}"
  CORVANE_CONFIG_JSON="${PROJECT_SOURCE_DIR}/data/cv2global.json"
  CORVANE_CUSTOM_CONFIG="${CORVANE_CONFIG}"
  CORVANE_KEYTOOL="$<TARGET_FILE:corvane-keytool>"
  CORVANE_CONFIGPACKER="$<TARGET_FILE:corvane-configpacker>")
add_dependencies(tst_signedconfig corvane-keytool corvane-configpacker
  corvane-signed-cv2global_conf corvane-signed-sim_cv2global_conf)
