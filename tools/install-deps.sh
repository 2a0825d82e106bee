#!/usr/bin/env bash
# Installs everything the build, the program and the tests need on Debian 12.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends \
    cmake ninja-build g++ clang clang-format libclang-rt-14-dev \
    qt6-base-dev qt6-webengine-dev qt6-webengine-dev-tools qt6-webchannel-dev \
    libqt6webenginewidgets6 libqt6webchannel6 libqt6svg6 qt6-qpa-plugins \
    libsqlite3-0 libsqlite3-dev sqlite3 zlib1g-dev \
    libcmark-gfm-dev libcmark-gfm-extensions-dev \
    xvfb xauth openbox x11-utils fonts-dejavu-core fonts-noto-color-emoji
