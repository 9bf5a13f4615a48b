# Shared by every script that installs Debian packages (source it).
#   install_missing PKG...   installs, with apt-get, the packages that are not installed yet
#                            (sudo when not root); does nothing when all are there

install_missing() {
  local need=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
  done
  [ ${#need[@]} -eq 0 ] && return 0
  local SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  echo "Installing: ${need[*]}" >&2
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
}
