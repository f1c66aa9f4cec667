#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# stage.sh <cmake> <build dir> <stage dir>
# Installs the build into an empty <stage dir> with the prefix the Debian
# package uses, for the other install checks to read.
set -euo pipefail
cmake=$1 build=$2 stage=$3

rm -rf "$stage"
DESTDIR="$stage" "$cmake" --install "$build" --prefix /usr
