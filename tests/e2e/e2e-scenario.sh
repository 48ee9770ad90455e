# The start of every scenario: the Wine environment, the shared steps, and a
# work folder of its own under build/e2e/.   source e2e-scenario.sh BIN_DIR
export E2E_BIN=$1
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
source "$(dirname "${BASH_SOURCE[0]}")/e2e-lib.sh"
work=$FENNORO_ROOT/build/e2e/$(basename "$0" .e2e.sh)
