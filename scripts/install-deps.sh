#!/usr/bin/env bash
# Installs the Debian packages the build needs (as root, through apt-get), and any packages
# given as arguments (scripts that need more than the build, such as the fuzz build's clang).
# Packages already present are not fetched again.
set -euo pipefail

packages=(
  cmake g++ make ccache pkg-config python3 python3-jsonschema python3-prometheus-client
  libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev sqlite3 libpugixml-dev
  libcli11-dev nlohmann-json3-dev libutf8proc-dev
  unixodbc-dev libsqliteodbc odbc-postgresql tdsodbc
  libcpp-httplib-dev  # velloc serve's HTTP server, and the load bench's client
  libsodium-dev       # velloc serve's people file: password hashes and tokens
  libssl-dev openssl  # velloc serve's HTTPS; its test makes a throwaway certificate
)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
