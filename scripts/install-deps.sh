#!/usr/bin/env bash
# Installs the Debian packages the project builds, runs and tests with.
# Quiet when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git ccache
  clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libplist-dev libicu-dev protobuf-compiler libprotobuf-dev
  libcairo2-dev libpixman-1-dev libpango1.0-dev libjpeg-dev libpng-dev libdeflate-dev libspng-dev
  libmicrohttpd-dev nettle-dev nlohmann-json3-dev libqrencode-dev
  bubblewrap libseccomp-dev libdw-dev psmisc util-linux procps
  dpkg libarchive-dev libapt-pkg-dev
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev
  chromium nodejs
  fonts-inter fonts-dejavu-core
  fonts-noto-cjk fonts-noto-color-emoji
  locales
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Devices never run as root: when orvelle-sim runs as root, their programs run
# as this system user (mapped to the phone's user mobile inside).
if [ "$(id -u)" -eq 0 ] && ! getent passwd orvelle >/dev/null; then
  useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin --user-group orvelle
fi

# Number and date tests run a case in a locale with a decimal comma.
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
