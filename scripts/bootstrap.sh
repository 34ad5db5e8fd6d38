#!/usr/bin/env bash
# Installs the Debian packages that building and testing Moxtrel needs, when any is missing.
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config googletest libgtest-dev libgmock-dev
          libbenchmark-dev nlohmann-json3-dev libcli11-dev libedit-dev clang-format ccache
          libtomlplusplus-dev libcrypt-dev clang libclang-rt-14-dev libicu-dev libldap-dev slapd
          ldap-utils libcups2-dev cups-daemon cups-client cups-ipp-utils python3-dev pybind11-dev
          python3-pybind11 python3-pytest samba smbclient libsmbclient-dev help2man libabsl-dev
          openssl libsystemd-dev systemd dbus-daemon util-linux)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "bootstrap: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
