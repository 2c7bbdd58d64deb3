# Sourced by the install scripts: install_packages TAG PACKAGE... installs the
# Debian packages not yet installed, as root or through sudo. A machine that
# has them all is left alone, so it also runs without root there.

install_packages() {
  local tag="$1"
  shift
  local missing=()
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done

  if [ ${#missing[@]} -eq 0 ]; then
    echo "$tag: all packages present"
    return 0
  fi

  echo "$tag: installing ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
      sudo="sudo"
    else
      echo "$tag: need root to install ${missing[*]}" >&2
      return 1
    fi
  fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
