#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tree.sh <stage dir> <expected list> <libdir>
# The staged install holds exactly the expected files, its commands on the
# PATH are relative links into the program's folder, the udev rule opens up
# only the hidraw nodes, and the installed binaries find all their libraries
# on the system, with no path into the build tree.
set -euo pipefail
stage=$1 expected=$2 libdir=$3
. "$(dirname "$0")/common.sh"
prefix=$stage/usr
program=$prefix/$libdir/corvane-control/corvane-control

diff -u <(sed -e '/^#/d' -e "s|@LIBDIR@|$libdir|" -e 's|^|usr/|' "$expected" | LC_ALL=C sort) \
        <(cd "$stage" && find . -mindepth 1 ! -type d | sed 's|^\./||' | LC_ALL=C sort) \
    || fail "the install differs from $expected (-: expected, +: installed)"

folder=$prefix/$libdir/corvane-control
for command in corvane-control corvane-ctl; do
    link=$prefix/bin/$command
    [ -L "$link" ] || fail "$link is not a symbolic link"
    case $(readlink "$link") in
        /*) fail "$link is absolute: it would point outside a DESTDIR or package" ;;
    esac
    [ "$(readlink -f "$link")" = "$(readlink -f "$folder/$command")" ] || fail "$link does not lead to $folder/$command"
    [ -x "$folder/$command" ] || fail "$folder/$command is not executable"
done

# The panel speaks HID feature reports only: the rule must open up the hidraw
# nodes and nothing else (a raw USB node allows resets and any control request).
rule=$prefix/lib/udev/rules.d/70-corvane-controller.rules
if grep -Ev '^[[:space:]]*(#|$)' "$rule" | grep -v '^SUBSYSTEM=="hidraw",'; then
    fail "$rule gives access to more than the hidraw nodes"
fi

for binary in "$program" "$folder/corvane-ctl" "$folder/corvane-ctl-direct" "$folder/generic/libcvhidprt_qt5.so"; do
    if readelf -d "$binary" | grep -E '\((RPATH|RUNPATH)\)'; then
        fail "$binary keeps a library search path"
    fi
    if env -u LD_LIBRARY_PATH ldd "$binary" | grep 'not found'; then
        fail "$binary needs libraries the system does not have"
    fi
done
echo "install tree as expected"
