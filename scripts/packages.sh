# Installs the Debian 12 packages named in "$@" that are missing (as root, or
# through sudo). Sourced by the test and run commands.
install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  ((${#missing[@]})) || return 0
  local sudo=""
  [[ $(id -u) -ne 0 ]] && sudo=sudo
  echo "== installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# What building and running the program needs.
PROGRAM_PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev libxcb1-dev libminizip-dev zlib1g-dev python3
  fonts-dejavu-core)
