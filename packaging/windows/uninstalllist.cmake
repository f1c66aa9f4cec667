# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the uninstaller's list of what the installer puts down, from the
# program's folder as it is packed:
#   cmake -DFOLDER=<program folder> -DOUTPUT=<file.nsh> -P uninstalllist.cmake
file(GLOB_RECURSE files RELATIVE ${FOLDER} ${FOLDER}/*)
file(GLOB_RECURSE folders LIST_DIRECTORIES true RELATIVE ${FOLDER} ${FOLDER}/*)
list(REMOVE_ITEM folders ${files})
list(SORT files)
# The deepest folders first, so that each is empty when it is removed.
list(SORT folders ORDER DESCENDING)
set(lines "")
foreach(file IN LISTS files)
  string(REPLACE "/" "\\" file "${file}")
  string(APPEND lines "Delete \"$INSTDIR\\${file}\"\n")
endforeach()
foreach(folder IN LISTS folders)
  string(REPLACE "/" "\\" folder "${folder}")
  string(APPEND lines "RMDir \"$INSTDIR\\${folder}\"\n")
endforeach()
file(WRITE ${OUTPUT} "${lines}")
