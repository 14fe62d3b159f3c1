#!/bin/sh
# Builds the driver, the virtual printer and the varek tool, then runs a sale
# and a batch-mode sale on the virtual printer and shows the printed receipts.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh"
cmake --preset default
cmake --build --preset default --target varek varek-sim
exec "$root/build/default/tools/varek" demo
