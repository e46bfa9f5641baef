#!/bin/sh
# Launcher installed as bin/quillon: starts the program in its own folder, where it keeps its data and help.
here=$(dirname "$(readlink -f "$0")")
exec "$here/../@QUILLON_INSTALL_DIR@/quillon" "$@"
