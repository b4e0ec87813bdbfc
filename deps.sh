#!/bin/sh
# Installs the Debian packages that MOLVEX needs and the machine lacks, as
# root or through sudo: CLI11, which the subcommands read their command lines
# with; with "tests", also GoogleTest and the SVG and Graphviz renderers that
# the plot and graph tests check their output with.
set -eu
packages="libcli11-dev"
[ "${1:-}" != tests ] || packages="$packages libgtest-dev librsvg2-bin graphviz"
need=""
for package in $packages; do
  # Installed, not merely known: a removed package keeps its configuration
  # files, and dpkg -s still answers for it.
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    need="$need $package"
done
[ -n "$need" ] || exit 0
echo "deps.sh: installing$need"
as_root=""
[ "$(id -u)" -eq 0 ] || as_root=sudo
$as_root apt-get update
$as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y $need
