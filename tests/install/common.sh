# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the install and package checks; sourced, not run.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Everything below <root>, folders included, one relative path a line, sorted.
tree_listing() {
    (cd "$1" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort)
}
