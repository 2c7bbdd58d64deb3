#!/usr/bin/env bash
# Installs what the benchmarks need beyond the build: Debian's FET, whose
# command-line solver fet-cl is the peer bench/vs_peer composes against.
# Only the bench uses it; nothing of it enters the product. Idempotent.
set -euo pipefail

PACKAGES=(fet)

source "$(dirname "${BASH_SOURCE[0]}")/install-packages.sh"
install_packages install-bench-deps "${PACKAGES[@]}"
command -v fet-cl >/dev/null || { echo "install-bench-deps: fet-cl missing after install" >&2; exit 1; }
