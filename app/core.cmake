# SPDX-License-Identifier: GPL-3.0-or-later
# Configuration and integrity (signature check, MessagePack, the signed global
# configuration) and the fan duty processor.
target_sources(corvane-app-core PRIVATE
  besideexecutable.h besideexecutable.cpp
  corelogging.h corelogging.cpp
  fandutyprocessor.h fandutyprocessor.cpp
  globalconfig.h globalconfig.cpp
  mainwindowcoprocessor.h mainwindowcoprocessor.cpp
  msgpack.h msgpack.cpp
  signature.h signature.cpp
)

# The build's public key as ":/res/cert/cv2_dsa_public.pem". Link it into each
# program that verifies signatures; tests embed a key of their own.
corvane_add_key_resource(corvane-key-resource)
