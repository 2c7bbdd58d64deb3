#!/usr/bin/env bash
# Installs what the benchmarks need beyond the build: Debian's FET, whose
# command-line solver fet-cl is the peer bench/vs_peer composes against.
# Only the bench uses it; nothing of it enters the product. Idempotent.
set -euo pipefail

PACKAGES=(fet)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-bench-deps: all packages present"
  exit 0
fi

echo "install-bench-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    SUDO="sudo"
  else
    echo "install-bench-deps: need root to install ${missing[*]}" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
command -v fet-cl >/dev/null || { echo "install-bench-deps: fet-cl missing after install" >&2; exit 1; }
