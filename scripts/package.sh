#!/usr/bin/env bash
# Builds the Debian package in build-package/ (a Release build of both programs) and checks it with lintian:
#   bash scripts/package.sh        -> build-package/ossel-analyzer_<version>_<arch>.deb
# Install it with: sudo apt install ./build-package/ossel-analyzer_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

# Debian's hardening flags (stack protector, fortified functions, read-only relocations bound at start).
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DOSSEL_TESTS=OFF \
  -DOSSEL_BENCH=OFF "-DCMAKE_C_FLAGS=$CPPFLAGS $CFLAGS" "-DCMAKE_CXX_FLAGS=$CPPFLAGS $CXXFLAGS" \
  "-DCMAKE_EXE_LINKER_FLAGS=$LDFLAGS" "-DCMAKE_MODULE_LINKER_FLAGS=$LDFLAGS" "-DCMAKE_SHARED_LINKER_FLAGS=$LDFLAGS"
ninja -C build-package -j "$(nproc)"
(cd build-package && cpack -G DEB)
deb=$(ls build-package/ossel-analyzer_*.deb)
bash tests/package/check-package.sh "$deb"
if command -v lintian > /dev/null; then
  # Errors fail the build; warnings and the rest are printed.
  lintian --fail-on error,warning --info "$deb"
fi
echo "$deb"
