#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# package.sh <cpack> <build dir> <stage dir> <version> <work dir>
# Builds the Debian package and checks it: control fields and computed
# dependencies, the same files as the staged install, maintainer scripts that
# are valid and never fail, no lintian errors, and release metadata that
# names this version.
set -euo pipefail
cpack=$1 build=$2 stage=$3 version=$4 work=$5
. "$(dirname "$0")/common.sh"

rm -rf "$work"
mkdir -p "$work"
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; fail "cpack could not build the package"; }
shopt -s nullglob
debs=("$work"/*.deb)
[ ${#debs[@]} -eq 1 ] || fail "expected one package in $work, found ${#debs[@]}"
deb=${debs[0]}

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = corvane-control ] || fail "package name: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "package version $(field Version), project version $version"
depends=$(field Depends | tr ',|' '\n\n' | sed -e 's/^ *//' -e 's/[ (].*//')
for dependency in libqt5widgets5 libhidapi-hidraw0 libudev1 libssl3; do
    grep -qx "$dependency" <<<"$depends" || fail "Depends lacks $dependency: $(field Depends)"
done

diff -u <(tree_listing "$stage") \
        <(dpkg-deb -c "$deb" | awk '{ print $6 }' | sed -e 's|^\./||' -e 's|/$||' -e '/^$/d' | LC_ALL=C sort) \
    || fail "the package's files differ from the install (-: installed, +: packaged)"

# The scripts run against a udevadm that fails: they must still succeed, and
# call it for an install and a removal only, and only where udev runs.
dpkg-deb -e "$deb" "$work/control"
stubs=$work/stubs
mkdir -p "$stubs"
printf '#!/bin/sh\necho "$*" >>"%s"\nexit 1\n' "$work/udevadm.calls" >"$stubs/udevadm"
chmod +x "$stubs/udevadm"
for script_action in postinst:configure postrm:remove; do
    script=$work/control/${script_action%%:*}
    action=${script_action#*:}
    [ -x "$script" ] || fail "$script is missing or not executable"
    sh -n "$script" || fail "$script is not valid sh"
    for argument in "$action" upgrade; do
        rm -f "$work/udevadm.calls"
        PATH="$stubs:$PATH" sh "$script" "$argument" || fail "$script $argument failed"
        calls=$(cat "$work/udevadm.calls" 2>/dev/null || true)
        expected=
        if [ "$argument" = "$action" ] && [ -d /run/udev ]; then
            expected=$'control --reload-rules\ntrigger --subsystem-match=hidraw --action=add'
        fi
        [ "$calls" = "$expected" ] || fail "$script $argument called udevadm as: ${calls:-nothing}"
    done
done

lintian --fail-on error --display-level '>=warning' "$deb" || fail "lintian reports errors"

metainfo=$stage/usr/share/metainfo/com.corvane.control.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "$metainfo is not valid AppStream"
newest=$(sed -n 's|.*<release version="\([^"]*\)".*|\1|p' "$metainfo" | head -n 1)
[ "$newest" = "$version" ] || fail "the newest release in $metainfo is $newest, not $version"
newest=$(gzip -dc "$stage/usr/share/doc/corvane-control/changelog.gz" | sed -n 1p)
[[ $newest == "corvane-control ($version) "* ]] || fail "the Debian changelog's newest entry is not $version"
echo "package $deb as expected"
