#!/bin/sh
# Installs the Debian packages that the tests need and that are missing:
# GoogleTest, CLI11 (the subcommands), and the SVG and Graphviz renderers the
# plot and graph tests check their output with.  As root, or through sudo.
set -eu
need=""
for package in libgtest-dev libcli11-dev librsvg2-bin graphviz; do
  # Installed, not merely known: a removed package keeps its configuration
  # files, and dpkg -s still answers for it.
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    need="$need $package"
done
[ -n "$need" ] || exit 0
echo "tests/deps.sh: installing$need"
as_root=""
[ "$(id -u)" -eq 0 ] || as_root=sudo
$as_root apt-get update
$as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y $need
