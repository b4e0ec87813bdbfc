#!/bin/sh
# Installs what the tests need and the machine lacks: CLI11, GoogleTest,
# librsvg and Graphviz (see ../deps.sh).
set -eu
exec sh "$(dirname "$0")/../deps.sh" tests
