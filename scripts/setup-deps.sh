#!/bin/sh
# Installs the Debian 12 packages of scripts/deps.txt (build, run and test).
# Uses sudo only when not run as root.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
packages=$(grep -v '^[[:space:]]*#' "$root/scripts/deps.txt" | tr -s ' \n' ' ')
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
# shellcheck disable=SC2086 # one word per package
$sudo apt-get install -y --no-install-recommends $packages
