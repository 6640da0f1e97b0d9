# Sourced by run.sh, test.sh and the scripts in scripts/: installs the Debian packages they need, only
# those missing.

# What the program needs to build and run (./run.sh).
VEXIL_PACKAGES=(cmake g++ make qt6-base-dev libgif-dev tzdata fonts-dejavu-core ca-certificates)

# What the tests and benchmarks need on top (./test.sh, scripts/robustness.sh): GoogleTest, Google
# Benchmark, the openssl command for a test certificate, clang and its sanitizer and libFuzzer runtime, and
# the X server, window manager and tools of the desktop test.
VEXIL_TEST_PACKAGES=(libgtest-dev libgmock-dev libbenchmark-dev openssl clang libclang-rt-14-dev
  xvfb openbox xdotool x11-apps x11-utils imagemagick)

# vexil_install_packages [package...]: the program's packages and the ones given.
vexil_install_packages() {
  local missing=()
  for pkg in "${VEXIL_PACKAGES[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
  fi
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# VEXIL_JOBS caps the parallel build and test jobs (several builds may share one machine).
vexil_jobs() {
  if [ -n "${VEXIL_JOBS:-}" ]; then echo "$VEXIL_JOBS"; else nproc 2>/dev/null || echo 2; fi
}
