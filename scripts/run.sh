#!/usr/bin/env bash
# Installs what is missing, builds the program alone (not the tests) and starts Lumora, passing on an
# optional show file.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/install-deps.sh"
bash "$here/scripts/build.sh" lumora
exec "$here/${BUILD_DIR:-build}/lumora" "$@"
